// quorvalent: every command of the add-in from the command line, on workbook files.
#include <malloc.h>
#include <CLI/CLI.hpp>

#include <functional>
#include <iostream>
#include <memory>
#include <string>
#include <vector>

#include "commands.h"
#include "demo.h"
#include "option_checks.h"
#include "qv_version.h"
#include "send/frm_send_sms.h"
#include "service/frm_proxy_settings.h"

namespace {

using namespace qv::cli;

// A command of the command line: its words, what it runs, and a check of the words CLI11 cannot
// make (the misuse it finds, said as the error; empty when there is none).
struct Command {
  CLI::App* words = nullptr;
  std::function<int(Session&)> run;
  std::function<std::string()> misuse = [] { return std::string(); };
};

void AddSend(CLI::App& app, std::vector<Command>& commands) {
  auto send = std::make_shared<SendOptions>();
  auto messageFile = std::make_shared<std::string>();
  auto* cmd = app.add_subcommand("send", "Send one SMS per row of a workbook");
  cmd->add_option("workbook", send->workbook, "An .xlsx or .csv file")
      ->required()
      ->check(CLI::ExistingFile);
  cmd->add_option("--sheet", send->sheet, "The sheet to send from (default: the active one)");
  cmd->add_option("--mobile-column", send->mobileColumn, "The column of the mobile numbers")
      ->required();
  auto* start = cmd->add_option("--start-row", send->startRow, "The first row");
  auto* end = cmd->add_option("--end-row", send->endRow, "The last row");
  auto* rows = cmd->add_option("--rows", send->rows, "A row list such as \"2-19, 27-35\"");
  start->needs(end);
  end->needs(start);
  rows->excludes(start)->excludes(end);
  auto* message =
      cmd->add_option("--message", send->message, "The message, with placeholders such as #B#");
  auto* file = cmd->add_option("--message-file", *messageFile, "A file holding the message")
                   ->check(CLI::ExistingFile);
  message->excludes(file);
  cmd->add_option("--sender-id", send->senderId, "The sender ID");
  cmd->add_flag("--flash", send->flash, "Send as flash SMS");
  cmd->add_flag("--preview", send->preview, "Show every message before sending");
  cmd->add_flag("--once", send->once,
                "Send each number once when it stands in more than one row (the later rows are "
                "left out)");
  cmd->add_flag("--resend", send->resend,
                "Send again what was sent within a day and got no answer (--yes does not)");
  cmd->add_flag("--dry-run", send->dryRun,
                "Check and preview the send and describe its request, without posting it");
  cmd->add_option("--filter", send->filter,
                  "Send only the rows matching a formula such as \"#B# like 'Bas%'\"");
  auto* group = cmd->add_option("--group-by", send->groupBy,
                                "One message per run of rows sharing this column");
  cmd->add_option("--header", send->header, "The first line of a grouped message")->needs(group);
  cmd->add_option("--footer", send->footer, "The last line of a grouped message")->needs(group);
  auto* schedule =
      cmd->add_option("--schedule", send->schedule, "Deliver later: \"MM/DD/YYYY h:mm AM\"")
          ->check(PickerDate(true));
  auto* description =
      cmd->add_option("--description", send->description, "The scheduled job's description")
          ->check(FitsBox(qv::send::frmSendSMS::kSchedulerNameLength, false));
  schedule->needs(description);
  cmd->add_flag("--notify", send->notify, "Be notified when the scheduled job is sent")
      ->needs(schedule);
  commands.push_back({cmd,
                      [=](Session& session) {
                        if (!messageFile->empty()) send->message = ReadMessageFile(*messageFile);
                        send->rowList = rows->count() > 0;
                        return session.Send(*send);
                      },
                      [=] {
                        if (message->count() == 0 && file->count() == 0)
                          return std::string("send needs --message or --message-file");
                        if (start->count() == 0 && rows->count() == 0)
                          return std::string("send needs --start-row and --end-row, or --rows");
                        return std::string();
                      }});
}

void AddTemplates(CLI::App& app, std::vector<Command>& commands) {
  auto* templates = app.add_subcommand("templates", "Message templates kept on the service")
                        ->require_subcommand(1);
  auto name = std::make_shared<std::string>();
  auto message = std::make_shared<std::string>();
  auto file = std::make_shared<std::string>();
  commands.push_back({templates->add_subcommand("list", "List the templates and the sender IDs"),
                      [](Session& session) { return session.TemplatesList(); }});
  auto* save = templates->add_subcommand("save", "Save a template");
  save->add_option("name", *name)->required();
  auto* tm = save->add_option("--message", *message);
  auto* tf = save->add_option("--message-file", *file)->check(CLI::ExistingFile);
  tm->excludes(tf);
  commands.push_back({save,
                      [=](Session& session) {
                        return session.TemplatesSave(
                            *name, file->empty() ? *message : ReadMessageFile(*file));
                      },
                      [=] {
                        return tm->count() == 0 && tf->count() == 0
                                   ? std::string("templates save needs --message or --message-file")
                                   : std::string();
                      }});
  auto* remove = templates->add_subcommand("delete", "Delete a template");
  remove->add_option("name", *name)->required();
  commands.push_back({remove, [=](Session& session) { return session.TemplatesDelete(*name); }});
}

void AddReport(CLI::App& app, std::vector<Command>& commands) {
  struct ReportOptions {
    std::string workbook, from, to, sheetName, mode = "ALL";
  };
  auto o = std::make_shared<ReportOptions>();
  auto* report = app.add_subcommand("report", "Download delivery reports into a new sheet");
  report->add_option("workbook", o->workbook)->required()->check(CLI::ExistingFile);
  report->add_option("--from", o->from, "M/D/YYYY")->required()->check(PickerDate(false));
  report->add_option("--to", o->to, "M/D/YYYY")->required()->check(PickerDate(false));
  report->add_option("--sheet-name", o->sheetName, "The new sheet's name")->required();
  report->add_option("--mode", o->mode, "A mode code, or ALL");
  commands.push_back({report, [=](Session& session) {
                        return session.Report(o->workbook, o->from, o->to, o->sheetName, o->mode);
                      }});
}

void AddJobs(CLI::App& app, std::vector<Command>& commands) {
  auto* jobs = app.add_subcommand("jobs", "Scheduled jobs")->require_subcommand(1);
  auto ids = std::make_shared<std::string>();
  auto at = std::make_shared<std::string>();
  commands.push_back({jobs->add_subcommand("list", "List the scheduled jobs"),
                      [](Session& session) { return session.JobsList(); }});
  auto* retime = jobs->add_subcommand("retime", "Give a job a new delivery time");
  retime->add_option("--ids", *ids, "The IDs of the listed row")->required();
  retime->add_option("--at", *at, "\"MM/DD/YYYY h:mm AM\"")->required()->check(PickerDate(true));
  commands.push_back({retime, [=](Session& session) { return session.JobsRetime(*ids, *at); }});
  auto* remove = jobs->add_subcommand("delete", "Delete a job");
  remove->add_option("--ids", *ids, "The IDs of the listed row")->required();
  commands.push_back({remove, [=](Session& session) { return session.JobsDelete(*ids); }});
}

void AddFill(CLI::App& app, std::vector<Command>& commands) {
  auto fill = std::make_shared<FillOptions>();
  auto* cmd =
      app.add_subcommand("fill", "Fill a mobile-number column from another workbook by client ID");
  cmd->add_option("workbook", fill->workbook)->required()->check(CLI::ExistingFile);
  cmd->add_option("--sheet", fill->sheet)->required();
  cmd->add_option("--id-column", fill->idColumn)->required();
  cmd->add_option("--fill-column", fill->fillColumn)->required();
  cmd->add_option("--source", fill->source)->required();
  cmd->add_option("--source-sheet", fill->sourceSheet)->required();
  cmd->add_option("--source-id-column", fill->sourceIdColumn)->required();
  cmd->add_option("--source-mobile-column", fill->sourceMobileColumn)->required();
  commands.push_back({cmd, [=](Session& session) { return session.Fill(*fill); }});
}

void AddProxy(CLI::App& app, std::vector<Command>& commands) {
  auto* proxy = app.add_subcommand("proxy", "The HTTP proxy")->require_subcommand(1);
  commands.push_back({proxy->add_subcommand("show", "Show the proxy settings"),
                      [](Session& session) { return session.ProxyShow(); }});
  auto o = std::make_shared<ProxyOptions>();
  auto* set = proxy->add_subcommand("set", "Change the proxy settings");
  auto* sys = set->add_flag("--system")->description("Use the system's settings");
  auto* dir = set->add_flag("--direct")->description("Connect directly");
  auto* host = set->add_option("--host", o->host, "The proxy host");
  // A port with blanks around it is the same port.
  auto* port = set->add_option("--port", o->port, "The proxy port")
                   ->transform(FitsBox(qv::service::frmProxySettings::kPortLength, true));
  set->add_option("--proxy-user", o->user)->needs(host);
  set->add_option("--proxy-password-file", o->passwordFile)->needs(host)->check(CLI::ExistingFile);
  host->needs(port);
  port->needs(host);
  sys->excludes(dir)->excludes(host);
  dir->excludes(host);
  set->require_option(1, 0);
  commands.push_back(
      {set,
       [=](Session& session) {
         o->kind = sys->count() > 0   ? ProxyOptions::System
                   : dir->count() > 0 ? ProxyOptions::Direct
                                      : ProxyOptions::Named;
         return session.ProxySet(*o);
       },
       [=] {
         return sys->count() == 0 && dir->count() == 0 && host->count() == 0
                    ? std::string("proxy set needs --system, --direct, or --host with --port")
                    : std::string();
       }});
}

}  // namespace

