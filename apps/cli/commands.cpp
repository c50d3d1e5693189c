#include "commands.h"

#include <cstdlib>
#include <fstream>
#include <iostream>
#include <tuple>

#include "send/frm_preview_sms.h"
#include "send/frm_send_check.h"
#include "service/protocol.h"
#include "service/transport_settings.h"
#include "values/convert.h"
#include "values/text.h"

namespace qv::cli {
namespace {

// Chooses the entry of a list that reads `text`; with none, the text is put in as typed.
void Choose(ui::ListControl& list, const std::string& text) {
  for (int i = 0; i < list.ListCount(); ++i) {
    if (list.Items[static_cast<std::size_t>(i)] == text) {
      list.SetListIndex(i);
      return;
    }
  }
  list.Text = text;
}

// Puts "MM/DD/YYYY h:mm AM" into a date picker's lists, as a person would choose them.
void ChooseMoment(ui::ComboBox& year, ui::ComboBox& month, ui::ComboBox& day, ui::ComboBox* time,
                  const std::string& moment) {
  const std::string text = Trim(moment);
  const auto blank = text.find(' ');
  const std::string date = text.substr(0, blank);
  const std::string clock = blank == std::string::npos ? "" : Trim(text.substr(blank + 1));
  const auto first = date.find('/');
  const auto second = date.find('/', first == std::string::npos ? first : first + 1);
  if (first == std::string::npos || second == std::string::npos) {
    year.Text = date;
    return;
  }
  const std::string m = date.substr(0, first);
  const std::string d = date.substr(first + 1, second - first - 1);
  Choose(year, date.substr(second + 1));
  const double monthNumber = NumericValue(m);
  if (IsNumericText(m) && monthNumber >= 1 && monthNumber <= 12) {
    month.SetListIndex(static_cast<int>(monthNumber) - 1);
  } else {
    month.Text = m;
  }
  Choose(day, IsNumericText(d) ? NumberAsText(NumericValue(d)) : d);
  // "09:05 AM" and "9:05 AM" name the same slot.
  if (!time) return;
  const auto slot = ParseDateTime(clock);
  Choose(*time, slot && clock.find(':') != std::string::npos ? FormatDateTime(*slot, "h:mm AM/PM")
                                                             : clock);
}

// --server, else QUORVALENT_SERVER, else none (the settings decide).
std::string ServerAddress(const GlobalOptions& options) {
  if (!options.server.empty()) return options.server;
  const char* env = std::getenv("QUORVALENT_SERVER");
  return env ? env : "";
}

std::string FirstLine(const std::string& text) {
  const auto nl = text.find_first_of("\r\n");
  return nl == std::string::npos ? text : text.substr(0, nl);
}

}  // namespace

std::string ReadTextFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) throw std::runtime_error("The file " + path + " cannot be read.");
  return {std::istreambuf_iterator<char>(in), {}};
}

std::string ReadMessageFile(const std::string& path) {
  std::string text = ReadTextFile(path);
  if (text.rfind("\xEF\xBB\xBF", 0) == 0) text.erase(0, 3);
  if (!text.empty() && text.back() == '\n') {
    text.pop_back();
    if (!text.empty() && text.back() == '\r') text.pop_back();
  }
  return text;
}

