#pragma once

#include <memory>
#include <string>
#include <vector>

#include "host/host.h"

namespace qv::host {

// Command bars kept in memory, for hosts that have none of their own (and for tests). Item 1 is
// a worksheet menu bar with the usual menus, File to Help.
class MemoryCommandBars : public CommandBars {
 public:
  MemoryCommandBars();
  ~MemoryCommandBars() override;

  int Count() const override;
  CommandBar& Item(int index) override;
  CommandBar* Find(std::string_view name) override;
  CommandBar& Add(const std::string& name, int position, bool temporary) override;

  class Bar;
  class Control;
  class ControlList;

  // For a front end: presses a control as a user would, running its click handler.
  static void Click(CommandBarControl& control);
  // The picture given as a button's face.
  static const ui::Picture& FaceOf(CommandBarControl& control);

 private:
  std::vector<std::unique_ptr<Bar>> bars_;
};

}  // namespace qv::host
