// The quorvalent command as people and scripts run it, against the real gateway.
#include <gtest/gtest.h>

#include "host/csv_workbook.h"
#include "host/xlsx_workbook.h"
#include "host/zip_archive.h"
#include "support/certificates.h"
#include "support/gateway_process.h"
#include "support/loopback_server.h"
#include "support/process.h"
#include "support/send_steps.h"
#include "support/temp_dir.h"
#include "values/clock.h"
#include "values/clock_posix.h"

namespace qv::testing {
namespace {

class CliTest : public ::testing::Test {
 protected:
  CliTest() {
    gateway.Admin({"account", "add", "alice", "--password", "s3cret", "--credits", "100",
                   "--sender-id", "ACME", "--sender-id", "SHOP"});
    TempDir::WriteFile(dir / "password", "s3cret\n");
  }
  RunResult Run(std::vector<std::string> args, std::map<std::string, std::string> env = {}) {
    env.emplace("XDG_CONFIG_HOME", (dir / "config").string());
    env.emplace("QUORVALENT_SERVER", gateway.Address());
    env.emplace("QUORVALENT_USER", "alice");
    env.emplace("QUORVALENT_PASSWORD", "s3cret");
    return RunProgram(QV_CLI_BINARY, args, env);
  }
  // A workbook of three contacts: number, name, amount.
  std::string Contacts(const std::string& name) {
    const auto path = dir / name;
    if (path.extension() == ".csv") {
      TempDir::WriteFile(
          path,
          "Mobile,Name,Amount\n919876543210,Ann,10\n919876543211,\"Bob, Jr\",20\nnone,Skip,0\n");
    } else {
      auto wb = host::XlsxWorkbook::Create(path, "Contacts");
      WriteRows(
          wb->SheetAt(1), 1,
          {{"Mobile"}, {919876543210.0, "Ann", 10.0}, {919876543211.0, "Bob, Jr", 20.0}, {"none"}});
      wb->Save();
    }
    return path.string();
  }
  // The send of rows `start` to `end` of a workbook, the numbers in column A, with `message` (none
  // when empty) and the options `more`; with --yes first when `yes`.
  static std::vector<std::string> Send(bool yes, const std::string& workbook,
                                       const std::string& start, const std::string& end,
                                       const std::string& message,
                                       const std::vector<std::string>& more = {}) {
    std::vector<std::string> args = {"send",        workbook, "--mobile-column", "A",
                                     "--start-row", start,    "--end-row",       end};
    if (yes) args.insert(args.begin(), "--yes");
    if (!message.empty()) args.insert(args.end(), {"--message", message});
    args.insert(args.end(), more.begin(), more.end());
    return args;
  }