Session::Session(const GlobalOptions& options, std::ostream& out)
    : options_(options),
      out_(out),
      ui_(out, options.yes),
      settings_(settings::IniFileSettings::DefaultRoot()),
      transport_(service::ReadTransportSettings(settings_),
                 [](const std::string& why) { std::cerr << "quorvalent: " << why << '\n'; }),
      connect_({ui_, transport_, settings_, clock_, random_, shell_, ServerAddress(options)}) {
  ui_.Drive<session::frmLogin>("frmLogin", [this](session::frmLogin& f) {
    if (!credentialsLooked_) {
      credentialsLooked_ = true;
      std::string user = options_.user, password;
      if (!options_.passwordFile.empty()) password = FirstLine(ReadTextFile(options_.passwordFile));
      if (user.empty()) {
        if (const char* u = std::getenv("QUORVALENT_USER")) user = u;
      }
      if (password.empty()) {
        if (const char* p = std::getenv("QUORVALENT_PASSWORD")) password = p;
      }
      if (user.empty()) user = ui_.AskLine("User name: ", false).value_or("");
      if (!user.empty() && password.empty())
        password = ui_.AskLine("Password: ", true).value_or("");
      if (!user.empty() && !password.empty()) {
        credentials_ = {user, password};
      } else {
        out_ << "No user name and password to log in with: give --user and --password-file, or "
                "set QUORVALENT_USER and QUORVALENT_PASSWORD.\n";
      }
    }
    // A login that fails is not repeated: the dialog is cancelled.
    if (credentials_) {
      f.txtUserName.Type(credentials_->first);
      f.txtPasswd.Type(credentials_->second);
      f.cmdLogin.Press();
    }
    if (f.IsLoaded()) f.cmdCancel.Press();
  });
  // Reached only when a person at the terminal chose to edit the proxy after a silent login.
  ui_.Drive<service::frmProxySettings>("frmProxySettings", [this](service::frmProxySettings& f) {
    const std::string type =
        ui_.AskLine("Proxy type (0 system settings, 1 direct, 2 named proxy) [" +
                        std::to_string(std::max(f.cboProxyType.ListIndex(), 0)) + "]: ",
                    false)
            .value_or("");
    if (!type.empty()) f.cboProxyType.SetListIndex(static_cast<int>(NumericValue(type)));
    if (f.cboProxyType.ListIndex() == 2) {
      for (auto [box, label, hidden] : {std::tuple{&f.txtHostName, "Host", false},
                                        {&f.txtPort, "Port", false},
                                        {&f.txtUserName, "User name", false},
                                        {&f.txtPassword, "Password", true}}) {
        const auto typed =
            ui_.AskLine(std::string(label) + " [" + (hidden ? "" : box->Text) + "]: ", hidden);
        if (typed && !typed->empty()) {
          box->Text.clear();
          box->Type(*typed);
        }
      }
    }
    f.cmdOk.Press();
    if (f.IsLoaded()) f.cmdCancel.Press();
  });
}

int Session::Fail(const std::string& message) {
  out_ << message << '\n';
  return 1;
}

int Session::Succeeds(const ui::Form& form, const std::function<void()>& action) {
  const int before = form.ActionsDone();
  action();
  return form.ActionsDone() > before ? 0 : 1;
}

void Session::ConnectAddin() {
  if (connected_) return;
  connect_.AddinInstance_OnConnection(app_);
  connected_ = true;
}

host::FileWorkbook* Session::OpenWorkbook(const std::string& path, const std::string& sheet) {
  host::FileWorkbook* wb = nullptr;
  try {
    wb = &app_.Open(path);
  } catch (const std::exception& e) {
    out_ << e.what() << '\n';
    return nullptr;
  }
  if (!sheet.empty()) {
    host::Sheet* s = wb->FindSheet(sheet);
    if (!s) {
      out_ << "The workbook " << path << " has no sheet named \"" << sheet << "\".\n";
      return nullptr;
    }
    wb->Activate(*s);
  }
  return wb;
}

void Session::Click(const std::string& caption) {
  ConnectAddin();
  auto& menuBar = app_.GetCommandBars().Item(1);
  for (int i = 1; i <= menuBar.Controls().Count(); ++i) {
    auto& menu = menuBar.Controls().Item(i);
    if (menu.Caption() != "&Quorvalent") continue;
    for (int k = 1; k <= menu.Controls().Count(); ++k) {
      auto& entry = menu.Controls().Item(k);
      if (entry.Caption() == caption) {
        host::MemoryCommandBars::Click(entry);
        return;
      }
    }
  }
  throw std::logic_error("no menu entry " + caption);
}

bool Session::LogIn() {
  ConnectAddin();
  if (connect_.Globals().IsLoggedIn) return true;
  Click("Login");
  return connect_.Globals().IsLoggedIn;
}

int Session::SaveIfChanged(host::FileWorkbook& workbook, bool dialogClosed) {
  if (!dialogClosed) return 1;
  try {
    workbook.Save();
  } catch (const std::exception& e) {
    return Fail(e.what());
  }
  return 0;
}

