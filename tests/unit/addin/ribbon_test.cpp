// The add-in's tab on the ribbon: its XML as the office reads it, and its buttons as they run.
#include <gtest/gtest.h>

#include <pugixml.hpp>
#include <set>

#include "service/protocol.h"
#include "support/addin_fixture.h"

namespace qv::testing {
namespace {

using RibbonTest = AddinTest;

pugi::xml_document Parsed() {
  pugi::xml_document doc;
  const auto parsed = doc.load_string(addin::Connect::RibbonXml().c_str());
  EXPECT_TRUE(parsed) << parsed.description();
  return doc;
}

// What the office checks of custom UI: the namespace, ids that are unique, callbacks that the
// add-in answers, a label for every control and an image for every large button.
TEST_F(RibbonTest, TheXmlKeepsTheRulesOfCustomUi) {
  const pugi::xml_document doc = Parsed();
  const pugi::xml_node root = doc.document_element();
  EXPECT_STREQ(root.name(), "customUI");
  EXPECT_STREQ(root.attribute("xmlns").value(), addin::kRibbonNamespace);
  EXPECT_STREQ(root.attribute("onLoad").value(), addin::kRibbonOnLoad);
  const auto tabs = root.select_nodes("/customUI/ribbon/tabs/tab");
  ASSERT_EQ(tabs.size(), 1u);
  EXPECT_STREQ(tabs.first().node().attribute("label").value(), "Quorvalent");
  std::set<std::string> ids;
  int controls = 0;
  for (const auto& found : root.select_nodes("//*[@id]")) {
    const pugi::xml_node n = found.node();
    ++controls;
    EXPECT_TRUE(ids.insert(n.attribute("id").value()).second) << n.attribute("id").value();
    EXPECT_STRNE(n.attribute("label").value(), "") << n.attribute("id").value();
  }
  EXPECT_EQ(controls, 1 + 5 + 10);  // the tab, its groups, its buttons
  const std::set<std::string> callbacks{addin::kRibbonOnAction, addin::kRibbonGetEnabled,
                                        addin::kRibbonGetImage, addin::kRibbonOnLoad};
  for (const auto& found : root.select_nodes("//button")) {
    const pugi::xml_node b = found.node();
    const std::string id = b.attribute("id").value();
    EXPECT_STREQ(b.attribute("onAction").value(), addin::kRibbonOnAction) << id;
    EXPECT_STREQ(b.attribute("getEnabled").value(), addin::kRibbonGetEnabled) << id;
    EXPECT_STREQ(b.attribute("size").value(), "large") << id;
    EXPECT_NE(b.attribute("getImage").empty(), b.attribute("imageMso").empty()) << id;
    for (const auto& a : b.attributes()) {
      const std::string_view name = a.name();
      if (name.starts_with("on") || name.starts_with("get")) {
        EXPECT_TRUE(callbacks.count(a.value())) << id << " " << name;
      }
    }
  }
}

// The tab holds the menu's commands in its groups and order, the toolbar's faces on the
// toolbar's commands.
TEST_F(RibbonTest, TheTabIsTheMenuInItsGroupsWithTheToolbarsFaces) {
  ConnectAddin();
  std::vector<std::vector<std::string>> menuGroups;
  auto& items = Menu().Controls();
  for (int i = 1; i <= items.Count(); ++i) {
    if (i == 1 || items.Item(i).BeginGroup()) menuGroups.emplace_back();
    menuGroups.back().push_back(items.Item(i).Caption());
  }
  std::vector<std::vector<std::string>> ribbonGroups;
  std::set<std::string> withFaces;
  const pugi::xml_document doc = Parsed();
  for (const auto& group : doc.select_nodes("//group")) {
    ribbonGroups.emplace_back();
    for (const auto& b : group.node().children("button")) {
      ribbonGroups.back().push_back(b.attribute("label").value());
      if (!b.attribute("getImage").empty()) {
        withFaces.insert(b.attribute("label").value());
        EXPECT_NE(connect.RibbonFace(b.attribute("id").value()), nullptr);
      } else {
        EXPECT_EQ(connect.RibbonFace(b.attribute("id").value()), nullptr);
      }
    }
  }
  EXPECT_EQ(ribbonGroups, menuGroups);
  std::set<std::string> toolbar;
  for (int i = 1; i <= Toolbar().Controls().Count(); ++i)
    toolbar.insert(Toolbar().Controls().Item(i).Caption());
  EXPECT_EQ(withFaces, toolbar);
  EXPECT_EQ(*connect.RibbonFace("Quorvalent.SendSMS.ribbon"), connect.AddIn().picSendSMS.Image);
}

// What a user sees after one click.
struct Seen {
  std::vector<std::string> prompts, forms, opened;
  std::size_t requests = 0;
  bool operator==(const Seen&) const = default;
};

// The add-in on fakes of its own, connected, with one workbook.
struct Connected : AddinFakes {
  Connected() {
    app.AddWorkbook("Book1", {"Sheet1"});
    connect.AddinInstance_OnConnection(app);
  }
  Seen Look() { return {ui.Prompts(), ui.FormsShown(), shell.opened, transport.Requests().size()}; }
  host::MemoryApplication app;
  addin::Connect connect{Platform()};
};

TEST(RibbonClicks, EachButtonRunsWhatItsMenuEntryRuns) {
  const pugi::xml_document doc = Parsed();
  int buttons = 0;
  for (const auto& found : doc.select_nodes("//button")) {
    const std::string id = found.node().attribute("id").value();
    const std::string caption = found.node().attribute("label").value();
    for (const bool loggedIn : {false, true}) {
      Connected byMenu, byRibbon;
      for (Connected* c : {&byMenu, &byRibbon}) {
        if (loggedIn) {
          c->connect.Globals().IsLoggedIn = true;
          c->connect.RefreshSessionMenu();
        }
        c->transport.AnswerAlways(service::path::kBalance, "<SMS>100.00</SMS>");
      }
      const bool enabled = AddinMenuEntry(byMenu.app, caption).Enabled();
      ChooseFromAddinMenu(byMenu.app, caption);
      ASSERT_TRUE(byRibbon.connect.ClickRibbon(id)) << id;
      const Seen seen = byMenu.Look();
      EXPECT_EQ(seen.prompts.size() + seen.forms.size() + seen.opened.size() > 0, enabled)
          << caption;
      EXPECT_EQ(byRibbon.Look(), seen) << caption << (loggedIn ? ", logged in" : "");
      EXPECT_EQ(byRibbon.connect.Globals().IsLoggedIn, byMenu.connect.Globals().IsLoggedIn);
    }
    ++buttons;
  }
  EXPECT_EQ(buttons, 10);
  Connected c;
  EXPECT_FALSE(c.connect.ClickRibbon("Quorvalent.Nothing.ribbon"));
  EXPECT_FALSE(c.connect.ClickRibbon("Quorvalent.SendSMS.menu"));
}

// A button is enabled as its menu entry is, and the front end is told whenever that changes.
TEST_F(RibbonTest, EachButtonIsEnabledAsItsMenuEntry) {
  int told = 0;
  connect.OnMenuChanged([&] { ++told; });
  EXPECT_FALSE(connect.RibbonEnabled("Quorvalent.Login.ribbon")) << "no menu yet";
  ConnectAddin();
  const auto states = [&] {
    std::string out;
    for (const char* command : {"Login", "SendSMS", "GetBal", "Logout"})
      out += connect.RibbonEnabled(addin::ControlTag(command, "ribbon")) ? '1' : '0';
    return out;
  };
  EXPECT_EQ(states(), "1110");
  ScriptLogin("alice", "s3cret");
  transport.Answer("000");
  connect.ClickRibbon("Quorvalent.Login.ribbon");
  ASSERT_TRUE(connect.Globals().IsLoggedIn);
  EXPECT_EQ(states(), "0111");
  EXPECT_EQ(told, 1);
  connect.ClickRibbon("Quorvalent.Logout.ribbon");
  EXPECT_EQ(states(), "1110");
  EXPECT_EQ(told, 2);
  EXPECT_FALSE(connect.RibbonEnabled("Quorvalent.Nothing.ribbon"));
}

}  // namespace
}  // namespace qv::testing
