#pragma once

#include <com/sun/star/accessibility/AccessibleRole.hpp>
#include <com/sun/star/accessibility/XAccessibleContext.hpp>
#include <com/sun/star/awt/XWindow2.hpp>
#include <com/sun/star/uno/XComponentContext.hpp>

#include <functional>
#include <initializer_list>
#include <string>
#include <vector>

namespace qv::testing {

// Runs `work` on the office's main thread, where the user's clicks and keys run, and waits for it:
// the calls it makes into the office run there, one at a time with the office's own work.
void OnMainThread(const css::uno::Reference<css::uno::XComponentContext>& office,
                  const std::function<void()>& work);

constexpr sal_Int16 kDialogRole = css::accessibility::AccessibleRole::DIALOG;
constexpr sal_Int16 kAlertRole = css::accessibility::AccessibleRole::ALERT;

// A window of the office as a user meets it: found by what it shows, typed into and pressed
// through the office's accessibility interfaces, which act as the keyboard and the mouse do.
class Window {
 public:
  bool Found() const { return context_.is(); }
  bool operator==(const Window& other) const { return context_ == other.context_; }
  // Every text field, in the order they stand in the window.
  std::vector<css::uno::Reference<css::accessibility::XAccessibleContext>> TextFields() const;
  // Types `text` into a text field, or into the text of a drop-down one can type into.
  void Type(const css::uno::Reference<css::accessibility::XAccessibleContext>& field,
            const std::string& text) const;
  // The field (a text, a password or a drop-down) on the line of the label or option `caption`,
  // the nearest to its right; none when there is no such field.
  css::uno::Reference<css::accessibility::XAccessibleContext> Beside(
      const std::string& caption) const;
  // The drop-down or list that offers `entry`.
  css::uno::Reference<css::accessibility::XAccessibleContext> Offering(
      const std::string& entry) const;
  // Chooses the entry `entry` of a drop-down or list, as a click on it does; false when it has
  // no such entry.
  bool Pick(const css::uno::Reference<css::accessibility::XAccessibleContext>& list,
            const std::string& entry) const;
  // Clicks the check box or option of that caption; false when there is none.
  bool Toggle(const std::string& caption) const;
  // Presses the button of that caption; false when there is none.
  bool Press(const std::string& caption) const;
  // Presses the Escape key in the window.
  void Escape() const;
  // Whether a text of the window holds `text`.
  bool Shows(const std::string& text) const;
  // The window's texts, one a line, for a failure's message.
  std::string Texts() const;

 private:
  friend class Screen;
  // Runs `look` on the office's main thread when the window was found (else here: there is
  // nothing to look at), and gives what it gives.
  template <typename F>
  auto OnOffice(F&& look) const {
    if (!office_.is()) return look();
    decltype(look()) seen{};
    OnMainThread(office_, [&] { seen = look(); });
    return seen;
  }
  bool PickNow(const css::uno::Reference<css::accessibility::XAccessibleContext>& list,
               const std::string& entry) const;
  css::uno::Reference<css::uno::XComponentContext> office_;
  css::uno::Reference<css::awt::XWindow2> window_;
  css::uno::Reference<css::accessibility::XAccessibleContext> context_;
};

// The office's windows on the display the tests run on.
class Screen {
 public:
  explicit Screen(css::uno::Reference<css::uno::XComponentContext> context)
      : context_(std::move(context)) {}
  // The window of that role and title (any title when empty) that shows the text `shows`, once
  // it is there; not Found after `seconds`.
  Window WaitFor(sal_Int16 role, const std::string& title, int seconds = 30,
                 const std::string& shows = "") const;
  // Waits until the office has handled every event waiting, those of a press or a choice made
  // a moment ago among them: what they set in a dialog is then set.
  void Settle() const;
  // Whether the window has closed, once it has and the office has settled; false if it still
  // shows after `seconds`.
  bool WaitGone(const Window& window, int seconds = 30) const;
  // Saves a picture of the window (of the whole display when it is not found) in the build's
  // screens-calc folder, as `name`.png.
  void Save(const Window& window, const std::string& name) const;

 private:
  css::uno::Reference<css::uno::XComponentContext> context_;
};

}  // namespace qv::testing