int Session::Send(const SendOptions& o) {
  if (!OpenWorkbook(o.workbook, o.sheet)) return 1;
  if (!LogIn()) return 1;
  Click("Send SMS");
  send::frmSendSMS& d = connect_.SendSMS();
  Choose(d.cmbMobileNumbersCell, o.mobileColumn);
  if (o.rowList) {
    d.optRows.SetValue(true);
    d.txtRows.Text = o.rows;
  } else {
    d.optRowRange.SetValue(true);
    d.txtStartRow.Text = o.startRow;
    d.txtEndRow.Text = o.endRow;
    ui_.SetProgressTotal(static_cast<long long>(NumericValue(o.endRow)));
  }
  d.txtMsg.Text = o.message;
  if (o.senderId) d.Combo_SenderID.Text = *o.senderId;
  d.chkFlash.SetValue(o.flash);
  d.ChkPreview.SetValue(o.preview);
  d.DryRun = o.dryRun;
  ui_.AnswerCautiousYes(o.resend);
  if (o.preview) {
    ui_.Drive<send::frmPreviewSMS>("frmPreviewSMS", [this](send::frmPreviewSMS& p) {
      const int count = static_cast<int>(connect_.Globals().PreviewMessages.size()) - 1;
      for (int i = 1; i <= count; ++i) {
        if (i > 1) p.cmdNext.Press();
        out_ << p.label_SMSCount.Caption << "  " << p.txt_mno.Text << "  (" << p.txt_char_count.Text
             << " characters, " << p.txt_sms_count.Text << " SMS, " << p.txt_LongSMSs.Text
             << " long SMS)\n"
             << p.label_Network.Caption << '\n'
             << p.txt_msg.Text << "\n\n";
      }
      out_ << p.Label5.Caption << p.Label6.Caption << p.label_Total_SMSs.Caption << "  "
           << p.label_Balance.Caption << '\n'
           << p.label_NetworkTotal.Caption << '\n';
      if (ui_.Confirm("Send these messages?")) {
        p.cmdContinueSMS.Press();
      } else {
        p.cmdCancel.Press();
      }
    });
  }
  ui_.Drive<send::frmSendCheck>("frmSendCheck", [this, once = o.once](send::frmSendCheck& c) {
    out_ << c.lblFindings.Caption << '\n';
    for (const auto& line : c.lstFindings.Items) out_ << line << '\n';
    const bool duplicates = c.cmdSendOnce.Visible;
    if (duplicates && once) {
      out_ << "Each number is sent once (--once).\n";
      c.cmdSendOnce.Press();
    } else if (duplicates && ui_.AtTerminal() && !options_.yes &&
               ui_.Confirm("Send each number once?")) {
      c.cmdSendOnce.Press();
    } else if (ui_.Confirm(duplicates ? "Send to every row as listed?" : "Send anyway?")) {
      c.cmdSend.Press();
    } else {
      c.cmdStop.Press();
    }
  });
  if (o.groupBy) {
    d.chkAdvance.SetValue(true);
    Choose(d.cmbColumnWise, *o.groupBy);
    d.txt_header.Text = o.header;
    d.txt_footer.Text = o.footer;
  }
  if (o.filter) {
    ui_.QueueInput(*o.filter);
    d.cmdFilter.Press();
  }
  if (o.schedule) {
    d.chkSetScheduler.SetValue(true);
    d.txt_SchedulerName.Text.clear();
    d.txt_SchedulerName.Type(o.description);
    d.Chk_notifyme.SetValue(o.notify);
    ChooseMoment(d.combo_year, d.combo_month, d.combo_dd, &d.combo_Times, *o.schedule);
  }
  return Succeeds(d, [&] { d.cmdSend.Press(); });
}

int Session::Balance() {
  if (!LogIn()) return 1;
  const int before = connect_.CommandsDone();
  Click("Get Credits Balance");
  return connect_.CommandsDone() > before ? 0 : 1;
}

int Session::Modes() {
  const int before = connect_.CommandsDone();
  Click("Get Mode Submissions");
  if (connect_.CommandsDone() == before) return 1;
  for (const auto& mode :
       Split(settings_.GetSetting(settings::kAppName, "STARTUP", "MODES"), ",")) {
    out_ << mode << '\n';
  }
  return 0;
}

