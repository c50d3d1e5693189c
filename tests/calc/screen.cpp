#include "calc/screen.h"

#include <com/sun/star/accessibility/XAccessible.hpp>
#include <com/sun/star/accessibility/XAccessibleAction.hpp>
#include <com/sun/star/accessibility/XAccessibleComponent.hpp>
#include <com/sun/star/accessibility/XAccessibleEditableText.hpp>
#include <com/sun/star/accessibility/XAccessibleSelection.hpp>
#include <com/sun/star/awt/AsyncCallback.hpp>
#include <com/sun/star/awt/Key.hpp>
#include <com/sun/star/awt/Toolkit.hpp>
#include <com/sun/star/awt/XCallback.hpp>
#include <com/sun/star/awt/XExtendedToolkit.hpp>
#include <com/sun/star/awt/XToolkitExperimental.hpp>
#include <com/sun/star/awt/XToolkitRobot.hpp>
#include <com/sun/star/awt/XTopWindow.hpp>
#include <com/sun/star/lang/DisposedException.hpp>

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <cstdlib>
#include <exception>
#include <filesystem>
#include <functional>
#include <mutex>
#include <stdexcept>
#include <thread>

#include "calc/office.h"
#include "uno_text.h"

#include <cppuhelper/implbase1.hxx>
#include <rtl/ref.hxx>

namespace qv::testing {

using namespace css;
using namespace css::accessibility;
using uno::Reference;
using uno::UNO_QUERY;

namespace {

// A piece of work the office runs on its main thread, as it runs a user's clicks and keys.
class MainThreadWork : public cppu::WeakImplHelper1<awt::XCallback> {
 public:
  explicit MainThreadWork(std::function<void()> work) : work_(std::move(work)) {}
  void SAL_CALL notify(const uno::Any&) override {
    try {
      work_();
    } catch (const uno::Exception& e) {
      failure_ = std::make_exception_ptr(std::runtime_error("the office: " + Utf8(e.Message)));
    } catch (...) {
      failure_ = std::current_exception();
    }
    const std::lock_guard<std::mutex> lock(mutex_);
    done_ = true;
    ended_.notify_all();
  }
  void Wait() {
    std::unique_lock<std::mutex> lock(mutex_);
    if (!ended_.wait_for(lock, std::chrono::minutes(2), [this] { return done_; }))
      throw std::runtime_error("the office's main thread did not run the work within two minutes");
    if (failure_) std::rethrow_exception(failure_);
  }

 private:
  std::function<void()> work_;
  std::exception_ptr failure_;
  std::mutex mutex_;
  std::condition_variable ended_;
  bool done_ = false;
};

}  // namespace

// Calls made while the office calls us back run on the thread that called us: so the add-in's
// handlers run where a click's do, one at a time, and never beside one another.
void OnMainThread(const Reference<uno::XComponentContext>& office,
                  const std::function<void()>& work) {
  const rtl::Reference<MainThreadWork> call(new MainThreadWork(work));
  awt::AsyncCallback::create(office)->addCallback(call.get(), {});
  call->Wait();
}

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

// The name of an element as a user reads it: without the access key's mark and the blanks at
// its end.
std::string Caption(const Reference<XAccessibleContext>& context) {
  std::string name = Utf8(context->getAccessibleName());
  std::erase(name, '~');
  while (!name.empty() && name.back() == ' ') name.pop_back();
  return name;
}

bool IsField(sal_Int16 role) {
  return role == AccessibleRole::TEXT || role == AccessibleRole::PASSWORD_TEXT ||
         role == AccessibleRole::COMBO_BOX;
}

// The entries of a drop-down (held by its list) or of a list.
Reference<XAccessibleContext> EntriesOf(const Reference<XAccessibleContext>& list) {
  if (list->getAccessibleRole() == AccessibleRole::LIST) return list;
  for (sal_Int64 i = 0; i < list->getAccessibleChildCount(); ++i) {
    const Reference<XAccessible> child = list->getAccessibleChild(i);
    if (!child.is()) continue;
    const Reference<XAccessibleContext> found = EntriesOf(child->getAccessibleContext());
    if (found.is()) return found;
  }
  return {};
}

}  // namespace

