// The creatable Connect over a fake Excel reached only through IDispatch, side by side with the
// same add-in over the in-memory host: what the user sees and what the service receives must be
// the same, and nothing of Excel's may be held after the disconnect.
#include <gtest/gtest.h>

#include <algorithm>
#include <set>
#include <sstream>

#include "borrowed_environment.h"
#include "com/module.h"
#include "connect_com/connect_com.h"
#include "fake_excel.h"
#include "fake_ribbon.h"
#include "fill/frm_client_mno_map.h"
#include "reports/frm_dr.h"
#include "send/frm_send_sms.h"
#include "support/addin_fakes.h"
#include "support/addin_menu.h"
#include "support/script_login.h"
#include "support/send_steps.h"
#include "values/convert.h"

namespace qv::testing {
namespace {

using excel::ConnectMode;
using excel::DisconnectMode;

// The add-in's toolbar and menu, control by control, as a user sees them.
std::string Describe(host::CommandBars& bars) {
  std::ostringstream out;
  const auto controls = [&out](host::CommandBarControls& list) {
    for (int i = 1; i <= list.Count(); ++i) {
      host::CommandBarControl& c = list.Item(i);
      out << "  " << static_cast<int>(c.Type()) << " '" << c.Caption() << "' enabled "
          << c.Enabled() << " visible " << c.Visible() << " group " << c.BeginGroup();
      if (c.Type() == host::ControlType::Button) {
        const ui::Picture& face = host::MemoryCommandBars::FaceOf(c);
        out << " face " << c.FaceId() << " style " << c.Style() << " picture " << face.Width << "x"
            << face.Height << " "
            << std::hash<std::string>{}(std::string(
                   reinterpret_cast<const char*>(face.Pixels.data()), face.Pixels.size() * 4));
      }
      out << "\n";
    }
  };
  if (host::CommandBar* bar = bars.Find("Quorvalent")) {
    out << "toolbar visible " << bar->Visible() << "\n";
    controls(bar->Controls());
  }
  host::CommandBarControls& menus = bars.Item(1).Controls();
  for (int i = 1; i <= menus.Count(); ++i) {
    if (menus.Item(i).Caption() != "&Quorvalent") continue;
    out << "menu at " << i << "\n";
    controls(menus.Item(i).Controls());
  }
  return out.str();
}

// Every control of the add-in's toolbar and menu, in order.
std::vector<host::CommandBarControl*> AddinControls(host::CommandBars& bars) {
  std::vector<host::CommandBarControl*> out;
  host::CommandBarControls& buttons = bars.Find("Quorvalent")->Controls();
  for (int i = 1; i <= buttons.Count(); ++i) out.push_back(&buttons.Item(i));
  host::CommandBarControls& menus = bars.Item(1).Controls();
  for (int i = 1; i <= menus.Count(); ++i) {
    if (menus.Item(i).Caption() != "&Quorvalent") continue;
    for (int k = 1; k <= menus.Item(i).Controls().Count(); ++k)
      out.push_back(&menus.Item(i).Controls().Item(k));
  }
  return out;
}

class ConnectComTest : public ::testing::Test {
 protected:
  void SetUp() override {
    CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    excelModel.AddWorkbook("Book1", {"Sheet1", "Sheet2"});
    memory.AddWorkbook("Book1", {"Sheet1", "Sheet2"});
  }
  void TearDown() override { CoUninitialize(); }

  void ConnectBoth() {
    EXPECT_EQ(object->OnConnection(excel.Application(), ConnectMode::Startup, nullptr, nullptr),
              S_OK);
    reference.AddinInstance_OnConnection(memory);
  }
  void OpenSessions() {
    for (session::GlobalSubs* g : {&object->Addin()->Globals(), &reference.Globals()}) {
      g->SessionUserName = "alice";
      g->SessionPassword = "abc";
      g->IsLoggedIn = true;
    }
  }
  // Clicks the control at `index` of AddinControls on both sides.
  void ClickBoth(std::size_t index) {
    excel.Click(*AddinControls(excelModel.GetCommandBars()).at(index));
    host::MemoryCommandBars::Click(*AddinControls(memory.GetCommandBars()).at(index));
  }
  // Sends the rows with the template from the open Send SMS dialog on both sides, the service
  // answering "000".
  void SendBoth(const std::string& message, int startRow, int endRow) {
    for (auto [connect, fakes] : {std::pair{object->Addin(), &com}, std::pair{&reference, &mem}}) {
      ChooseRows(connect->SendSMS(), std::to_string(startRow), std::to_string(endRow), message);
      fakes->transport.Answer("000");
      connect->SendSMS().cmdSend.Press();
    }
  }
  void ExpectSameTranscript() {
    EXPECT_EQ(com.ui.Boxes(), mem.ui.Boxes());
    EXPECT_EQ(com.ui.FormsShown(), mem.ui.FormsShown());
    EXPECT_EQ(com.shell.opened, mem.shell.opened);
  }

  host::MemoryApplication excelModel;
  FakeExcel excel{excelModel};
  AddinFakes com;
  excel::ComPtr<excel::ConnectObject> object = excel::ConnectObject::Make(Borrow(com.Platform()));