// The template commands work in the Send SMS dialog, which wants a workbook: a blank one does.
send::frmSendSMS* Session::OpenSendDialog() {
  if (!LogIn()) return nullptr;
  if (!app_.ActiveWorkbook()) app_.AddBlankWorkbook();
  Click("Send SMS");
  send::frmSendSMS& d = connect_.SendSMS();
  return d.IsLoaded() ? &d : nullptr;
}

int Session::TemplatesList() {
  send::frmSendSMS* dialog = OpenSendDialog();
  if (!dialog) return 1;
  send::frmSendSMS& d = *dialog;
  if (!d.TemplatesAnswered()) return Fail(service::text::kCheckConnection);
  for (std::size_t i = 0; i < d.combo_display_MsgNames.Items.size(); ++i) {
    out_ << d.combo_display_MsgNames.Items[i] << ": " << d.TemplateTexts()[i] << '\n';
  }
  out_ << "Sender IDs:";
  for (const auto& id : d.Combo_SenderID.Items) out_ << ' ' << id;
  out_ << '\n';
  return 0;
}

int Session::TemplatesSave(const std::string& name, const std::string& message) {
  send::frmSendSMS* dialog = OpenSendDialog();
  if (!dialog) return 1;
  send::frmSendSMS& d = *dialog;
  d.chkBox_SaveMsg.SetValue(false);
  d.chkBox_SaveMsg.SetValue(true);
  d.txt_MsgName.Text = name;
  d.txtMsg.Text = message;
  return Succeeds(d, [&] { d.SaveMsgText.Press(); });
}

int Session::TemplatesDelete(const std::string& name) {
  send::frmSendSMS* dialog = OpenSendDialog();
  if (!dialog) return 1;
  send::frmSendSMS& d = *dialog;
  // The delete button shows once a template is chosen; a name the list does not hold is then
  // typed over the choice, and the request carries it as typed.
  if (d.combo_display_MsgNames.ListCount() == 0)
    return Fail("There are no templates to delete: the service listed none.");
  d.combo_display_MsgNames.SetListIndex(0);
  Choose(d.combo_display_MsgNames, name);
  return Succeeds(d, [&] { d.btn_DeleteMsg.Press(); });
}

int Session::Report(const std::string& workbook, const std::string& from, const std::string& to,
                    const std::string& sheetName, const std::string& mode) {
  host::FileWorkbook* wb = OpenWorkbook(workbook, "");
  if (!wb) return 1;
  if (!LogIn()) return 1;
  Click("Delivery Report");
  reports::frmDR& d = connect_.DR();
  if (!d.IsLoaded()) return 1;
  if (mode == "ALL") {
    Choose(d.cmbMode, "ALL");
  } else {
    const auto& tags = d.ModeTags();
    bool found = false;
    for (std::size_t i = 0; i < tags.size(); ++i) {
      if (mode.size() == 1 && tags[i] == static_cast<unsigned char>(mode[0])) {
        d.cmbMode.SetListIndex(static_cast<int>(i));
        found = true;
      }
    }
    if (!found) return Fail("There is no mode of submission " + mode + " (see quorvalent modes).");
  }
  ChooseMoment(d.cmbFromDateYear, d.cmbFromDateMonth, d.cmbFromDateDay, nullptr, from);
  ChooseMoment(d.cmbToDateYear, d.cmbTodateMonth, d.cmbToDateDay, nullptr, to);
  d.txtSheetName.Text = sheetName;
  d.cmdGet.Press();
  const int status = SaveIfChanged(*wb, !d.IsLoaded());
  if (status == 0)
    out_ << "The report is in the sheet " << Trim(sheetName) << " of " << workbook << ".\n";
  return status;
}

scheduler::frmScheduler* Session::OpenJobs() {
  if (!LogIn()) return nullptr;
  Click("Scheduler");
  scheduler::frmScheduler& d = connect_.Scheduler();
  return d.IsLoaded() ? &d : nullptr;
}

int Session::JobsList() {
  scheduler::frmScheduler* d = OpenJobs();
  if (!d) return 1;
  if (!d->ListingAnswered()) return Fail(service::text::kCheckConnection);
  for (const auto& row : d->listScheduledData.Rows) {
    out_ << row[0] << '\t' << row[1] << '\t' << row[2] << '\t' << row[3] << '\n';
  }
  return 0;
}

