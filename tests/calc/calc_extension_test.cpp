// The extension inside a real LibreOffice: installed through the Extension Manager into a
// throwaway profile, then the office started again with a spreadsheet, as a user would.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <string_view>

#include <com/sun/star/awt/FontDescriptor.hpp>
#include <com/sun/star/awt/Rectangle.hpp>
#include <com/sun/star/awt/Selection.hpp>
#include <com/sun/star/awt/Size.hpp>
#include <com/sun/star/awt/XDialog.hpp>
#include <com/sun/star/awt/XListBox.hpp>
#include <com/sun/star/awt/XStyleSettings.hpp>
#include <com/sun/star/awt/XStyleSettingsSupplier.hpp>
#include <com/sun/star/awt/XTextComponent.hpp>
#include <com/sun/star/awt/XTopWindow.hpp>
#include <com/sun/star/awt/XUnitConversion.hpp>
#include <com/sun/star/awt/XWindow2.hpp>
#include <com/sun/star/beans/PropertyValue.hpp>
#include <com/sun/star/beans/XPropertySet.hpp>
#include <com/sun/star/container/XIndexAccess.hpp>
#include <com/sun/star/frame/Desktop.hpp>
#include <com/sun/star/frame/FeatureStateEvent.hpp>
#include <com/sun/star/frame/XDispatchProvider.hpp>
#include <com/sun/star/frame/XLayoutManager.hpp>
#include <com/sun/star/frame/XStatusListener.hpp>
#include <com/sun/star/ui/XImageManager.hpp>
#include <com/sun/star/ui/XUIConfigurationManager.hpp>
#include <com/sun/star/ui/theModuleUIConfigurationManagerSupplier.hpp>
#include <com/sun/star/util/MeasureUnit.hpp>
#include <cppuhelper/implbase1.hxx>
#include <rtl/ref.hxx>

#include <com/sun/star/deployment/XExtensionManager.hpp>
#include <com/sun/star/deployment/XPackage.hpp>
#include <com/sun/star/frame/XComponentLoader.hpp>
#include <com/sun/star/frame/XFrames.hpp>
#include <com/sun/star/frame/XModel.hpp>
#include <com/sun/star/frame/XStorable.hpp>
#include <com/sun/star/sheet/XSpreadsheetDocument.hpp>
#include <com/sun/star/util/XCloseable.hpp>

#include <atomic>
#include <chrono>
#include <map>
#include <regex>
#include <sstream>
#include <thread>
#include <tuple>
#include <vector>

#include "addin/connect.h"
#include "calc/office.h"
#include "calc/screen.h"
#include "calc_addin.h"
#include "host/memory_application.h"
#include "host/memory_command_bars.h"
#include "host/xlsx_workbook.h"
#include "service/protocol.h"
#include "support/addin_fakes.h"
#include "support/gateway_process.h"
#include "support/loopback_server.h"
#include "support/process.h"
#include "support/property_changes.h"
#include "support/send_steps.h"
#include "support/temp_dir.h"
#include "ui/scripted_ui.h"
#include "uno_form.h"
#include "uno_text.h"
#include "values/convert.h"

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

