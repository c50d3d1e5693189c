#pragma once

#include <string>

namespace qv::bench {

// Writes an .xlsx as a spreadsheet program saves it: `rows` rows of `columns` columns (a mobile
// number, then names and towns from the shared strings, amounts, due dates), one header row.
// Returns the bytes of its sheet XML.
std::size_t WriteContactsWorkbook(const std::string& path, int rows, int columns);

}  // namespace qv::bench