scheduler::frmScheduler* Session::SelectJob(const std::string& ids) {
  scheduler::frmScheduler* d = OpenJobs();
  if (!d) return nullptr;
  const auto& rows = d->listScheduledData.Rows;
  const auto it = std::find_if(rows.begin(), rows.end(), [&](const auto& r) {
    return r[scheduler::frmScheduler::Ids] == ids;
  });
  if (it == rows.end()) {
    Fail("No scheduled job has the IDs " + ids + ".");
    return nullptr;
  }
  d->listScheduledData.SelectRow(static_cast<int>(it - rows.begin()));
  return d;
}

int Session::JobsRetime(const std::string& ids, const std::string& at) {
  scheduler::frmScheduler* d = SelectJob(ids);
  if (!d) return 1;
  d->Command1.Press();
  ChooseMoment(d->combo_year, d->combo_month, d->combo_dd, &d->combo_Times, at);
  return Succeeds(*d, [&] { d->btn_SaveDateTime.Press(); });
}

int Session::JobsDelete(const std::string& ids) {
  scheduler::frmScheduler* d = SelectJob(ids);
  if (!d) return 1;
  return Succeeds(*d, [&] { d->btn_DeleteScheduler.Press(); });
}

int Session::Fill(const FillOptions& o) {
  host::FileWorkbook* wb = OpenWorkbook(o.workbook, "");
  if (!wb) return 1;
  if (!LogIn()) return 1;
  Click("Fill Mobile Numbers");
  fill::frmClient_MNO_Map& d = connect_.ClientMnoMap();
  if (!d.IsLoaded()) return 1;
  Choose(d.cmbActive_SheetName, o.sheet);
  Choose(d.cmbActive_ClientID_Col, o.idColumn);
  Choose(d.cmbFill_MNO, o.fillColumn);
  ui_.QueueFile(o.source);
  const std::size_t before = ui_.Boxes().size();
  d.cmdBrowse.Press();
  if (ui_.Boxes().size() != before) return 1;
  Choose(d.cmbSheetName, o.sourceSheet);
  Choose(d.cmbClientID_Col, o.sourceIdColumn);
  Choose(d.cmbMNO, o.sourceMobileColumn);
  d.cmdOk.Press();
  const int status = SaveIfChanged(*wb, !d.IsLoaded());
  if (status == 0) out_ << "The mobile numbers are filled in " << o.workbook << ".\n";
  return status;
}

int Session::ProxyShow() {
  bool shown = false;
  ui_.Drive<service::frmProxySettings>("frmProxySettings", [&](service::frmProxySettings& f) {
    out_ << "Proxy type: " << f.cboProxyType.Text << '\n';
    if (f.cboProxyType.ListIndex() == 2) {
      out_ << "Host: " << f.txtHostName.Text << "\nPort: " << f.txtPort.Text
           << "\nUser name: " << f.txtUserName.Text
           << "\nPassword: " << (f.txtPassword.Text.empty() ? "" : "(set)") << '\n';
    }
    shown = true;
    f.cmdCancel.Press();
  });
  Click("Proxy Settings");
  return shown ? 0 : 1;
}

int Session::ProxySet(const ProxyOptions& o) {
  bool saved = false;
  const std::string password =
      o.passwordFile.empty() ? "" : FirstLine(ReadTextFile(o.passwordFile));
  ui_.Drive<service::frmProxySettings>("frmProxySettings", [&](service::frmProxySettings& f) {
    f.cboProxyType.SetListIndex(o.kind == ProxyOptions::System   ? 0
                                : o.kind == ProxyOptions::Direct ? 1
                                                                 : 2);
    if (o.kind == ProxyOptions::Named) {
      f.txtHostName.Text = o.host;
      f.txtPort.Text.clear();
      f.txtPort.Type(o.port);
      f.txtUserName.Text = o.user;
      f.txtPassword.Text = password;
    }
    f.cmdOk.Press();
    saved = !f.IsLoaded();
    if (f.IsLoaded()) f.cmdCancel.Press();
  });
  Click("Proxy Settings");
  if (saved) out_ << "The proxy settings are saved.\n";
  return saved ? 0 : 1;
}

}  // namespace qv::cli