  GatewayProcess gateway;
  TempDir dir;
};

TEST_F(CliTest, SendFromXlsxAndCsvWithAPreview) {
  for (const char* name : {"contacts.xlsx", "contacts.csv"}) {
    const auto r = Run(Send(true, Contacts(name), "2", "4", "Hi #B#, you owe #C#",
                            {"--preview", "--sender-id", "SHOP"}));
    EXPECT_EQ(r.status, 0) << r.out;
    EXPECT_NE(r.out.find(
                  "1/2  919876543210  (18 characters, 1 SMS, 1 long SMS)\nAs the network sends it: "
                  "GSM 7-bit, 1 part\nHi Ann, you owe 10\n"),
              std::string::npos)
        << r.out;
    EXPECT_NE(r.out.find("Total Number Of SMS Charged = 2  Balance: "), std::string::npos) << r.out;
    EXPECT_NE(r.out.find(" credits\nAs the network counts them: 2 parts\n2 SMS Messages Sent\n"),
              std::string::npos)
        << r.out;
  }
  const auto stored = gateway.Messages("alice");
  ASSERT_EQ(stored.size(), 4u);
  EXPECT_EQ(stored[1].text, "Hi Bob, Jr, you owe 20");
  EXPECT_EQ(stored[3].sender, "SHOP");
}

TEST_F(CliTest, AScriptWithoutATerminalOrYesNeverSends) {
  const auto workbook = Contacts("contacts.xlsx");
  const auto previewed = Run(Send(false, workbook, "2", "3", "Hi", {"--preview"}));
  EXPECT_EQ(previewed.status, 1) << previewed.out;
  const auto scheduled =
      Run(Send(false, workbook, "2", "3", "Hi",
               {"--schedule", "12/31/2099 10:00 AM", "--description", "Year end"}));
  EXPECT_EQ(scheduled.status, 1) << scheduled.out;
  EXPECT_NE(scheduled.out.find("Are You Sure You Want To Set Scheculer On"), std::string::npos);
  const auto longOne = Run(Send(false, workbook, "2", "3", std::string(170, 'x')));
  EXPECT_EQ(longOne.status, 1) << longOne.out;
  EXPECT_TRUE(gateway.Messages("alice").empty());
  EXPECT_EQ(gateway.Admin({"jobs", "alice"}), "");
}

TEST_F(CliTest, TheDialogsJudgeTheOptions) {
  const auto workbook = Contacts("contacts.xlsx");
  const auto r = Run(Send(false, workbook, "x", "3", "Hi"));
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.out, "Logged in successfully\nStart row should be numeric only\n");
  const auto rows =
      Run({"send", workbook, "--mobile-column", "A", "--rows", "2-3,", "--message", "Hi"});
  EXPECT_EQ(rows.status, 1);
  EXPECT_NE(rows.out.find("Invalid format in row range of rows"), std::string::npos);
  const auto usage = Run({"send", workbook, "--start-row", "2"});
  EXPECT_EQ(usage.status, 2);
  const auto badLogin = Run({"balance"}, {{"QUORVALENT_PASSWORD", "wrong"}});
  EXPECT_EQ(badLogin.status, 1);
  EXPECT_EQ(badLogin.out, "Invalid Password\n");
  const auto noCredentials = RunProgram(QV_CLI_BINARY, {"balance"},
                                        {{"XDG_CONFIG_HOME", (dir / "config").string()},
                                         {"QUORVALENT_SERVER", gateway.Address()},
                                         {"QUORVALENT_USER", ""},
                                         {"QUORVALENT_PASSWORD", ""}});
  EXPECT_EQ(noCredentials.status, 1);
  EXPECT_EQ(noCredentials.out,
            "No user name and password to log in with: give --user and --password-file, or set "
            "QUORVALENT_USER and QUORVALENT_PASSWORD.\n");
}

// A value that a dialog could not show is refused before anything is sent, naming the option and
// the value; the values just inside each limit go through.
TEST_F(CliTest, OptionsTheDialogsCannotShowAreUsageErrors) {
  const auto workbook = Contacts("contacts.xlsx");
  const auto report = [&](const std::string& from, const std::string& to) {
    return std::vector<std::string>{"report", workbook, "--from",       from,
                                    "--to",   to,       "--sheet-name", "R"};
  };
  const auto schedule = [&](const std::string& at, const std::string& description) {
    return Send(false, workbook, "2", "3", "Hi", {"--schedule", at, "--description", description});
  };
  const struct {
    std::vector<std::string> args;
    std::string says;
  } refused[] = {
      {report("4/1/2026", "4/31/2026"), "--to: \"4/31/2026\" is not a date"},
      {report("2/29/2026", "3/1/2026"), "--from: \"2/29/2026\""},
      {report("3/0/2026", "3/1/2026"), "--from: \"3/0/2026\""},
      {report("13/1/2026", "3/1/2026"), "--from: \"13/1/2026\""},
      {report("x", "3/1/2026"), "--from: \"x\""},
      {report("3/1/2026 10:00 AM", "3/1/2026"), "--from: \"3/1/2026 10:00 AM\""},
      {{"jobs", "retime", "--ids", "1", "--at", "4/31/2026 10:00 AM"}, "--at: \"4/31/2026"},
      {{"jobs", "retime", "--ids", "1", "--at", "4/30/2026"}, "--at: \"4/30/2026\""},
      {{"jobs", "retime", "--ids", "1", "--at", "4/30/2026 25:00"}, "--at: \"4/30/2026 25:00\""},
      {schedule("2/30/2099 10:00 AM", "d"), "--schedule: \"2/30/2099 10:00 AM\""},
      {schedule("12/31/2099 10:00 AM", std::string(31, 'd')),
       "--description: \"" + std::string(31, 'd') + "\" is longer than the 30 characters"},
      {{"proxy", "set", "--host", "gw", "--port", "31280"},
       "--port: \"31280\" is longer than the 4 characters"},
      {{"proxy", "set", "--host", "gw", "--port", " 31280 "}, "--port: \"31280\""},
  };
  for (const auto& c : refused) {
    const auto r = Run(c.args);
    EXPECT_EQ(r.status, 2) << c.says << "\n" << r.out;
    EXPECT_NE(r.out.find(c.says), std::string::npos) << r.out;
    EXPECT_EQ(r.out.find("Logged in"), std::string::npos) << "nothing is sent: " << r.out;
  }
  EXPECT_NE(Run(report("2/29/2024", "2/29/2024")).status, 2);
  const auto thirty = Run(schedule("12/31/2099 10:00 AM", std::string(30, 'd')));
  EXPECT_NE(thirty.out.find("Are You Sure You Want To Set Scheculer On"), std::string::npos)
      << thirty.out;
  // The port box takes four characters; blanks around them are not part of the port.
  EXPECT_EQ(Run({"proxy", "set", "--host", "gw", "--port", " 3128"}).status, 0);
  EXPECT_NE(Run({"proxy", "show"}).out.find("Port: 3128\n"), std::string::npos);
}

TEST_F(CliTest, AMessageFileIsSentWithoutItsByteOrderMarkAndFinalLineBreak) {
  const auto workbook = Contacts("contacts.xlsx");
  const auto file = dir / "message.txt";
  TempDir::WriteFile(file, "\xEF\xBB\xBFHi #B#,\nsee you\r\n");
  const auto r = Run(Send(false, workbook, "2", "2", "", {"--message-file", file.string()}));
  EXPECT_EQ(r.status, 0) << r.out;
  // 160 characters and a line break: one SMS, no long-message question.
  TempDir::WriteFile(file, std::string(160, 'x') + "\n");
  const auto full = Run(Send(false, workbook, "2", "2", "", {"--message-file", file.string()}));
  EXPECT_EQ(full.status, 0) << full.out;
  const auto stored = gateway.Messages("alice");
  ASSERT_EQ(stored.size(), 2u);
  EXPECT_EQ(stored[0].text, "Hi Ann,\nsee you");
  EXPECT_EQ(stored[1].text, std::string(160, 'x'));
}

// The settings shorten the deadline of an exchange and cap its answer: a server that drips, or
// answers too much, is then a dead one.
TEST_F(CliTest, TheTransportSettingsComeFromTheSettings) {
  std::filesystem::create_directories(dir / "config" / "QuorvalentExcel");
  TempDir::WriteFile(dir / "config" / "QuorvalentExcel" / "settings.ini",
                     "[Transport]\nDeadlineSeconds=1\nAnswerBytes=2\n");
  LoopbackServer drip("000", false, LoopbackServer::Manner::Drip(std::chrono::milliseconds(100)));
  LoopbackServer large("000");
  for (const LoopbackServer* server : {&drip, &large}) {
    const auto r =
        Run({"balance"}, {{"QUORVALENT_SERVER", "127.0.0.1:" + std::to_string(server->Port())}});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.out.find("Logged in successfully"), std::string::npos) << r.out;
  }
}

