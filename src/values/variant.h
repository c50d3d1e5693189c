#pragma once

#include <string>
#include <utility>
#include <variant>

#include "values/datetime.h"

namespace qv {

// A cell's error value, by the platform's code (2007 is #DIV/0!, 2042 is #N/A, ...).
struct ErrorValue {
  int code = 0;
  friend bool operator==(const ErrorValue&, const ErrorValue&) = default;
};

// The value of a cell: empty, a number, text, a date and time, a boolean, or an error.
class Variant {
 public:
  enum class Kind { Empty, Number, Text, Date, Boolean, Error };

  Variant() = default;
  Variant(double v) : v_(v) {}                    // NOLINT: implicit on purpose
  Variant(int v) : v_(static_cast<double>(v)) {}  // NOLINT
  Variant(std::string v) : v_(std::move(v)) {}    // NOLINT
  Variant(const char* v) : v_(std::string(v)) {}  // NOLINT
  Variant(DateTime v) : v_(v) {}                  // NOLINT
  Variant(bool v) : v_(v) {}                      // NOLINT
  Variant(ErrorValue v) : v_(v) {}                // NOLINT

  Kind kind() const { return static_cast<Kind>(v_.index()); }
  bool IsEmpty() const { return kind() == Kind::Empty; }
  double AsNumber() const { return std::get<double>(v_); }
  const std::string& AsText() const { return std::get<std::string>(v_); }
  DateTime AsDate() const { return std::get<DateTime>(v_); }
  bool AsBoolean() const { return std::get<bool>(v_); }
  ErrorValue AsError() const { return std::get<ErrorValue>(v_); }

  friend bool operator==(const Variant&, const Variant&) = default;

 private:
  std::variant<std::monostate, double, std::string, DateTime, bool, ErrorValue> v_;
};

}  // namespace qv
