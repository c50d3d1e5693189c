#include "calc/screen.h"

#include <com/sun/star/accessibility/XAccessible.hpp>
#include <com/sun/star/accessibility/XAccessibleAction.hpp>
#include <com/sun/star/accessibility/XAccessibleComponent.hpp>
#include <com/sun/star/accessibility/XAccessibleEditableText.hpp>
#include <com/sun/star/awt/Toolkit.hpp>
#include <com/sun/star/awt/XExtendedToolkit.hpp>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <thread>

#include "calc/office.h"

namespace qv::testing {

using namespace css;
using namespace css::accessibility;
using uno::Reference;
using uno::UNO_QUERY;

namespace {

// Calls `visit` for `context` and everything inside it.
void Walk(const Reference<XAccessibleContext>& context,
          const std::function<void(const Reference<XAccessibleContext>&)>& visit) {
  if (!context.is()) return;
  visit(context);
  const sal_Int64 count = context->getAccessibleChildCount();
  for (sal_Int64 i = 0; i < count; ++i) {
    const Reference<XAccessible> child = context->getAccessibleChild(i);
    if (child.is()) Walk(child->getAccessibleContext(), visit);
  }
}

}  // namespace

std::vector<Reference<XAccessibleContext>> Window::TextFields() const {
  std::vector<Reference<XAccessibleContext>> found;
  Walk(context_, [&](const Reference<XAccessibleContext>& c) {
    const sal_Int16 role = c->getAccessibleRole();
    if (role == AccessibleRole::TEXT || role == AccessibleRole::PASSWORD_TEXT) found.push_back(c);
  });
  return found;
}

void Window::Type(const Reference<XAccessibleContext>& field, const std::string& text) const {
  Reference<XAccessibleEditableText>(field, uno::UNO_QUERY_THROW)
      ->setText(
          rtl::OUString(text.data(), static_cast<sal_Int32>(text.size()), RTL_TEXTENCODING_UTF8));
}

bool Window::Press(const std::string& caption) const {
  Reference<XAccessibleAction> button;
  Walk(context_, [&](const Reference<XAccessibleContext>& c) {
    // The name may keep the mark of the access key.
    std::string name = Utf8(c->getAccessibleName());
    std::erase(name, '~');
    if (!button.is() && c->getAccessibleRole() == AccessibleRole::PUSH_BUTTON && name == caption)
      button.set(c, UNO_QUERY);
  });
  if (!button.is()) return false;
  button->doAccessibleAction(0);
  return true;
}

bool Window::Shows(const std::string& text) const {
  return Texts().find(text) != std::string::npos;
}

std::string Window::Texts() const {
  std::string texts;
  Walk(context_, [&](const Reference<XAccessibleContext>& c) {
    const std::string name = Utf8(c->getAccessibleName());
    if (!name.empty()) texts += name + "\n";
  });
  return texts;
}

// The office lists its windows through an interface it calls deprecated and offers no other.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
Window Screen::WaitFor(sal_Int16 role, const std::string& title, int seconds,
                       const std::string& shows) const {
  const Reference<awt::XExtendedToolkit> toolkit(awt::Toolkit::create(context_),
                                                 uno::UNO_QUERY_THROW);
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(seconds);
  Window window;
  while (std::chrono::steady_clock::now() < deadline) {
    const sal_Int32 count = toolkit->getTopWindowCount();
    for (sal_Int32 i = count - 1; i >= 0; --i) {
      const Reference<XAccessible> top(toolkit->getTopWindow(i), UNO_QUERY);
      const Reference<XAccessibleContext> context =
          top.is() ? top->getAccessibleContext() : Reference<XAccessibleContext>();
      if (!context.is() || context->getAccessibleRole() != role) continue;
      if (!title.empty() && Utf8(context->getAccessibleName()) != title) continue;
      window.context_ = context;
      if (window.Shows(shows)) return window;
      window.context_.clear();
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
  }
  return window;
}
#pragma GCC diagnostic pop

void Screen::Save(const Window& window, const std::string& name) const {
  const std::filesystem::path folder = QV_SCREENS;
  std::filesystem::create_directories(folder);
  std::string crop;
  if (const Reference<XAccessibleComponent> shown(window.context_, UNO_QUERY); shown.is()) {
    const awt::Point at = shown->getLocationOnScreen();
    const awt::Size size = shown->getSize();
    crop = " -crop " + std::to_string(size.Width) + "x" + std::to_string(size.Height) + "+" +
           std::to_string(at.X) + "+" + std::to_string(at.Y);
  }
  const std::string command =
      "import -window root" + crop + " '" + (folder / (name + ".png")).string() + "' 2>/dev/null";
  // A picture is for people to look at; a display that cannot be read fails no test.
  static_cast<void>(std::system(command.c_str()));
}

}  // namespace qv::testing
