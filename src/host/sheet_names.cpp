#include "host/sheet_names.h"

#include "host/host.h"
#include "values/text.h"

namespace qv::host {

void CheckSheetName(std::string_view name, const std::vector<std::string>& others) {
  const std::string quoted = "\"" + std::string(name) + "\"";
  if (name.empty()) throw HostError("A sheet name cannot be empty.");
  if (Utf8Length(name) > 31) {
    throw HostError("The sheet name " + quoted +
                    " is too long: a sheet name has at most 31 characters.");
  }
  if (name.find_first_of(":\\/?*[]") != std::string_view::npos) {
    throw HostError(
        "The sheet name " + quoted +
        " contains one of the characters : \\ / ? * [ ], which a sheet name cannot contain.");
  }
  if (name.front() == '\'' || name.back() == '\'') {
    throw HostError("The sheet name " + quoted +
                    " begins or ends with an apostrophe, which a sheet name cannot.");
  }
  for (const std::string& other : others) {
    if (EqualsIgnoreCaseAscii(other, name)) {
      throw HostError("The workbook already has a sheet named " + quoted + ".");
    }
  }
}

}  // namespace qv::host