// The menus of the office's menu bar, left to right: each its label and its entries.
std::vector<std::pair<std::string, Reference<container::XIndexAccess>>> Menus(
    const Reference<css::ui::XUIConfigurationManager>& config) {
  const Reference<container::XIndexAccess> bar = config->getSettings(kMenuBar, false);
  std::vector<std::pair<std::string, Reference<container::XIndexAccess>>> menus;
  for (sal_Int32 i = 0; i < bar->getCount(); ++i) {
    uno::Sequence<beans::PropertyValue> menu;
    bar->getByIndex(i) >>= menu;
    Reference<container::XIndexAccess> entries;
    for (sal_Int32 k = 0; k < menu.getLength(); ++k) {
      if (menu[k].Name == "ItemDescriptorContainer") menu[k].Value >>= entries;
    }
    menus.emplace_back(Property(menu, "Label"), entries);
  }
  return menus;
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
    gateway_ = new GatewayProcess;
    gateway_->Admin({"account", "add", "alice", "--password", "s3cret", "--credits", "100"});
    // The add-in finds the gateway in its settings when it connects.
    std::filesystem::create_directories(folder_->Path() / "config" / "QuorvalentExcel");
    TempDir::WriteFile(folder_->Path() / "config" / "QuorvalentExcel" / "settings.ini",
                       "[Service]\nAddress=" + gateway_->Address() + "\n");
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
    delete gateway_;
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
    const rtl::Reference<State> state(new State);
    OnMainThread(office_->Context(), [&] {
      const Reference<frame::XDispatchProvider> provider(Frame(), uno::UNO_QUERY_THROW);
      const Reference<frame::XDispatch> dispatch = provider->queryDispatch(url, "", 0);
      if (!dispatch.is()) return;
      dispatch->addStatusListener(state.get(), url);
      dispatch->removeStatusListener(state.get(), url);
    });
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

  // The command of the add-in's menu entry of that caption.
  static std::string MenuCommand(const std::string& caption) {
    for (const auto& [label, entries] : Menus(Config())) {
      for (sal_Int32 k = 0; entries.is() && k < entries->getCount(); ++k) {
        uno::Sequence<beans::PropertyValue> entry;
        entries->getByIndex(k) >>= entry;
        if (Property(entry, "Label") == caption) return Property(entry, "CommandURL");
      }
    }
    return {};
  }
  // Clicks a menu entry of the add-in, as the office does when the user chooses it.
  static void Choose(const std::string& caption) {
    util::URL url;
    url.Complete = rtl::OUString::createFromAscii(MenuCommand(caption).c_str());
    bool found = false;
    OnMainThread(office_->Context(), [&] {
      const Reference<frame::XDispatchProvider> provider(Frame(), uno::UNO_QUERY_THROW);
      const Reference<frame::XDispatch> dispatch = provider->queryDispatch(url, "", 0);
      found = dispatch.is();
      if (found) dispatch->dispatch(url, {});
    });
    ASSERT_TRUE(found) << caption;
  }

  // Presses a button of a dialog as a user does, and answers each box its handler shows with
  // "Yes" or "OK": the texts of the boxes, in turn. The office may run the press's handler
  // within the press or after it, so boxes are looked for until a few quiet seconds after both
  // the press and the last box. The boxes are pictured as `picture`, `picture`-2 and so on, when
  // it is given.
  static std::vector<std::string> PressAnswering(const Window& window, const std::string& button,
                                                 const std::string& picture = "") {
    Screen screen(office_->Context());
    std::atomic<bool> done = false;
    bool pressed = false;
    std::thread press([&] {
      pressed = window.Press(button);
      done = true;
    });
    std::vector<std::string> boxes;
    Window last;
    bool returned = false;
    auto quiet = std::chrono::steady_clock::now();
    for (;;) {
      if (done && !returned) {
        returned = true;
        quiet = std::chrono::steady_clock::now();
      }
      if (returned && std::chrono::steady_clock::now() - quiet > std::chrono::seconds(3)) break;
      const Window box = screen.WaitFor(kAlertRole, "", 1);
      if (!box.Found() || box == last) continue;
      boxes.push_back(box.Texts());
      if (!picture.empty())
        screen.Save(box,
                    boxes.size() == 1 ? picture : picture + "-" + std::to_string(boxes.size()));
      if (!box.Press("Yes")) box.Press("OK");
      screen.WaitGone(box, 10);
      last = box;
      quiet = std::chrono::steady_clock::now();
    }
    press.join();
    screen.Settle();
    EXPECT_TRUE(pressed) << button;
    return boxes;
  }
  // A press of a button whose handler waits in a dialog or box it opened, for the test to answer.
  // When the press goes out of scope it is given some seconds to return; a box, or a dialog of
  // one of the titles `opens`, that the test left open (a failed expectation returns early) is
  // then escaped, so that the press has returned before the test does.
  class Pressing {
   public:
    Pressing(const Window& window, const std::string& button, std::vector<std::string> opens)
        : window_(window), opens_(std::move(opens)), thread_([this, button] {
            pressed_ = window_.Press(button);
            done_ = true;
          }) {}
    Pressing(const Pressing&) = delete;
    Pressing& operator=(const Pressing&) = delete;
    ~Pressing() {
      const Screen screen(office_->Context());
      const auto patience = std::chrono::steady_clock::now() + std::chrono::seconds(10);
      while (!done_ && std::chrono::steady_clock::now() < patience)
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
      while (!done_) {
        if (const Window box = screen.WaitFor(kAlertRole, "", 1); box.Found()) box.Escape();
        for (const std::string& title : opens_) {
          const Window left = screen.WaitFor(kDialogRole, title, 1);
          if (left.Found() && !done_) left.Escape();
        }
      }
      thread_.join();
      EXPECT_TRUE(pressed_);
    }

   private:
    const Window window_;
    const std::vector<std::string> opens_;
    std::atomic<bool> done_ = false;
    bool pressed_ = false;
    std::thread thread_;
  };
  // Chooses an entry as a user does, and waits until the dialog has taken the choice. A list
  // filled a moment ago may offer its entries to the accessibility interfaces a little later, on
  // a busy machine: the entry is looked for again for some seconds.
  static bool Pick(const Window& window, const Reference<accessibility::XAccessibleContext>& list,
                   const std::string& entry) {
    const Screen screen(office_->Context());
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    bool picked = window.Pick(list, entry);
    while (!picked && std::chrono::steady_clock::now() < deadline) {
      std::this_thread::sleep_for(std::chrono::milliseconds(200));
      screen.Settle();
      picked = window.Pick(list, entry);
    }
    screen.Settle();
    return picked;
  }
  // The dialog of a menu entry, the one that shows `shows`, opened anew over the active workbook:
  // one left open by another case works on the workbook that was active then, and is closed
  // first with its button `close` (none: Escape). Not Found when it did not open.
  static Window OpenAnew(const std::string& entry, const std::string& shows,
                         const char* close = nullptr) {
    const Screen screen(office_->Context());
    if (const Window old = screen.WaitFor(kDialogRole, "", 1, shows); old.Found()) {
      if (close) {
        old.Press(close);
      } else {
        old.Escape();
      }
      EXPECT_TRUE(screen.WaitGone(old, 10)) << entry << " stayed open";
    }
    Choose(entry);
    return screen.WaitFor(kDialogRole, "", 30, shows);
  }
  // The Send SMS dialog of the active workbook with the template `chosen`, numbers from column A
  // and rows 2 to `endRow` chosen, as a user fills it in; not Found when it did not open or did
  // not offer them.
  static Window FilledSendDialog(const std::string& chosen, const std::string& endRow) {
    const Window send = OpenAnew("Send SMS", "Enter SMS Text Message(Msg)", "Cancel");
    if (!send.Found() || !Pick(send, send.Offering(chosen), chosen) ||
        !Pick(send, send.Beside("Select Mobile Numbers Column :"), "A"))
      return {};
    send.Type(send.Beside("Start Row"), "2");
    send.Type(send.Beside("End Row"), endRow);
    return send;
  }
  // Logs in through the login dialog, as a user does.
  static void LogIn() {
    Choose("Login");
    Screen screen(office_->Context());
    Window login = screen.WaitFor(kDialogRole, "Quorvalent");
    ASSERT_TRUE(login.Found()) << "no login dialog";
    screen.Save(login, "frmLogin");
    const auto boxes = login.TextFields();
    ASSERT_EQ(boxes.size(), 2u);
    login.Type(boxes[0], "alice");
    login.Type(boxes[1], "s3cret");
    const auto answers = PressAnswering(login, "Login", "login-answer");
    ASSERT_EQ(answers.size(), 1u);
    EXPECT_NE(answers[0].find("Logged in successfully"), std::string::npos) << answers[0];
  }
  static void LoggedIn() {
    if (!Enabled(MenuCommand("Logout"))) LogIn();
  }
  // Opens a workbook in a window of its own, as the user's active document; closes it when it goes.
  struct Opened {
    explicit Opened(const std::string& path) {
      const Reference<frame::XComponentLoader> loader(frame::Desktop::create(office_->Context()),
                                                      uno::UNO_QUERY_THROW);
      OnMainThread(office_->Context(), [&] {
        document.set(loader->loadComponentFromURL(calc::ToUno("file://" + path), "_blank", 0, {}),
                     uno::UNO_QUERY_THROW);
        // In front, as a window the user clicked: the window a closed one left in front may
        // otherwise stay the current one a while.
        Reference<frame::XModel>(document, uno::UNO_QUERY_THROW)
            ->getCurrentController()
            ->getFrame()
            ->activate();
      });
    }
    // Closes the workbook and brings the window left in front, as the office does for a user,
    // so that there is a current frame again.
    ~Opened() {
      try {
        OnMainThread(office_->Context(), [&] {
          document->close(true);
          const Reference<frame::XFrames> frames =
              frame::Desktop::create(office_->Context())->getFrames();
          Reference<frame::XFrame> left;
          if (frames->getCount() > 0 && (frames->getByIndex(0) >>= left)) left->activate();
        });
      } catch (const std::exception&) {
        // A box the failed case left open keeps the document; the office's end closes it.
      } catch (const uno::Exception&) {
        // The office has gone.
      }
    }
    Reference<util::XCloseable> document;
  };
  // A workbook file of the test's folder with one sheet, its rows from row `first` on.
  static std::string Book(const std::string& file, const std::string& sheet,
                          const std::vector<std::vector<Variant>>& rows, int first = 1) {
    const std::string path = (folder_->Path() / file).string();
    auto book = host::XlsxWorkbook::Create(path, sheet);
    WriteRows(book->SheetAt(1), first, rows);
    book->Save();
    return path;
  }
  // A workbook of contacts: numbers (one typed as text, one not a number), names, amounts and
  // dates or texts in the last column.
  static std::string Contacts(const std::string& file) {
    return Book(file, "Contacts",
                {{"Mobile", "Name", "Amount", "Due"},
                 {919876543210.0, "Ann", 10.5, DateTime::FromParts(2026, 12, 31)},
                 {"919876543211", "Bob, Jr \xC3\xA9", 1234.0, DateTime::FromParts(2027, 1, 2)},
                 {"none", "Skip", 0.0, "-"},
                 {919876543212.0, "Cy & Di", -0.25, "soon"}});
  }
  // Runs the command against `service`, as the same user, with its own settings folder.
  static RunResult Command(const std::vector<std::string>& args, const std::string& service) {
    return RunProgram(QV_CLI_BINARY, args,
                      {{"XDG_CONFIG_HOME", (folder_->Path() / "command").string()},
                       {"QUORVALENT_SERVER", service},
                       {"QUORVALENT_USER", "alice"},
                       {"QUORVALENT_PASSWORD", "s3cret"}});
  }

  static TempDir* folder_;
  static GatewayProcess* gateway_;
  static Office* office_;

  host::MemoryApplication memory;
  AddinFakes fakes;
  addin::Connect reference{fakes.Platform()};
};

