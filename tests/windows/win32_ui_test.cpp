// The forms as real windows, driven the way a user drives them: typed into, chosen from, ticked,
// pressed, their boxes read and answered. These tests prove the mapping between the windows and
// the forms' controls; what the dialogs do with it is tested on the scripted Ui.
#include <windows.h>

#include <commctrl.h>
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <mutex>
#include <set>
#include <thread>

#include "addin/connect.h"
#include "excel_host/excel_application.h"
#include "fake_excel.h"
#include "fill/frm_client_mno_map.h"
#include "forms/frm_display.h"
#include "host/memory_application.h"
#include "png_file.h"
#include "send/frm_preview_sms.h"
#include "send/frm_send_check.h"
#include "send/send_check.h"
#include "service/protocol.h"
#include "service/wininet_transport_win32.h"
#include "support/addin_fakes.h"
#include "support/layout_check.h"
#include "support/property_changes.h"
#include "win32_ui/win32_ui.h"
#include "window_driver.h"

namespace qv::testing {
namespace {

using excel::FormWindow;

// The recording transport, slow enough that the wait form can be seen while a request is out.
class SlowTransport : public service::Transport {
 public:
  explicit SlowTransport(service::RecordingTransport& inner) : inner_(inner) {}
  std::string Post(const service::Endpoint& to, const std::string& path, const std::string& body,
                   const service::ProxySettings& proxy) override {
    std::this_thread::sleep_for(std::chrono::milliseconds(400));
    return inner_.Post(to, path, body, proxy);
  }
  std::string Get(const std::string& url) override { return inner_.Get(url); }

 private:
  service::RecordingTransport& inner_;
};

// Shows the login dialog and, as a user, types the name and password into its window and presses
// Login; the text of the box that answers.
std::string LogIn(session::frmLogin& login, const std::string& user, const std::string& password) {
  std::string said;
  std::thread person([&] {
    HWND window = WaitForWindow(L"QuorvalentForm", "Quorvalent");
    if (!window) return;
    Type(GetDlgItem(window, FormWindow::ControlId(login, login.txtUserName)), user);
    Type(GetDlgItem(window, FormWindow::ControlId(login, login.txtPasswd)), password);
    Press(GetDlgItem(window, FormWindow::ControlId(login, login.cmdLogin)));
    said = AnswerBox(IDOK);
  });
  login.Show(ui::Modality::Modal);
  person.join();
  return said;
}

class Win32UiTest : public ::testing::Test {
 protected:
  void SetUp() override { app.AddWorkbook("Book1", {"Sheet1", "Sheet2"}); }
  // The window of a control of a shown form.
  HWND Window(const ui::Form& form, const ui::Control& control) {
    return GetDlgItem(ui.WindowOf(form), FormWindow::ControlId(form, control));
  }
  int Pixels(HWND window, int twips) {
    HDC dc = GetDC(window);
    const int dpi = GetDeviceCaps(dc, LOGPIXELSY);
    ReleaseDC(window, dc);
    return MulDiv(twips, dpi, 1440);
  }
  // The Send SMS dialog in a session, shown, with "Dear #B#" typed for rows 2 to 4 of numbers
  // and client names (row 3's name given).
  send::frmSendSMS& ShowSendOfThreeRows(const std::string& row3) {
    host::MemorySheet& sheet = *app.ActiveSheet();
    for (int r = 2; r <= 4; ++r) {
      sheet.SetValueAt("A" + std::to_string(r), 919800000000.0 + r);
      sheet.SetValueAt("B" + std::to_string(r), r == 3 ? row3 : "Client " + std::to_string(r));
    }
    connect.Globals().SessionUserName = "alice";
    connect.Globals().SessionPassword = "abc";
    connect.Globals().IsLoggedIn = true;
    fakes.transport.Answer("");  // no templates
    send::frmSendSMS& d = connect.SendSMS();
    d.Show(ui::Modality::Modeless);
    d.ExcelObj(app);
    SetText(Window(d, d.txtMsg), "Dear #B#");
    SetText(Window(d, d.txtStartRow), "2");
    SetText(Window(d, d.txtEndRow), "4");
    return d;
  }
  static int HeightOf(HWND window) {
    RECT r{};
    GetWindowRect(window, &r);
    return r.bottom - r.top;
  }

