// The extension inside a real LibreOffice: installed through the Extension Manager into a
// throwaway profile, then the office started again with a spreadsheet, as a user would.
#include <gtest/gtest.h>

#include <com/sun/star/beans/PropertyValue.hpp>
#include <com/sun/star/beans/XPropertySet.hpp>
#include <com/sun/star/container/XIndexAccess.hpp>
#include <com/sun/star/frame/Desktop.hpp>
#include <com/sun/star/frame/FeatureStateEvent.hpp>
#include <com/sun/star/frame/XDispatchProvider.hpp>
#include <com/sun/star/frame/XLayoutManager.hpp>
#include <com/sun/star/frame/XStatusListener.hpp>
#include <com/sun/star/ui/XUIConfigurationManager.hpp>
#include <com/sun/star/ui/theModuleUIConfigurationManagerSupplier.hpp>
#include <cppuhelper/implbase1.hxx>
#include <rtl/ref.hxx>

#include <chrono>
#include <sstream>
#include <thread>

#include "addin/connect.h"
#include "calc/office.h"
#include "host/memory_application.h"
#include "support/addin_fakes.h"
#include "support/temp_dir.h"

namespace qv::testing {
namespace {

using namespace css;
using uno::Reference;

const rtl::OUString kModule("com.sun.star.sheet.SpreadsheetDocument");
const rtl::OUString kMenuBar("private:resource/menubar/menubar");
const rtl::OUString kToolbar("private:resource/toolbar/custom_Quorvalent");

std::string Property(const uno::Sequence<beans::PropertyValue>& item, const char* name) {
  for (sal_Int32 i = 0; i < item.getLength(); ++i) {
    rtl::OUString text;
    if (item[i].Name.equalsAscii(name) && (item[i].Value >>= text)) return Utf8(text);
  }
  return {};
}

// Whether the office lets a command be run, as its menus learn it.
class State : public cppu::WeakImplHelper1<frame::XStatusListener> {
 public:
  void SAL_CALL statusChanged(const frame::FeatureStateEvent& event) override {
    enabled = event.IsEnabled;
  }
  void SAL_CALL disposing(const lang::EventObject&) override {}
  bool enabled = false;
};

class CalcExtension : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    folder_ = new TempDir;
    office_ = new Office(folder_->Path());
    office_->Start(false);
    office_->Install(QV_OXT);
    office_->Stop();
    office_->Start(true);
    // The add-in connects once the spreadsheet's window shows.
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
    while (!Config()->hasSettings(kToolbar) && std::chrono::steady_clock::now() < deadline)
      std::this_thread::sleep_for(std::chrono::milliseconds(200));
  }
  static void TearDownTestSuite() {
    delete office_;
    delete folder_;
  }

  static Reference<css::ui::XUIConfigurationManager> Config() {
    return css::ui::theModuleUIConfigurationManagerSupplier::get(office_->Context())
        ->getUIConfigurationManager(kModule);
  }
  static Reference<frame::XFrame> Frame() {
    return frame::Desktop::create(office_->Context())->getCurrentFrame();
  }
  static bool Enabled(const std::string& command) {
    util::URL url;
    url.Complete = rtl::OUString::createFromAscii(command.c_str());
    const Reference<frame::XDispatchProvider> provider(Frame(), uno::UNO_QUERY_THROW);
    const Reference<frame::XDispatch> dispatch = provider->queryDispatch(url, "", 0);
    if (!dispatch.is()) return false;
    const rtl::Reference<State> state(new State);
    dispatch->addStatusListener(state.get(), url);
    dispatch->removeStatusListener(state.get(), url);
    return state->enabled;
  }
  // The entries of a menu or toolbar, one a line: its label and whether it can be run, or "---"
  // for a separator.
  static std::string Entries(const Reference<container::XIndexAccess>& items) {
    std::ostringstream out;
    for (sal_Int32 i = 0; i < items->getCount(); ++i) {
      uno::Sequence<beans::PropertyValue> item;
      items->getByIndex(i) >>= item;
      const std::string command = Property(item, "CommandURL");
      if (command.empty()) {
        out << "---\n";
        continue;
      }
      out << Property(item, "Label") << (Enabled(command) ? "" : " (disabled)") << "\n";
    }
    return out.str();
  }
  // The same for the add-in's controls in memory, as the add-in builds them for any host.
  static std::string Expected(host::CommandBarControls& controls) {
    std::ostringstream out;
    for (int i = 1; i <= controls.Count(); ++i) {
      host::CommandBarControl& c = controls.Item(i);
      if (c.BeginGroup() && i > 1) out << "---\n";
      out << c.Caption() << (c.Enabled() ? "" : " (disabled)") << "\n";
    }
    return out.str();
  }

  static TempDir* folder_;
  static Office* office_;

  host::MemoryApplication memory;
  AddinFakes fakes;
  addin::Connect reference{fakes.Platform()};
};

TempDir* CalcExtension::folder_ = nullptr;
Office* CalcExtension::office_ = nullptr;

TEST_F(CalcExtension, TheToolbarAndTheMenuAreTheAddinsAfterStartUp) {
  reference.AddinInstance_OnConnection(memory);
  host::CommandBars& bars = memory.GetCommandBars();

  ASSERT_TRUE(Config()->hasSettings(kToolbar)) << "no toolbar of the add-in's";
  const Reference<container::XIndexAccess> toolbar = Config()->getSettings(kToolbar, false);
  EXPECT_EQ(Entries(toolbar), Expected(bars.Find("Quorvalent")->Controls()));
  Reference<frame::XLayoutManager> layout;
  Reference<beans::XPropertySet>(Frame(), uno::UNO_QUERY_THROW)
      ->getPropertyValue("LayoutManager") >>= layout;
  ASSERT_TRUE(layout.is());
  EXPECT_TRUE(layout->isElementVisible(kToolbar));

  // The menu stands where the add-in put it among the menus: just before the last (Help).
  const Reference<container::XIndexAccess> menus = Config()->getSettings(kMenuBar, false);
  const sal_Int32 count = menus->getCount();
  ASSERT_GE(count, 2);
  uno::Sequence<beans::PropertyValue> menu;
  menus->getByIndex(count - 2) >>= menu;
  EXPECT_EQ(Property(menu, "Label"), "~Quorvalent");
  Reference<container::XIndexAccess> entries;
  for (sal_Int32 i = 0; i < menu.getLength(); ++i) {
    if (menu[i].Name == "ItemDescriptorContainer") menu[i].Value >>= entries;
  }
  ASSERT_TRUE(entries.is());
  host::CommandBarControls& top = bars.Item(1).Controls();
  EXPECT_EQ(Entries(entries), Expected(top.Item(top.Count() - 1).Controls()));
}

}  // namespace
}  // namespace qv::testing