TempDir* CalcExtension::folder_ = nullptr;
GatewayProcess* CalcExtension::gateway_ = nullptr;
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
  // Each button shows its face, at the face's size.
  const Reference<css::ui::XImageManager> images(Config()->getImageManager(), uno::UNO_QUERY_THROW);
  host::CommandBarControls& buttons = bars.Find("Quorvalent")->Controls();
  for (sal_Int32 i = 0; i < toolbar->getCount(); ++i) {
    uno::Sequence<beans::PropertyValue> item;
    toolbar->getByIndex(i) >>= item;
    const rtl::OUString command =
        rtl::OUString::createFromAscii(Property(item, "CommandURL").c_str());
    ASSERT_TRUE(images->hasImage(0, command)) << Property(item, "Label");
    const auto pictures = images->getImages(0, uno::Sequence<rtl::OUString>(&command, 1));
    awt::Size size;
    Reference<beans::XPropertySet>(pictures[0], uno::UNO_QUERY_THROW)
        ->getPropertyValue("SizePixel") >>= size;
    const ui::Picture& face = host::MemoryCommandBars::FaceOf(buttons.Item(i + 1));
    EXPECT_EQ(size.Width, face.Width) << Property(item, "Label");
    EXPECT_EQ(size.Height, face.Height) << Property(item, "Label");
  }

  // The menu stands where the add-in put it among the menus: just before the last (Help).
  const auto menus = Menus(Config());
  ASSERT_GE(menus.size(), 2u);
  const auto& [label, entries] = menus[menus.size() - 2];
  EXPECT_EQ(label, "~Quorvalent");
  ASSERT_TRUE(entries.is());
  host::CommandBarControls& top = bars.Item(1).Controls();
  EXPECT_EQ(Entries(entries), Expected(top.Item(top.Count() - 1).Controls()));
}

// The user logs in through the add-in's dialog as Calc shows it, and the menu follows.
TEST_F(CalcExtension, ALoginThroughTheDialogOpensTheSession) {
  EXPECT_FALSE(Enabled(MenuCommand("Logout")));
  LogIn();
  EXPECT_TRUE(Enabled(MenuCommand("Logout")));
  EXPECT_FALSE(Enabled(MenuCommand("Login")));
  // The office's window with the add-in's toolbar and menu, once the dialogs are gone.
  Screen(office_->Context()).Save(Window(), "calc");
}

// The Extension Manager shows the extension as its description says: the project's version, its
// name and publisher, the description, the icon and the licence accepted on install; its window
// with the extension is pictured.
TEST_F(CalcExtension, TheExtensionManagerShowsWhatTheDescriptionSays) {
  Reference<deployment::XPackage> ours;
  OnMainThread(office_->Context(), [&] {
    const Reference<deployment::XExtensionManager> manager(
        office_->Context()->getValueByName("/singletons/com.sun.star.deployment.ExtensionManager"),
        uno::UNO_QUERY_THROW);
    for (const auto& package : manager->getDeployedExtensions("user", {}, {})) {
      if (package.is() && calc::FromUno(package->getIdentifier().Value) == "com.quorvalent.calc")
        ours = package;
    }
  });
  ASSERT_TRUE(ours.is()) << "the extension is not deployed for the user";
  EXPECT_EQ(calc::FromUno(ours->getVersion()), QV_VERSION);
  EXPECT_EQ(calc::FromUno(ours->getDisplayName()), "Quorvalent");
  EXPECT_EQ(calc::FromUno(ours->getPublisherInfo().First), "Quorvalent");
  EXPECT_EQ(calc::FromUno(ours->getDescription()).rfind("Personalised bulk SMS", 0), 0u);
  EXPECT_NE(calc::FromUno(ours->getLicenseText())
                .find("Quorvalent add-in for LibreOffice Calc, version " QV_VERSION),
            std::string::npos);
  EXPECT_TRUE(ours->getIcon(false).is());

  Screen screen(office_->Context());
  std::thread manage([] {
    util::URL url;
    url.Complete = "service:com.sun.star.deployment.ui.PackageManagerDialog";
    OnMainThread(office_->Context(), [&] {
      const Reference<frame::XDispatchProvider> provider(Frame(), uno::UNO_QUERY_THROW);
      if (const auto dispatch = provider->queryDispatch(url, "", 0); dispatch.is())
        dispatch->dispatch(url, {});
    });
  });
  const Window dialog = screen.WaitFor(kDialogRole, "Extension Manager");
  // Its list of extensions draws the entries itself and offers them to no reader: the picture
  // shows them.
  if (dialog.Found()) {
    screen.Save(dialog, "extension-manager");
    if (!dialog.Press("Close")) dialog.Escape();
  }
  manage.join();
  EXPECT_TRUE(dialog.Found()) << "no Extension Manager";
}