  excel::Win32Ui ui{HWND{}};
  AddinFakes fakes;
  SlowTransport transport{fakes.transport};
  host::MemoryApplication app;
  addin::Connect connect{
      {ui, transport, fakes.settings, fakes.clock, fakes.random, fakes.shell, ""}};
};

TEST_F(Win32UiTest, ALoginTypedIntoTheWindowReachesTheService) {
  session::frmLogin& login = connect.Login();
  fakes.transport.Answer("000");
  EXPECT_EQ(LogIn(login, "alice", "s3cret"), "Logged in successfully");
  EXPECT_TRUE(connect.Globals().IsLoggedIn);
  ASSERT_EQ(fakes.transport.Requests().size(), 1u);
  EXPECT_EQ(fakes.transport.Last().body.rfind("user=alice&passwd=", 0), 0u)
      << fakes.transport.Last().body;
  EXPECT_EQ(ui.WindowOf(login), nullptr);
}

// With the real gateway (run through against_gateway.sh): typed into the window, sent by WinINet.
TEST(Win32UiAgainstGateway, ALoginTypedIntoTheWindowOpensASession) {
  const char* gateway = std::getenv("QV_GATEWAY");
  if (!gateway) GTEST_SKIP() << "run through against_gateway.sh";
  excel::Win32Ui ui{HWND{}};
  AddinFakes fakes;
  service::WinInetTransport transport;
  addin::Connect connect{
      {ui, transport, fakes.settings, fakes.clock, fakes.random, fakes.shell, gateway}};
  host::MemoryApplication app;
  connect.AddinInstance_OnConnection(app);  // which takes the service's address
  session::frmLogin& login = connect.Login();
  EXPECT_EQ(LogIn(login, "alice", "s3cret"), "Logged in successfully");
  EXPECT_TRUE(connect.Globals().IsLoggedIn);
  EXPECT_EQ(connect.Globals().SessionUserName, "alice");
}

TEST_F(Win32UiTest, TheProxyDialogsChecksMoveTheFocusToTheFieldToMend) {
  service::frmProxySettings& proxy = connect.ProxySettings();
  proxy.Show(ui::Modality::Modeless);
  HWND window = ui.WindowOf(proxy);
  HWND host = Window(proxy, proxy.txtHostName);
  HWND port = Window(proxy, proxy.txtPort);
  HWND ok = Window(proxy, proxy.cmdOk);
  EXPECT_FALSE(IsWindowEnabled(host));
  ChooseNow(window, Window(proxy, proxy.cboProxyType), 2);
  EXPECT_EQ(proxy.cboProxyType.ListIndex(), 2);
  EXPECT_TRUE(IsWindowEnabled(host));
  std::vector<std::string> boxes;
  {
    BoxAnswerer answerer(boxes);
    SendMessageW(ok, BM_CLICK, 0, 0);
    EXPECT_EQ(GetFocus(), host);
    Type(host, "proxy.example.com");
    SendMessageW(ok, BM_CLICK, 0, 0);
    EXPECT_EQ(GetFocus(), port);
    // The port box takes four characters, as a user typing finds.
    Type(port, "80801");
    EXPECT_EQ(ControlText(port), "8080");
    SendMessageW(ok, BM_CLICK, 0, 0);
  }
  EXPECT_EQ(boxes, (std::vector<std::string>{"Invalid Proxy Name/Address", "Invalid Proxy Port"}));
  EXPECT_FALSE(IsWindow(window));
  EXPECT_EQ(connect.Globals().Proxy.ProxyName, "proxy.example.com");
  EXPECT_EQ(connect.Globals().Proxy.ProxyPort, 8080);
}

// Escape closes a modeless form, as the dialog manager reports it and as a key that reaches it
// through Excel's own loop, which knows nothing of dialogs.
TEST_F(Win32UiTest, EscapeClosesAModelessFormEvenThroughExcelsOwnMessageLoop) {
  for (const bool throughExcelsLoop : {false, true}) {
    service::frmProxySettings& proxy = connect.ProxySettings();
    proxy.Show(ui::Modality::Modeless);
    HWND window = ui.WindowOf(proxy);
    if (!throughExcelsLoop) {
      SendMessageW(window, WM_COMMAND, IDCANCEL, 0);
    } else {
      HWND type = Window(proxy, proxy.cboProxyType);
      SetFocus(type);
      PostMessageW(type, WM_KEYDOWN, VK_ESCAPE, 0);
      MSG message;
      for (int i = 0; i < 50 && IsWindow(window); ++i) {
        while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
          TranslateMessage(&message);
          DispatchMessageW(&message);
        }
        Sleep(10);
      }
    }
    EXPECT_FALSE(proxy.IsVisible()) << throughExcelsLoop;
    EXPECT_FALSE(IsWindow(window)) << throughExcelsLoop;
  }
}

TEST_F(Win32UiTest, TheSendDialogGrowsForTheSchedulerAndInsertsAPlaceholderAtTheCaret) {
  send::frmSendSMS& d = connect.SendSMS();
  d.Show(ui::Modality::Modeless);
  d.ExcelObj(app);
  HWND window = ui.WindowOf(d);
  ASSERT_NE(window, nullptr);
  EXPECT_EQ(HeightOf(window), Pixels(window, 4260));
  HWND scheduler = Window(d, d.chkSetScheduler);
  SendMessageW(scheduler, BM_CLICK, 0, 0);
  EXPECT_TRUE(d.chkSetScheduler.Value());
  EXPECT_EQ(HeightOf(window), Pixels(window, 5830));
  EXPECT_TRUE(IsWindowVisible(Window(d, d.frame_Scheduler_Details)));
  EXPECT_TRUE(IsWindowVisible(Window(d, d.combo_Times)));
  SendMessageW(scheduler, BM_CLICK, 0, 0);
  EXPECT_EQ(HeightOf(window), Pixels(window, 4260));
  EXPECT_FALSE(IsWindowVisible(Window(d, d.frame_Scheduler_Details)));

  HWND message = Window(d, d.txtMsg);
  SetText(message, "Dear \xC3\xA9 thanks");
  SendMessageW(message, EM_SETSEL, 7, 7);  // after "Dear é "
  ChooseNow(window, Window(d, d.lstExcelCells), 1);
  SendMessageW(Window(d, d.cmdAddCellToSMS), BM_CLICK, 0, 0);
  EXPECT_EQ(ControlText(message), "Dear \xC3\xA9 #B#thanks");
  DWORD start = 0, end = 0;
  SendMessageW(message, EM_GETSEL, reinterpret_cast<WPARAM>(&start),
               reinterpret_cast<LPARAM>(&end));
  EXPECT_EQ(start, 10u);
  EXPECT_EQ(end, 10u);
  d.Unload();
  EXPECT_FALSE(IsWindow(window));
}

TEST_F(Win32UiTest, ASendTypedIntoTheDialogPreviewsShowsTheWaitFormAndReportsTheResult) {
  // Row 3's message runs past one SMS: the send asks first.
  send::frmSendSMS& d = ShowSendOfThreeRows(std::string(160, 'x'));
  SendMessageW(Window(d, d.ChkPreview), BM_CLICK, 0, 0);
  ASSERT_TRUE(d.ChkPreview.Value());
  fakes.transport.AnswerAlways(service::path::kBalance, "<QUORVALENT>100</QUORVALENT>");
  fakes.transport.Answer("000");

  std::atomic<bool> waitFormSeen{false};
  std::atomic<bool> done{false};
  std::mutex seenLock;
  std::set<std::string> waitTexts;
  std::thread watcher([&] {
    while (!done) {
      if (HWND w = FindWindowW(L"QuorvalentForm", L"Quorvalent"); w && IsWindowVisible(w)) {
        waitFormSeen = true;
        const std::string text = TextOf(FindWindowExW(w, nullptr, L"Static", nullptr));
        const std::lock_guard<std::mutex> lock(seenLock);
        if (!text.empty()) waitTexts.insert(text);
      }
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
  });
  std::string asked, previewed, result;
  std::thread user([&] {
    asked = AnswerBox(IDOK);
    HWND preview = WaitForWindow(L"QuorvalentForm", "Preview And Send SMS");
    ASSERT_NE(preview, nullptr);
    previewed = ControlText(FindWindowExW(preview, nullptr, L"Edit", nullptr));
    // "Send SMS" is the third button of the preview.
    HWND button = nullptr;
    for (int i = 0; i < 3; ++i) button = FindWindowExW(preview, button, L"Button", nullptr);
    Press(button);
    result = AnswerBox(IDOK);
  });
  SendMessageW(Window(d, d.cmdSend), BM_CLICK, 0, 0);
  user.join();
  done = true;
  watcher.join();
  EXPECT_EQ(asked.rfind("SMS message contains more than 160 characters for the row(3).", 0), 0u)
      << asked;
  EXPECT_EQ(previewed, "919800000002");
  EXPECT_EQ(result, "3 SMS Messages Sent");
  EXPECT_TRUE(waitFormSeen);
  // What the wait form says while the request is out.
  EXPECT_TRUE(waitTexts.count("Please wait - Sending SMS...")) << waitTexts.size();
  EXPECT_EQ(FindWindowW(L"QuorvalentForm", L"Quorvalent"), nullptr);
  // The templates at opening, the balance for the preview and the send.
  ASSERT_EQ(fakes.transport.Requests().size(), 3u);
  EXPECT_NE(
      fakes.transport.Last().body.find("mobilenumber=919800000002%2C919800000003%2C919800000004"),
      std::string::npos)
      << fakes.transport.Last().body;
  d.Unload();
}

// A number in two rows: the check's window lists it, and its "Send Each Number Once" button,
// pressed as a user presses it, leaves the later row out of the request.
TEST_F(Win32UiTest, TheSendChecksWindowListsADuplicateAndSendsEachNumberOnce) {
  send::frmSendSMS& d = ShowSendOfThreeRows("Client 3");
  app.ActiveSheet()->SetValueAt("A4", 919800000002.0);
  fakes.transport.Answer("000");
  std::vector<std::string> listed;
  std::string result;
  std::thread user([&] {
    HWND check = WaitForWindow(L"QuorvalentForm", "Check Before Sending");
    ASSERT_NE(check, nullptr);
    HWND list = FindWindowExW(check, nullptr, L"ListBox", nullptr);
    const auto count = SendMessageW(list, LB_GETCOUNT, 0, 0);
    for (LRESULT i = 0; i < count; ++i) {
      wchar_t item[512] = {};
      SendMessageW(list, LB_GETTEXT, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(item));
      listed.push_back(FromUtf16(item));
    }
    Press(FindWindowExW(check, nullptr, L"Button", L"Send Each Number Once"));
    result = AnswerBox(IDOK);
  });
  SendMessageW(Window(d, d.cmdSend), BM_CLICK, 0, 0);
  user.join();
  EXPECT_EQ(listed, (std::vector<std::string>{"1 number stands in more than one row:",
                                              "  919800000002 in rows 2, 4"}));
  EXPECT_EQ(result, "2 SMS Messages Sent");
  EXPECT_EQ(FindWindowW(L"QuorvalentForm", L"Check Before Sending"), nullptr);
  EXPECT_NE(fakes.transport.Last().body.find("mobilenumber=919800000002%2C919800000003&"),
            std::string::npos)
      << fakes.transport.Last().body;
  d.Unload();
}

// Runs the thread's messages for a while, as Excel's own loop would.
void PumpFor(std::chrono::milliseconds time) {
  const auto end = std::chrono::steady_clock::now() + time;
  MSG message;
  while (std::chrono::steady_clock::now() < end) {
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
      TranslateMessage(&message);
      DispatchMessageW(&message);
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
}

TEST_F(Win32UiTest, ASecondPressOfSubmitWhileTheRowsAreReadSendsNothingMore) {
  send::frmSendSMS& d = ShowSendOfThreeRows("Client 3");
  fakes.transport.Answer("000");
  fakes.transport.Answer("000");
  std::vector<std::string> boxes;
  {
    BoxAnswerer answerer(boxes);
    // The second press waits in the queue; the send's row loop lets it in.
    PostMessageW(Window(d, d.cmdSend), BM_CLICK, 0, 0);
    SendMessageW(Window(d, d.cmdSend), BM_CLICK, 0, 0);
    PumpFor(std::chrono::milliseconds(1500));
  }
  EXPECT_EQ(boxes, std::vector<std::string>{"3 SMS Messages Sent"});
  EXPECT_EQ(fakes.transport.Requests().size(), 2u);  // the templates, then one send
  EXPECT_NE(ui.WindowOf(d), nullptr);
  d.Unload();
}

// A Ui whose open-file dialog picks a file at once.
class PickingUi : public excel::Win32Ui {
 public:
  explicit PickingUi(std::string path) : Win32Ui(HWND{}), path_(std::move(path)) {}
  std::optional<std::string> OpenFileDialog(const std::string&, const std::string&) override {
    return path_;
  }

 private:
  std::string path_;
};

TEST_F(Win32UiTest, TheFillDialogsCloseBoxDuringItsReadingClosesItAfterTheFill) {
  auto source =
      std::make_shared<host::MemoryWorkbook>("Numbers.xlsx", std::vector<std::string>{"Clients"});
  host::MemorySheet& numbers = source->SheetAt(1);
  host::MemorySheet& dest = *app.ActiveSheet();
  for (int r = 1; r <= 40; ++r) {
    numbers.SetValueAt("A" + std::to_string(r), "C" + std::to_string(r));
    numbers.SetValueAt("B" + std::to_string(r), 919800000000.0 + r);
    dest.SetValueAt("A" + std::to_string(r), "C" + std::to_string(41 - r));
  }
  app.AddFile("C:\\data\\Numbers.xlsx", source);
  PickingUi picking("C:\\data\\Numbers.xlsx");
  addin::Connect other{
      {picking, transport, fakes.settings, fakes.clock, fakes.random, fakes.shell, ""}};
  fill::frmClient_MNO_Map& d = other.ClientMnoMap();
  d.ExcelObj(app);
  d.Show(ui::Modality::Modeless);
  HWND window = picking.WindowOf(d);
  ASSERT_NE(window, nullptr);
  const auto control = [&](const ui::Control& c) {
    return GetDlgItem(window, FormWindow::ControlId(d, c));
  };
  SendMessageW(control(d.cmdBrowse), BM_CLICK, 0, 0);
  ASSERT_EQ(app.HiddenWorkbooksOpen(), 1);
  ChooseNow(window, control(d.cmbMNO), 1);
  ChooseNow(window, control(d.cmbFill_MNO), 2);
  std::vector<std::string> boxes;
  {
    BoxAnswerer answerer(boxes);
    // The user closes the dialog while it reads the source: the source stays open until the
    // fill is done.
    PostMessageW(window, WM_CLOSE, 0, 0);
    SendMessageW(control(d.cmdOk), BM_CLICK, 0, 0);
    PumpFor(std::chrono::milliseconds(300));
  }
  EXPECT_TRUE(boxes.empty()) << boxes.front();
  for (int r = 1; r <= 40; ++r)
    EXPECT_EQ(dest.TextAt("C" + std::to_string(r)), std::to_string(919800000000LL + 41 - r)) << r;
  EXPECT_EQ(picking.WindowOf(d), nullptr);
  EXPECT_EQ(app.HiddenWorkbooksOpen(), 0);
}

// The height of the font a control draws with.
int FontHeight(HWND control) {
  LOGFONTW font{};
  GetObjectW(reinterpret_cast<HFONT>(SendMessageW(control, WM_GETFONT, 0, 0)), sizeof font, &font);
  return font.lfHeight < 0 ? -font.lfHeight : font.lfHeight;
}

TEST_F(Win32UiTest, TheControlsAreCommonControlsSixAndTheFontFollowsTheDpi) {
  send::frmSendSMS& d = connect.SendSMS();
  d.Show(ui::Modality::Modeless);
  HWND button = Window(d, d.cmdSend);
  // Only the buttons of Common Controls 6 tell their ideal size.
  SIZE ideal{};
  EXPECT_TRUE(SendMessageW(button, BCM_GETIDEALSIZE, 0, reinterpret_cast<LPARAM>(&ideal)));
  EXPECT_GT(ideal.cx, 0);
  // Moved to a monitor of twice the DPI: the font is made again, twice the size.
  const int before = FontHeight(button);
  ASSERT_GT(before, 0);
  RECT at{};
  GetWindowRect(ui.WindowOf(d), &at);
  RECT twice{at.left, at.top, at.left + 2 * (at.right - at.left),
             at.top + 2 * (at.bottom - at.top)};
  HDC screen = GetDC(nullptr);
  const int dpi = GetDeviceCaps(screen, LOGPIXELSY);
  ReleaseDC(nullptr, screen);
  SendMessageW(ui.WindowOf(d), WM_DPICHANGED, MAKEWPARAM(2 * dpi, 2 * dpi),
               reinterpret_cast<LPARAM>(&twice));
  EXPECT_NEAR(FontHeight(button), 2 * before, 1);
  d.Unload();
}

// What a form's window shows of one property of the change, in the words of Wanted.
std::string Shows(HWND window, const ChangingForm& form, const PropertyChange& change) {
  if (const auto* aspect = std::get_if<FormAspect>(&change.shown)) {
    switch (*aspect) {
      case FormAspect::Caption:
        return TextOf(window);
      case FormAspect::Height: {
        RECT r{};
        GetWindowRect(window, &r);
        return std::to_string(r.bottom - r.top);
      }
      case FormAspect::Focus:
        for (const ui::Control* c : form.Controls()) {
          if (GetDlgItem(window, FormWindow::ControlId(form, *c)) == GetFocus()) return c->Name();
        }
        return "";
    }
  }
  const ui::Control& control = *form.FindControl(change.control);
  HWND hwnd = GetDlgItem(window, FormWindow::ControlId(form, control));
  const bool combo = control.Kind() == ui::ControlKind::ComboBox;
  const auto entries = [&](UINT count, UINT length, UINT text) {
    std::string out;
    const int n = static_cast<int>(SendMessageW(hwnd, count, 0, 0));
    for (int i = 0; i < n; ++i) {
      std::wstring entry(SendMessageW(hwnd, length, i, 0) + 1, L'\0');
      SendMessageW(hwnd, text, i, reinterpret_cast<LPARAM>(entry.data()));
      out += (i ? "|" : "") + FromUtf16(entry.c_str());
    }
    return out;
  };
  switch (std::get<ui::Property>(change.shown)) {
    case ui::Property::Caption:
    case ui::Property::Text:
      return ControlText(hwnd);
    case ui::Property::Items:
      return combo ? entries(CB_GETCOUNT, CB_GETLBTEXTLEN, CB_GETLBTEXT)
                   : entries(LB_GETCOUNT, LB_GETTEXTLEN, LB_GETTEXT);
    case ui::Property::ListIndex:
      return std::to_string(SendMessageW(hwnd, combo ? CB_GETCURSEL : LB_GETCURSEL, 0, 0));
    case ui::Property::Caret: {
      DWORD start = 0, end = 0;
      SendMessageW(hwnd, EM_GETSEL, reinterpret_cast<WPARAM>(&start),
                   reinterpret_cast<LPARAM>(&end));
      return std::to_string(start) + "," + std::to_string(end - start);
    }
    case ui::Property::MaxLength: {
      // No limit is the largest an edit control has.
      const auto limit = static_cast<unsigned long>(SendMessageW(hwnd, EM_GETLIMITTEXT, 0, 0));
      return limit >= 0x7FFFFFFEul ? "0" : std::to_string(limit);
    }
    case ui::Property::Checked:
      return SendMessageW(hwnd, BM_GETCHECK, 0, 0) == BST_CHECKED ? "1" : "0";
    case ui::Property::Rows: {
      std::string out;
      const int n = static_cast<int>(SendMessageW(hwnd, LVM_GETITEMCOUNT, 0, 0));
      for (int r = 0; r < n; ++r) {
        for (int k = 0; k < 2; ++k) {
          wchar_t cell[256] = {};
          LVITEMW item{};
          item.iSubItem = k;
          item.pszText = cell;
          item.cchTextMax = 256;
          SendMessageW(hwnd, LVM_GETITEMTEXTW, r, reinterpret_cast<LPARAM>(&item));
          out += (r && !k ? "|" : k ? "," : "") + FromUtf16(cell);
        }
      }
      return out;
    }
    case ui::Property::SelectedRow:
      return std::to_string(
          SendMessageW(hwnd, LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_SELECTED));
    case ui::Property::Picture: {
      HGDIOBJ bitmap = reinterpret_cast<HGDIOBJ>(SendMessageW(hwnd, STM_GETIMAGE, IMAGE_BITMAP, 0));
      BITMAP info{};
      if (!bitmap || !GetObjectW(bitmap, sizeof info, &info)) return "none";
      return std::to_string(info.bmWidth) + "x" + std::to_string(info.bmHeight);
    }
    case ui::Property::BackColor: {
      HDC dc = CreateCompatibleDC(nullptr);
      SendMessageW(window, WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(dc),
                   reinterpret_cast<LPARAM>(hwnd));
      const COLORREF back = GetBkColor(dc);
      DeleteDC(dc);
      if (back == GetSysColor(COLOR_BTNFACE)) return "default";
      char text[8];
      std::snprintf(text, sizeof text, "#%02X%02X%02X", GetRValue(back), GetGValue(back),
                    GetBValue(back));
      return text;
    }
    case ui::Property::FontSize: {
      // The change button keeps the dialog font.
      HWND plain = GetDlgItem(window, FormWindow::ControlId(form, form.cmdChange));
      const auto font = SendMessageW(hwnd, WM_GETFONT, 0, 0);
      if (font == SendMessageW(plain, WM_GETFONT, 0, 0)) return "default";
      LOGFONTW log{};
      GetObjectW(reinterpret_cast<HFONT>(font), sizeof log, &log);
      HDC screen = GetDC(nullptr);
      const int dpi = GetDeviceCaps(screen, LOGPIXELSY);
      ReleaseDC(nullptr, screen);
      return std::to_string(MulDiv(-log.lfHeight, 72, dpi));
    }
    case ui::Property::Place: {
      RECT r{};
      GetWindowRect(hwnd, &r);
      MapWindowPoints(nullptr, window, reinterpret_cast<POINT*>(&r), 2);
      return std::to_string(r.left) + "," + std::to_string(r.top) + "," +
             std::to_string(r.right - r.left) + "," + std::to_string(r.bottom - r.top);
    }
    case ui::Property::ToolTip: {
      // The tool tips of a form are a window it owns.
      HWND tips = nullptr;
      do {
        tips = FindWindowExW(nullptr, tips, TOOLTIPS_CLASSW, nullptr);
      } while (tips && GetWindow(tips, GW_OWNER) != window);
      wchar_t text[256] = {};
      TOOLINFOW info{};
      info.cbSize = sizeof info;
      info.hwnd = window;
      info.uId = reinterpret_cast<UINT_PTR>(hwnd);
      info.lpszText = text;
      SendMessageW(tips, TTM_GETTEXTW, 256, reinterpret_cast<LPARAM>(&info));
      return FromUtf16(text);
    }
    case ui::Property::Enabled:
      return IsWindowEnabled(hwnd) ? "1" : "0";
    case ui::Property::Visible:
      return GetWindowLongW(hwnd, GWL_STYLE) & WS_VISIBLE ? "1" : "0";
  }
  return {};
}

TEST_F(Win32UiTest, EveryPropertyAHandlerChangesReachesTheWindow) {
  const char* folder = std::getenv("QV_SCREENS");
  const auto caption = [] {
    const COLORREF c = GetSysColor(COLOR_CAPTIONTEXT);
    return static_cast<std::uint32_t>(GetRValue(c) << 16 | GetGValue(c) << 8 | GetBValue(c));
  }();
  for (const PropertyChange& change : PropertyChanges()) {
    SCOPED_TRACE(change.name);
    ChangingForm form(ui);
    form.Show(ui::Modality::Modeless);
    HWND window = ui.WindowOf(form);
    ASSERT_NE(window, nullptr);
    SetForegroundWindow(window);
    const auto pixels = [this, window](int twips) { return Pixels(window, twips); };
    const Platform platform{pixels, pixels, pixels,
                            [caption](ui::SystemColour) { return caption; }};
    const std::string before = Shows(window, form, change);
    EXPECT_EQ(before, Wanted(form, change, platform));
    form.change = change.make;
    SendMessageW(Window(form, form.cmdChange), BM_CLICK, 0, 0);
    EXPECT_EQ(Shows(window, form, change), Wanted(form, change, platform));
    EXPECT_NE(Shows(window, form, change), before) << "the change changed nothing";
    if (folder && change.name == "LabelYellow") {
      std::filesystem::create_directories(folder);
      UpdateWindow(window);
      EXPECT_TRUE(SaveWindowPicture(window, std::string(folder) + "/property-yellow.png"));
    }
    form.Unload();
  }
}

// A top-level window of Excel's: one a workbook, as Excel 2013 and later make them.
HWND WorkbookWindow(const wchar_t* caption) {
  return CreateWindowExW(0, L"STATIC", caption, WS_OVERLAPPEDWINDOW | WS_VISIBLE, 100, 100, 600,
                         400, nullptr, nullptr, nullptr, nullptr);
}

TEST(Win32UiWindows, FormsBelongToTheActiveWorkbooksWindowAndAModalOneHoldsThemAll) {
  HWND book1 = WorkbookWindow(L"Book1 - Excel");
  HWND book2 = WorkbookWindow(L"Book2 - Excel");
  host::MemoryApplication model;
  FakeExcel fake(model);
  fake.hwnd = static_cast<long>(reinterpret_cast<INT_PTR>(book1));
  excel::ExcelApplication excel(
      excel::Dispatch(excel::ComPtr<IDispatch>::Share(fake.Application())));
  excel::Win32Ui windows([&excel] { return excel.MainWindow(); });
  forms::frmDisplay wait(windows);
  const auto owner = [&] { return GetWindow(windows.WindowOf(wait), GW_OWNER); };

  wait.Show(ui::Modality::Modeless);
  EXPECT_EQ(owner(), book1);
  wait.Unload();
  // The user switched to the other workbook: Application.Hwnd is its window now.
  fake.hwnd = static_cast<long>(reinterpret_cast<INT_PTR>(book2));
  wait.Show(ui::Modality::Modeless);
  EXPECT_EQ(owner(), book2);
  // Closing that workbook takes its window and the form's with it; the form opens again.
  DestroyWindow(book2);
  EXPECT_FALSE(wait.IsVisible());
  EXPECT_EQ(windows.WindowOf(wait), nullptr);
  fake.hwnd = static_cast<long>(reinterpret_cast<INT_PTR>(book1));
  wait.Show(ui::Modality::Modeless);
  ASSERT_NE(windows.WindowOf(wait), nullptr);
  EXPECT_EQ(owner(), book1);
  EXPECT_TRUE(IsWindowVisible(windows.WindowOf(wait)));

  // A modal form holds every workbook's window and the add-in's other forms.
  HWND book3 = WorkbookWindow(L"Book3 - Excel");
  HWND waitWindow = windows.WindowOf(wait);
  std::atomic<int> enabledWhileModal{-1};
  std::thread person([&] {
    HWND input = WaitForWindow(L"QuorvalentForm", "Question");
    // The box's window shows a moment before its loop starts and the others are held.
    for (int i = 0; i < 250 && IsWindowEnabled(book1); ++i)
      std::this_thread::sleep_for(std::chrono::milliseconds(20));
    enabledWhileModal = (IsWindowEnabled(book1) ? 1 : 0) + (IsWindowEnabled(book3) ? 1 : 0) +
                        (IsWindowEnabled(waitWindow) ? 1 : 0);
    if (input) PostMessageW(input, WM_CLOSE, 0, 0);
  });
  EXPECT_EQ(windows.InputBox("Name?", "Question", ""), std::nullopt);
  person.join();
  EXPECT_EQ(enabledWhileModal, 0);
  EXPECT_TRUE(IsWindowEnabled(book1));
  EXPECT_TRUE(IsWindowEnabled(book3));
  EXPECT_TRUE(IsWindowEnabled(waitWindow));
  wait.Unload();
  DestroyWindow(book1);
  DestroyWindow(book3);
}

TEST_F(Win32UiTest, TheInputBoxGivesWhatWasTypedOrNothingWhenCancelled) {
  for (int button : {IDOK, IDCANCEL}) {
    std::thread user([button] {
      HWND window = WaitForWindow(L"QuorvalentForm", "Filter");
      ASSERT_NE(window, nullptr);
      HWND edit = FindWindowExW(window, nullptr, L"Edit", nullptr);
      SendMessageW(edit, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(L"#C# > 5"));
      PostMessageW(window, WM_COMMAND, button, 0);  // Enter or Escape
    });
    const auto answer = ui.InputBox("Enter the condition", "Filter", "#C# = 1");
    user.join();
    if (button == IDOK) {
      EXPECT_EQ(answer, std::optional<std::string>("#C# > 5"));
    } else {
      EXPECT_EQ(answer, std::nullopt);
    }
  }
}

// Rows given to a list view while its form is shown, outside a handler, reach the window once the
// form is shown again.
TEST_F(Win32UiTest, TheScheduledJobsShowInTheListView) {
  scheduler::frmScheduler& s = connect.Scheduler();
  fakes.transport.Answer("");
  s.Show(ui::Modality::Modeless);
  s.listScheduledData.Rows = {{"Reminder", "12", "12/24/2026 10:00:00 AM", "7"},
                              {"Offer", "3", "12/31/2026 9:30:00 AM", "8"}};
  s.listScheduledData.SelectRow(1);
  ui.ShowForm(s, ui::Modality::Modeless);  // brings the window in line
  HWND view = Window(s, s.listScheduledData);
  EXPECT_EQ(SendMessageW(view, LVM_GETITEMCOUNT, 0, 0), 2);
  EXPECT_EQ(SendMessageW(view, LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_SELECTED), 1);
  s.Unload();
}

// What a send check finds in a sheet of a few careless rows.
std::vector<std::string> SampleFindings() {
  send::SendCheck check({"B", "C"}, true);
  check.FixedText("Dear #B#, your order \xE2\x80\x99", "the template");
  const struct {
    std::int32_t row;
    const char* number;
    Variant mobile;
    const char* name;
  } rows[] = {{2, "919800000001", 919800000001.0, "Asha"},
              {3, "919800000002", 919800000002.0, "Bruno"},
              {4, "919800000001", 919800000001.0, "Chen"},
              {5, "12345", 12345.0, "Dana"},
              {6, "9198000000012345", 9198000000012345.0, "Eve"}};
  for (const auto& r : rows) {
    check.Cell(0, {2, r.row}, r.name);
    check.Cell(1, {3, r.row}, "");
    check.Message(
        r.row, r.number, r.mobile,
        "Dear " + std::string(r.name) + ", your order \xE2\x80\x99" + std::string(60, '.'));
  }
  return check.Lines();
}

// Every form drawn at its full size, saved where CI keeps it (QV_SCREENS), for a person to look
// at; its layout is checked at the same time.
TEST_F(Win32UiTest, EveryFormIsDrawnAndSaved) {
  const char* folder = std::getenv("QV_SCREENS");
  if (!folder) GTEST_SKIP() << "QV_SCREENS names no folder";
  std::filesystem::create_directories(folder);
  connect.Globals().PreviewMessages = {"", "Dear Asha, your order 5512 has shipped \xE2\x80\x99"};
  connect.Globals().PreviewNumbers = {"", "919800000001"};
  send::frmPreviewSMS preview(ui, connect.Globals(), "100");
  send::frmSendCheck check(ui, SampleFindings(), true);
  send::frmSendSMS& sendDialog = connect.SendSMS();
  std::vector<ui::Form*> forms{&connect.Login(),
                               &connect.ProxySettings(),
                               &sendDialog,
                               &connect.DR(),
                               &connect.Scheduler(),
                               &connect.ClientMnoMap(),
                               &connect.Display(),
                               &preview,
                               &check};
  std::vector<std::string> boxes;
  BoxAnswerer answerer(boxes);  // the dialogs that ask the service on opening get no answer
  for (ui::Form* form : forms) {
    form->Show(ui::Modality::Modeless);
    if (form == &connect.Display())
      connect.Display().Progress("Please wait - Selecting Columns...");
    if (form == &sendDialog) {
      sendDialog.chkSetScheduler.SetValue(true);
      sendDialog.chkAdvance.SetValue(true);
      ui.ShowForm(sendDialog, ui::Modality::Modeless);
    }
    HWND window = ui.WindowOf(*form);
    ASSERT_NE(window, nullptr) << form->Name();
    SetForegroundWindow(window);
    UpdateWindow(window);
    ui.DoEvents();
    EXPECT_TRUE(SaveWindowPicture(window, std::string(folder) + "/" + form->Name() + ".png"))
        << form->Name();
    EXPECT_EQ(LayoutProblems(*form), std::vector<std::string>{});
    form->Unload();
  }
}

}  // namespace
}  // namespace qv::testing
