#pragma once

#include <optional>
#include <string>
#include <variant>
#include <vector>

#include "values/errors.h"
#include "values/variant.h"

namespace qv::send {

class FilterCriteria;

// The field types the filtered send uses. Numbers are kept whole as doubles, so 10.5 stays 10.5
// and numbers beyond 32 bits are kept.
enum class FieldType { VarChar, Double, TimeStamp };

// A stored value; a field without one (never set, or a failed store) is null.
using FieldValue = std::variant<std::string, double, DateTime>;

struct FieldInfo {
  std::string name;
  FieldType type = FieldType::VarChar;
  std::size_t definedSize = 0;  // characters, for VarChar
};

// A free-standing table of records held in memory, with a filter that leaves only the matching
// records visible to RecordCount and to the MoveFirst / MoveNext / EOF walk.
class Recordset {
 public:
  Recordset();
  ~Recordset();

  // A second field of the same name (without regard to case) is refused.
  void AppendField(const std::string& name, FieldType type, std::size_t definedSize);
  const std::vector<FieldInfo>& Fields() const { return fields_; }
  bool HasField(const std::string& name) const { return Index(name).has_value(); }

  // A new record, which becomes the current one.
  void AddNew();
  // Stores a cell's value in a field of the current record. A value the field cannot hold (text in
  // a number field, text longer than the field) is refused with an error and leaves it null.
  void SetValue(const std::string& field, const Variant& value);
  // The same, except that a value the field cannot hold (too long, not a number, not a date)
  // leaves it empty and returns false.
  bool Store(const std::string& field, const Variant& value);
  std::optional<FieldValue> Value(const std::string& field) const;
  // The current record's value as text; "" for null.
  std::string Text(const std::string& field) const;

  // Leaves visible only the records that match; throws FilterError for a criteria text outside the
  // language or one that does not fit the fields.
  void Filter(const std::string& criteria);
  std::size_t RecordCount() const { return visible_.size(); }
  bool IsEOF() const { return position_ >= visible_.size(); }
  bool IsBOF() const { return visible_.empty(); }
  void MoveFirst() { position_ = 0; }
  void MoveNext() {
    if (position_ < visible_.size()) ++position_;
  }
  // The current record's place among all records, counted from 0 in the order they were added.
  std::size_t Position() const { return visible_.at(position_); }

 private:
  // Sets the field of the current record; the failure, when the value does not fit, as a value.
  std::optional<AddinError> Assign(const std::string& field, const Variant& value);
  std::optional<std::size_t> Index(const std::string& name) const;
  std::size_t Require(const std::string& name) const;
  std::vector<FieldInfo> fields_;
  std::vector<std::vector<std::optional<FieldValue>>> records_;
  std::vector<std::size_t> visible_;
  std::size_t position_ = 0;
  std::size_t current_ = 0;
};

}  // namespace qv::send