Reference<XAccessibleContext> Window::Beside(const std::string& caption) const {
  return OnOffice([&]() -> Reference<XAccessibleContext> {
    std::vector<std::pair<Reference<XAccessibleContext>, awt::Rectangle>> shown;
    Walk(context_, [&](const Reference<XAccessibleContext>& c) {
      const Reference<XAccessibleComponent> at(c, UNO_QUERY);
      if (!at.is()) return;
      const awt::Point p = at->getLocationOnScreen();
      const awt::Size size = at->getSize();
      shown.emplace_back(c, awt::Rectangle(p.X, p.Y, size.Width, size.Height));
    });
    const auto label = std::find_if(shown.begin(), shown.end(), [&](const auto& s) {
      return !IsField(s.first->getAccessibleRole()) && Caption(s.first) == caption;
    });
    if (label == shown.end()) return {};
    const awt::Rectangle& l = label->second;
    Reference<XAccessibleContext> field;
    sal_Int32 nearest = 0;
    for (const auto& [c, r] : shown) {
      const sal_Int32 middle = r.Y + r.Height / 2;
      // A drop-down's own text stands where the drop-down does: the first found, the drop-down,
      // is kept.
      if (!IsField(c->getAccessibleRole()) || r.X <= l.X || middle < l.Y ||
          middle > l.Y + l.Height || (field.is() && r.X >= nearest))
        continue;
      field = c;
      nearest = r.X;
    }
    return field;
  });
}

Reference<XAccessibleContext> Window::Offering(const std::string& entry) const {
  return OnOffice([&]() -> Reference<XAccessibleContext> {
    Reference<XAccessibleContext> found;
    Walk(context_, [&](const Reference<XAccessibleContext>& c) {
      if (found.is() || c->getAccessibleRole() != AccessibleRole::LIST_ITEM || Caption(c) != entry)
        return;
      // The entry's list, and the drop-down holding it if there is one.
      Reference<XAccessibleContext> list = c->getAccessibleParent()->getAccessibleContext();
      const Reference<XAccessible> holder = list->getAccessibleParent();
      if (holder.is() &&
          holder->getAccessibleContext()->getAccessibleRole() == AccessibleRole::COMBO_BOX)
        list = holder->getAccessibleContext();
      found = list;
    });
    return found;
  });
}

bool Window::Pick(const Reference<XAccessibleContext>& list, const std::string& entry) const {
  bool picked = false;
  if (list.is()) OnMainThread(office_, [&] { picked = PickNow(list, entry); });
  return picked;
}

bool Window::PickNow(const Reference<XAccessibleContext>& list, const std::string& entry) const {
  const Reference<XAccessibleContext> entries = EntriesOf(list);
  if (!entries.is()) return false;
  for (sal_Int64 i = 0; i < entries->getAccessibleChildCount(); ++i) {
    const Reference<XAccessible> item = entries->getAccessibleChild(i);
    if (!item.is() || Caption(item->getAccessibleContext()) != entry) continue;
    // Selecting through the accessible list leaves an editable drop-down's text as it was, where
    // a click would put the entry there: it is typed in first.
    for (sal_Int64 k = 0; k < list->getAccessibleChildCount(); ++k) {
      const Reference<XAccessible> child = list->getAccessibleChild(k);
      const Reference<XAccessibleEditableText> text(
          child.is() ? child->getAccessibleContext() : nullptr, UNO_QUERY);
      if (text.is()) text->setText(calc::ToUno(entry));
    }
    Reference<XAccessibleSelection>(entries, uno::UNO_QUERY_THROW)->selectAccessibleChild(i);
    return true;
  }
  return false;
}

std::vector<Reference<XAccessibleContext>> Window::TextFields() const {
  return OnOffice([&] {
    std::vector<Reference<XAccessibleContext>> found;
    Walk(context_, [&](const Reference<XAccessibleContext>& c) {
      const sal_Int16 role = c->getAccessibleRole();
      if (role == AccessibleRole::TEXT || role == AccessibleRole::PASSWORD_TEXT) found.push_back(c);
    });
    return found;
  });
}

void Window::Type(const Reference<XAccessibleContext>& field, const std::string& text) const {
  // A drop-down one can type into holds its text as a part of its own.
  Reference<XAccessibleEditableText> editable;
  Walk(field, [&](const Reference<XAccessibleContext>& c) {
    if (!editable.is()) editable.set(c, UNO_QUERY);
  });
  if (!editable.is()) throw std::runtime_error("nothing to type into");
  OnMainThread(office_, [&] { editable->setText(calc::ToUno(text)); });
}

