// quorvalent-gateway: the stand-in Quorvalent SMS service, and its administration.
#include <CLI/CLI.hpp>

#include <csignal>
#include <iostream>
#include <thread>

#include "gateway.h"
#include "qv_version.h"
#include "server.h"
#include "values/clock_posix.h"
#include "values/convert.h"
#include "values/text.h"

namespace {

using qv::gateway::Account;
using qv::gateway::Gateway;

int Serve(Gateway& gateway, const std::string& listen, const qv::gateway::Tls* tls) {
  const auto colon = listen.rfind(':');
  if (colon == std::string::npos || !qv::IsNumericText(listen.substr(colon + 1))) {
    std::cerr << "--listen takes HOST:PORT, not \"" << listen << "\"\n";
    return 2;
  }
  const std::string host = listen.substr(0, colon);
  const int wanted = std::stoi(listen.substr(colon + 1));
  qv::gateway::Server server(gateway, tls);
  const int port = server.Bind(host, wanted);
  if (port < 0) {
    std::cerr << "Cannot listen on " << listen << "\n";
    return 1;
  }
  std::cout << "Listening on " << (tls ? "https://" : "") << host << ":" << port << std::endl;

  // SIGINT and SIGTERM stop the server cleanly.
  sigset_t signals;
  sigemptyset(&signals);
  sigaddset(&signals, SIGINT);
  sigaddset(&signals, SIGTERM);
  pthread_sigmask(SIG_BLOCK, &signals, nullptr);
  std::thread waiter([&] {
    int received = 0;
    sigwait(&signals, &received);
    server.Stop();
  });
  const bool ok = server.Run();
  // Wakes the waiter if the server ended on its own.
  pthread_kill(waiter.native_handle(), SIGTERM);
  waiter.join();
  return ok ? 0 : 1;
}

void Print(const Account& a) {
  std::cout << "Account:    " << a.name << "\nCredits:    " << qv::NumberAsText(a.credits)
            << "\nBlocked:    " << (a.blocked ? "yes" : "no") << "\nSender IDs:";
  for (const auto& id : a.senderIds) std::cout << ' ' << id;
  std::cout << '\n';
}

// One message a line, tab-separated, the text last with its line breaks written \n and \r.
void PrintMessages(Gateway& gateway, const std::string& name) {
  for (const auto& m : gateway.Messages(name)) {
    std::cout << m.id << '\t' << m.mobile << '\t' << m.status << '\t'
              << qv::DateTimeAsText(m.submitted) << '\t' << m.senderId << '\t'
              << (m.flash ? "flash" : "normal") << '\t' << m.sms << " SMS\t"
              << qv::EscapeLineBreaks(m.text) << '\n';
  }
}

void PrintJobs(Gateway& gateway, const std::string& name) {
  for (const auto& j : gateway.Jobs(name)) {
    std::cout << j.id << '\t' << j.description << '\t' << j.mobile << '\t'
              << qv::DateTimeAsText(j.due) << '\t' << qv::EscapeLineBreaks(j.text) << '\n';
  }
}

}  // namespace

int main(int argc, char** argv) {
  CLI::App app{"The stand-in Quorvalent SMS gateway. Without a subcommand it serves HTTP."};
  app.set_version_flag("--version", std::string("quorvalent-gateway ") + qv::kVersion);
  std::string db = "quorvalent-gateway.db";
  std::string listen = "127.0.0.1:8080";
  app.add_option("--db", db, "The SQLite database (created when missing)");
  app.add_option("--listen", listen, "HOST:PORT to serve on; port 0 picks a free port");
  std::string certificate, key;
  auto* certOption =
      app.add_option("--cert", certificate, "Serve https with this certificate (PEM)")
          ->check(CLI::ExistingFile);
  auto* keyOption =
      app.add_option("--key", key, "The certificate's private key (PEM)")->check(CLI::ExistingFile);
  certOption->needs(keyOption);
  keyOption->needs(certOption);

  auto* account = app.add_subcommand("account", "Manage accounts")->require_subcommand(1);
  Account added;
  auto* add = account->add_subcommand("add", "Create an account");
  add->add_option("name", added.name)->required();
  add->add_option("--password", added.password)->required();
  add->add_option("--credits", added.credits);
  add->add_option("--sender-id", added.senderIds);
  add->add_flag("--blocked", added.blocked);

  std::string setName;
  std::optional<std::string> newPassword;
  std::optional<double> newCredits;
  std::vector<std::string> newSenderIds;
  bool block = false, unblock = false;
  auto* set = account->add_subcommand("set", "Change an account");
  set->add_option("name", setName)->required();
  set->add_option("--password", newPassword);
  set->add_option("--credits", newCredits);
  auto* senderOption = set->add_option("--sender-id", newSenderIds, "Replaces the sender IDs");
  set->add_flag("--blocked", block);
  set->add_flag("--unblocked", unblock)->excludes("--blocked");

  std::string showName;
  auto* show = account->add_subcommand("show", "Show an account");
  show->add_option("name", showName)->required();

  std::string messagesName;
  auto* messages = app.add_subcommand("messages", "List what an account sent, merged, with status");
  messages->add_option("name", messagesName)->required();
  std::string jobsName;
  auto* jobs = app.add_subcommand("jobs", "List an account's scheduled jobs");
  jobs->add_option("name", jobsName)->required();

  try {
    app.parse(argc, argv);
  } catch (const CLI::ParseError& e) {
    // Help and the version are a success; every other mistake in the words is a usage error, as
    // for the add-in's command.
    return app.exit(e) == 0 ? 0 : 2;
  }
  try {
    qv::SystemClock clock;
    Gateway gateway(db, clock);
    if (*add) {
      gateway.AddAccount(added);
      Print(*gateway.FindAccount(added.name));
    } else if (*set) {
      auto a = gateway.FindAccount(setName);
      if (!a) throw std::runtime_error("There is no account " + setName + ".");
      if (newPassword) a->password = *newPassword;
      if (newCredits) a->credits = *newCredits;
      if (senderOption->count() > 0) a->senderIds = newSenderIds;
      if (block) a->blocked = true;
      if (unblock) a->blocked = false;
      gateway.UpdateAccount(*a);
      Print(*a);
    } else if (*show) {
      const auto a = gateway.FindAccount(showName);
      if (!a) throw std::runtime_error("There is no account " + showName + ".");
      Print(*a);
    } else if (*messages) {
      PrintMessages(gateway, messagesName);
    } else if (*jobs) {
      PrintJobs(gateway, jobsName);
    } else {
      const qv::gateway::Tls tls{certificate, key};
      return Serve(gateway, listen, certificate.empty() ? nullptr : &tls);
    }
  } catch (const std::exception& e) {
    std::cerr << e.what() << '\n';
    return 1;
  }
  return 0;
}