// An https service whose certificate comes from a private authority is reached once CAFile names
// that authority; before, the login fails as for a dead service and stderr says why.
TEST_F(CliTest, AnHttpsServiceIsTrustedThroughCAFile) {
  TestCertificates certificates;
  const GatewayProcess::Tls tls = certificates.Service();
  GatewayProcess secure(&tls);
  secure.Admin({"account", "add", "alice", "--password", "s3cret", "--credits", "42"});
  const auto untrusted = Run({"--server", secure.Address(), "balance"});
  EXPECT_EQ(untrusted.status, 1);
  EXPECT_NE(untrusted.out.find("No Response!!!"), std::string::npos) << untrusted.out;
  EXPECT_NE(untrusted.out.find("quorvalent: " + secure.Address() +
                               "/SMS_Excel/LoginCheck.asp: SSL certificate problem"),
            std::string::npos)
      << untrusted.out;
  std::filesystem::create_directories(dir / "config" / "QuorvalentExcel");
  TempDir::WriteFile(dir / "config" / "QuorvalentExcel" / "settings.ini",
                     "[Transport]\nCAFile=" + certificates.Authority() + "\n");
  const auto trusted = Run({"--server", secure.Address(), "balance"});
  EXPECT_EQ(trusted.status, 0) << trusted.out;
  EXPECT_NE(trusted.out.find("Logged in successfully\n"), std::string::npos) << trusted.out;
  EXPECT_NE(trusted.out.find("42"), std::string::npos) << trusted.out;
}

