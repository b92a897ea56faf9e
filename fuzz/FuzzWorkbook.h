#pragma once

#include <cstddef>
#include <cstdint>

namespace pellix::fuzz {

// Reads the bytes as a workbook, loads every worksheet into the query engine and walks the rows
// of "select * from [<sheet>$]", as the record source does with a workbook from disk.
// fileName only matters for text, which is known by its name (.csv, .txt).
void readWorkbook(const std::uint8_t* data, std::size_t size, const char* fileName = "fuzz.xls");

// The same with the bytes as the workbook stream inside a well-formed compound file, so that
// the fuzzer's changes reach the records rather than the container.
void readWorkbookStream(const std::uint8_t* data, std::size_t size);

// The bytes as the one worksheet part of an .xlsx (xlsx true) or as the content part of an .ods,
// inside a well-formed ZIP container with the other parts such a file needs.
void readSheetPart(const std::uint8_t* data, std::size_t size, bool xlsx);

}  // namespace pellix::fuzz
