#include "support/gateway_process.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <sstream>
#include <stdexcept>

extern char** environ;

namespace qv::testing {
namespace {

// Runs the gateway binary with `args`; its pid, and the read end of its standard output.
pid_t Spawn(const std::vector<std::string>& args, int& out) {
  int fds[2];
  if (pipe(fds) != 0) throw std::runtime_error("pipe");
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, fds[1], 1);
  posix_spawn_file_actions_addclose(&actions, fds[0]);
  // Not the test's own input and error output: a gateway left running by a test that died would
  // hold them open, and the test's runner would wait for their end for ever.
  posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
  posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
  std::vector<std::string> all{QV_GATEWAY_BINARY};
  all.insert(all.end(), args.begin(), args.end());
  std::vector<char*> argv;
  for (auto& a : all) argv.push_back(a.data());
  argv.push_back(nullptr);
  pid_t pid = -1;
  const int rc = posix_spawn(&pid, QV_GATEWAY_BINARY, &actions, nullptr, argv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  close(fds[1]);
  if (rc != 0) {
    close(fds[0]);
    throw std::runtime_error("cannot start " + std::string(QV_GATEWAY_BINARY));
  }
  out = fds[0];
  return pid;
}

// Reads until end of file, or one line when `oneLine`, giving up after ten seconds of silence.
std::string ReadFrom(int fd, bool oneLine) {
  std::string text;
  char c = 0;
  while (true) {
    pollfd p{fd, POLLIN, 0};
    if (poll(&p, 1, 10000) <= 0) break;
    if (read(fd, &c, 1) != 1) break;
    if (oneLine && c == '\n') break;
    text += c;
  }
  return text;
}

}  // namespace

GatewayProcess::GatewayProcess(const Tls* tls) : https_(tls != nullptr) {
  static int counter = 0;
  db_ = (std::filesystem::temp_directory_path() /
         ("qv-it-" + std::to_string(getpid()) + "-" + std::to_string(++counter) + ".db"))
            .string();
  int out = -1;
  std::vector<std::string> args{"--db", db_, "--listen", "127.0.0.1:0"};
  if (tls) args.insert(args.end(), {"--cert", tls->certificate, "--key", tls->key});
  pid_ = Spawn(args, out);
  const std::string first = ReadFrom(out, true);
  close(out);
  const auto colon = first.rfind(':');
  if (first.rfind("Listening on ", 0) != 0 || colon == std::string::npos) {
    throw std::runtime_error("the gateway did not start: " + first);
  }
  port_ = std::stoi(first.substr(colon + 1));
}

GatewayProcess::~GatewayProcess() {
  if (pid_ > 0) {
    kill(pid_, SIGTERM);
    int status = 0;
    waitpid(pid_, &status, 0);
  }
  for (const char* suffix : {"", "-wal", "-shm"}) std::filesystem::remove(db_ + suffix);
}

std::string GatewayProcess::Admin(const std::vector<std::string>& args) const {
  std::vector<std::string> all{"--db", db_};
  all.insert(all.end(), args.begin(), args.end());
  int out = -1;
  const pid_t pid = Spawn(all, out);
  std::string text = ReadFrom(out, false);
  close(out);
  int status = 0;
  waitpid(pid, &status, 0);
  return text;
}

std::vector<GatewayProcess::Message> GatewayProcess::Messages(const std::string& account) const {
  std::vector<Message> out;
  std::istringstream lines(Admin({"messages", account}));
  std::string line;
  while (std::getline(lines, line)) {
    std::vector<std::string> f;
    std::size_t start = 0;
    for (int k = 0; k < 7; ++k) {
      const auto tab = line.find('\t', start);
      f.push_back(line.substr(start, tab - start));
      start = tab + 1;
    }
    std::string text;
    for (std::size_t i = start; i < line.size(); ++i) {
      if (line[i] == '\\' && i + 1 < line.size()) {
        const char n = line[++i];
        text += n == 'n' ? '\n' : n == 'r' ? '\r' : n;
      } else {
        text += line[i];
      }
    }
    out.push_back({f[1], f[2], f[4], f[5], text, std::stol(f[6])});
  }
  return out;
}

}  // namespace qv::testing