// The gateway serves https only with a certificate and the key that belongs to it.
TEST(GatewayTls, ACertificateNeedsItsOwnKey) {
  TestCertificates certificates;
  TempDir dir;
  const auto service = certificates.Service();
  const auto other = certificates.Misnamed();
  const std::string db = (dir / "g.db").string();
  const struct {
    std::vector<std::string> options;
    int status;
    const char* says;
  } cases[] = {
      {{"--cert", service.certificate}, 2, "--cert requires --key"},
      {{"--key", service.key}, 2, "--key requires --cert"},
      {{"--cert", service.certificate + ".none", "--key", service.key}, 2, "File does not exist"},
      {{"--cert", service.certificate, "--key", other.key}, 1, "do not belong together"},
      {{"--cert", service.key, "--key", service.key}, 1, "cannot be read"},
  };
  for (const auto& c : cases) {
    std::vector<std::string> args{"--db", db, "--listen", "127.0.0.1:0"};
    args.insert(args.end(), c.options.begin(), c.options.end());
    const RunResult r = RunProgram(QV_GATEWAY_BINARY, args, {}, 10);
    EXPECT_EQ(r.status, c.status) << r.out;
    EXPECT_NE(r.out.find(c.says), std::string::npos) << r.out;
    EXPECT_EQ(r.out.find("Listening"), std::string::npos) << r.out;
  }
}

// A service that answers the login and then nothing: the listings could not be made.
TEST_F(CliTest, AListingWithoutAnAnswerIsAFailure) {
  for (const char* what : {"templates", "jobs"}) {
    LoopbackServer server("000", false, LoopbackServer::Manner::ThenAnswer(""));
    const auto r =
        Run({what, "list"}, {{"QUORVALENT_SERVER", "127.0.0.1:" + std::to_string(server.Port())}});
    EXPECT_EQ(r.status, 1) << what;
    EXPECT_EQ(r.out,
              "Logged in successfully\nPlease Check Your Internet Connection & Proxy Settings\n")
        << what;
  }
}

// A send reads the rows it sends while the rest of the sheet is still read (numbers: an inline
// string would wait for the whole sheet); a sheet damaged far below them still sends nothing,
// however the send is made.
TEST_F(CliTest, AWorkbookDamagedBelowTheRowsSentSendsNothing) {
  const auto workbook = Contacts("contacts.xlsx");
  std::string rows;
  for (int r = 2; r <= 30000; ++r) {
    const std::string n = std::to_string(r);
    rows += "<row r=\"" + n + "\"><c r=\"A" + n + "\"><v>" + std::to_string(919876500000 + r) +
            "</v></c><c r=\"B" + n + "\"><v>" + n + "</v></c></row>";
  }
  rows += "<row r=\"30001\"><c r=\"A30001\"><v>12x</v></c></row>";
  const std::string sheet =
      "<worksheet xmlns=\"http://schemas.openxmlformats.org/spreadsheetml/2006/main\">"
      "<dimension ref=\"A1:B30001\"/><sheetData>" +
      rows + "</sheetData></worksheet>";
  TempDir::WriteFile(workbook,
                     host::RewrittenZipBytes(workbook, {{"xl/worksheets/sheet1.xml", sheet}}));
  const std::vector<std::vector<std::string>> sends = {
      {},
      {"--preview"},
      {"--filter", "#B# > 2"},
      {"--group-by", "B", "--header", "Dear #B#,"},
  };
  for (const auto& extra : sends) {
    const auto r = Run(Send(true, workbook, "2", "3", "Hi #B#", extra));
    const std::string what = extra.empty() ? "plain" : extra.front();
    EXPECT_EQ(r.status, 1) << what << ": " << r.out;
    EXPECT_NE(r.out.find("has a cell A30001 whose number \"12x\" does not read"), std::string::npos)
        << what << ": " << r.out;
  }
  EXPECT_TRUE(gateway.Messages("alice").empty());
}

