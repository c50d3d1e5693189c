#pragma once

#include <string>

namespace qv::host {

// A cell error's code from the text a spreadsheet shows for it ("#DIV/0!" is 2007); #VALUE!'s
// for a text that names no error.
int ErrorCode(const std::string& text);
// The text a spreadsheet shows for an error's code; #VALUE! for a code of no error.
std::string ErrorName(int code);

}  // namespace qv::host
