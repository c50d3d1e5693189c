#pragma once

#include <array>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "addin/platform.h"
#include "fill/frm_client_mno_map.h"
#include "forms/frm_add_in.h"
#include "forms/frm_display.h"
#include "host/host.h"
#include "reports/frm_dr.h"
#include "scheduler/frm_scheduler.h"
#include "send/frm_send_sms.h"
#include "service/frm_proxy_settings.h"
#include "service/m_http.h"
#include "session/frm_login.h"
#include "session/global_subs.h"

namespace qv::addin {

// The modes of submission stored at the first start, code and label, comma-separated.
inline constexpr const char* kDefaultModes =
    "L-Web Login,C-Campaign Manager,M-Mobile App,G-Gateway API,E-Excel Add-in,"
    "R-Reseller Panel,B-Bulk Upload,A-Alerts,H-HTTP API";

// Where the service is: the front end's address when it gave one, else the settings key
// Service/Address, else the stand-in gateway on this machine. An address is host or host:port,
// after "https://" for the service over TLS; "http://", or no scheme, is plain http.
service::Endpoint FindServiceAddress(const std::string& given, settings::Settings& store);
// The address of the settings key Service/Address, blanks around it dropped; none when it is
// absent or blank.
std::optional<std::string> StoredServiceAddress(settings::Settings& store);

// The tag of one of the add-in's controls: the command it runs and where it stands ("toolbar",
// "menu"), the same at every start, so no two controls share one.
std::string ControlTag(std::string_view command, std::string_view place);

// The callbacks the ribbon's XML names, which a front end answers by these names.
inline constexpr const char* kRibbonNamespace =
    "http://schemas.microsoft.com/office/2006/01/customui";
inline constexpr const char* kRibbonOnLoad = "Ribbon_Load";
inline constexpr const char* kRibbonOnAction = "Ribbon_Click";
inline constexpr const char* kRibbonGetEnabled = "Ribbon_GetEnabled";
inline constexpr const char* kRibbonGetImage = "Ribbon_GetImage";

// The add-in as the spreadsheet sees it: connects, builds the toolbar and the menu, and routes
// every click to its command.
class Connect {
 public:
  explicit Connect(Platform platform);
  ~Connect();

  void AddinInstance_OnConnection(host::Application& Application);
  void AddinInstance_OnDisconnection() {}
  void AddinInstance_OnStartupComplete() {}

  // The commands of the menu; a toolbar button runs the handler of its menu entry.
  void mobjQuorvalentMenuBarButLogin_Click(host::CommandBarControl& Ctrl, bool& CancelDefault);
  void mobjQuorvalentMenuBarButSendSMS_Click(host::CommandBarControl& Ctrl, bool& CancelDefault);
  void mobjQuorvalentMenuBarButDR_Click(host::CommandBarControl& Ctrl, bool& CancelDefault);
  void mobjQuorvalentMenuBarButGetBal_Click(host::CommandBarControl& Ctrl, bool& CancelDefault);
  void mobjQuorvalentMenuBarButGetModes_Click(host::CommandBarControl& Ctrl, bool& CancelDefault);
  void mobjQuorvalentMenuBarButScheduler_Click(host::CommandBarControl& Ctrl, bool& CancelDefault);
  void mobjQuorvalentMenuBarButUpdateMobile_Click(host::CommandBarControl& Ctrl,
                                                  bool& CancelDefault);
  void mobjQuorvalentMenuBarButProxySettings_Click(host::CommandBarControl& Ctrl,
                                                   bool& CancelDefault);
  void mobjQuorvalentMenuBarButDemo_Click(host::CommandBarControl& Ctrl, bool& CancelDefault);
  void mobjQuorvalentMenuBarButLogout_Click(host::CommandBarControl& Ctrl, bool& CancelDefault);

  // Send SMS, Delivery Report, Get Mode Submissions and Get Credits Balance enabled; Login
  // disabled and Logout enabled.
  void RefreshSessionMenu();

