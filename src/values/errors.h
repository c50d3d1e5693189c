#pragma once

#include <stdexcept>
#include <string>

namespace qv {

// A failure that a handler's failure trap shows to the user. It carries a number beside its
// description because some boxes show both ("6 - Overflow").
class AddinError : public std::runtime_error {
 public:
  AddinError(int number, const std::string& description)
      : std::runtime_error(description), number_(number) {}
  int Number() const { return number_; }

  static AddinError InvalidArgument() { return {5, "Invalid procedure call or argument"}; }
  static AddinError Overflow() { return {6, "Overflow"}; }
  static AddinError TypeMismatch() { return {13, "Type mismatch"}; }

 private:
  int number_;
};

}  // namespace qv
