#pragma once

#include <map>
#include <optional>
#include <string>
#include <string_view>

namespace qv::gateway {

// A form-encoded body: fields by name, values decoded from percent escapes and "+" and read as
// Windows-1252. The first of two fields of one name wins.
class Form {
 public:
  // nullopt for a body that is not a form (a broken percent escape, a piece without "=").
  static std::optional<Form> Parse(std::string_view body);

  bool Has(const std::string& name) const { return fields_.count(name) != 0; }
  // The value, or nullopt when the field is missing.
  std::optional<std::string> Get(const std::string& name) const;
  std::string GetOr(const std::string& name, const std::string& fallback) const;

 private:
  std::map<std::string, std::string> fields_;
};

}  // namespace qv::gateway