namespace {

// Runs the first action of the element of one of `roles` and that caption; false when there is
// none.
bool Act(const Reference<XAccessibleContext>& window, const std::string& caption,
         std::initializer_list<sal_Int16> roles) {
  Reference<XAccessibleAction> found;
  Walk(window, [&](const Reference<XAccessibleContext>& c) {
    if (!found.is() &&
        std::find(roles.begin(), roles.end(), c->getAccessibleRole()) != roles.end() &&
        Caption(c) == caption)
      found.set(c, UNO_QUERY);
  });
  if (!found.is()) return false;
  try {
    found->doAccessibleAction(0);
  } catch (const lang::DisposedException&) {
    // The press closed the window that held the button.
  }
  return true;
}

}  // namespace

bool Window::Toggle(const std::string& caption) const {
  bool done = false;
  if (Found()) {
    OnMainThread(office_, [&] {
      done = Act(context_, caption, {AccessibleRole::CHECK_BOX, AccessibleRole::RADIO_BUTTON});
    });
  }
  return done;
}

bool Window::Press(const std::string& caption) const {
  bool done = false;
  if (Found())
    OnMainThread(office_, [&] { done = Act(context_, caption, {AccessibleRole::PUSH_BUTTON}); });
  return done;
}

void Window::Escape() const {
  const Reference<awt::XToolkitRobot> robot(awt::Toolkit::create(office_), uno::UNO_QUERY_THROW);
  awt::KeyEvent key;
  key.Source = window_;
  key.KeyCode = awt::Key::ESCAPE;
  key.KeyChar = 27;
  OnMainThread(office_, [&] {
    robot->keyPress(key);
    robot->keyRelease(key);
  });
}

bool Window::Shows(const std::string& text) const {
  return Texts().find(text) != std::string::npos;
}

namespace {

// The names of a window's elements, one a line.
std::string TextsOf(const Reference<XAccessibleContext>& window) {
  std::string texts;
  Walk(window, [&](const Reference<XAccessibleContext>& c) {
    const std::string name = Utf8(c->getAccessibleName());
    if (!name.empty()) texts += name + "\n";
  });
  return texts;
}

}  // namespace

std::string Window::Texts() const {
  return OnOffice([&] { return TextsOf(context_); });
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
    // The office's windows are looked at on its main thread, never while it builds one.
    bool found = false;
    OnMainThread(context_, [&] {
      found = [&] {
        const sal_Int32 count = toolkit->getTopWindowCount();
        for (sal_Int32 i = count - 1; i >= 0; --i) {
          try {
            // A window closed a moment ago may still be listed, hidden.
            const Reference<awt::XWindow2> shown(toolkit->getTopWindow(i), UNO_QUERY);
            if (!shown.is() || !shown->isVisible()) continue;
            const Reference<XAccessible> top(shown, UNO_QUERY);
            const Reference<XAccessibleContext> context =
                top.is() ? top->getAccessibleContext() : Reference<XAccessibleContext>();
            if (!context.is() || context->getAccessibleRole() != role) continue;
            if (!title.empty() && Utf8(context->getAccessibleName()) != title) continue;
            window.context_ = context;
            window.window_ = shown;
            window.office_ = context_;
            if (TextsOf(context).find(shows) != std::string::npos) return true;
          } catch (const uno::Exception&) {
            // The window went while it was looked at, or the list shrank under the count.
          }
          window = Window();
        }
        return false;
      }();
    });
    if (found) return window;
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
  }
  return window;
}
#pragma GCC diagnostic pop

void Screen::Settle() const {
  const Reference<awt::XToolkitExperimental> toolkit(awt::Toolkit::create(context_),
                                                     uno::UNO_QUERY_THROW);
  OnMainThread(context_, [&] { toolkit->processEventsToIdle(); });
}

bool Screen::WaitGone(const Window& window, int seconds) const {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(seconds);
  try {
    const auto shows = [&] {
      bool visible = false;
      OnMainThread(context_, [&] { visible = window.window_->isVisible(); });
      return visible;
    };
    while (window.window_.is() && shows()) {
      if (std::chrono::steady_clock::now() > deadline) return false;
      std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
  } catch (const uno::Exception&) {
    // Disposed: gone.
  }
  // A modal dialog's loop ends after it hides; the windows it kept from the user take presses
  // again once it has.
  Settle();
  return true;
}

void Screen::Save(const Window& window, const std::string& name) const {
  const std::filesystem::path folder = QV_SCREENS;
  std::filesystem::create_directories(folder);
  std::string crop;
  // Without a window manager a window does not come to the front by itself.
  if (const Reference<awt::XTopWindow> top(window.window_, UNO_QUERY); top.is()) {
    OnMainThread(context_, [&] { top->toFront(); });
    Settle();
  }
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