TEST_F(CliTest, FilteredAndGroupedSends) {
  const auto workbook = Contacts("contacts.xlsx");
  const auto filtered = Run(Send(true, workbook, "2", "4", "Hi #B#", {"--filter", "#C# > 15"}));
  EXPECT_EQ(filtered.status, 0) << filtered.out;
  EXPECT_NE(filtered.out.find("1 records has been filtered. Do you want to SMS?"),
            std::string::npos);
  const auto grouped =
      Run(Send(true, workbook, "2", "3", "#C#",
               {"--group-by", "B", "--header", "Dear #B#,", "--footer", "Thanks"}));
  EXPECT_EQ(grouped.status, 0) << grouped.out;
  const auto stored = gateway.Messages("alice");
  ASSERT_EQ(stored.size(), 3u);
  EXPECT_EQ(stored[0].text, "Hi Bob, Jr");
  EXPECT_EQ(stored[1].text, "Dear Ann,\r\n10\r\nThanks");
}

TEST_F(CliTest, BalanceModesTemplatesAndProxy) {
  auto r = Run({"balance"});
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.out, "Logged in successfully\nYour credit balance is 100.00\n");
  r = Run({"modes"});
  EXPECT_EQ(r.status, 0);
  EXPECT_NE(r.out.find("Mode of submissions has been downloaded\nL-"), std::string::npos) << r.out;
  r = Run({"templates", "save", "Due", "--message", "Pay #C# & smile"});
  EXPECT_EQ(r.status, 0) << r.out;
  r = Run({"templates", "list"});
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.out, "Logged in successfully\nDue: Pay #C# & smile\nSender IDs: ACME SHOP\n");
  r = Run({"templates", "delete", "Due"});
  EXPECT_EQ(r.status, 1) << "the deletion was not confirmed";
  // A name the list does not hold is typed, sent, and answered by the service.
  r = Run({"--yes", "templates", "delete", "Other"});
  EXPECT_EQ(r.status, 1) << r.out;
  EXPECT_EQ(r.out,
            "Logged in successfully\nDo You Really Want To Delete 'Other'\nThere is no saved "
            "message named 'Other'.\n");
  r = Run({"--yes", "templates", "delete", "Due"});
  EXPECT_EQ(r.status, 0) << r.out;
  r = Run({"--yes", "templates", "delete", "Due"});
  EXPECT_EQ(r.out,
            "Logged in successfully\nThere are no templates to delete: the service listed none.\n");
  r = Run({"proxy", "set", "--host", "gw", "--port", "3128"});
  EXPECT_EQ(r.status, 0) << r.out;
  r = Run({"proxy", "show"});
  EXPECT_EQ(r.out, "Proxy type: Use proxy list\nHost: gw\nPort: 3128\nUser name: \nPassword: \n");
  r = Run({"proxy", "set", "--host", "  ", "--port", "80"});
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.out, "Invalid Proxy Name/Address\n");
  r = Run({"proxy", "set", "--direct"});
  EXPECT_EQ(r.status, 0);
  r = Run({"proxy", "show"});
  EXPECT_EQ(r.out, "Proxy type: Directly connect to the Internet\n");
}