  host::MemoryApplication memory;
  AddinFakes mem;
  addin::Connect reference{mem.Platform()};
};

TEST_F(ConnectComTest, BuildsTheToolbarAndMenuOfTheInMemoryHost) {
  ConnectBoth();
  const std::string built = Describe(excelModel.GetCommandBars());
  EXPECT_NE(built.find("'Send SMS'"), std::string::npos) << built;
  EXPECT_EQ(built, Describe(memory.GetCommandBars()));
  EXPECT_TRUE(com.ui.Boxes().empty());
}

TEST_F(ConnectComTest, EveryButtonAndEntryReachesItsCommandThroughItsConnectionPoint) {
  ConnectBoth();
  const std::size_t count = AddinControls(memory.GetCommandBars()).size();
  ASSERT_EQ(excel.AdvisedSinks(), count);
  for (bool session : {false, true}) {
    if (session) OpenSessions();
    for (std::size_t i = 0; i < count; ++i) {
      // Every dialog closes as soon as it shows; the questions get the same answers.
      ClickBoth(i);
      ExpectSameTranscript();
      ASSERT_FALSE(HasFailure()) << "control " << i << (session ? " in a session" : "");
    }
  }
  EXPECT_FALSE(com.ui.FormsShown().empty());
}

TEST_F(ConnectComTest, EveryControlHasATagOfItsOwnAndAClickRunsOnlyItsCommand) {
  ConnectBoth();
  OpenSessions();
  const std::vector<host::CommandBarControl*> controls = AddinControls(excelModel.GetCommandBars());
  ASSERT_EQ(controls.size(), 17u);
  std::set<std::string> tags;
  for (host::CommandBarControl* c : controls) {
    EXPECT_EQ(c->Id(), 1);  // as every custom control's
    EXPECT_EQ(c->Tag().rfind("Quorvalent.", 0), 0u) << c->Tag();
    tags.insert(c->Tag());
  }
  EXPECT_EQ(tags.size(), 17u);
  EXPECT_TRUE(tags.count("Quorvalent.SendSMS.toolbar"));
  EXPECT_TRUE(tags.count("Quorvalent.SendSMS.menu"));
  // Office raises the click on every control with the clicked one's Id and Tag: each of the
  // seventeen runs one command, the one the in-memory host runs.
  for (std::size_t i = 0; i < controls.size(); ++i) {
    const std::size_t forms = com.ui.FormsShown().size(), boxes = com.ui.Boxes().size();
    ClickBoth(i);
    ExpectSameTranscript();
    EXPECT_LE(com.ui.FormsShown().size() + com.ui.Boxes().size() - forms - boxes, 2u)
        << "control " << i;
    ASSERT_FALSE(HasFailure()) << "control " << i;
  }
}

TEST_F(ConnectComTest, AClickWhoseCtrlIsAnotherControlIsNotThisControlsClick) {
  ConnectBoth();
  const std::vector<host::CommandBarControl*> controls = AddinControls(excelModel.GetCommandBars());
  // Two controls of another add-in share Id 1 and carry no Tag: Office raises their clicks on
  // every untagged control, ours among them if we had left ours untagged.
  host::CommandBarControl& stranger =
      excelModel.GetCommandBars().Item(1).Controls().Add(host::ControlType::Button, 1, true);
  excel.Click(stranger);
  // A click Office raised on our sink for another control is not ours to run either.
  for (host::CommandBarControl* ours : controls) excel.RaiseClick(*ours, stranger);
  EXPECT_TRUE(com.ui.FormsShown().empty());
  EXPECT_TRUE(com.ui.Boxes().empty());
  EXPECT_TRUE(com.shell.opened.empty());
  EXPECT_EQ(controls.size(), 17u);
}

// The text on the clipboard, empty when there is none.
std::wstring ClipboardText() {
  std::wstring text;
  if (!OpenClipboard(nullptr)) return text;
  if (HANDLE data = GetClipboardData(CF_UNICODETEXT)) {
    text = static_cast<const wchar_t*>(GlobalLock(data));
    GlobalUnlock(data);
  }
  CloseClipboard();
  return text;
}

void PutTextOnClipboard(const std::wstring& text) {
  HWND window =
      CreateWindowExW(0, L"STATIC", L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, nullptr, nullptr);
  ASSERT_TRUE(OpenClipboard(window));
  EmptyClipboard();
  const SIZE_T bytes = (text.size() + 1) * sizeof(wchar_t);
  HGLOBAL data = GlobalAlloc(GMEM_MOVEABLE, bytes);
  memcpy(GlobalLock(data), text.c_str(), bytes);
  GlobalUnlock(data);
  SetClipboardData(CF_UNICODETEXT, data);
  CloseClipboard();
  DestroyWindow(window);
}

TEST_F(ConnectComTest, EveryButtonGetsItsFaceAndTheUsersClipboardStaysAsItWas) {
  for (const bool oldOffice : {false, true}) {
    SCOPED_TRACE(oldOffice ? "PasteFace only" : "Picture and Mask");
    excel.refusePictures = oldOffice;
    PutTextOnClipboard(L"what the user copied \u00e9");
    ConnectBoth();
    EXPECT_EQ(ClipboardText(), L"what the user copied \u00e9");
    // Each face as the in-memory host has it: the pixels, transparent where the mask is white.
    EXPECT_EQ(Describe(excelModel.GetCommandBars()), Describe(memory.GetCommandBars()));
    const std::vector<std::string> calls = excel.Calls();
    const auto faces = std::count_if(calls.begin(), calls.end(), [](const std::string& call) {
      return call.ends_with(".PasteFace");
    });
    EXPECT_EQ(faces, oldOffice ? 7 : 0);
    EXPECT_TRUE(com.ui.Boxes().empty());
    object->OnDisconnection(DisconnectMode::UserClosed, nullptr);
  }
}

TEST_F(ConnectComTest, AnExcelStartedByAnotherProgramGetsNothingOfTheAddins) {
  excel.visible = false;
  excel.userControl = false;
  PutTextOnClipboard(L"copied in another program");
  EXPECT_EQ(object->OnConnection(excel.Application(), ConnectMode::Startup, nullptr, nullptr),
            S_OK);
  EXPECT_EQ(object->Addin(), nullptr);
  EXPECT_EQ(excelModel.GetCommandBars().Find("Quorvalent"), nullptr);
  EXPECT_EQ(Describe(excelModel.GetCommandBars()), "");
  EXPECT_TRUE(com.ui.Boxes().empty());
  EXPECT_EQ(ClipboardText(), L"copied in another program");
  EXPECT_EQ(excel.Calls(),
            (std::vector<std::string>{"Application.Visible", "Application.UserControl"}));
  EXPECT_EQ(object->OnDisconnection(DisconnectMode::HostShutdown, nullptr), S_OK);
  EXPECT_EQ(excel.Held(), std::vector<std::string>{});
  // Seen by a person, the same Excel gets the add-in.
  excel.userControl = true;
  object->OnConnection(excel.Application(), ConnectMode::AfterStartup, nullptr, nullptr);
  EXPECT_NE(excelModel.GetCommandBars().Find("Quorvalent"), nullptr);
}

TEST_F(ConnectComTest, ASendOfAThousandRowsSendsTheInMemoryHostsBody) {
  ConnectBoth();
  OpenSessions();
  for (host::MemoryApplication* app : {&excelModel, &memory}) {
    host::MemorySheet& sheet = *app->ActiveSheet();
    sheet.SetValueAt("A1", "Mobile");
    for (int r = 2; r <= 1001; ++r) {
      sheet.SetValueAt("A" + std::to_string(r), 919800000000.0 + r);
      sheet.SetValueAt("B" + std::to_string(r), "Client \xC3\xA9" + std::to_string(r));
      sheet.SetValueAt("C" + std::to_string(r), r * 1.25);
    }
  }
  ClickBoth(0);  // Send SMS, the first button
  const long callsBefore = excel.CallCount();
  SendBoth("Dear #B#, you owe #C#", 2, 1001);
  ExpectSameTranscript();
  // The templates' list when the dialog opened, then the send.
  ASSERT_EQ(com.transport.Requests().size(), 2u);
  ASSERT_EQ(mem.transport.Requests().size(), 2u);
  EXPECT_EQ(com.transport.Last().path, "SMS_Excel/SaveExcelData_V2.asp");
  EXPECT_EQ(com.transport.Last().body, mem.transport.Last().body);
  EXPECT_EQ(com.ui.Prompts().back(), "1000 SMS Messages Sent");
  // The cells come a block of a column at a time (a Range, its Value or Value2, for numbers
  // their NumberFormat), each block larger than the one before: a few dozen calls in all, ids of
  // members included, where a call or more a cell would be thousands.
  EXPECT_LE(excel.CallCount() - callsBefore, 150);
}

// Each command that walks the rows of a sheet does so in blocks through Excel, and ends as it
// does over the in-memory host: the same request, the same boxes, the same cells written.
TEST_F(ConnectComTest, TheFilteredAndGroupedSendsTheFillAndTheReportGoInBlocks) {
  constexpr int kRows = 1000;
  ConnectBoth();
  OpenSessions();
  host::MemoryApplication files;
  FakeExcelClass registered(files);
  auto source =
      std::make_shared<host::MemoryWorkbook>("Clients.xlsx", std::vector<std::string>{"Clients"});
  for (int r = 1; r <= kRows; ++r) {
    source->SheetAt(1).SetValue(host::CellRef{1, r}, "C-" + std::to_string(r));
    source->SheetAt(1).SetValue(host::CellRef{2, r}, 919800000000.0 + r);
  }
  files.AddFile("C:\\data\\Clients.xlsx", source);
  memory.AddFile("C:\\data\\Clients.xlsx", source);
  std::string report = "Mobile-Message-Status";
  for (int r = 1; r <= kRows; ++r)
    report += "," + std::to_string(919800000000LL + r) + "-Hello " + std::to_string(r) + "-Sent";
  struct Case {
    const char* what;
    const char* button;  // the toolbar's
    std::function<void(addin::Connect&, AddinFakes&)> run;
    long calls;  // at most, into both Excels
  };
  const std::vector<Case> cases = {
      {"filtered send", "Send SMS",
       [&](addin::Connect& addin, AddinFakes& fakes) {
         send::frmSendSMS& d = addin.SendSMS();
         fakes.ui.AnswerInput("#B# like 'Client 1%'");
         d.cmdFilter.Press();
         ChooseRows(d, "1", std::to_string(kRows), "Dear #B#, you owe #C#");
         fakes.transport.Answer("000");
         fakes.ui.Answer(ui::mb::Ok);
         d.cmdSend.Press();
         d.Unload();
       },
       150},
      {"grouped send", "Send SMS",
       [&](addin::Connect& addin, AddinFakes& fakes) {
         send::frmSendSMS& d = addin.SendSMS();
         d.chkAdvance.SetValue(true);
         d.cmbColumnWise.SetListIndex(1);
         d.txt_header.Text = "Dear #B#,";
         ChooseRows(d, "1", std::to_string(kRows), "you owe #C#");
         fakes.transport.Answer("000");
         d.cmdSend.Press();
         d.Unload();
       },
       200},
      {"fill", "Fill Mobile Numbers",
       [&](addin::Connect& addin, AddinFakes& fakes) {
         fill::frmClient_MNO_Map& d = addin.ClientMnoMap();
         fakes.ui.AnswerFile("C:\\data\\Clients.xlsx");
         d.cmdBrowse.Press();
         d.cmbMNO.SetListIndex(1);
         d.cmbActive_ClientID_Col.SetListIndex(3);
         d.cmbFill_MNO.SetListIndex(4);
         d.cmdOk.Press();
       },
       250},
      {"report", "Delivery Report",
       [&](addin::Connect& addin, AddinFakes& fakes) {
         reports::frmDR& d = addin.DR();
         d.txtSheetName.Text = "Report";
         fakes.transport.Answer("<QUORVALENT>" + report + "</QUORVALENT>");
         d.cmdGet.Press();
       },
       100},
  };
  for (host::MemoryApplication* app : {&excelModel, &memory}) {
    host::MemorySheet& sheet = *app->ActiveSheet();
    for (int r = 1; r <= kRows; ++r) {
      sheet.SetValue(host::CellRef{1, r}, 919800000000.0 + r);
      sheet.SetValue(host::CellRef{2, r}, "Client " + std::to_string(r));
      sheet.SetValue(host::CellRef{3, r}, r * 1.25);
      sheet.SetValue(host::CellRef{4, r}, "C-" + std::to_string(kRows + 1 - r));
    }
  }
  const auto written = [](host::MemoryApplication& app) {
    std::map<std::string, std::string> cells;
    host::MemoryWorkbook& book = *app.ActiveWorkbook();
    for (int i = 1; i <= book.SheetCount(); ++i) {
      for (const auto& [address, value] : book.SheetAt(i).UsedCells())
        cells[book.SheetAt(i).Name() + "!" + address] = ValueAsText(value);
    }
    return cells;
  };
  for (const Case& c : cases) {
    const auto controls = AddinControls(excelModel.GetCommandBars());
    const auto button = std::find_if(controls.begin(), controls.end(), [&c](auto* control) {
      return control->Caption() == c.button;
    });
    ASSERT_NE(button, controls.end()) << c.button;
    ClickBoth(static_cast<std::size_t>(button - controls.begin()));
    auto calls = [&] {
      long all = excel.CallCount();
      for (FakeExcel* second : registered.Instances()) all += second->CallCount();
      return all;
    };
    const long before = calls();
    c.run(*object->Addin(), com);
    c.run(reference, mem);
    EXPECT_LE(calls() - before, c.calls) << c.what;
    ExpectSameTranscript();
    EXPECT_EQ(com.transport.Last().body, mem.transport.Last().body) << c.what;
    // Excel reads the numbers in the texts it is given, where the in-memory host keeps texts.
    EXPECT_EQ(written(excelModel), written(memory)) << c.what;
  }
  const auto cells = written(excelModel);
  EXPECT_EQ(cells.at("Sheet1!E1"), "919800001000") << "filled from the source's last row";
  EXPECT_EQ(cells.at("Sheet1!E1000"), "919800000001");
  EXPECT_EQ(cells.at("Report!C1001"), "Sent");
  EXPECT_EQ(com.ui.Prompts(),
            (std::vector<std::string>{"112 records has been filtered. Do you want to SMS?",
                                      "112 SMS Messages Sent", "1000 SMS Messages Sent"}));
  // Nothing of either Excel is held after the disconnect.
  EXPECT_EQ(object->OnDisconnection(DisconnectMode::UserClosed, nullptr), S_OK);
  EXPECT_EQ(excel.Held(), std::vector<std::string>{});
  for (FakeExcel* second : registered.Instances())
    EXPECT_EQ(second->Held(), std::vector<std::string>{});
}

TEST_F(ConnectComTest, NarrowColumnsSendTheTextsAWideColumnShowsAndEveryTypeOfValueIsRead) {
  ConnectBoth();
  OpenSessions();
  struct Placeholder {
    const char* column;
    Variant value;
    const char* format;
    const char* wide;  // what a column wide enough shows
  };
  const Placeholder placeholders[] = {
      {"B", 1234.5, "$#,##0.00", "$1,234.50"},
      {"C", DateTime::FromParts(2026, 3, 5), "dd-mmm-yyyy", "05-Mar-2026"},
      {"D", 0.125, "0.0%", "12.5%"},
      {"E", 919876543210.0, nullptr, "919876543210"},
      {"F", 3.14159265358979, nullptr, "3.14159265358979"},
      {"G", "Ann", nullptr, "Ann"},
  };
  // The mobile column holds a value of every type Excel gives: a number, a currency (VT_CY), a
  // date (VT_DATE), a truth value, an error (#N/A), nothing, a text.
  const Variant mobiles[] = {919800000002.0, 919800000003.0,   DateTime::FromParts(2026, 1, 2),
                             true,           ErrorValue{2042}, Variant(),
                             "919800000008"};
  host::MemorySheet& shown = *excelModel.ActiveSheet();
  host::MemorySheet& wide = *memory.ActiveSheet();
  for (int r = 2; r <= 8; ++r) {
    const std::string row = std::to_string(r);
    const Variant& mobile = mobiles[r - 2];
    if (!mobile.IsEmpty()) {
      shown.SetValueAt("A" + row, mobile);
      wide.SetValueAt("A" + row, mobile);
    }
    for (const Placeholder& p : placeholders) {
      const std::string address = p.column + row;
      shown.SetValueAt(address, p.value);
      if (p.format) excel.SetFormat(shown, address, p.format);
      wide.SetValueAndText(host::Sheet::Cell(address), p.value, p.wide);
    }
  }
  excel.SetFormat(shown, "A3", "$#,##0");
  for (int column = 2; column <= 7; ++column) excel.SetColumnWidth(shown, column, 4);
  excel.SetColumnWidth(shown, 5, 5);
  // What the narrow columns show.
  const excel::Dispatch sheet =
      excel::Dispatch(excel::ComPtr<IDispatch>::Share(excel.Application())).Object("ActiveSheet");
  const auto text = [&sheet](const char* address) {
    return sheet.Object("Range", {excel::ComVariant::FromText(address)})
        .GetProperty("Text")
        .ToText();
  };
  EXPECT_EQ(text("B2"), "####");
  EXPECT_EQ(text("C2"), "####");
  EXPECT_EQ(text("D2"), "####");
  EXPECT_EQ(text("E2"), "9E+11");
  EXPECT_EQ(text("F2"), "3.14");
  EXPECT_EQ(
      sheet.Object("Range", {excel::ComVariant::FromText("A3")}).GetProperty("Value").Get().vt,
      VT_CY);

  ClickBoth(0);
  SendBoth("#B# #C# #D# #E# #F# #G#", 2, 8);
  ExpectSameTranscript();
  ASSERT_EQ(com.transport.Requests().size(), 2u);
  const std::string& body = com.transport.Last().body;
  EXPECT_EQ(body, mem.transport.Last().body);
  // As URLEncode writes them.
  for (const char* expected :
       {"%241%2C234%2E50", "05%2DMar%2D2026", "12%2E5%25", "919876543210", "3%2E14159265358979"})
    EXPECT_NE(body.find(expected), std::string::npos) << expected << " in " << body;
  EXPECT_EQ(body.find("%23%23"), std::string::npos) << body;  // no "##"
}

TEST_F(ConnectComTest, DisconnectingReleasesEverythingOfExcelsAndLetsTheDllUnload) {
  ConnectBoth();
  OpenSessions();
  ClickBoth(0);
  ASSERT_FALSE(excel.Held().empty());
  EXPECT_EQ(object->OnDisconnection(DisconnectMode::UserClosed, nullptr), S_OK);
  EXPECT_EQ(excel.Held(), std::vector<std::string>{});
  EXPECT_EQ(excel.AdvisedSinks(), 0u);
  EXPECT_EQ(object->Addin(), nullptr);
  EXPECT_FALSE(excel::CanUnload());  // the object itself is still held
  object.Reset();
  EXPECT_TRUE(excel::CanUnload());
}

TEST_F(ConnectComTest, ADisconnectWhileASendLetsPendingEventsInWaitsUntilTheSendIsDone) {
  ConnectBoth();
  OpenSessions();
  host::MemorySheet& sheet = *excelModel.ActiveSheet();
  for (int r = 2; r <= 4; ++r) {
    sheet.SetValueAt("A" + std::to_string(r), 919800000000.0 + r);
    sheet.SetValueAt("B" + std::to_string(r), "Client " + std::to_string(r));
  }
  excel.Click(*AddinControls(excelModel.GetCommandBars()).at(0));  // Send SMS
  send::frmSendSMS& d = object->Addin()->SendSMS();
  ChooseRows(d, "2", "4", "Dear #B#");
  com.transport.Answer("000");
  int disconnects = 0;
  // The user unticks the add-in in Excel's dialog while the send reads its rows.
  com.ui.duringPendingEvents = [&] {
    if (disconnects++ == 0) {
      EXPECT_EQ(object->OnDisconnection(DisconnectMode::UserClosed, nullptr), S_OK);
    }
    EXPECT_NE(object->Addin(), nullptr);
  };
  // Pressed as a renderer hands the user's press to the add-in.
  com.ui.Handle([&] { d.cmdSend.Press(); });
  com.ui.duringPendingEvents = nullptr;
  EXPECT_GT(disconnects, 0);
  EXPECT_EQ(com.ui.Prompts().back(), "3 SMS Messages Sent");
  EXPECT_EQ(com.transport.Requests().size(), 2u);
  ASSERT_NE(object->Addin(), nullptr);
  // Then, from Excel's own message loop, the disconnect is done.
  MSG message;
  for (int i = 0; i < 200 && object->Addin(); ++i) {
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&message);
    Sleep(10);
  }
  EXPECT_EQ(object->Addin(), nullptr);
  EXPECT_EQ(excel.Held(), std::vector<std::string>{});
  EXPECT_EQ(excel.AdvisedSinks(), 0u);
}

TEST_F(ConnectComTest, ASecondConnectGivesOneWorkingToolbarAndOnePopup) {
  ConnectBoth();
  object->OnDisconnection(DisconnectMode::UserClosed, nullptr);
  // The temporary toolbar and menu stay with Excel until it closes; connecting again finds them.
  EXPECT_EQ(object->OnConnection(excel.Application(), ConnectMode::AfterStartup, nullptr, nullptr),
            S_OK);
  EXPECT_TRUE(com.ui.Boxes().empty());
  EXPECT_EQ(Describe(excelModel.GetCommandBars()), Describe(memory.GetCommandBars()));
  EXPECT_EQ(excel.AdvisedSinks(), AddinControls(excelModel.GetCommandBars()).size());
  ClickBoth(6);
  ExpectSameTranscript();
  EXPECT_FALSE(com.ui.FormsShown().empty());
}

TEST_F(ConnectComTest, ConnectingTwiceWithoutADisconnectStartsClean) {
  ConnectBoth();
  object->OnConnection(excel.Application(), ConnectMode::AfterStartup, nullptr, nullptr);
  EXPECT_EQ(Describe(excelModel.GetCommandBars()), Describe(memory.GetCommandBars()));
  EXPECT_EQ(excel.AdvisedSinks(), AddinControls(excelModel.GetCommandBars()).size());
}

TEST_F(ConnectComTest, ExcelsOwnFailureIsShownInTheCommandsBox) {
  ConnectBoth();
  OpenSessions();
  excel.Click(*AddinControls(excelModel.GetCommandBars()).at(0));  // Send SMS
  send::frmSendSMS& d = object->Addin()->SendSMS();
  ChooseRows(d, "2", "3", "Dear #B#");
  excel.FailEverything("Excel is busy with an edit.");
  d.cmdSend.Press();
  EXPECT_TRUE(com.transport.Requests().size() <= 1u);  // at most the templates' list
  ASSERT_FALSE(com.ui.Boxes().empty());
  EXPECT_NE(com.ui.Boxes().back().prompt.find("Excel is busy with an edit."), std::string::npos)
      << com.ui.Boxes().back().prompt;
  EXPECT_EQ(object->OnDisconnection(DisconnectMode::HostShutdown, nullptr), S_OK);
  EXPECT_EQ(excel.Held(), std::vector<std::string>{});
}

TEST_F(ConnectComTest, WithoutAWorkbookTheWorkbookCommandsSayTheirMessage) {
  ConnectBoth();
  OpenSessions();
  excelModel.CloseActiveWorkbook();
  memory.CloseActiveWorkbook();
  ClickBoth(0);
  ClickBoth(1);
  ExpectSameTranscript();
  EXPECT_EQ(com.ui.Boxes().size(), 2u);
}

TEST_F(ConnectComTest, AConnectThatFailsReachesExcelAsSuccess) {
  excel.FailEverything("Automation error");
  EXPECT_EQ(object->OnConnection(excel.Application(), ConnectMode::Startup, nullptr, nullptr),
            S_OK);
  EXPECT_EQ(object->OnStartupComplete(nullptr), S_OK);
  EXPECT_EQ(object->OnDisconnection(DisconnectMode::HostShutdown, nullptr), S_OK);
  EXPECT_EQ(excel.Held(), std::vector<std::string>{});
}

TEST_F(ConnectComTest, LateBoundCallersReachTheSameMembers) {
  IDispatch* dispatch = static_cast<excel::IDTExtensibility2*>(object.Get());
  const struct {
    const wchar_t* name;
    DISPID id;
  } names[] = {{L"OnConnection", 1},
               {L"ONDISCONNECTION", 2},
               {L"OnStartupComplete", 4},
               {L"Nothing", DISPID_UNKNOWN}};
  for (const auto& n : names) {
    DISPID id = 0;
    LPOLESTR name = const_cast<LPOLESTR>(n.name);
    dispatch->GetIDsOfNames(IID_NULL, &name, 1, 0, &id);
    EXPECT_EQ(id, n.id);
  }
  VARIANT args[4];
  for (VARIANT& a : args) VariantInit(&a);
  args[3].vt = VT_DISPATCH;  // Application; arguments go right to left
  args[3].pdispVal = excel.Application();
  args[2].vt = VT_I4;
  args[2].lVal = 0;
  args[1].vt = VT_DISPATCH;
  args[1].pdispVal = nullptr;
  args[0].vt = VT_ERROR;
  args[0].scode = DISP_E_PARAMNOTFOUND;
  DISPPARAMS params{args, nullptr, 4, 0};
  EXPECT_EQ(dispatch->Invoke(1, IID_NULL, 0, DISPATCH_METHOD, &params, nullptr, nullptr, nullptr),
            S_OK);
  EXPECT_NE(object->Addin(), nullptr);
  DISPPARAMS tooFew{args, nullptr, 3, 0};
  EXPECT_EQ(dispatch->Invoke(1, IID_NULL, 0, DISPATCH_METHOD, &tooFew, nullptr, nullptr, nullptr),
            DISP_E_BADPARAMCOUNT);
  EXPECT_EQ(dispatch->Invoke(9, IID_NULL, 0, DISPATCH_METHOD, &params, nullptr, nullptr, nullptr),
            DISP_E_MEMBERNOTFOUND);
}

// Excel 2007 and later show the add-in's tab: each button runs what its menu entry runs on the
// in-memory host, is enabled as that entry is and shows the toolbar's face; the tab is redrawn
// when the session's entries change, and nothing of the office's is held after the disconnect.
TEST_F(ConnectComTest, TheRibbonsTabRunsWhatTheMenuRuns) {
  ConnectBoth();
  FakeRibbon ribbon(static_cast<excel::IDTExtensibility2*>(object.Get()));
  EXPECT_EQ(ribbon.Xml(), addin::Connect::RibbonXml());
  const std::vector<FakeRibbon::Button> buttons = ribbon.Buttons();
  ASSERT_EQ(buttons.size(), 10u);
  EXPECT_EQ(ribbon.UiHeld(), 1u);
  const auto enabled = [&] {
    std::string out;
    for (const auto& b : buttons) out += ribbon.Enabled(b) ? '1' : '0';
    return out;
  };
  EXPECT_EQ(enabled(), "1111111110");
  int faces = 0;
  for (const auto& b : buttons) {
    if (b.getImage.empty()) continue;
    const SIZE size = ribbon.Image(b);
    EXPECT_EQ(size.cx, 16) << b.label;
    EXPECT_EQ(size.cy, 16) << b.label;
    ++faces;
  }
  EXPECT_EQ(faces, 7);

  for (AddinFakes* fakes : {&com, &mem}) {
    ScriptLogin(fakes->ui, "alice", "s3cret");
    fakes->transport.Answer("000");
  }
  EXPECT_EQ(buttons[0].label, "Login");
  EXPECT_EQ(ribbon.Click(buttons[0]), S_OK);
  ChooseFromAddinMenu(memory, "Login");
  ASSERT_TRUE(object->Addin()->Globals().IsLoggedIn);
  EXPECT_EQ(ribbon.invalidations, 1);
  EXPECT_EQ(enabled(), "0111111111");
  EXPECT_EQ(ribbon.Click(buttons[0]), S_FALSE) << "a disabled button cannot be clicked";
  int beforeLogout = 0;
  for (std::size_t i = 1; i < buttons.size(); ++i) {
    beforeLogout = ribbon.invalidations;
    EXPECT_EQ(ribbon.Click(buttons[i]), S_OK) << buttons[i].label;
    ChooseFromAddinMenu(memory, buttons[i].label);
    ExpectSameTranscript();
  }
  EXPECT_EQ(com.ui.Prompts().back(), "Logged out successfully");
  EXPECT_EQ(ribbon.invalidations, beforeLogout + 1);
  EXPECT_EQ(enabled(), "1111111110");

  EXPECT_EQ(object->OnDisconnection(DisconnectMode::UserClosed, nullptr), S_OK);
  EXPECT_EQ(ribbon.UiHeld(), 0u);
  EXPECT_EQ(excel.Held(), std::vector<std::string>{});
  // A tab the office still shows after the disconnect runs nothing.
  const std::size_t boxes = com.ui.Prompts().size();
  EXPECT_EQ(enabled(), "0000000000");
  FakeObject control;
  control.Define("Id", [](const Received&) { return excel::ComVariant::FromText("x"); });
  EXPECT_EQ(ribbon.Call(buttons[3].onAction, control, nullptr), S_OK);
  EXPECT_EQ(com.ui.Prompts().size(), boxes);
}

// getEnabled answered in the result, as an office calling by IDispatch expects, or in a slot
// passed by reference after the control (the vtable's retval).
TEST_F(ConnectComTest, TheRibbonsAnswerGoesToTheResultOrToTheSlotGiven) {
  ConnectBoth();
  IDispatch* dispatch = static_cast<excel::IDTExtensibility2*>(object.Get());
  LPOLESTR name = const_cast<LPOLESTR>(L"Ribbon_GetEnabled");
  DISPID id = DISPID_UNKNOWN;
  ASSERT_EQ(dispatch->GetIDsOfNames(IID_NULL, &name, 1, 0, &id), S_OK);
  FakeObject control;
  control.Define(
      "Id", [](const Received&) { return excel::ComVariant::FromText("Quorvalent.Login.ribbon"); });
  const auto call = [&](std::vector<VARIANT> args, VARIANT* result) {
    DISPPARAMS params{args.data(), nullptr, static_cast<UINT>(args.size()), 0};
    return dispatch->Invoke(id, IID_NULL, 0, DISPATCH_METHOD, &params, result, nullptr, nullptr);
  };
  VARIANT controlArg;
  controlArg.vt = VT_DISPATCH;
  controlArg.pdispVal = &control;
  excel::ComVariant result;
  EXPECT_EQ(call({controlArg}, result.Receive()), S_OK);
  EXPECT_EQ(result.Get().vt, VT_BOOL);
  EXPECT_EQ(result.Get().boolVal, VARIANT_TRUE);
  VARIANT_BOOL flag = VARIANT_FALSE;
  VARIANT byBool;
  byBool.vt = VT_BYREF | VT_BOOL;
  byBool.pboolVal = &flag;
  EXPECT_EQ(call({byBool, controlArg}, nullptr), S_OK);  // right to left: the slot is last
  EXPECT_EQ(flag, VARIANT_TRUE);
  excel::ComVariant slot;
  VARIANT byVariant;
  byVariant.vt = VT_BYREF | VT_VARIANT;
  byVariant.pvarVal = slot.Receive();
  EXPECT_EQ(call({byVariant, controlArg}, nullptr), S_OK);
  EXPECT_EQ(slot.Get().vt, VT_BOOL);
  long wrong = 0;
  VARIANT byLong;
  byLong.vt = VT_BYREF | VT_I4;
  byLong.plVal = &wrong;
  EXPECT_EQ(call({byLong, controlArg}, nullptr), DISP_E_TYPEMISMATCH);
  EXPECT_EQ(call({byBool, byBool, controlArg}, nullptr), DISP_E_BADPARAMCOUNT);
  EXPECT_EQ(call({}, nullptr), DISP_E_BADPARAMCOUNT);
}

TEST_F(ConnectComTest, OnlyTheWorkbooksRibbonGetsTheTab) {
  excel::IRibbonExtensibility* ribbon = object.Get();
  BSTR xml = reinterpret_cast<BSTR>(1);
  EXPECT_EQ(ribbon->GetCustomUI(excel::Bstr("Microsoft.Excel.Workbook").Get(), &xml), S_OK);
  EXPECT_EQ(excel::ToUtf8(xml), addin::Connect::RibbonXml());
  SysFreeString(xml);
  for (const char* other : {"Microsoft.Word.Document", ""}) {
    xml = reinterpret_cast<BSTR>(1);
    EXPECT_EQ(ribbon->GetCustomUI(excel::Bstr(other).Get(), &xml), S_OK);
    EXPECT_EQ(xml, nullptr) << other;
  }
  EXPECT_EQ(ribbon->GetCustomUI(nullptr, nullptr), E_POINTER);
}

TEST_F(ConnectComTest, AnswersForItsInterfacesOnly) {
  const IID wanted[] = {IID_IUnknown, IID_IDispatch, excel::kIDTExtensibility2,
                        excel::ConnectInterfaceId()};
  for (const IID& iid : wanted) {
    void* out = nullptr;
    ASSERT_EQ(object->QueryInterface(iid, &out), S_OK);
    EXPECT_EQ(out, static_cast<excel::IDTExtensibility2*>(object.Get()));
    static_cast<IUnknown*>(out)->Release();
  }
  // The ribbon's interface is a second vtable of the same object.
  void* ribbon = nullptr;
  ASSERT_EQ(object->QueryInterface(excel::kIRibbonExtensibility, &ribbon), S_OK);
  EXPECT_EQ(ribbon, static_cast<excel::IRibbonExtensibility*>(object.Get()));
  void* identity = nullptr;
  ASSERT_EQ(static_cast<IUnknown*>(ribbon)->QueryInterface(IID_IUnknown, &identity), S_OK);
  EXPECT_EQ(identity, static_cast<excel::IDTExtensibility2*>(object.Get()));
  static_cast<IUnknown*>(identity)->Release();
  static_cast<IUnknown*>(ribbon)->Release();
  void* out = reinterpret_cast<void*>(1);
  EXPECT_EQ(object->QueryInterface(IID_IClassFactory, &out), E_NOINTERFACE);
  EXPECT_EQ(out, nullptr);
}

}  // namespace
}  // namespace qv::testing
