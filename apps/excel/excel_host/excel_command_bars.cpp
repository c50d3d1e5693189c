#include "excel_host/excel_command_bars.h"

#include "excel_host/button_face.h"
#include "values/text.h"

namespace qv::excel {
namespace {
// Excel's msoBarTop and the like are the positions the core passes; MenuBar stays false: the
// add-in's bar is a toolbar.
ComVariant Int(long value) { return ComVariant::FromInt(value); }
ComVariant Bool(bool value) { return ComVariant::FromBool(value); }
}  // namespace

ExcelControl::ExcelControl(Dispatch control) : control_(std::move(control)) {}
ExcelControl::~ExcelControl() = default;

host::ControlType ExcelControl::Type() const {
  return static_cast<host::ControlType>(control_.GetProperty("Type").ToLong());
}
int ExcelControl::Id() const { return static_cast<int>(control_.GetProperty("Id").ToLong()); }
std::string ExcelControl::Caption() const { return control_.GetProperty("Caption").ToText(); }
void ExcelControl::SetCaption(const std::string& caption) {
  control_.PutProperty("Caption", ComVariant::FromText(caption));
}
bool ExcelControl::Enabled() const { return control_.GetProperty("Enabled").ToBool(); }
void ExcelControl::SetEnabled(bool enabled) { control_.PutProperty("Enabled", Bool(enabled)); }
bool ExcelControl::Visible() const { return control_.GetProperty("Visible").ToBool(); }
void ExcelControl::SetVisible(bool visible) { control_.PutProperty("Visible", Bool(visible)); }
bool ExcelControl::BeginGroup() const { return control_.GetProperty("BeginGroup").ToBool(); }
void ExcelControl::SetBeginGroup(bool beginGroup) {
  control_.PutProperty("BeginGroup", Bool(beginGroup));
}
int ExcelControl::FaceId() const {
  return static_cast<int>(control_.GetProperty("FaceId").ToLong());
}
void ExcelControl::SetFaceId(int faceId) { control_.PutProperty("FaceId", Int(faceId)); }
int ExcelControl::Style() const { return static_cast<int>(control_.GetProperty("Style").ToLong()); }
void ExcelControl::SetStyle(int style) { control_.PutProperty("Style", Int(style)); }
std::string ExcelControl::Tag() const { return control_.GetProperty("Tag").ToText(); }
void ExcelControl::SetTag(const std::string& tag) {
  control_.PutProperty("Tag", ComVariant::FromText(tag));
  tag_ = tag;
}

void ExcelControl::SetFace(const ui::Picture& face) {
  // Picture and Mask (Office XP and later) leave the clipboard alone and let the background show
  // through; an Office without them takes the face from the clipboard, which gets back what the
  // user had copied.
  FacePictures pictures(face);
  try {
    control_.PutReference("Picture", pictures.Picture());
    control_.PutReference("Mask", pictures.Mask());
    return;
  } catch (const host::HostError&) {
    // Pasted below.
  }
  ClipboardKeeper keep;
  PutOnClipboard(face);
  control_.Call("PasteFace");
}

bool ExcelControl::IsClicked(IDispatch* ctrl) const {
  if (tag_.empty()) return true;
  if (!ctrl) return false;
  try {
    return Dispatch(ComPtr<IDispatch>::Share(ctrl)).GetProperty("Tag").ToText() == tag_;
  } catch (const host::HostError&) {
    return false;
  }
}

void ExcelControl::Delete() {
  click_.Unadvise();
  control_.Call("Delete");
}

void ExcelControl::OnClick(ClickHandler handler) {
  click_ = ClickConnection(control_.Get(),
                           [this, handler = std::move(handler)](IDispatch* ctrl, bool& cancel) {
                             if (IsClicked(ctrl)) handler(*this, cancel);
                           });
}

host::CommandBarControls& ExcelControl::Controls() {
  if (!controls_) controls_ = std::make_unique<ExcelControls>(control_.Object("Controls"));
  return *controls_;
}

int ExcelControls::Count() const {
  return static_cast<int>(controls_.GetProperty("Count").ToLong());
}

host::CommandBarControl& ExcelControls::Item(int index) {
  return Wrap(controls_.Object("Item", {Int(index)}));
}

host::CommandBarControl& ExcelControls::Add(host::ControlType type, int before, bool temporary) {
  // Excel takes Before only within the collection: past the end, leaving it out appends.
  const ComVariant where = before >= 1 && before <= Count() ? Int(before) : ComVariant::Missing();
  return Wrap(controls_.Object("Add", {Int(static_cast<long>(type)), ComVariant::Missing(),
                                       ComVariant::Missing(), where, Bool(temporary)}));
}

std::string ExcelCommandBar::Name() const { return bar_.GetProperty("Name").ToText(); }
bool ExcelCommandBar::Visible() const { return bar_.GetProperty("Visible").ToBool(); }
void ExcelCommandBar::SetVisible(bool visible) { bar_.PutProperty("Visible", Bool(visible)); }
void ExcelCommandBar::Delete() { bar_.Call("Delete"); }

host::CommandBarControls& ExcelCommandBar::Controls() {
  if (!controls_) controls_ = std::make_unique<ExcelControls>(bar_.Object("Controls"));
  return *controls_;
}

host::CommandBarControl* ExcelCommandBar::FindControl(host::ControlType type, int id) {
  Dispatch found = Dispatch::FromOptional(
      bar_.GetProperty("FindControl", {Int(static_cast<long>(type)), Int(id)}));
  if (!found) return nullptr;
  // Kept with the bar's own controls, so the wrapper lives as long as the bar's.
  Controls();
  return &controls_->Wrap(std::move(found));
}

ExcelControl& ExcelControls::Wrap(Dispatch control) { return WrapOnce(known_, std::move(control)); }

int ExcelCommandBars::Count() const {
  return static_cast<int>(bars_.GetProperty("Count").ToLong());
}

host::CommandBar& ExcelCommandBars::Item(int index) {
  return WrapOnce(known_, bars_.Object("Item", {Int(index)}));
}

host::CommandBar* ExcelCommandBars::Find(std::string_view name) {
  // Item(name) fails alike for a missing bar and for a real fault: look through them instead.
  const int count = Count();
  for (int i = 1; i <= count; ++i) {
    host::CommandBar& bar = Item(i);
    if (EqualsIgnoreCaseAscii(bar.Name(), name)) return &bar;
  }
  return nullptr;
}

host::CommandBar& ExcelCommandBars::Add(const std::string& name, int position, bool temporary) {
  return WrapOnce(known_, bars_.Object("Add", {ComVariant::FromText(name), Int(position),
                                               Bool(false), Bool(temporary)}));
}

}  // namespace qv::excel
