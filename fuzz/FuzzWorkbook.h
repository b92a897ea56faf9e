#pragma once

#include <cstddef>
#include <cstdint>

namespace pellix::fuzz {

// Reads the bytes as a workbook, loads every worksheet into the query engine and walks the rows
// of "select * from [<sheet>$]", as the record source does with a workbook from disk.
void readWorkbook(const std::uint8_t* data, std::size_t size);

}  // namespace pellix::fuzz
