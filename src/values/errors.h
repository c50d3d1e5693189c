#pragma once

#include <stdexcept>
#include <string>

namespace qv {

// The numbers a failure carries, by what went wrong. Boxes that show a number show these.
namespace error {
inline constexpr int kInvalidArgument = 5;     // "Invalid procedure call or argument"
inline constexpr int kOverflow = 6;            // "Overflow"
inline constexpr int kOutOfRange = 9;          // "Subscript out of range"
inline constexpr int kTypeMismatch = 13;       // "Type mismatch"
inline constexpr int kFileAccess = 75;         // "Path/File access error"
inline constexpr int kSpreadsheet = 1004;      // the spreadsheet refused an operation
inline constexpr int kFilterSyntax = 3001;     // a filter the recordset cannot apply
inline constexpr int kNoCurrentRecord = 3021;  // the recordset is at neither record end
inline constexpr int kFieldOperation = 3219;   // a field added once records exist
inline constexpr int kItemNotFound = 3265;     // no such field, or a value it cannot take
inline constexpr int kFieldExists = 3367;      // a field of that name is there already
}  // namespace error

// A failure that a handler's failure trap shows to the user. It carries a number beside its
// description because some boxes show both ("6 - Overflow").
class AddinError : public std::runtime_error {
 public:
  AddinError(int number, const std::string& description)
      : std::runtime_error(description), number_(number) {}
  int Number() const { return number_; }

  static AddinError InvalidArgument() {
    return {error::kInvalidArgument, "Invalid procedure call or argument"};
  }
  static AddinError Overflow() { return {error::kOverflow, "Overflow"}; }
  static AddinError TypeMismatch() { return {error::kTypeMismatch, "Type mismatch"}; }

 private:
  int number_;
};

}  // namespace qv
