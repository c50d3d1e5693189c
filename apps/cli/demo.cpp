#include "demo.h"

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <iostream>
#include <thread>

#include "commands.h"
#include "host/xlsx_workbook.h"
#include "values/clock_posix.h"
#include "values/convert.h"

extern char** environ;

namespace qv::cli {
namespace {

namespace fs = std::filesystem;

fs::path FindGateway(const char* argv0) {
  if (const char* env = std::getenv("QUORVALENT_GATEWAY"); env && *env) return env;
  std::error_code ec;
  const fs::path self = fs::read_symlink("/proc/self/exe", ec);
  const fs::path dir = ec ? fs::path(argv0).parent_path() : self.parent_path();
  for (const fs::path& candidate :
       {dir / "quorvalent-gateway", dir / ".." / ".." / "gateway" / "quorvalent-gateway"}) {
    if (fs::exists(candidate)) return fs::canonical(candidate);
  }
  return "quorvalent-gateway";
}

// Runs the gateway with `args`; its pid, and its standard output when `out` is given.
pid_t Spawn(const fs::path& gateway, const std::vector<std::string>& args, int* out) {
  int fds[2] = {-1, -1};
  if (out && ::pipe(fds) != 0) throw std::runtime_error("Cannot start the gateway.");
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  if (out) {
    posix_spawn_file_actions_adddup2(&actions, fds[1], 1);
    posix_spawn_file_actions_addclose(&actions, fds[0]);
  } else {
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
  }
  std::vector<std::string> all{gateway.string()};
  all.insert(all.end(), args.begin(), args.end());
  std::vector<char*> argv;
  for (auto& a : all) argv.push_back(a.data());
  argv.push_back(nullptr);
  pid_t pid = -1;
  const int rc = posix_spawnp(&pid, all[0].c_str(), &actions, nullptr, argv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  if (out) {
    ::close(fds[1]);
    *out = fds[0];
  }
  if (rc != 0)
    throw std::runtime_error("Cannot start " + gateway.string() +
                             ": build it first (scripts/run builds it).");
  return pid;
}

int Wait(pid_t pid) {
  int status = 0;
  ::waitpid(pid, &status, 0);
  return WIFEXITED(status) ? WEXITSTATUS(status) : 1;
}

// The gateway as a child process, stopped when this goes.
class Gateway {
 public:
  Gateway(const fs::path& binary, const fs::path& db) {
    int out = -1;
    pid_ = Spawn(binary, {"--db", db.string(), "--listen", "127.0.0.1:0"}, &out);
    std::string line;
    char c = 0;
    while (::read(out, &c, 1) == 1 && c != '\n') line += c;
    ::close(out);
    const auto colon = line.rfind(':');
    if (line.rfind("Listening on ", 0) != 0 || colon == std::string::npos) {
      Stop();
      throw std::runtime_error("The gateway did not start: " + line);
    }
    address_ = line.substr(std::string("Listening on ").size());
  }
  ~Gateway() { Stop(); }
  void Stop() {
    if (pid_ > 0) {
      ::kill(pid_, SIGTERM);
      Wait(pid_);
      pid_ = -1;
    }
  }
  const std::string& Address() const { return address_; }

 private:
  pid_t pid_ = -1;
  std::string address_;
};

void Heading(std::ostream& out, const std::string& text) { out << "\n== " << text << " ==\n"; }

// Twelve contacts, one without a number and one with a short one.
void WriteSampleWorkbook(const fs::path& workbook) {
  auto wb = host::XlsxWorkbook::Create(workbook, "Contacts");
  host::Sheet& s = wb->SheetAt(1);
  const char* headers[] = {"Mobile", "Name", "Amount", "Due"};
  for (int c = 0; c < 4; ++c) s.SetValue(host::CellRef{c + 1, 1}, headers[c]);
  const struct {
    double mobile;
    const char* name;
    double amount;
  } people[] = {
      {919812340001, "Asha", 1250}, {919812340002, "Bruno", 80.5},     {919812340003, "Chen", 432},
      {919812340004, "Dana", 15},   {12345, "Eve (short number)", 99}, {0, "", 0},
      {919812340007, "Farid", 310}, {919812340008, "Gita", 47.25},     {919812340009, "Hugo", 1999},
      {919812340010, "Ines", 5},    {919812340011, "Jomo", 260},       {919812340012, "Kai", 73}};
  int row = 2;
  for (const auto& p : people) {
    if (p.mobile != 0) {
      s.SetValue(host::CellRef{1, row}, p.mobile);
      s.SetValue(host::CellRef{2, row}, p.name);
      s.SetValue(host::CellRef{3, row}, p.amount);
      s.SetValue(host::CellRef{4, row}, DateTime::FromParts(2027, 1, 1 + row));
    }
    ++row;
  }
  wb->Save();
}

// Prints the report sheet the delivery report wrote; 1 when it cannot be read.
int ShowReport(const fs::path& workbook, std::ostream& out) {
  try {
    auto wb = host::XlsxWorkbook::Open(workbook, true);
    if (host::Sheet* sheet = wb->FindSheet("Delivery report")) {
      for (int r = 1; !sheet->Text(host::CellRef{1, r}).empty(); ++r) {
        for (int c = 1; c <= 6; ++c)
          out << (c > 1 ? " | " : "") << sheet->Text(host::CellRef{c, r});
        out << '\n';
      }
    }
  } catch (const std::exception& e) {
    out << e.what() << '\n';
    return 1;
  }
  return 0;
}

}  // namespace

int RunDemo(const char* argv0, std::ostream& out) {
  std::string pattern = (fs::temp_directory_path() / "quorvalent-demo-XXXXXX").string();
  const fs::path dir = ::mkdtemp(pattern.data());
  // The demo keeps its settings to itself.
  ::setenv("XDG_CONFIG_HOME", (dir / "config").c_str(), 1);
  const fs::path binary = FindGateway(argv0);
  const fs::path db = dir / "gateway.db";

  Heading(out, "Starting the stand-in gateway");
  Gateway gateway(binary, db);
  out << "Listening on " << gateway.Address() << '\n';
  if (Wait(Spawn(binary,
                 {"--db", db.string(), "account", "add", "demo", "--password", "demo-pass",
                  "--credits", "500", "--sender-id", "ACME", "--sender-id", "SHOP"},
                 nullptr)) != 0) {
    out << "The demo account could not be created.\n";
    return 1;
  }
  out << "Account demo created with 500 credits and the sender IDs ACME and SHOP.\n";
  std::ofstream(dir / "password") << "demo-pass\n";

  const fs::path workbook = dir / "demo-contacts.xlsx";
  WriteSampleWorkbook(workbook);
  out << "Sample workbook written: " << workbook.string() << '\n';

  GlobalOptions options{gateway.Address(), true, "demo", (dir / "password").string()};
  Session session(options, out);
  int failures = 0;

  Heading(out, "Sending a personalised message to every contact, with a preview");
  SendOptions send;
  send.workbook = workbook.string();
  send.mobileColumn = "A";
  send.startRow = "2";
  send.endRow = "13";
  send.message = "Dear #B#, your bill of #C# is due on #D#. Thank you!";
  send.preview = true;
  send.senderId = "ACME";
  failures += session.Send(send);

  Heading(out, "The balance");
  failures += session.Balance();

  Heading(out, "Scheduling a reminder for tomorrow at 10:00 AM");
  const DateTime tomorrow = SystemClock().Now().AddMinutes(24 * 60);
  SendOptions later = send;
  later.preview = false;
  later.message = "Reminder: #C# is due on #D#.";
  later.schedule = FormatDateTime(tomorrow, "mm/dd/yyyy") + " 10:00 AM";
  later.description = "Reminder for tomorrow";
  Session scheduling(options, out);
  failures += scheduling.Send(later);

  Heading(out, "The scheduled jobs");
  failures += scheduling.JobsList();

  Heading(out, "The delivery report, in a new sheet of the workbook");
  std::this_thread::sleep_for(std::chrono::milliseconds(2500));
  const std::string today = FormatDateTime(SystemClock().Now(), "m/d/yyyy");
  Session reporting(options, out);
  failures += reporting.Report(workbook.string(), today, today, "Delivery report", "ALL");
  failures += ShowReport(workbook, out);

  gateway.Stop();
  Heading(out, "Done");
  out << "The gateway has stopped. The workbook with its report sheet is " << workbook.string()
      << '\n';
  return failures == 0 ? 0 : 1;
}

}  // namespace qv::cli
