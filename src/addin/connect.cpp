#include "addin/connect.h"

#include <cstdlib>
#include <iterator>
#include <map>

#include "host/sheet_form.h"
#include "service/protocol.h"
#include "values/convert.h"
#include "values/text.h"

namespace qv::addin {
namespace {

constexpr const char* kToolbarName = "Quorvalent";
constexpr const char* kMenuCaption = "&Quorvalent";
constexpr int kPositionTop = 1;
constexpr int kIconAndCaption = 3;
constexpr const char* kDefaultAddress = "127.0.0.1:8080";

service::Endpoint SplitAddress(std::string text) {
  text = Trim(text);
  service::Endpoint out;
  const std::string whole = text;
  if (const auto scheme = text.find("://"); scheme != std::string::npos) {
    const std::string name = ToLowerAscii(text.substr(0, scheme));
    if (name != "http" && name != "https") {
      throw AddinError(error::kInvalidArgument, "The service address \"" + whole +
                                                    "\" names a scheme other than http or https.");
    }
    out.https = name == "https";
    text.erase(0, scheme + 3);
    if (!text.empty() && text.back() == '/') text.pop_back();  // as a URL is often pasted
  }
  if (text.find_first_of("/?#@") != std::string::npos) {
    throw AddinError(error::kInvalidArgument,
                     "The service address \"" + whole + "\" has more than a host and a port.");
  }
  out.host = text;
  std::size_t colon = std::string::npos;
  if (!text.empty() && text.front() == '[') {
    const auto close = text.find(']');
    if (close != std::string::npos && close + 1 < text.size() && text[close + 1] == ':')
      colon = close + 1;
  } else if (text.find(':') == text.rfind(':')) {
    colon = text.find(':');
  }
  if (colon != std::string::npos) {
    const std::string port = text.substr(colon + 1);
    if (!IsNumericText(port) || port.find_first_not_of("0123456789") != std::string::npos) {
      throw AddinError(error::kInvalidArgument,
                       "The service address \"" + whole + "\" has no valid port after \":\".");
    }
    out.host = text.substr(0, colon);
    out.port = std::stoi(port);
    if (out.port < 1 || out.port > 65535) {
      throw AddinError(error::kInvalidArgument,
                       "The service address \"" + whole + "\" has a port outside 1 to 65535.");
    }
  }
  if (out.host.empty())
    throw AddinError(error::kInvalidArgument,
                     "The service address \"" + whole + "\" names no host.");
  return out;
}

}  // namespace

std::string ControlTag(std::string_view command, std::string_view place) {
  return "Quorvalent." + std::string(command) + "." + std::string(place);
}

std::optional<std::string> StoredServiceAddress(settings::Settings& store) {
  auto stored = store.Get(settings::kAppName, "Service", "Address");
  if (!stored || Trim(*stored).empty()) return std::nullopt;
  return Trim(*stored);
}

service::Endpoint FindServiceAddress(const std::string& given, settings::Settings& store) {
  if (!given.empty()) return SplitAddress(given);
  if (const auto stored = StoredServiceAddress(store)) return SplitAddress(*stored);
  return SplitAddress(kDefaultAddress);
}

struct Connect::Buttons {
  host::CommandBar* toolbar = nullptr;
  host::CommandBarControl* popup = nullptr;
  std::map<std::string, host::CommandBarControl*, std::less<>> menu;  // every entry, by command
};

Connect::Connect(Platform platform)
    : platform_(platform),
      http_(platform.transport, platform.clock, platform.random, globals_),
      buttons_(std::make_unique<Buttons>()) {}

Connect::~Connect() = default;

void Connect::AddinInstance_OnConnection(host::Application& Application) {
  try {
    const service::Endpoint address =
        FindServiceAddress(platform_.serverAddress, platform_.settings);
    globals_.ServerAddress = address.host;
    globals_.ServerPort = address.port;
    globals_.ServerHttps = address.https;
    service::GetProxySettings(platform_.settings, globals_.Proxy);
    globals_.BaseUrl = service::Origin(address);
    if (platform_.settings.GetSetting(settings::kAppName, "STARTUP", "MODES").empty()) {
      platform_.settings.Save(settings::kAppName, "STARTUP", "MODES", kDefaultModes);
    }
    application_ = &Application;
    host::CommandBars& bars = Application.GetCommandBars();
    BuildToolbar(bars);
    BuildMenu(bars);
  } catch (const std::exception& e) {
    platform_.ui.MsgBox(e.what(), ui::mb::OkOnly, ui::kDefaultTitle);
  }
}

// A toolbar button: the command of a menu entry, whose caption and handler it takes, and a face.
struct Connect::ToolbarEntry {
  const char* command;
  ui::PictureBox forms::frmAddIn::*face;
};

const Connect::ToolbarEntry Connect::kToolbar[] = {
    {"SendSMS", &forms::frmAddIn::picSendSMS},     {"DR", &forms::frmAddIn::picDeliverRep},
    {"GetBal", &forms::frmAddIn::picBuySMS},       {"ProxySettings", &forms::frmAddIn::picSettings},
    {"Demo", &forms::frmAddIn::picDemo},           {"UpdateMobile", &forms::frmAddIn::picFillMNO},
    {"Scheduler", &forms::frmAddIn::ImgScheduler},
};

struct Connect::MenuEntry {
  const char* caption;
  const char* command;
  // The group the entry stands in, on the menu (a new one begins after a separator) and as the
  // ribbon's group label.
  const char* group;
  bool enabled;  // at connect
  Handler handler;
  const char* imageMso;  // the office's own image for the ribbon, where the toolbar has no face
};

// The menu from top to bottom.
const Connect::MenuEntry Connect::kMenu[] = {
    {"Login", "Login", "Login", true, &Connect::mobjQuorvalentMenuBarButLogin_Click,
     "AdpPrimaryKey"},
    {"Send SMS", "SendSMS", "Messages", true, &Connect::mobjQuorvalentMenuBarButSendSMS_Click,
     nullptr},
    {"Delivery Report", "DR", "Messages", true, &Connect::mobjQuorvalentMenuBarButDR_Click,
     nullptr},
    {"Get Credits Balance", "GetBal", "Messages", true,
     &Connect::mobjQuorvalentMenuBarButGetBal_Click, nullptr},
    {"Get Mode Submissions", "GetModes", "Tools", true,
     &Connect::mobjQuorvalentMenuBarButGetModes_Click, "Refresh"},
    {"Scheduler", "Scheduler", "Tools", true, &Connect::mobjQuorvalentMenuBarButScheduler_Click,
     nullptr},
    {"Fill Mobile Numbers", "UpdateMobile", "Tools", true,
     &Connect::mobjQuorvalentMenuBarButUpdateMobile_Click, nullptr},
    {"Proxy Settings", "ProxySettings", "Tools", true,
     &Connect::mobjQuorvalentMenuBarButProxySettings_Click, nullptr},
    {"Interactive Demo", "Demo", "Demo", true, &Connect::mobjQuorvalentMenuBarButDemo_Click,
     nullptr},
    {"Logout", "Logout", "Logout", false, &Connect::mobjQuorvalentMenuBarButLogout_Click,
     "PrintPreviewClose"},
};

void Connect::BuildToolbar(host::CommandBars& bars) {
  // A toolbar left from an earlier connect in this run is replaced.
  if (host::CommandBar* old = bars.Find(kToolbarName)) old->Delete();
  host::CommandBar& bar = bars.Add(kToolbarName, kPositionTop, true);
  buttons_->toolbar = &bar;

  std::vector<host::CommandBarControl*> made;
  for (int i = 0; i < 7; ++i) {
    host::CommandBarControl& button = bar.Controls().Add(host::ControlType::Button, i + 1, true);
    button.SetTag(ControlTag(kToolbar[i].command, "toolbar"));
    Route(button, MenuEntryOf(kToolbar[i].command)->handler);
    made.push_back(&button);
  }
  bar.SetVisible(true);
  forms::frmAddIn& faces = AddIn();
  faces.Load();
  for (int i = 0; i < 7; ++i) {
    host::CommandBarControl& button = *made[static_cast<std::size_t>(i)];
    button.SetFaceId(1);
    button.SetCaption(MenuEntryOf(kToolbar[i].command)->caption);
    button.SetStyle(kIconAndCaption);
    button.SetFace((faces.*kToolbar[i].face).Image);
    button.SetVisible(true);
  }
}

void Connect::BuildMenu(host::CommandBars& bars) {
  host::CommandBar& menuBar = bars.Item(1);
  // Only the first custom popup is examined: a leftover menu of ours is removed.
  if (host::CommandBarControl* found = menuBar.FindControl(host::ControlType::Popup, 1);
      found && found->Caption() == kMenuCaption) {
    found->Delete();
  }
  const int n = menuBar.Controls().Count();
  host::CommandBarControl& popup = menuBar.Controls().Add(host::ControlType::Popup, n, true);
  buttons_->popup = &popup;
  popup.SetTag(ControlTag("Menu", "menu"));
  popup.SetCaption(kMenuCaption);
  popup.SetVisible(true);

  // Each entry goes to the top, so they are added from the bottom up.
  for (std::size_t i = std::size(kMenu); i-- > 0;) {
    const MenuEntry& e = kMenu[i];
    host::CommandBarControl& item = popup.Controls().Add(host::ControlType::Button, 1, true);
    item.SetCaption(e.caption);
    item.SetEnabled(e.enabled);
    item.SetBeginGroup(i > 0 && std::string_view(e.group) != kMenu[i - 1].group);
    item.SetStyle(kIconAndCaption);
    item.SetTag(ControlTag(e.command, "menu"));
    Route(item, e.handler);
    buttons_->menu[e.command] = &item;
  }
}

void Connect::Route(host::CommandBarControl& control, Handler handler) {
  control.OnClick(
      [this, handler](host::CommandBarControl& c, bool& cancel) { Run(handler, c, cancel); });
}

void Connect::Run(Handler handler, host::CommandBarControl& control, bool& cancel) {
  // A click that arrives while a command lets pending events in is not run: that command is
  // still at work.
  platform_.ui.Handle([&] { (this->*handler)(control, cancel); });
}

// ---- the ribbon ----

const Connect::MenuEntry* Connect::MenuEntryOf(std::string_view command) {
  for (const MenuEntry& e : kMenu) {
    if (e.command == command) return &e;
  }
  return nullptr;
}

const Connect::ToolbarEntry* Connect::ToolbarEntryOf(std::string_view command) {
  for (const ToolbarEntry& t : kToolbar) {
    if (t.command == command) return &t;
  }
  return nullptr;
}

host::CommandBarControl* Connect::MenuItem(std::string_view command) const {
  const auto item = buttons_->menu.find(command);
  return item == buttons_->menu.end() ? nullptr : item->second;
}

const Connect::MenuEntry* Connect::RibbonEntry(std::string_view id) {
  for (const MenuEntry& e : kMenu) {
    if (ControlTag(e.command, "ribbon") == id) return &e;
  }
  return nullptr;
}

std::string Connect::RibbonXml() {
  std::string xml = std::string("<customUI xmlns=\"") + kRibbonNamespace + "\" onLoad=\"" +
                    kRibbonOnLoad + "\"><ribbon><tabs><tab id=\"" + ControlTag("Tab", "ribbon") +
                    "\" label=\"" + kToolbarName + "\">";
  for (std::size_t i = 0; i < std::size(kMenu); ++i) {
    const MenuEntry& e = kMenu[i];
    if (i == 0 || std::string_view(e.group) != kMenu[i - 1].group) {
      if (i > 0) xml += "</group>";
      xml += "<group id=\"" + ControlTag(e.group, "group") + "\" label=\"" + e.group + "\">";
    }
    const bool face = ToolbarEntryOf(e.command) != nullptr;
    xml += "<button id=\"" + ControlTag(e.command, "ribbon") + "\" label=\"" + e.caption +
           "\" size=\"large\" onAction=\"" + kRibbonOnAction + "\" getEnabled=\"" +
           kRibbonGetEnabled + "\" " +
           (face ? std::string("getImage=\"") + kRibbonGetImage + "\""
                 : std::string("imageMso=\"") + e.imageMso + "\"") +
           "/>";
  }
  return xml + "</group></tab></tabs></ribbon></customUI>";
}

bool Connect::ClickRibbon(std::string_view id) {
  const MenuEntry* e = RibbonEntry(id);
  host::CommandBarControl* item = e ? MenuItem(e->command) : nullptr;
  if (!item) return false;
  // As on the menu, a disabled entry runs nothing.
  bool cancel = false;
  if (item->Enabled()) Run(e->handler, *item, cancel);
  return true;
}

bool Connect::RibbonEnabled(std::string_view id) const {
  const MenuEntry* e = RibbonEntry(id);
  host::CommandBarControl* item = e ? MenuItem(e->command) : nullptr;
  return item && item->Enabled();
}

const ui::Picture* Connect::RibbonFace(std::string_view id) {
  const MenuEntry* e = RibbonEntry(id);
  const ToolbarEntry* t = e ? ToolbarEntryOf(e->command) : nullptr;
  return t && addIn_ ? &((*addIn_).*t->face).Image : nullptr;
}

void Connect::MenuChanged() {
  if (menuChanged_) menuChanged_();
}

void Connect::RefreshSessionMenu() {
  for (const char* command : {"SendSMS", "DR", "GetModes", "GetBal"}) {
    if (host::CommandBarControl* c = MenuItem(command)) c->SetEnabled(true);
  }
  if (host::CommandBarControl* c = MenuItem("Login")) c->SetEnabled(false);
  if (host::CommandBarControl* c = MenuItem("Logout")) c->SetEnabled(true);
  MenuChanged();
}

template <typename F>
void Connect::Trapped(F&& command) {
  try {
    command();
  } catch (const std::exception& e) {
    platform_.ui.SetMousePointer(ui::MousePointer::Default);
    platform_.ui.MsgBox(e.what(), ui::mb::Critical, ui::kTitle);
  }
}

template <typename F>
void Connect::Silent(F&& command) {
  try {
    command();
  } catch (const std::exception&) {
    platform_.ui.SetMousePointer(ui::MousePointer::Default);
  }
}

bool Connect::HasActiveWorkbook() {
  return host::ActiveWorkbookOrSay(application_, platform_.ui) != nullptr;
}

bool Connect::SessionGate() { return session::RequireSession(Login(), globals_); }

// ---- menu ----

void Connect::mobjQuorvalentMenuBarButLogin_Click(host::CommandBarControl&, bool&) {
  Trapped([&] {
    Login().Show(ui::Modality::Modal);
    if (globals_.IsLoggedIn) RefreshSessionMenu();
  });
}

void Connect::mobjQuorvalentMenuBarButSendSMS_Click(host::CommandBarControl&, bool&) {
  Silent([&] {
    if (!HasActiveWorkbook()) return;
    SendSMS().Show(ui::Modality::Modeless);
    SendSMS().ExcelObj(*application_);
  });
}

void Connect::mobjQuorvalentMenuBarButDR_Click(host::CommandBarControl&, bool&) {
  Silent([&] {
    if (!HasActiveWorkbook()) return;
    DR().ExcelObj(*application_);
    DR().Show(ui::Modality::Modeless);
  });
}

void Connect::mobjQuorvalentMenuBarButGetBal_Click(host::CommandBarControl&, bool&) {
  Trapped([&] {
    if (!SessionGate()) return;
    RefreshSessionMenu();
    const auto balance =
        service::RequestBalance(http_, globals_.SessionUserName, globals_.SessionPassword);
    if (!balance) {
      platform_.ui.MsgBox("Error occured while retrieving SMS balance credits", ui::mb::Critical,
                          ui::kTitle);
      return;
    }
    ++commandsDone_;
    platform_.ui.MsgBox("Your credit balance is " + *balance, ui::mb::Information, ui::kTitle);
  });
}

void Connect::mobjQuorvalentMenuBarButGetModes_Click(host::CommandBarControl&, bool&) {
  Trapped([&] {
    const std::string answer = http_.HttpGet(globals_.BaseUrl + service::path::kModes);
    if (!service::PassesEnvelopeTest(answer)) {
      platform_.ui.MsgBox("Error occured while retrieving mode of submissions", ui::mb::Critical,
                          ui::kTitle);
      return;
    }
    platform_.settings.Save(settings::kAppName, "STARTUP", "MODES", service::Unwrap(answer));
    ++commandsDone_;
    platform_.ui.MsgBox("Mode of submissions has been downloaded", ui::mb::Information, ui::kTitle);
  });
}

void Connect::mobjQuorvalentMenuBarButScheduler_Click(host::CommandBarControl&, bool&) {
  Trapped([&] {
    if (!SessionGate()) return;
    Scheduler().Show(ui::Modality::Modeless);
    RefreshSessionMenu();
  });
}

void Connect::mobjQuorvalentMenuBarButUpdateMobile_Click(host::CommandBarControl&, bool&) {
  Trapped([&] {
    if (!SessionGate()) return;
    ClientMnoMap().ExcelObj(*application_);
    ClientMnoMap().Show(ui::Modality::Modeless);
    RefreshSessionMenu();
  });
}

void Connect::mobjQuorvalentMenuBarButProxySettings_Click(host::CommandBarControl&, bool&) {
  Silent([&] { ProxySettings().Show(ui::Modality::Modal); });
}

void Connect::mobjQuorvalentMenuBarButDemo_Click(host::CommandBarControl&, bool&) {
  Silent([&] { platform_.shell.Open(globals_.BaseUrl + "/Excel_Demos/excel-demo.swf"); });
}

void Connect::mobjQuorvalentMenuBarButLogout_Click(host::CommandBarControl&, bool&) {
  Trapped([&] {
    globals_.EndSession();
    if (host::CommandBarControl* c = MenuItem("Login")) c->SetEnabled(true);
    if (host::CommandBarControl* c = MenuItem("Logout")) c->SetEnabled(false);
    MenuChanged();
    platform_.ui.MsgBox("Logged out successfully");
  });
}

// ---- dialogs ----

session::frmLogin& Connect::Login() {
  if (!login_) {
    login_ = std::make_unique<session::frmLogin>(
        platform_.ui, http_, globals_, [this] { ProxySettings().Show(ui::Modality::Modal); });
  }
  return *login_;
}

service::frmProxySettings& Connect::ProxySettings() {
  if (!proxySettings_) {
    proxySettings_ = std::make_unique<service::frmProxySettings>(platform_.ui, platform_.settings,
                                                                 globals_.Proxy);
  }
  return *proxySettings_;
}

send::frmSendSMS& Connect::SendSMS() {
  if (!sendSMS_) {
    sendSMS_ = std::make_unique<send::frmSendSMS>(session::DialogServices{
        platform_.ui, http_, globals_, platform_.settings, platform_.clock, Login(), Display()});
  }
  return *sendSMS_;
}

reports::frmDR& Connect::DR() {
  if (!dr_) {
    dr_ = std::make_unique<reports::frmDR>(session::DialogServices{
        platform_.ui, http_, globals_, platform_.settings, platform_.clock, Login(), Display()});
  }
  return *dr_;
}

scheduler::frmScheduler& Connect::Scheduler() {
  if (!scheduler_)
    scheduler_ =
        std::make_unique<scheduler::frmScheduler>(platform_.ui, http_, globals_, platform_.clock);
  return *scheduler_;
}

fill::frmClient_MNO_Map& Connect::ClientMnoMap() {
  if (!clientMnoMap_)
    clientMnoMap_ = std::make_unique<fill::frmClient_MNO_Map>(platform_.ui, Display());
  return *clientMnoMap_;
}

forms::frmAddIn& Connect::AddIn() {
  if (!addIn_) addIn_ = std::make_unique<forms::frmAddIn>(platform_.ui);
  return *addIn_;
}

forms::frmDisplay& Connect::Display() {
  if (!display_) display_ = std::make_unique<forms::frmDisplay>(platform_.ui);
  return *display_;
}

}  // namespace qv::addin