// Every dialog of the add-in opens from its menu entry as the toolkit's dialog, and is pictured.
TEST_F(CalcExtension, EveryDialogOpensFromItsMenuEntry) {
  Screen screen(office_->Context());
  const struct {
    const char* entry;
    const char* shows;  // a text of the dialog
    const char* close;  // the button that closes it; none: Escape closes it
    const char* picture;
  } dialogs[] = {
      {"Send SMS", "Enter SMS Text Message(Msg)", "Cancel", "frmSendSMS"},
      {"Delivery Report", "Deliver Reports", "Cancel", "frmDR"},
      {"Scheduler", "Delete Scheduler", nullptr, "frmScheduler"},
      {"Fill Mobile Numbers", "Client ID Mobile Mapping", "Exit", "frmClientMNOMap"},
      {"Proxy Settings", "Proxy Settings", "Cancel", "frmProxySettings"},
  };
  for (const auto& d : dialogs) {
    const Window shown = OpenAnew(d.entry, d.shows, d.close);
    ASSERT_TRUE(shown.Found()) << d.entry << ": " << screen.WaitFor(kAlertRole, "", 1).Texts();
    screen.Save(shown, d.picture);
    // The scheduler's fields, and the clock warning in yellow.
    if (std::string(d.picture) == "frmSendSMS") {
      ASSERT_TRUE(shown.Toggle("Set Scheduler"));
      screen.Settle();
      EXPECT_TRUE(shown.Shows("Make Sure That Your System's Clock")) << shown.Texts();
      screen.Save(shown, "frmSendSMS-scheduler");
      ASSERT_TRUE(shown.Toggle("Set Scheduler"));
      screen.Settle();
    }
    // Closed, so that no later case finds it bound to the workbook active now.
    if (d.close) {
      EXPECT_TRUE(shown.Press(d.close)) << d.entry;
    } else {
      shown.Escape();
    }
    EXPECT_TRUE(screen.WaitGone(shown, 10)) << d.entry;
  }
}

// A send from a workbook opened in Calc posts, byte for byte, what the command posts for the same
// file. The send goes through a proxy set in the proxy dialog, which first refuses what it must.
TEST_F(CalcExtension, ASendFromCalcPostsWhatTheCommandPosts) {
  LoggedIn();
  const std::string message = "Hi #B#, you owe #C# by #D#";
  const auto saved =
      Command({"templates", "save", "Due", "--message", message}, gateway_->Address());
  ASSERT_EQ(saved.status, 0) << saved.out;
  const std::string path = Contacts("contacts.xlsx");

  Screen screen(office_->Context());
  Opened opened(path);
  const Window send = FilledSendDialog("Due", "5");
  ASSERT_TRUE(send.Found());
  screen.Save(send, "frmSendSMS-filled");

  LoopbackServer proxy("000", true);
  Window settings = OpenAnew("Proxy Settings", "Proxy Settings", "Cancel");
  ASSERT_TRUE(settings.Found());
  ASSERT_TRUE(Pick(settings, settings.Beside("Proxy Type :"), "Use proxy list"));
  const struct {
    const char* host;
    const char* port;
    const char* refusal;
  } refused[] = {
      {"", "8080", "Invalid Proxy Name/Address"},
      {"   ", "8080", "Invalid Proxy Name/Address"},
      {"127.0.0.1", "x", "Invalid Proxy Port"},
      {"127.0.0.1", "0", "Invalid Proxy Port"},
  };
  for (const auto& r : refused) {
    settings.Type(settings.Beside("Host :"), r.host);
    settings.Type(settings.Beside("Port :"), r.port);
    const auto boxes = PressAnswering(settings, "Ok");
    ASSERT_EQ(boxes.size(), 1u) << r.host << ":" << r.port;
    EXPECT_NE(boxes[0].find(r.refusal), std::string::npos) << boxes[0];
  }
  settings.Type(settings.Beside("Port :"), std::to_string(proxy.Port()));
  EXPECT_EQ(PressAnswering(settings, "Ok"), std::vector<std::string>{});
  // The send dialog takes presses again once the modal one has gone.
  ASSERT_TRUE(screen.WaitGone(settings));

  // The body of the last request a server took; the password is scrambled with the time of day.
  const auto last = [](LoopbackServer& server) -> std::string {
    const auto requests = server.Requests();
    if (requests.empty()) return "(none)";
    const std::string& r = requests.back();
    EXPECT_NE(r.substr(0, r.find("\r\n")).find(service::path::kSend), std::string::npos) << r;
    return std::regex_replace(r.substr(r.find("\r\n\r\n") + 4), std::regex("passwd=[^&]*"),
                              "passwd=*");
  };
  // Each send from Calc, and the same send as the command's options.
  std::vector<std::string> fromCalc;
  const std::vector<std::string> rows = {"--yes", "send",        path,   "--mobile-column",
                                         "A",     "--start-row", "2",    "--end-row",
                                         "5",     "--message",   message};
  std::vector<std::vector<std::string>> commands;

  auto sent = PressAnswering(send, "Send", "send-answer");
  ASSERT_FALSE(sent.empty());
  EXPECT_NE(sent.back().find("3 SMS Messages Sent"), std::string::npos) << sent.back();
  fromCalc.push_back(last(proxy));
  commands.push_back(rows);

  // One message a name, with a head and a foot.
  ASSERT_TRUE(send.Toggle("Advance Options"));
  screen.Settle();
  ASSERT_TRUE(Pick(send, send.Beside("Group by column :"), "B"));
  send.Type(send.Beside("Header Text :"), "Dear #B#,");
  send.Type(send.Beside("Footer  Text :"), "Thanks");
  screen.Save(send, "frmSendSMS-grouped");
  sent = PressAnswering(send, "Send");
  ASSERT_FALSE(sent.empty());
  EXPECT_NE(sent.back().find("SMS Messages Sent"), std::string::npos) << sent.back();
  fromCalc.push_back(last(proxy));
  commands.push_back(rows);
  for (const char* option : {"--group-by", "B", "--header", "Dear #B#,", "--footer", "Thanks"})
    commands.back().push_back(option);
  ASSERT_TRUE(send.Toggle("Advance Options"));
  screen.Settle();

  // Only the rows the formula keeps, typed into the add-in's input box.
  {
    const Pressing filter(send, "Filter", {"Quorvalent"});
    const Window input = screen.WaitFor(kDialogRole, "", 30, "Enter Filter Formula.");
    ASSERT_TRUE(input.Found());
    ASSERT_EQ(input.TextFields().size(), 1u);
    input.Type(input.TextFields()[0], "#C# > 15");
    screen.Save(input, "input-filter");
    EXPECT_TRUE(input.Press("OK"));
  }
  screen.Settle();
  sent = PressAnswering(send, "Send");
  ASSERT_EQ(sent.size(), 2u) << (sent.empty() ? "" : sent[0]);
  EXPECT_NE(sent[0].find("1 records has been filtered. Do you want to SMS?"), std::string::npos)
      << sent[0];
  EXPECT_NE(sent[1].find("1 SMS Messages Sent"), std::string::npos) << sent[1];
  fromCalc.push_back(last(proxy));
  commands.push_back(rows);
  commands.back().insert(commands.back().end(), {"--filter", "#C# > 15"});

  settings = OpenAnew("Proxy Settings", "Proxy Settings", "Cancel");
  ASSERT_TRUE(Pick(settings, settings.Beside("Proxy Type :"), "Directly connect to the Internet"));
  EXPECT_EQ(PressAnswering(settings, "Ok"), std::vector<std::string>{});
  ASSERT_TRUE(screen.WaitGone(settings));
  send.Press("Cancel");

  ASSERT_EQ(fromCalc.size(), commands.size());
  for (std::size_t i = 0; i < commands.size(); ++i) {
    LoopbackServer service("000");
    const auto command = Command(commands[i], "127.0.0.1:" + std::to_string(service.Port()));
    ASSERT_EQ(command.status, 0) << command.out;
    EXPECT_EQ(fromCalc[i], last(service)) << "send " << i + 1;
  }
  EXPECT_NE(fromCalc[0].find("Bob%2C+Jr"), std::string::npos) << fromCalc[0];
}

