#include "host/error_names.h"

#include <utility>

namespace qv::host {

namespace {

constexpr std::pair<int, const char*> kErrors[] = {
    {2000, "#NULL!"}, {2007, "#DIV/0!"}, {2015, "#VALUE!"}, {2023, "#REF!"},
    {2029, "#NAME?"}, {2036, "#NUM!"},   {2042, "#N/A"}};

}  // namespace

int ErrorCode(const std::string& text) {
  for (const auto& [code, name] : kErrors) {
    if (text == name) return code;
  }
  return 2015;
}

std::string ErrorName(int code) {
  for (const auto& [c, name] : kErrors) {
    if (c == code) return name;
  }
  return "#VALUE!";
}

}  // namespace qv::host
