// quorvalent: every command of the add-in from the command line, on workbook files.
#include <CLI/CLI.hpp>

#include <iostream>

#include "commands.h"
#include "demo.h"
#include "option_checks.h"
#include "send/frm_send_sms.h"
#include "service/frm_proxy_settings.h"

int main(int argc, char** argv) {
  using namespace qv::cli;
  CLI::App app{
      "Personalised bulk SMS from the rows of a workbook, through the Quorvalent gateway."};
  app.require_subcommand(1);
  GlobalOptions global;
  app.add_option("--server", global.server, "The gateway, HOST[:PORT]");
  app.add_flag("--yes", global.yes, "Answer every question Yes or OK");
  app.add_option("--user", global.user, "The user name to log in with");
  app.add_option("--password-file", global.passwordFile, "A file whose first line is the password")
      ->check(CLI::ExistingFile);

  SendOptions send;
  std::string messageFile;
  auto* sendCmd = app.add_subcommand("send", "Send one SMS per row of a workbook");
  sendCmd->add_option("workbook", send.workbook, "An .xlsx or .csv file")
      ->required()
      ->check(CLI::ExistingFile);
  sendCmd->add_option("--sheet", send.sheet, "The sheet to send from (default: the active one)");
  sendCmd->add_option("--mobile-column", send.mobileColumn, "The column of the mobile numbers")
      ->required();
  auto* start = sendCmd->add_option("--start-row", send.startRow, "The first row");
  auto* end = sendCmd->add_option("--end-row", send.endRow, "The last row");
  auto* rows = sendCmd->add_option("--rows", send.rows, "A row list such as \"2-19, 27-35\"");
  start->needs(end);
  end->needs(start);
  rows->excludes(start)->excludes(end);
  auto* message =
      sendCmd->add_option("--message", send.message, "The message, with placeholders such as #B#");
  auto* file = sendCmd->add_option("--message-file", messageFile, "A file holding the message")
                   ->check(CLI::ExistingFile);
  message->excludes(file);
  sendCmd->add_option("--sender-id", send.senderId, "The sender ID");
  sendCmd->add_flag("--flash", send.flash, "Send as flash SMS");
  sendCmd->add_flag("--preview", send.preview, "Show every message before sending");
  sendCmd->add_option("--filter", send.filter,
                      "Send only the rows matching a formula such as \"#B# like 'Bas%'\"");
  auto* group = sendCmd->add_option("--group-by", send.groupBy,
                                    "One message per run of rows sharing this column");
  sendCmd->add_option("--header", send.header, "The first line of a grouped message")->needs(group);
  sendCmd->add_option("--footer", send.footer, "The last line of a grouped message")->needs(group);
  auto* schedule =
      sendCmd->add_option("--schedule", send.schedule, "Deliver later: \"MM/DD/YYYY h:mm AM\"")
          ->check(PickerDate(true));
  auto* description =
      sendCmd->add_option("--description", send.description, "The scheduled job's description")
          ->check(FitsBox(qv::send::frmSendSMS::kSchedulerNameLength, false));
  schedule->needs(description);
  sendCmd->add_flag("--notify", send.notify, "Be notified when the scheduled job is sent")
      ->needs(schedule);

  auto* balance = app.add_subcommand("balance", "Show the credit balance");
  auto* modes = app.add_subcommand("modes", "Download the modes of submission");

  auto* templates = app.add_subcommand("templates", "Message templates kept on the service")
                        ->require_subcommand(1);
  auto* templatesList = templates->add_subcommand("list", "List the templates and the sender IDs");
  std::string templateName, templateFile;
  std::string templateMessage;
  auto* templatesSave = templates->add_subcommand("save", "Save a template");
  templatesSave->add_option("name", templateName)->required();
  auto* tm = templatesSave->add_option("--message", templateMessage);
  auto* tf = templatesSave->add_option("--message-file", templateFile)->check(CLI::ExistingFile);
  tm->excludes(tf);
  auto* templatesDelete = templates->add_subcommand("delete", "Delete a template");
  templatesDelete->add_option("name", templateName)->required();

  std::string reportBook, from, to, sheetName, mode = "ALL";
  auto* report = app.add_subcommand("report", "Download delivery reports into a new sheet");
  report->add_option("workbook", reportBook)->required()->check(CLI::ExistingFile);
  report->add_option("--from", from, "M/D/YYYY")->required()->check(PickerDate(false));
  report->add_option("--to", to, "M/D/YYYY")->required()->check(PickerDate(false));
  report->add_option("--sheet-name", sheetName, "The new sheet's name")->required();
  report->add_option("--mode", mode, "A mode code, or ALL");

  auto* jobs = app.add_subcommand("jobs", "Scheduled jobs")->require_subcommand(1);
  auto* jobsList = jobs->add_subcommand("list", "List the scheduled jobs");
  std::string ids, at;
  auto* jobsRetime = jobs->add_subcommand("retime", "Give a job a new delivery time");
  jobsRetime->add_option("--ids", ids, "The IDs of the listed row")->required();
  jobsRetime->add_option("--at", at, "\"MM/DD/YYYY h:mm AM\"")->required()->check(PickerDate(true));
  auto* jobsDelete = jobs->add_subcommand("delete", "Delete a job");
  jobsDelete->add_option("--ids", ids, "The IDs of the listed row")->required();

  FillOptions fill;
  auto* fillCmd =
      app.add_subcommand("fill", "Fill a mobile-number column from another workbook by client ID");
  fillCmd->add_option("workbook", fill.workbook)->required()->check(CLI::ExistingFile);
  fillCmd->add_option("--sheet", fill.sheet)->required();
  fillCmd->add_option("--id-column", fill.idColumn)->required();
  fillCmd->add_option("--fill-column", fill.fillColumn)->required();
  fillCmd->add_option("--source", fill.source)->required();
  fillCmd->add_option("--source-sheet", fill.sourceSheet)->required();
  fillCmd->add_option("--source-id-column", fill.sourceIdColumn)->required();
  fillCmd->add_option("--source-mobile-column", fill.sourceMobileColumn)->required();

  auto* proxy = app.add_subcommand("proxy", "The HTTP proxy")->require_subcommand(1);
  auto* proxyShow = proxy->add_subcommand("show", "Show the proxy settings");
  ProxyOptions proxyOptions;
  bool system = false, direct = false;
  auto* proxySet = proxy->add_subcommand("set", "Change the proxy settings");
  auto* sys = proxySet->add_flag("--system", system, "Use the system's settings");
  auto* dir = proxySet->add_flag("--direct", direct, "Connect directly");
  auto* host = proxySet->add_option("--host", proxyOptions.host, "The proxy host");
  // A port with blanks around it is the same port.
  auto* port = proxySet->add_option("--port", proxyOptions.port, "The proxy port")
                   ->transform(FitsBox(qv::service::frmProxySettings::kPortLength, true));
  proxySet->add_option("--proxy-user", proxyOptions.user)->needs(host);
  proxySet->add_option("--proxy-password-file", proxyOptions.passwordFile)
      ->needs(host)
      ->check(CLI::ExistingFile);
  host->needs(port);
  port->needs(host);
  sys->excludes(dir)->excludes(host);
  dir->excludes(host);
  proxySet->require_option(1, 0);

  auto* demo = app.add_subcommand("demo", "Run a demonstration against a throwaway gateway");

  try {
    app.parse(argc, argv);
  } catch (const CLI::ParseError& e) {
    // Help is a success; every other mistake in the words is a usage error.
    return app.exit(e) == 0 ? 0 : 2;
  }
  try {
    if (*demo) return RunDemo(argv[0], std::cout);
    if (*proxySet && !system && !direct && host->count() == 0) {
      std::cerr << "proxy set needs --system, --direct, or --host with --port\n";
      return 2;
    }
    Session session(global, std::cout);
    if (*sendCmd) {
      if (!messageFile.empty()) send.message = ReadMessageFile(messageFile);
      if (send.message.empty() && message->count() == 0 && messageFile.empty()) {
        std::cerr << "send needs --message or --message-file\n";
        return 2;
      }
      if (start->count() == 0 && rows->count() == 0) {
        std::cerr << "send needs --start-row and --end-row, or --rows\n";
        return 2;
      }
      send.rowList = rows->count() > 0;
      return session.Send(send);
    }
    if (*balance) return session.Balance();
    if (*modes) return session.Modes();
    if (*templatesList) return session.TemplatesList();
    if (*templatesSave) {
      if (tm->count() == 0 && tf->count() == 0) {
        std::cerr << "templates save needs --message or --message-file\n";
        return 2;
      }
      return session.TemplatesSave(
          templateName, templateFile.empty() ? templateMessage : ReadMessageFile(templateFile));
    }
    if (*templatesDelete) return session.TemplatesDelete(templateName);
    if (*report) return session.Report(reportBook, from, to, sheetName, mode);
    if (*jobsList) return session.JobsList();
    if (*jobsRetime) return session.JobsRetime(ids, at);
    if (*jobsDelete) return session.JobsDelete(ids);
    if (*fillCmd) return session.Fill(fill);
    if (*proxyShow) return session.ProxyShow();
    if (*proxySet) {
      proxyOptions.kind = system   ? ProxyOptions::System
                          : direct ? ProxyOptions::Direct
                                   : ProxyOptions::Named;
      return session.ProxySet(proxyOptions);
    }
  } catch (const std::exception& e) {
    std::cout << e.what() << '\n';
    return 1;
  }
  return 2;
}