// A number in two rows: the check's dialog lists it before the preview, and "Send Each Number
// Once" leaves the later row out of the preview and of the send; the preview shows how the
// network carries the message and the balance.
TEST_F(CalcExtension, TheSendCheckListsADuplicateAndThePreviewShowsTheBalance) {
  LoggedIn();
  const auto saved =
      Command({"templates", "save", "Greet", "--message", "Hi #B#"}, gateway_->Address());
  ASSERT_EQ(saved.status, 0) << saved.out;
  const std::string path =
      Book("twice.xlsx", "Contacts",
           {{919876543210.0, "Name 2"}, {919876543211.0, "Name 3"}, {919876543210.0, "Name 4"}}, 2);
  Screen screen(office_->Context());
  Opened opened(path);
  const Window send = FilledSendDialog("Greet", "4");
  ASSERT_TRUE(send.Found());
  ASSERT_TRUE(send.Toggle("Preview and Send"));
  screen.Settle();

  std::vector<std::string> sent;
  {
    const Pressing press(send, "Send", {"Check Before Sending", "Preview And Send SMS"});
    const Window check = screen.WaitFor(kDialogRole, "Check Before Sending");
    ASSERT_TRUE(check.Found()) << screen.WaitFor(kAlertRole, "", 1).Texts();
    screen.Save(check, "frmSendCheck");
    EXPECT_TRUE(check.Shows("919876543210 in rows 2, 4")) << check.Texts();
    EXPECT_TRUE(check.Press("Send Each Number Once"));
    const Window preview = screen.WaitFor(kDialogRole, "Preview And Send SMS");
    ASSERT_TRUE(preview.Found()) << screen.WaitFor(kAlertRole, "", 1).Texts();
    screen.Save(preview, "frmPreviewSMS");
    EXPECT_TRUE(preview.Shows("Balance: ")) << preview.Texts();
    EXPECT_TRUE(preview.Shows("GSM 7-bit")) << preview.Texts();
    sent = PressAnswering(preview, "Send SMS");
  }
  send.Press("Cancel");
  ASSERT_EQ(sent.size(), 1u);
  EXPECT_NE(sent[0].find("2 SMS Messages Sent"), std::string::npos) << sent[0];
}

// The delivery report lands in a new sheet of the workbook Calc shows, and Calc saves it.
TEST_F(CalcExtension, TheReportIsWrittenIntoANewSheetThatCalcSaves) {
  LoggedIn();
  const std::string path = Contacts("reported.xlsx");
  const auto sent = Command({"--yes", "send", path, "--mobile-column", "A", "--start-row", "2",
                             "--end-row", "3", "--message", "Hi #B#"},
                            gateway_->Address());
  ASSERT_EQ(sent.status, 0) << sent.out;

  Screen screen(office_->Context());
  Opened opened(path);
  const Window report = OpenAnew("Delivery Report", "Deliver Reports", "Cancel");
  ASSERT_TRUE(report.Found());
  ASSERT_TRUE(Pick(report, report.Offering("ALL"), "ALL")) << report.Texts();
  report.Type(report.Beside("Sheet Name"), "Report");
  screen.Save(report, "frmDR-filled");
  const auto boxes = PressAnswering(report, "Get", "report-answer");
  ASSERT_TRUE(screen.WaitGone(report)) << (boxes.empty() ? report.Texts() : boxes.back());

  const Reference<sheet::XSpreadsheetDocument> document(opened.document, uno::UNO_QUERY_THROW);
  calc::CalcWorkbook shown(office_->Context(), document);
  const std::string saved = (folder_->Path() / "reported-saved.xlsx").string();
  const beans::PropertyValue filter =
      calc::Named("FilterName", uno::Any(rtl::OUString("Calc MS Excel 2007 XML")));
  Reference<frame::XStorable>(document, uno::UNO_QUERY_THROW)
      ->storeToURL(calc::ToUno("file://" + saved), uno::Sequence<beans::PropertyValue>(&filter, 1));
  auto file = host::XlsxWorkbook::Open(saved, true);
  for (host::Workbook* book :
       {static_cast<host::Workbook*>(&shown), static_cast<host::Workbook*>(file.get())}) {
    host::Sheet* sheet = book->FindSheet("Report");
    ASSERT_NE(sheet, nullptr);
    EXPECT_EQ(sheet->Value(host::CellRef{1, 1}), Variant("Mobile Number"));
    // The account's other messages, sent by other cases, are in the report too.
    std::map<std::string, Variant> numberOf;
    for (std::int32_t r = 2; !sheet->Value(host::CellRef{1, r}).IsEmpty(); ++r)
      numberOf[sheet->Text(host::CellRef{2, r})] = sheet->Value(host::CellRef{1, r});
    EXPECT_EQ(numberOf["Hi Ann"], Variant(919876543210.0));
    EXPECT_EQ(numberOf.count("Hi Bob, Jr \xC3\xA9"), 1u);
  }
  EXPECT_NE(shown.ActiveSheet(), nullptr);
  EXPECT_EQ(shown.ActiveSheet(), shown.FindSheet("Report"));
}

