#pragma once

// The outside inputs besides workbooks, each read as the program reads it. Shared by the fuzz
// targets and the test that replays their kept inputs.

#include <cstddef>
#include <cstdint>

namespace pellix::fuzz {

// The bytes as a settings file: decoded from CP932, read value by value as the start-up and the
// job forms read the database (3 values) and print position (99 values) files, and as a table
// by every column and by two named columns, as the dialogs read them.
void readSettingsFile(const std::uint8_t* data, std::size_t size);

// The bytes (UTF-8) as the query text of the database settings, run by the query engine over the
// sheets of the sample workbook; the result is counted and walked.
void runQueryText(const std::uint8_t* data, std::size_t size);

// The first three bytes as the barcode parameters, the rest as a barcode text: encoded, copied
// into a picture slot, drawn into a picture box and, as a JAN number, printed as text.
void makeBarcode(const std::uint8_t* data, std::size_t size);

}  // namespace pellix::fuzz
