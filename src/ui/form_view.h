#pragma once

#include <bitset>
#include <cstddef>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "ui/form.h"

namespace qv::ui {

// What a renderer draws of a control, one at a time. A change of one may undo another on some
// platforms (new items clear the choice, a new text moves the caret): a renderer that knows so
// applies the other again from the look it is given.
enum class Property {
  Caption,
  Items,
  ListIndex,
  Text,
  Caret,
  MaxLength,
  Checked,
  Rows,
  SelectedRow,
  Picture,
  BackColor,
  FontSize,
  Place,
  ToolTip,
  Enabled,
  Visible,
};
inline constexpr std::size_t kPropertyCount = 16;
using Properties = std::bitset<kPropertyCount>;
inline Properties Only(Property property) {
  return Properties().set(static_cast<std::size_t>(property));
}

// Where a control sits within the form's inside, in twips: its own place plus its frames'.
struct Area {
  int left = 0;
  int top = 0;
  int width = 0;
  int height = 0;
  friend bool operator==(const Area&, const Area&) = default;
};

// What a control's window shows, for each property of its kind: the form's values as last
// applied, with what the user changed since read back into it.
struct Look {
  std::string caption;
  std::vector<std::string> items;
  int listIndex = -1;
  std::string text;  // a text box's, or an editable drop-down's edit part
  std::size_t selStart = 0;
  std::size_t selLength = 0;
  std::size_t maxLength = 0;
  bool checked = false;
  std::vector<std::vector<std::string>> rows;
  int selectedRow = -1;
  ui::Picture picture;
  Colour backColor;
  int fontSize = 0;
  Area place;
  std::string toolTip;
  bool enabled = true;
  bool visible = true;  // its own and its frames': whether it can be seen at all
};

// The properties a control of this kind has.
Properties PropertiesOf(ControlKind kind);

// What a renderer does with a form; a FormView asks, and the renderer answers for its platform.
// Controls are named by their place among the form's Controls().
class Renderer {
 public:
  virtual ~Renderer() = default;
  // Whether the window is there to draw in.
  virtual bool Open() const = 0;
  // Makes the control's window show `look`'s value of `property`.
  virtual void Apply(std::size_t control, const Look& look, Property property) = 0;
  virtual void ApplyCaption(const std::string& caption) = 0;
  // The form's outer size, in twips.
  virtual void ApplySize(int width, int height) = 0;
  virtual void ApplyFocus(std::size_t control) = 0;
  // Reads into `look` what the user can change in the control's window: a box's text and
  // caret, a list's choice, a tick, a selected row.
  virtual void ReadBack(std::size_t control, Look& look) = 0;
  // The control whose window has the focus, if one has.
  virtual std::optional<std::size_t> Focused() const = 0;
};

// The form as its window shows it: compares what the form holds with what the window was last
// given, and has the renderer apply only what differs.
class FormView {
 public:
  FormView(Form& form, Renderer& renderer);

  // The window follows the form: each property that differs is applied, every one at first.
  void Push();
  // What the user typed goes into the form's text boxes and drop-downs, the focus to the control
  // that has it; the window's choices and ticks are remembered, to reach the form through the
  // handler of the event that made them.
  void Pull();
  // What every renderer does with a doing of the user: the input into the form, the handler,
  // the window after the form. Nothing the handler (or the platform) throws goes further: the
  // form's handlers report their own failures, and nothing may unwind into a window system. The
  // window follows the form whatever the handler did, unless the handler closed it. Nothing runs
  // while the interface is busy (Ui::Handle).
  void Run(const std::function<void()>& handler);
  // Has the next Push apply these properties of every control, as when the window's measures
  // changed (another DPI).
  void Invalidate(Properties properties) { stale_ |= properties; }

 private:
  Form& form_;
  Renderer& renderer_;
  std::vector<std::optional<Look>> looks_;
  std::optional<std::string> caption_;
  std::optional<std::pair<int, int>> size_;
  const Control* focused_ = nullptr;
  Properties stale_;
};

}  // namespace qv::ui