// The fill takes the numbers from a second workbook, chosen in the office's file picker and opened
// hidden, into the workbook Calc shows.
TEST_F(CalcExtension, TheFillTakesTheNumbersFromASecondWorkbook) {
  LoggedIn();
  const std::string orders = Book(
      "orders.xlsx", "Orders", {{"Client", "Item"}, {"C1", "Tea"}, {"C2", "Cake"}, {"C9", "Jam"}});
  const std::string numbers =
      Book("numbers.xlsx", "Numbers", {{"C1", 911111111111.0}, {"C2", 922222222222.0}});

  Screen screen(office_->Context());
  Opened opened(orders);
  const Window fill = OpenAnew("Fill Mobile Numbers", "Client ID Mobile Mapping", "Exit");
  ASSERT_TRUE(fill.Found());
  {
    const Pressing browse(fill, "Browse", {"Browse"});
    const Window picker = screen.WaitFor(kDialogRole, "Browse");
    ASSERT_TRUE(picker.Found()) << "no file picker";
    screen.Save(picker, "file-picker");
    picker.Type(picker.Beside("File name:"), numbers);
    EXPECT_TRUE(picker.Press("Open")) << picker.Texts();
  }
  screen.Settle();
  ASSERT_TRUE(Pick(fill, fill.Beside("Select Sheet:"), "Numbers")) << fill.Texts();
  ASSERT_TRUE(Pick(fill, fill.Beside("Mobile Number Column :"), "B"));
  ASSERT_TRUE(Pick(fill, fill.Beside("Fill Mobile Number Column :"), "C"));
  screen.Save(fill, "frmClientMNOMap-filled");
  const auto boxes = PressAnswering(fill, "Ok", "fill-answer");

  calc::CalcWorkbook shown(office_->Context(), Reference<sheet::XSpreadsheetDocument>(
                                                   opened.document, uno::UNO_QUERY_THROW));
  host::Sheet& sheet = shown.SheetAt(1);
  // The numbers are written as the texts the source shows.
  EXPECT_EQ(sheet.Value(host::CellRef{3, 2}), Variant("911111111111"))
      << (boxes.empty() ? "" : boxes.back());
  EXPECT_EQ(sheet.Value(host::CellRef{3, 3}), Variant("922222222222"));
  EXPECT_EQ(sheet.Value(host::CellRef{3, 4}), Variant());
  EXPECT_EQ(sheet.Value(host::CellRef{1, 4}), Variant("C9"));
  if (!screen.WaitGone(fill, 1)) fill.Press("Exit");
}

// The scheduled jobs are listed one a row; the job chosen there is the one deleted, and the others
// stay listed. Escape closes the list, as it does on Windows.
TEST_F(CalcExtension, TheSchedulerListsJobsAndDeletesTheOneChosen) {
  LoggedIn();
  const std::string path = Contacts("scheduled.xlsx");
  for (const auto& [rows, when, name] : {std::tuple{"2", "12/31/2099 10:00 AM", "Monthly rent"},
                                         std::tuple{"5", "1/2/2099 9:05 AM", "School fees"}}) {
    const auto scheduled =
        Command({"--yes", "send", path, "--mobile-column", "A", "--rows", rows, "--message",
                 "Hi #B#", "--schedule", when, "--description", name},
                gateway_->Address());
    ASSERT_EQ(scheduled.status, 0) << scheduled.out;
  }
  Screen screen(office_->Context());
  ASSERT_TRUE(OpenAnew("Scheduler", "Delete Scheduler").Found());
  const Window jobs = screen.WaitFor(kDialogRole, "", 30, "School fees");
  ASSERT_TRUE(jobs.Found()) << screen.WaitFor(kDialogRole, "", 1, "Delete Scheduler").Texts();
  // Each row: the description, the number of messages, the delivery time and the job's IDs, the
  // job scheduled last first. The time shown is the office's clock plus the minutes the service
  // says are left: under a faked clock, which starts anew in each process, the office's runs a
  // minute or two ahead of the command's.
  const std::string texts = jobs.Texts();
  std::smatch row;
  ASSERT_TRUE(std::regex_search(
      texts, row,
      std::regex("\n(School fees  \\|  1  \\|  02 Jan 2099 09:0[5-9] AM  \\|  2)\n"
                 "Monthly rent  \\|  1  \\|  31 Dec 2099 10:0[0-4] AM  \\|  1\n")))
      << texts;
  const std::string fees = row[1];
  screen.Save(jobs, "frmScheduler-jobs");
  ASSERT_TRUE(Pick(jobs, jobs.Offering(fees), fees)) << jobs.Texts();
  const auto boxes = PressAnswering(jobs, "Delete Scheduler", "scheduler-delete");
  ASSERT_EQ(boxes.size(), 2u);
  EXPECT_NE(boxes[0].find("\"School fees\""), std::string::npos) << boxes[0];
  EXPECT_FALSE(jobs.Shows("School fees")) << jobs.Texts();
  EXPECT_TRUE(jobs.Shows("Monthly rent")) << jobs.Texts();
  const auto left = Command({"jobs", "list"}, gateway_->Address());
  EXPECT_NE(left.out.find("Monthly rent\t1\t31 Dec 2099 "), std::string::npos) << left.out;
  EXPECT_EQ(left.out.find("School fees"), std::string::npos) << left.out;
  jobs.Escape();
  EXPECT_TRUE(screen.WaitGone(jobs, 10));
}

