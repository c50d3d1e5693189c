#include "host/memory_command_bars.h"

#include <algorithm>

namespace qv::host {

class MemoryCommandBars::ControlList : public CommandBarControls {
 public:
  ControlList() = default;
  int Count() const override { return static_cast<int>(items_.size()); }
  CommandBarControl& Item(int index) override;
  CommandBarControl& Add(ControlType type, int before, bool temporary) override;
  Control& AddBuiltIn(ControlType type, int id, const std::string& caption);
  void Remove(const Control* control);
  const std::vector<std::unique_ptr<Control>>& Items() const { return items_; }

 private:
  std::vector<std::unique_ptr<Control>> items_;
};

class MemoryCommandBars::Control : public CommandBarControl {
 public:
  Control(ControlList& parent, ControlType type, int id) : parent_(parent), type_(type), id_(id) {}

  ControlType Type() const override { return type_; }
  int Id() const override { return id_; }
  std::string Caption() const override { return caption_; }
  void SetCaption(const std::string& caption) override { caption_ = caption; }
  bool Enabled() const override { return enabled_; }
  void SetEnabled(bool enabled) override { enabled_ = enabled; }
  bool Visible() const override { return visible_; }
  void SetVisible(bool visible) override { visible_ = visible; }
  bool BeginGroup() const override { return beginGroup_; }
  void SetBeginGroup(bool beginGroup) override { beginGroup_ = beginGroup; }
  void Delete() override { parent_.Remove(this); }
  int FaceId() const override { return faceId_; }
  void SetFaceId(int faceId) override { faceId_ = faceId; }
  int Style() const override { return style_; }
  void SetStyle(int style) override { style_ = style; }
  std::string Tag() const override { return tag_; }
  void SetTag(const std::string& tag) override { tag_ = tag; }
  void SetFace(const ui::Picture& face) override {
    if (type_ != ControlType::Button) throw HostError("Only a button has a face.");
    face_ = face;
  }
  void OnClick(ClickHandler handler) override { click_ = std::move(handler); }
  CommandBarControls& Controls() override {
    if (type_ != ControlType::Popup) throw HostError("A button has no controls.");
    return children_;
  }
  const ui::Picture& Face() const { return face_; }
  void Press() {
    bool cancel = false;
    if (click_ && enabled_) click_(*this, cancel);
  }

 private:
  ControlList& parent_;
  ControlType type_;
  int id_;
  ControlList children_;
  std::string caption_, tag_;
  bool enabled_ = true, visible_ = true, beginGroup_ = false;
  int faceId_ = 0, style_ = 0;
  ui::Picture face_;
  ClickHandler click_;
};

CommandBarControl& MemoryCommandBars::ControlList::Item(int index) {
  if (index < 1 || index > Count()) throw HostError("There is no control at that position.");
  return *items_[static_cast<std::size_t>(index - 1)];
}

CommandBarControl& MemoryCommandBars::ControlList::Add(ControlType type, int before, bool) {
  // Controls that the add-in creates carry id 1, as custom controls do.
  auto control = std::make_unique<Control>(*this, type, 1);
  const int at = std::clamp(before, 1, Count() + 1) - 1;
  auto& ref = *control;
  items_.insert(items_.begin() + at, std::move(control));
  return ref;
}

MemoryCommandBars::Control& MemoryCommandBars::ControlList::AddBuiltIn(ControlType type, int id,
                                                                       const std::string& caption) {
  items_.push_back(std::make_unique<Control>(*this, type, id));
  items_.back()->SetCaption(caption);
  return *items_.back();
}

void MemoryCommandBars::ControlList::Remove(const Control* control) {
  std::erase_if(items_, [control](const auto& c) { return c.get() == control; });
}

class MemoryCommandBars::Bar : public CommandBar {
 public:
  Bar(MemoryCommandBars& owner, std::string name) : owner_(owner), name_(std::move(name)) {}
  std::string Name() const override { return name_; }
  bool Visible() const override { return visible_; }
  void SetVisible(bool visible) override { visible_ = visible; }
  CommandBarControls& Controls() override { return controls_; }
  ControlList& List() { return controls_; }
  CommandBarControl* FindControl(ControlType type, int id) override {
    for (const auto& c : controls_.Items()) {
      if (c->Type() == type && c->Id() == id) return c.get();
    }
    return nullptr;
  }
  void Delete() override {
    std::erase_if(owner_.bars_, [this](const auto& b) { return b.get() == this; });
  }

 private:
  MemoryCommandBars& owner_;
  std::string name_;
  bool visible_ = false;
  ControlList controls_;
};

MemoryCommandBars::MemoryCommandBars() {
  auto menu = std::make_unique<Bar>(*this, "Worksheet Menu Bar");
  menu->SetVisible(true);
  static const std::pair<int, const char*> kMenus[] = {
      {30002, "&File"},   {30003, "&Edit"},   {30004, "&View"},
      {30005, "&Insert"}, {30006, "F&ormat"}, {30007, "&Tools"},
      {30011, "&Data"},   {30009, "&Window"}, {30010, "&Help"}};
  for (const auto& [id, caption] : kMenus) menu->List().AddBuiltIn(ControlType::Popup, id, caption);
  bars_.push_back(std::move(menu));
}

MemoryCommandBars::~MemoryCommandBars() = default;

int MemoryCommandBars::Count() const { return static_cast<int>(bars_.size()); }

CommandBar& MemoryCommandBars::Item(int index) {
  if (index < 1 || index > Count()) throw HostError("There is no command bar at that position.");
  return *bars_[static_cast<std::size_t>(index - 1)];
}

CommandBar* MemoryCommandBars::Find(std::string_view name) {
  for (const auto& b : bars_) {
    if (b->Name() == name) return b.get();
  }
  return nullptr;
}

CommandBar& MemoryCommandBars::Add(const std::string& name, int, bool) {
  if (Find(name)) throw HostError("A toolbar named \"" + name + "\" already exists.");
  bars_.push_back(std::make_unique<Bar>(*this, name));
  return *bars_.back();
}

void MemoryCommandBars::Click(CommandBarControl& control) {
  dynamic_cast<Control&>(control).Press();
}

const ui::Picture& MemoryCommandBars::FaceOf(CommandBarControl& control) {
  return dynamic_cast<Control&>(control).Face();
}

}  // namespace qv::host