TEST_F(CliTest, ScheduledJobsAreListedRetimedAndDeleted) {
  const auto workbook = Contacts("contacts.csv");
  auto r =
      Run(Send(true, workbook, "2", "3", "Later",
               {"--schedule", "12/31/2099 10:00 AM", "--description", "Year end", "--notify"}));
  EXPECT_EQ(r.status, 0) << r.out;
  r = Run({"jobs", "list"});
  EXPECT_EQ(r.status, 0);
  EXPECT_NE(r.out.find("Year end\t2\t31 Dec 2099 10:00 AM\t1,2\n"), std::string::npos) << r.out;
  r = Run({"jobs", "retime", "--ids", "1,2", "--at", "12/30/2099 9:05 AM"});
  EXPECT_EQ(r.status, 0) << r.out;
  r = Run({"jobs", "list"});
  EXPECT_NE(r.out.find("Year end\t2\t30 Dec 2099 09:05 AM\t1,2\n"), std::string::npos) << r.out;
  r = Run({"jobs", "delete", "--ids", "7"});
  EXPECT_EQ(r.status, 1);
  r = Run({"--yes", "jobs", "delete", "--ids", "1,2"});
  EXPECT_EQ(r.status, 0) << r.out;
  EXPECT_EQ(gateway.Admin({"jobs", "alice"}), "");
}

TEST_F(CliTest, TheReportIsWrittenIntoTheWorkbookAndACsvRefusesIt) {
  const auto workbook = Contacts("contacts.xlsx");
  ASSERT_EQ(Run(Send(true, workbook, "2", "3", "Hi #B#")).status, 0);
  const std::string today = FormatDateTime(SystemClock().Now(), "m/d/yyyy");
  auto r = Run({"report", workbook, "--from", today, "--to", today, "--sheet-name", "Report"});
  EXPECT_EQ(r.status, 0) << r.out;
  auto wb = host::XlsxWorkbook::Open(workbook);
  host::Sheet* sheet = wb->FindSheet("Report");
  ASSERT_NE(sheet, nullptr);
  EXPECT_EQ(sheet->ValueAt("A1"), Variant("Mobile Number"));
  EXPECT_EQ(sheet->ValueAt("B3"), Variant("Hi Bob, Jr"));
  r = Run({"report", workbook, "--from", today, "--to", today, "--sheet-name", "report"});
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.out.find("Sheet name(report) already exits."), std::string::npos);

  const auto csv = Contacts("contacts.csv");
  const std::string before = TempDir::ReadFile(csv);
  r = Run({"report", csv, "--from", today, "--to", today, "--sheet-name", "Report"});
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.out.find("is a .csv file, which holds one sheet only"), std::string::npos) << r.out;
  EXPECT_EQ(TempDir::ReadFile(csv), before);
}

TEST_F(CliTest, FillFromAnotherWorkbook) {
  const auto destination = dir / "orders.csv";
  TempDir::WriteFile(destination, "Client,Item,Mobile\nC1,Tea,\nC2,Cake,\nC9,Jam,\n");
  {
    auto wb = host::XlsxWorkbook::Create(dir / "numbers.xlsx", "Numbers");
    auto& s = wb->SheetAt(1);
    s.SetValueAt("A1", "C1");
    s.SetValueAt("B1", 911111111111.0);
    s.SetValueAt("A2", "C2");
    s.SetValueAt("B2", 922222222222.0);
    wb->Save();
  }
  const auto r =
      Run({"fill", destination.string(), "--sheet", "orders", "--id-column", "A", "--fill-column",
           "C", "--source", (dir / "numbers.xlsx").string(), "--source-sheet", "Numbers",
           "--source-id-column", "A", "--source-mobile-column", "B"});
  EXPECT_EQ(r.status, 0) << r.out;
  EXPECT_EQ(TempDir::ReadFile(destination),
            "Client,Item,Mobile\nC1,Tea,911111111111\nC2,Cake,922222222222\nC9,Jam\n");
}

TEST(CliDemo, RunsOnItsOwn) {
  TempDir dir;
  const auto r =
      RunProgram(QV_CLI_BINARY, {"demo"}, {{"XDG_CONFIG_HOME", (dir / "config").string()}}, 120);
  EXPECT_EQ(r.status, 0) << r.out;
  EXPECT_NE(r.out.find("11 SMS Messages Sent"), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("| Failed |"), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("The gateway has stopped."), std::string::npos) << r.out;
}