int main(int argc, char** argv) {
  // Large buffers (a sheet's window, a request of megabytes) come from the system and go back to it
  // when freed. By default the library raises this threshold once such a buffer is freed and keeps
  // the memory of later ones, so a send's peak would grow by what it had already given up.
  mallopt(M_MMAP_THRESHOLD, 128 * 1024);
  CLI::App app{
      "Personalised bulk SMS from the rows of a workbook, through the Quorvalent gateway."};
  app.require_subcommand(1);
  app.set_version_flag("--version", std::string("quorvalent ") + qv::kVersion);
  GlobalOptions global;
  app.add_option("--server", global.server, "The gateway, HOST[:PORT]");
  app.add_flag("--yes", global.yes, "Answer every question Yes or OK");
  app.add_option("--user", global.user, "The user name to log in with");
  app.add_option("--password-file", global.passwordFile, "A file whose first line is the password")
      ->check(CLI::ExistingFile);

  std::vector<Command> commands;
  AddSend(app, commands);
  commands.push_back({app.add_subcommand("balance", "Show the credit balance"),
                      [](Session& session) { return session.Balance(); }});
  commands.push_back({app.add_subcommand("modes", "Download the modes of submission"),
                      [](Session& session) { return session.Modes(); }});
  AddTemplates(app, commands);
  AddReport(app, commands);
  AddJobs(app, commands);
  AddFill(app, commands);
  AddProxy(app, commands);
  auto* demo = app.add_subcommand("demo", "Run a demonstration against a throwaway gateway");

  try {
    app.parse(argc, argv);
  } catch (const CLI::ParseError& e) {
    // Help is a success; every other mistake in the words is a usage error.
    return app.exit(e) == 0 ? 0 : 2;
  }
  try {
    if (*demo) return RunDemo(argv[0], std::cout);
    for (const auto& command : commands) {
      if (!*command.words) continue;
      if (const std::string misuse = command.misuse(); !misuse.empty()) {
        std::cerr << misuse << '\n';
        return 2;
      }
      Session session(global, std::cout);
      return command.run(session);
    }
  } catch (const std::exception& e) {
    std::cout << e.what() << '\n';
    return 1;
  }
  return 2;
}
