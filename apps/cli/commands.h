#pragma once

#include <functional>
#include <iosfwd>
#include <optional>
#include <string>

#include "addin/connect.h"
#include "addin/shell_posix.h"
#include "console_ui.h"
#include "host/file_application.h"
#include "service/curl_transport_posix.h"
#include "settings/ini_file_settings_posix.h"
#include "values/clock_posix.h"

namespace qv::cli {

struct GlobalOptions {
  std::string server;
  bool yes = false;
  std::string user;
  std::string passwordFile;
};

struct SendOptions {
  std::string workbook, sheet, mobileColumn;
  std::string startRow, endRow, rows;
  bool rowList = false;
  std::string message;
  std::optional<std::string> senderId;
  bool flash = false, preview = false;
  std::optional<std::string> filter;
  std::optional<std::string> groupBy;
  std::string header, footer;
  std::optional<std::string> schedule;
  std::string description;
  bool notify = false;
  // The check's answer for a number in more than one row: each number once, not as listed.
  bool once = false;
  // The same send again after one that got no answer goes (the question is answered Yes).
  bool resend = false;
  // Everything up to the request, which is described and not posted.
  bool dryRun = false;
};

struct FillOptions {
  std::string workbook, sheet, idColumn, fillColumn, source, sourceSheet, sourceIdColumn,
      sourceMobileColumn;
};

struct ProxyOptions {
  enum Kind { System, Direct, Named } kind = System;
  std::string host, port, user, passwordFile;
};

// One run of the add-in on the command line: it connects to a spreadsheet of workbook files and
// runs each command by clicking its menu entry and using its dialog as a person would. The
// result is the exit status: 0 when the command reached its success, 1 otherwise.
class Session {
 public:
  Session(const GlobalOptions& options, std::ostream& out);

  int Send(const SendOptions& o);
  int Balance();
  int Modes();
  int TemplatesList();
  int TemplatesSave(const std::string& name, const std::string& message);
  int TemplatesDelete(const std::string& name);
  int Report(const std::string& workbook, const std::string& from, const std::string& to,
             const std::string& sheetName, const std::string& mode);
  int JobsList();
  int JobsRetime(const std::string& ids, const std::string& at);
  int JobsDelete(const std::string& ids);
  int Fill(const FillOptions& o);
  int ProxyShow();
  int ProxySet(const ProxyOptions& o);

  ConsoleUi& Ui() { return ui_; }
  host::FileApplication& App() { return app_; }

 private:
  // Opens the workbook and connects the add-in to the spreadsheet.
  host::FileWorkbook* OpenWorkbook(const std::string& path, const std::string& sheet);
  void ConnectAddin();
  // The Login command, run first when credentials are at hand; false when it failed.
  bool LogIn();
  void Click(const std::string& caption);
  // 0 when `action` did what the form was asked (see ui::Form::ActionsDone), else 1.
  static int Succeeds(const ui::Form& form, const std::function<void()>& action);
  int Fail(const std::string& message);
  scheduler::frmScheduler* OpenJobs();
  // Opens the scheduler and selects the row of those IDs; nullptr (with a message) when none.
  scheduler::frmScheduler* SelectJob(const std::string& ids);
  send::frmSendSMS* OpenSendDialog();
  int SaveIfChanged(host::FileWorkbook& workbook, bool dialogClosed);

  GlobalOptions options_;
  std::ostream& out_;
  ConsoleUi ui_;
  settings::IniFileSettings settings_;
  service::CurlTransport transport_;
  SystemClock clock_;
  service::SystemRandom random_;
  addin::DesktopShell shell_;
  host::FileApplication app_;
  addin::Connect connect_;
  bool connected_ = false;
  std::optional<std::pair<std::string, std::string>> credentials_;
  bool credentialsLooked_ = false;
};

// Reads a whole file as text (a message, a password); throws with a clear message.
std::string ReadTextFile(const std::string& path);
// The message in a file: a leading UTF-8 byte-order mark and one final line break (LF or CR LF)
// belong to the file, not to the message; inner line breaks stay.
std::string ReadMessageFile(const std::string& path);

}  // namespace qv::cli
