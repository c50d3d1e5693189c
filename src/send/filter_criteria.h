#pragma once

#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "send/recordset.h"

namespace qv::send {

// A criteria text the filter cannot use: `Reason()` says what is wrong and `Near()` quotes the text
// from the offending place on.
class FilterError : public AddinError {
 public:
  FilterError(std::string reason, std::string near);
  const std::string& Reason() const { return reason_; }
  const std::string& Near() const { return near_; }

 private:
  std::string reason_;
  std::string near_;
};

// A compiled criteria text of the recordset filter language, bound to a recordset's fields.
class FilterCriteria {
 public:
  // Checks the text against the grammar; throws FilterError.
  static FilterCriteria Parse(std::string_view text);
  FilterCriteria(FilterCriteria&&) noexcept;
  FilterCriteria& operator=(FilterCriteria&&) noexcept;
  ~FilterCriteria();

  // Resolves the field names and checks each value against its field's type; throws FilterError.
  void Bind(const std::vector<FieldInfo>& fields);
  bool Matches(const std::vector<std::optional<FieldValue>>& record) const;

  struct Node;

 private:
  FilterCriteria();
  std::unique_ptr<Node> root_;
};

}  // namespace qv::send
