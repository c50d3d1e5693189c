#pragma once

#include <memory>
#include <string>
#include <vector>

#include "com/click_sink.h"
#include "com/dispatch.h"
#include "host/host.h"

namespace qv::excel {

class ExcelControls;

// A control of a command bar (a button or a popup). A click handler is advised on the control's
// connection point and unadvised when the wrapper goes.
class ExcelControl : public host::CommandBarControl {
 public:
  explicit ExcelControl(Dispatch control);
  ~ExcelControl() override;
  const Dispatch& Object() const { return control_; }

  host::ControlType Type() const override;
  int Id() const override;
  std::string Caption() const override;
  void SetCaption(const std::string& caption) override;
  bool Enabled() const override;
  void SetEnabled(bool enabled) override;
  bool Visible() const override;
  void SetVisible(bool visible) override;
  bool BeginGroup() const override;
  void SetBeginGroup(bool beginGroup) override;
  void Delete() override;
  int FaceId() const override;
  void SetFaceId(int faceId) override;
  int Style() const override;
  void SetStyle(int style) override;
  std::string Tag() const override;
  void SetTag(const std::string& tag) override;
  void SetFace(const ui::Picture& face) override;
  void OnClick(ClickHandler handler) override;
  host::CommandBarControls& Controls() override;

 private:
  // Whether a click whose Ctrl is `ctrl` is one on this control: Office raises a click on every
  // control sharing the clicked one's id and tag.
  bool IsClicked(IDispatch* ctrl) const;
  Dispatch control_;
  std::string tag_;  // the tag the add-in gave, empty until it gives one
  ClickConnection click_;
  std::unique_ptr<ExcelControls> controls_;
};

// A Controls collection. It owns the wrappers of the controls it hands out, one per control, so
// a reference it returns stays good as long as the collection's wrapper does.
class ExcelControls : public host::CommandBarControls {
 public:
  explicit ExcelControls(Dispatch controls) : controls_(std::move(controls)) {}
  int Count() const override;
  host::CommandBarControl& Item(int index) override;
  host::CommandBarControl& Add(host::ControlType type, int before, bool temporary) override;
  // The wrapper of a control object, made the first time the control is seen.
  ExcelControl& Wrap(Dispatch control);

 private:
  Dispatch controls_;
  std::vector<std::unique_ptr<ExcelControl>> known_;
};

class ExcelCommandBar : public host::CommandBar {
 public:
  explicit ExcelCommandBar(Dispatch bar) : bar_(std::move(bar)) {}
  const Dispatch& Object() const { return bar_; }

  std::string Name() const override;
  bool Visible() const override;
  void SetVisible(bool visible) override;
  host::CommandBarControls& Controls() override;
  host::CommandBarControl* FindControl(host::ControlType type, int id) override;
  void Delete() override;

 private:
  Dispatch bar_;
  std::unique_ptr<ExcelControls> controls_;
};

// The application's CommandBars. It owns every wrapper made below it; releasing it unadvises
// every click handler and releases every object of Excel's it holds.
class ExcelCommandBars : public host::CommandBars {
 public:
  explicit ExcelCommandBars(Dispatch bars) : bars_(std::move(bars)) {}
  int Count() const override;
  host::CommandBar& Item(int index) override;
  host::CommandBar* Find(std::string_view name) override;
  host::CommandBar& Add(const std::string& name, int position, bool temporary) override;

 private:
  ExcelCommandBar& Wrap(Dispatch bar);
  Dispatch bars_;
  std::vector<std::unique_ptr<ExcelCommandBar>> known_;
};

}  // namespace qv::excel
