#pragma once

#include <cstddef>
#include <cstdint>

namespace pellix::fuzz {

// Reads the bytes as a workbook, loads every worksheet into the query engine and walks the rows
// of "select * from [<sheet>$]", as the record source does with a workbook from disk.
void readWorkbook(const std::uint8_t* data, std::size_t size);

// The same with the bytes as the workbook stream inside a well-formed compound file, so that
// the fuzzer's changes reach the records rather than the container.
void readWorkbookStream(const std::uint8_t* data, std::size_t size);

}  // namespace pellix::fuzz
