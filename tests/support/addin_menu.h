#pragma once

#include <stdexcept>
#include <string>

#include "host/memory_application.h"
#include "host/memory_command_bars.h"

namespace qv::testing {

// The add-in's menu on the spreadsheet's menu bar, as a user finds it.
inline host::CommandBarControl& AddinMenu(host::MemoryApplication& app) {
  auto& bar = app.GetCommandBars().Item(1);
  for (int i = 1; i <= bar.Controls().Count(); ++i) {
    if (bar.Controls().Item(i).Caption() == "&Quorvalent") return bar.Controls().Item(i);
  }
  throw std::runtime_error("no menu");
}

// The entry of the add-in's menu of that caption.
inline host::CommandBarControl& AddinMenuEntry(host::MemoryApplication& app,
                                               const std::string& caption) {
  auto& items = AddinMenu(app).Controls();
  for (int i = 1; i <= items.Count(); ++i) {
    if (items.Item(i).Caption() == caption) return items.Item(i);
  }
  throw std::runtime_error("no menu entry " + caption);
}

// Clicks the entry of the add-in's menu of that caption, as the user does.
inline void ChooseFromAddinMenu(host::MemoryApplication& app, const std::string& caption) {
  host::MemoryCommandBars::Click(AddinMenuEntry(app, caption));
}

}  // namespace qv::testing