// The texts Calc shows are the texts the add-in reads through the extension, and they are the
// texts the command reads from the same file.
TEST_F(CalcExtension, CellsReadAsCalcShowsThemAndAsTheCommandReadsThem) {
  calc::CalcApplication calc(office_->Context());
  const auto hidden = calc.CreateHiddenInstance();
  for (const char* name : {"displayed_texts.xlsx", "displayed_texts_native.xlsx", "shared.xlsx"}) {
    const std::string path = std::string(QV_TEST_DATA) + "/" + name;
    host::Workbook& book = hidden->OpenReadOnly(path);
    auto file = host::XlsxWorkbook::Open(path, true);
    host::Sheet& shown = book.SheetAt(1);
    host::Sheet& read = file->SheetAt(1);
    for (int row = 1; row <= 40; ++row) {
      for (int column = 1; column <= 3; ++column) {
        const host::CellRef at{column, row};
        EXPECT_EQ(shown.Text(at), read.Text(at)) << name << " " << column << "," << row;
        Variant expected = read.Value(at);
        // Before March 1900 the two calendars part: a workbook file counts its days as the
        // first spreadsheets did, with a 29 February 1900, and Calc counts them as the calendar
        // does, so the same number from 1 on is a day earlier in Calc (a duration of 36 hours,
        // say). Each front end gives what its spreadsheet shows for a date.
        if (expected.kind() == Variant::Kind::Date &&
            expected.AsDate().Serial() >= DateTime::FromParts(1900, 1, 1).Serial() &&
            expected.AsDate().Serial() < DateTime::FromParts(1900, 3, 1).Serial())
          expected = DateTime::FromSerial(expected.AsDate().Serial() - 1);
        EXPECT_EQ(ValueAsText(shown.Value(at)), ValueAsText(expected))
            << name << " " << column << "," << row << " shows " << shown.Text(at);
      }
    }
  }
  hidden->CloseAll();
}

// Writing as the delivery report does: a new sheet after the last, named, typed into, a bold head.
TEST_F(CalcExtension, ASheetIsAddedNamedAndTypedIntoAsTheReportDoes) {
  const beans::PropertyValue hidden = calc::Named("Hidden", uno::Any(true));
  const Reference<frame::XComponentLoader> loader(frame::Desktop::create(office_->Context()),
                                                  uno::UNO_QUERY_THROW);
  const Reference<sheet::XSpreadsheetDocument> document(
      loader->loadComponentFromURL("private:factory/scalc", "_blank", 0,
                                   uno::Sequence<beans::PropertyValue>(&hidden, 1)),
      uno::UNO_QUERY_THROW);
  calc::CalcWorkbook book(office_->Context(), document);
  const int before = book.SheetCount();
  host::Sheet& added = book.AddSheetAfter(book.SheetAt(before));
  EXPECT_EQ(book.SheetCount(), before + 1);
  EXPECT_EQ(&book.SheetAt(before + 1), &added);
  EXPECT_EQ(book.ActiveSheet(), &added);
  added.SetName("Report 12-06");
  EXPECT_EQ(added.Name(), "Report 12-06");
  EXPECT_EQ(book.FindSheet("REPORT 12-06"), &added);
  for (const char* refused : {"a/b", "", "Sheet1", "sheet1", "x[1]", "'quoted'"}) {
    EXPECT_THROW(added.SetName(refused), host::HostError) << refused;
    EXPECT_EQ(added.Name(), "Report 12-06") << refused;
  }

  const struct {
    const char* typed;
    const char* shown;
    Variant value;
  } cases[] = {
      {"Mobile Number", "Mobile Number", "Mobile Number"},
      {"12/6/2026", "12/6/2026", DateTime::FromParts(2026, 12, 6)},
      {"00123", "123", 123.0},
      {"919876543210", "919876543210", 919876543210.0},
      {"10:30 AM", "10:30 AM", DateTime::FromParts(1899, 12, 30, 10, 30, 0)},
      {"Delivered", "Delivered", "Delivered"},
  };
  int row = 1;
  for (const auto& c : cases) {
    added.EnterText(host::CellRef{1, row}, c.typed);
    EXPECT_EQ(added.Text(host::CellRef{1, row}), c.shown) << c.typed;
    EXPECT_EQ(ValueAsText(added.Value(host::CellRef{1, row})), ValueAsText(c.value)) << c.typed;
    ++row;
  }
  added.SetValue(host::CellRef{2, 1}, DateTime::FromParts(2026, 12, 6, 20, 5, 0));
  EXPECT_EQ(added.Text(host::CellRef{2, 1}), "12/6/2026 20:05");
  added.SetValue(host::CellRef{2, 2}, true);
  EXPECT_EQ(added.Value(host::CellRef{2, 2}), Variant(true));
  added.SetBold(host::CellRef{1, 1}, true);
  float weight = 0;
  Reference<beans::XPropertySet>(
      static_cast<calc::CalcSheet&>(added).Uno()->getCellByPosition(0, 0), uno::UNO_QUERY_THROW)
      ->getPropertyValue("CharWeight") >>= weight;
  EXPECT_EQ(weight, 150.0f);
  Reference<util::XCloseable>(document, uno::UNO_QUERY_THROW)->close(true);
}