  // The add-in's tab on the ribbon (Excel 2007 and later) as custom UI XML: the menu's commands
  // in its groups and order, each a large button whose id is its ControlTag for "ribbon", with
  // the toolbar's face where the toolbar has the command.
  static std::string RibbonXml();
  // A click on the ribbon's button `id`: runs exactly what its menu entry runs, as a click on
  // that entry (nothing while the entry is disabled). False for an id that names no button, or
  // before the menu is built.
  bool ClickRibbon(std::string_view id);
  // Whether the ribbon's button `id` can be clicked: as its menu entry can.
  bool RibbonEnabled(std::string_view id) const;
  // The face of the ribbon's button `id`, the toolbar's; nullptr for a button without one.
  const ui::Picture* RibbonFace(std::string_view id);
  // Called whenever the menu's entries are enabled or disabled anew (after a login, a logout).
  void OnMenuChanged(std::function<void()> changed) { menuChanged_ = std::move(changed); }

  session::GlobalSubs& Globals() { return globals_; }
  // How many of the commands that ask the service and show its answer (the credit balance, the
  // modes of submission) got what they asked for; a front end compares it before and after.
  int CommandsDone() const { return commandsDone_; }
  service::m_Http& Http() { return http_; }

  // The dialogs, each made on first use and owned by Connect until it goes: a reference handed
  // out here stays good for Connect's whole life.
  session::frmLogin& Login();
  service::frmProxySettings& ProxySettings();
  send::frmSendSMS& SendSMS();
  reports::frmDR& DR();
  scheduler::frmScheduler& Scheduler();
  fill::frmClient_MNO_Map& ClientMnoMap();
  forms::frmAddIn& AddIn();
  forms::frmDisplay& Display();

 private:
  struct Buttons;
  using Handler = void (Connect::*)(host::CommandBarControl&, bool&);
  struct ToolbarEntry;
  struct MenuEntry;
  static const ToolbarEntry kToolbar[7];
  static const MenuEntry kMenu[10];
  static const MenuEntry* MenuEntryOf(std::string_view command);
  static const ToolbarEntry* ToolbarEntryOf(std::string_view command);
  static const MenuEntry* RibbonEntry(std::string_view id);
  // The menu's entry of the command, once the menu is built.
  host::CommandBarControl* MenuItem(std::string_view command) const;
  // Makes a click on the control run the handler.
  void Route(host::CommandBarControl& control, Handler handler);
  // Runs the handler as a click on `control` does.
  void Run(Handler handler, host::CommandBarControl& control, bool& cancel);
  void MenuChanged();
  void BuildToolbar(host::CommandBars& bars);
  void BuildMenu(host::CommandBars& bars);
  bool HasActiveWorkbook();
  bool SessionGate();
  // Runs a command with the failure trap that shows the failure's description in a critical box.
  template <typename F>
  void Trapped(F&& command);
  // Runs a command that only opens a dialog or a page and shows no failure of its own, as the
  // add-in always has: the dialog, once open, reports its own failures, and one that cannot open
  // leaves nothing done; the pointer is put back.
  template <typename F>
  void Silent(F&& command);

  Platform platform_;
  session::GlobalSubs globals_;
  service::m_Http http_;
  host::Application* application_ = nullptr;
  std::unique_ptr<Buttons> buttons_;
  int commandsDone_ = 0;
  std::function<void()> menuChanged_;

  std::unique_ptr<session::frmLogin> login_;
  std::unique_ptr<service::frmProxySettings> proxySettings_;
  std::unique_ptr<send::frmSendSMS> sendSMS_;
  std::unique_ptr<reports::frmDR> dr_;
  std::unique_ptr<scheduler::frmScheduler> scheduler_;
  std::unique_ptr<fill::frmClient_MNO_Map> clientMnoMap_;
  std::unique_ptr<forms::frmAddIn> addIn_;
  std::unique_ptr<forms::frmDisplay> display_;
};

}  // namespace qv::addin