// The check's findings are printed; with --yes a number in two rows goes as listed, with --once
// once. Without --yes and without a terminal the send stops.
TEST_F(CliTest, TheChecksFindingsArePrintedAndAnsweredByTheOptions) {
  const auto workbook = dir / "twice.csv";
  TempDir::WriteFile(
      workbook, "Mobile,Name\n919876543210,Ann\n919876543211,Bob\n919876543210,Cy\n12345,Di\n");
  const std::string findings =
      "Before the messages go, look at what this send is about to do:\n"
      "1 number stands in more than one row:\n"
      "  919876543210 in rows 2, 4\n"
      "1 number a spreadsheet or a phone cannot hold:\n"
      "  Row 5: 12345 has 5 digits, fewer than 7\n";
  const struct {
    bool yes, once;
    int status;
    const char* numbers;  // as the gateway stored them; nullptr for none
  } cases[] = {
      {false, false, 1, nullptr},
      {true, false, 0, "919876543210,919876543211,919876543210,12345"},
      {true, true, 0, "919876543210,919876543211,12345"},
  };
  for (const auto& c : cases) {
    const std::size_t before = gateway.Messages("alice").size();
    const auto r =
        Run(Send(c.yes, workbook.string(), "2", "5", "Hi #B#",
                 c.once ? std::vector<std::string>{"--once"} : std::vector<std::string>{}));
    EXPECT_EQ(r.status, c.status) << r.out;
    EXPECT_NE(r.out.find(findings), std::string::npos) << r.out;
    const auto stored = gateway.Messages("alice");
    std::string numbers;
    for (std::size_t i = before; i < stored.size(); ++i)
      numbers += (numbers.empty() ? "" : ",") + stored[i].mobile;
    EXPECT_EQ(numbers, c.numbers ? c.numbers : "") << r.out;
  }
}

// A send that got no answer is not repeated by a script, not even with --yes, unless --resend
// says so; the mark is in the settings file, so it outlives the run that made it.
TEST_F(CliTest, ASendWithoutAnAnswerIsRepeatedOnlyWithResend) {
  const std::string workbook = Contacts("contacts.csv");
  const std::vector<std::string> send = Send(true, workbook, "2", "4", "Hi");
  {
    LoopbackServer silent("000", false, LoopbackServer::Manner::ThenAnswer(""));
    const auto r = Run(send, {{"QUORVALENT_SERVER", "127.0.0.1:" + std::to_string(silent.Port())}});
    EXPECT_NE(r.out.find("Please Check Your Internet Connection & Proxy Settings"),
              std::string::npos)
        << r.out;
  }
  auto r = Run(send);
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.out.find("The same message to the same 2 numbers was sent at "), std::string::npos)
      << r.out;
  EXPECT_TRUE(gateway.Messages("alice").empty());
  std::vector<std::string> resend = send;
  resend.push_back("--resend");
  r = Run(resend);
  EXPECT_EQ(r.status, 0) << r.out;
  EXPECT_EQ(gateway.Messages("alice").size(), 2u);
  // The answer cleared the mark.
  r = Run(send);
  EXPECT_EQ(r.status, 0) << r.out;
  EXPECT_EQ(r.out.find("The same message"), std::string::npos) << r.out;
}

// A dry run goes through the check and the preview and describes the request it does not post.
TEST_F(CliTest, ADryRunDescribesTheRequestAndPostsNothing) {
  const auto r =
      Run(Send(true, Contacts("contacts.xlsx"), "2", "4", "Hi #B#", {"--preview", "--dry-run"}));
  EXPECT_EQ(r.status, 0) << r.out;
  EXPECT_NE(r.out.find("1/2  919876543210"), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("Dry run: nothing was sent. The request would go to "
                       "SMS_Excel/SaveExcelData_V2.asp with 2 numbers in a body of "),
            std::string::npos)
      << r.out;
  EXPECT_TRUE(gateway.Messages("alice").empty());
}

}  // namespace
}  // namespace qv::testing
