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

// What the command line says: the options' values and the subcommand chosen.
struct Words {
  std::string db = "quorvalent-gateway.db";
  std::string listen = "127.0.0.1:8080";
  std::string certificate, key;
  Account added;
  std::string setName, showName, messagesName, jobsName;
  std::optional<std::string> newPassword;
  std::optional<double> newCredits;
  std::vector<std::string> newSenderIds;
  bool block = false, unblock = false;
  CLI::App *add = nullptr, *set = nullptr, *show = nullptr, *messages = nullptr, *jobs = nullptr;
  CLI::Option* senderIds = nullptr;
};

void DefineAccountCommands(CLI::App& app, Words& w) {
  auto* account = app.add_subcommand("account", "Manage accounts")->require_subcommand(1);
  w.add = account->add_subcommand("add", "Create an account");
  w.add->add_option("name", w.added.name)->required();
  w.add->add_option("--password", w.added.password)->required();
  w.add->add_option("--credits", w.added.credits);
  w.add->add_option("--sender-id", w.added.senderIds);
  w.add->add_flag("--blocked", w.added.blocked);

  w.set = account->add_subcommand("set", "Change an account");
  w.set->add_option("name", w.setName)->required();
  w.set->add_option("--password", w.newPassword);
  w.set->add_option("--credits", w.newCredits);
  w.senderIds = w.set->add_option("--sender-id", w.newSenderIds, "Replaces the sender IDs");
  w.set->add_flag("--blocked", w.block);
  w.set->add_flag("--unblocked", w.unblock)->excludes("--blocked");

  w.show = account->add_subcommand("show", "Show an account");
  w.show->add_option("name", w.showName)->required();
}

void DefineCommands(CLI::App& app, Words& w) {
  app.set_version_flag("--version", std::string("quorvalent-gateway ") + qv::kVersion);
  app.add_option("--db", w.db, "The SQLite database (created when missing)");
  app.add_option("--listen", w.listen, "HOST:PORT to serve on; port 0 picks a free port");
  auto* certOption =
      app.add_option("--cert", w.certificate, "Serve https with this certificate (PEM)")
          ->check(CLI::ExistingFile);
  auto* keyOption = app.add_option("--key", w.key, "The certificate's private key (PEM)")
                        ->check(CLI::ExistingFile);
  certOption->needs(keyOption);
  keyOption->needs(certOption);
  DefineAccountCommands(app, w);
  w.messages = app.add_subcommand("messages", "List what an account sent, merged, with status");
  w.messages->add_option("name", w.messagesName)->required();
  w.jobs = app.add_subcommand("jobs", "List an account's scheduled jobs");
  w.jobs->add_option("name", w.jobsName)->required();
}

// Does what the words say: an administration command, or serving without one.
int Run(const Words& w) {
  qv::SystemClock clock;
  Gateway gateway(w.db, clock);
  if (*w.add) {
    gateway.AddAccount(w.added);
    Print(*gateway.FindAccount(w.added.name));
  } else if (*w.set) {
    auto a = gateway.FindAccount(w.setName);
    if (!a) throw std::runtime_error("There is no account " + w.setName + ".");
    if (w.newPassword) a->password = *w.newPassword;
    if (w.newCredits) a->credits = *w.newCredits;
    if (w.senderIds->count() > 0) a->senderIds = w.newSenderIds;
    if (w.block) a->blocked = true;
    if (w.unblock) a->blocked = false;
    gateway.UpdateAccount(*a);
    Print(*a);
  } else if (*w.show) {
    const auto a = gateway.FindAccount(w.showName);
    if (!a) throw std::runtime_error("There is no account " + w.showName + ".");
    Print(*a);
  } else if (*w.messages) {
    PrintMessages(gateway, w.messagesName);
  } else if (*w.jobs) {
    PrintJobs(gateway, w.jobsName);
  } else {
    const qv::gateway::Tls tls{w.certificate, w.key};
    return Serve(gateway, w.listen, w.certificate.empty() ? nullptr : &tls);
  }
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  CLI::App app{"The stand-in Quorvalent SMS gateway. Without a subcommand it serves HTTP."};
  Words words;
  DefineCommands(app, words);
  try {
    app.parse(argc, argv);
  } catch (const CLI::ParseError& e) {
    // Help and the version are a success; every other mistake in the words is a usage error, as
    // for the add-in's command.
    return app.exit(e) == 0 ? 0 : 2;
  }
  try {
    return Run(words);
  } catch (const std::exception& e) {
    std::cerr << e.what() << '\n';
    return 1;
  }
}
