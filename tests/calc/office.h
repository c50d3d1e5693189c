#pragma once

#include <sys/types.h>

#include <com/sun/star/uno/XComponentContext.hpp>

#include <filesystem>
#include <string>

namespace qv::testing {

// A LibreOffice of the tests' own: a throwaway user profile, a pipe to talk UNO over, the X
// display the tests run on (xvfb-run gives one), and the add-in's settings in a folder of its own.
// With `usersOwn` it is the user's LibreOffice instead: the user's profile and settings.
class Office {
 public:
  explicit Office(std::filesystem::path folder, bool usersOwn = false);
  // Ends the office if it still runs.
  ~Office();
  Office(const Office&) = delete;
  Office& operator=(const Office&) = delete;

  // Starts the office, with a spreadsheet open when `calc`, and connects to it.
  void Start(bool calc);
  // Asks the office to end and waits until it has.
  void Stop();
  // Installs an extension for the profile's user, as the Extension Manager does.
  void Install(const std::filesystem::path& oxt);

  const css::uno::Reference<css::uno::XComponentContext>& Context() const { return context_; }

 private:
  std::filesystem::path folder_;
  bool usersOwn_;
  std::string pipe_;
  pid_t pid_ = -1;
  css::uno::Reference<css::uno::XComponentContext> context_;
};

// A UNO string as UTF-8.
std::string Utf8(const rtl::OUString& text);

}  // namespace qv::testing
