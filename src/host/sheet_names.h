#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace qv::host {

// Throws HostError unless `name` may name a new sheet beside `others`, as spreadsheet programs
// judge it: 1 to 31 characters, none of : \ / ? * [ ], no apostrophe first or last, and no other
// sheet of the same name without regard to letter case.
void CheckSheetName(std::string_view name, const std::vector<std::string>& others);

}  // namespace qv::host
