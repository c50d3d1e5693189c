#include "send/recordset.h"

#include "send/filter_criteria.h"
#include "values/convert.h"
#include "values/text.h"

namespace qv::send {

Recordset::Recordset() = default;
Recordset::~Recordset() = default;

std::optional<std::size_t> Recordset::Index(const std::string& name) const {
  for (std::size_t i = 0; i < fields_.size(); ++i) {
    if (EqualsIgnoreCaseAscii(fields_[i].name, name)) return i;
  }
  return std::nullopt;
}

std::size_t Recordset::Require(const std::string& name) const {
  const auto i = Index(name);
  if (!i) throw AddinError(error::kItemNotFound, "There is no field named " + name + ".");
  return *i;
}

void Recordset::AppendField(const std::string& name, FieldType type, std::size_t definedSize) {
  if (Index(name)) throw AddinError(error::kFieldExists, "The field " + name + " exists already.");
  if (!records_.empty())
    throw AddinError(error::kFieldOperation, "Fields cannot be added once records exist.");
  fields_.push_back({name, type, definedSize});
}

void Recordset::AddNew() {
  records_.emplace_back(fields_.size());
  current_ = records_.size() - 1;
  visible_.push_back(current_);
}

void Recordset::SetValue(const std::string& field, const Variant& value) {
  if (auto refused = Assign(field, value)) throw *refused;
}

bool Recordset::Store(const std::string& field, const Variant& value) {
  return !Assign(field, value);
}

std::optional<AddinError> Recordset::Assign(const std::string& field, const Variant& value) {
  const std::size_t i = Require(field);
  if (records_.empty()) throw AddinError(error::kNoCurrentRecord, "There is no current record.");
  auto& slot = records_[current_][i];
  slot.reset();
  if (value.IsEmpty()) return std::nullopt;
  const FieldInfo& f = fields_[i];
  switch (f.type) {
    case FieldType::VarChar: {
      std::string text = ValueAsText(value);
      if (Utf8Length(text) > f.definedSize) {
        return AddinError(error::kItemNotFound, "The value of " + f.name + " is longer than " +
                                                    std::to_string(f.definedSize) + " characters.");
      }
      slot = std::move(text);
      return std::nullopt;
    }
    case FieldType::Double:
      if (!IsNumeric(value)) return AddinError::TypeMismatch();
      slot =
          value.kind() == Variant::Kind::Number ? value.AsNumber() : NumericValue(value.AsText());
      return std::nullopt;
    case FieldType::TimeStamp:
      if (value.kind() == Variant::Kind::Date) {
        slot = value.AsDate();
      } else if (value.kind() == Variant::Kind::Number) {
        slot = DateTime::FromSerial(value.AsNumber());
      } else if (value.kind() == Variant::Kind::Text && ParseDateTime(value.AsText())) {
        slot = *ParseDateTime(value.AsText());
      } else {
        return AddinError::TypeMismatch();
      }
      return std::nullopt;
  }
  return std::nullopt;
}

std::optional<FieldValue> Recordset::Value(const std::string& field) const {
  if (IsEOF()) throw AddinError(error::kNoCurrentRecord, "There is no current record.");
  return records_[visible_[position_]][Require(field)];
}

std::string Recordset::Text(const std::string& field) const {
  const auto v = Value(field);
  if (!v) return {};
  if (const auto* s = std::get_if<std::string>(&*v)) return *s;
  if (const auto* d = std::get_if<double>(&*v)) return NumberAsText(*d);
  return DateTimeAsText(std::get<DateTime>(*v));
}

void Recordset::Filter(const std::string& criteria) {
  FilterCriteria compiled = FilterCriteria::Parse(criteria);
  compiled.Bind(fields_);
  visible_.clear();
  for (std::size_t r = 0; r < records_.size(); ++r) {
    if (compiled.Matches(records_[r])) visible_.push_back(r);
  }
  position_ = 0;
}

}  // namespace qv::send
