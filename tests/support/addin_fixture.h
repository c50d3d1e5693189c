#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "addin/connect.h"
#include "host/memory_application.h"
#include "support/addin_fakes.h"
#include "support/addin_menu.h"

namespace qv::testing {

// The add-in on fakes (AddinFakes) and an in-memory spreadsheet with one workbook.
class AddinTest : public ::testing::Test, protected AddinFakes {
 protected:
  AddinTest() { app.AddWorkbook("Book1", {"Sheet1", "Sheet2"}); }

  void ConnectAddin() { connect.AddinInstance_OnConnection(app); }

  host::CommandBar& Toolbar() { return *app.GetCommandBars().Find("Quorvalent"); }
  host::CommandBarControl& Menu() { return AddinMenu(app); }
  host::CommandBarControl& MenuEntry(const std::string& caption) {
    return AddinMenuEntry(app, caption);
  }
  host::CommandBarControl& ToolbarButton(const std::string& caption) {
    auto& items = Toolbar().Controls();
    for (int i = 1; i <= items.Count(); ++i) {
      if (items.Item(i).Caption() == caption) return items.Item(i);
    }
    throw std::runtime_error("no toolbar button " + caption);
  }
  void Click(host::CommandBarControl& control) { host::MemoryCommandBars::Click(control); }
  void ClickMenu(const std::string& caption) { ChooseFromAddinMenu(app, caption); }

  // A session as a successful login leaves it (alice, abc), without asking the service.
  void OpenSession() {
    connect.Globals().SessionUserName = "alice";
    connect.Globals().SessionPassword = "abc";
    connect.Globals().IsLoggedIn = true;
  }

  // Answers the next login dialog with these credentials, pressing Login once.
  void ScriptLogin(const std::string& user, const std::string& password) {
    testing::ScriptLogin(ui, user, password);
  }

  std::string Stored(const std::string& section, const std::string& key) {
    return settings.GetSetting(settings::kAppName, section, key, "<absent>");
  }

  host::MemoryApplication app;
  addin::Connect connect{Platform()};
};

}  // namespace qv::testing