// What a dialog of the extension shows of one property of the change, in the words of Wanted.
std::string Shows(calc::UnoForm& shown, const ChangingForm& form, const PropertyChange& change) {
  const Reference<awt::XDialog> dialog(shown.Dialog(), uno::UNO_QUERY_THROW);
  if (const auto* aspect = std::get_if<FormAspect>(&change.shown)) {
    switch (*aspect) {
      case FormAspect::Caption:
        return Utf8(dialog->getTitle());
      case FormAspect::Height:
        return std::to_string(
            Reference<awt::XWindow>(dialog, uno::UNO_QUERY_THROW)->getPosSize().Height);
      case FormAspect::Focus:
        for (const ui::Control* c : form.Controls()) {
          if (Reference<awt::XWindow2>(shown.ControlOf(*c), uno::UNO_QUERY_THROW)->hasFocus())
            return c->Name();
        }
        return "";
    }
  }
  const Reference<awt::XControl> control = shown.ControlOf(*form.FindControl(change.control));
  const Reference<beans::XPropertySet> model(control->getModel(), uno::UNO_QUERY_THROW);
  const auto get = [&model](const char* name) {
    return model->getPropertyValue(rtl::OUString::createFromAscii(name));
  };
  // The entries, joined; a list view's rows with their cells apart as the list shows them.
  const auto strings = [&get](bool rows) {
    uno::Sequence<rtl::OUString> items;
    get("StringItemList") >>= items;
    std::string out;
    for (sal_Int32 i = 0; i < items.getLength(); ++i) {
      const std::string entry = Utf8(items[i]);
      out +=
          (i ? "|" : "") + (rows ? std::regex_replace(entry, std::regex("  \\|  "), ",") : entry);
    }
    return out;
  };
  const Reference<awt::XWindow2> window(control, uno::UNO_QUERY_THROW);
  switch (std::get<ui::Property>(change.shown)) {
    case ui::Property::Caption: {
      rtl::OUString label;
      get("Label") >>= label;
      return Utf8(label);
    }
    case ui::Property::Items:
      return strings(false);
    case ui::Property::Rows:
      return strings(true);
    case ui::Property::ListIndex:
    case ui::Property::SelectedRow:
      return std::to_string(
          Reference<awt::XListBox>(control, uno::UNO_QUERY_THROW)->getSelectedItemPos());
    case ui::Property::Text:
      return Utf8(Reference<awt::XTextComponent>(control, uno::UNO_QUERY_THROW)->getText());
    case ui::Property::Caret: {
      const awt::Selection at =
          Reference<awt::XTextComponent>(control, uno::UNO_QUERY_THROW)->getSelection();
      return std::to_string(at.Min) + "," + std::to_string(at.Max - at.Min);
    }
    case ui::Property::MaxLength:
      return std::to_string(get("MaxTextLen").get<sal_Int16>());
    case ui::Property::Checked:
      return std::to_string(get("State").get<sal_Int16>());
    case ui::Property::Picture: {
      Reference<beans::XPropertySet> graphic;
      get("Graphic") >>= graphic;
      if (!graphic.is()) return "none";
      const awt::Size size = graphic->getPropertyValue("SizePixel").get<awt::Size>();
      return std::to_string(size.Width) + "x" + std::to_string(size.Height);
    }
    case ui::Property::BackColor: {
      sal_Int32 rgb = 0;
      if (!(get("BackgroundColor") >>= rgb)) return "default";
      char text[8];
      std::snprintf(text, sizeof text, "#%06X", static_cast<unsigned>(rgb) & 0xFFFFFF);
      return text;
    }
    case ui::Property::FontSize: {
      const sal_Int16 height = get("FontDescriptor").get<awt::FontDescriptor>().Height;
      return height ? std::to_string(height) : "default";
    }
    case ui::Property::Place: {
      const awt::Rectangle at = window->getPosSize();
      return std::to_string(at.X) + "," + std::to_string(at.Y) + "," + std::to_string(at.Width) +
             "," + std::to_string(at.Height);
    }
    case ui::Property::ToolTip: {
      rtl::OUString tip;
      get("HelpText") >>= tip;
      return Utf8(tip);
    }
    case ui::Property::Enabled:
      return window->isEnabled() ? "1" : "0";
    case ui::Property::Visible:
      return window->isVisible() ? "1" : "0";
  }
  return {};
}

TEST_F(CalcExtension, EveryPropertyAHandlerChangesReachesTheDialog) {
  Screen screen(office_->Context());
  for (const PropertyChange& change : PropertyChanges()) {
    SCOPED_TRACE(change.name);
    ui::ScriptedUi scripted;
    ChangingForm form(scripted);
    form.Load();
    std::shared_ptr<calc::UnoForm> shown;
    Platform platform;
    std::string before, wanted;
    OnMainThread(office_->Context(), [&] {
      shown = std::make_shared<calc::UnoForm>(form, office_->Context());
      shown->Show(false);
      // Without a window manager a dialog is not active until told: the focus is a window's.
      Reference<awt::XTopWindow>(shown->Dialog(), uno::UNO_QUERY_THROW)->toFront();
      const Reference<awt::XUnitConversion> units(shown->Dialog(), uno::UNO_QUERY_THROW);
      const auto pixels = [units](int twips) {
        return units->convertSizeToPixel(awt::Size(twips, twips), util::MeasureUnit::TWIP);
      };
      const Reference<awt::XStyleSettings> style =
          Reference<awt::XStyleSettingsSupplier>(shown->Dialog()->getPeer(), uno::UNO_QUERY_THROW)
              ->getStyleSettings();
      const auto title = static_cast<std::uint32_t>(style->getActiveTextColor());
      platform = {[pixels](int t) { return pixels(t).Width; },
                  [pixels](int t) { return pixels(t).Height; },
                  [pixels](int t) { return pixels(t - ui::Form::kTitleHeight).Height; },
                  [title](ui::SystemColour) { return title; }};
      before = Shows(*shown, form, change);
      EXPECT_EQ(before, Wanted(form, change, platform));
    });
    const Window window = screen.WaitFor(kDialogRole, "Changing", 10);
    ASSERT_TRUE(window.Found());
    form.change = change.make;
    EXPECT_TRUE(window.Press("Change"));
    screen.Settle();
    if (change.name == "LabelSystemColour") screen.Save(window, "property-system-colour");
    OnMainThread(office_->Context(), [&] {
      EXPECT_EQ(Shows(*shown, form, change), Wanted(form, change, platform));
      EXPECT_NE(Shows(*shown, form, change), before) << "the change changed nothing";
      shown->Close();
      shown.reset();
    });
  }
}

// A user's own Calc after `unopkg add` and after `unopkg remove`, as install_as_user.sh runs it
// under a throwaway account: the add-in's menu and toolbar are there while the extension is
// installed, and gone once it is removed.
TEST(UsersCalc, TheAddinsMenuIsThereWhileTheExtensionIsInstalled) {
  const char* expected = std::getenv("QV_CALC_EXTENSION");
  if (!expected) GTEST_SKIP() << "run by install_as_user.sh";
  const bool installed = std::string_view(expected) == "installed";
  TempDir folder;
  Office office(folder.Path(), true);
  office.Start(true);
  const auto config = [&] {
    return css::ui::theModuleUIConfigurationManagerSupplier::get(office.Context())
        ->getUIConfigurationManager(kModule);
  };
  // The add-in builds its toolbar and menu once the spreadsheet's window shows; without it,
  // nothing comes in that time either.
  const auto deadline =
      std::chrono::steady_clock::now() + std::chrono::seconds(installed ? 60 : 15);
  while (!config()->hasSettings(kToolbar) && std::chrono::steady_clock::now() < deadline)
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
  EXPECT_EQ(config()->hasSettings(kToolbar), installed);
  const auto menus = Menus(config());
  EXPECT_EQ(std::count_if(menus.begin(), menus.end(),
                          [](const auto& menu) { return menu.first == "~Quorvalent"; }),
            installed ? 1 : 0);
  office.Stop();
}

}  // namespace
}  // namespace qv::testing
