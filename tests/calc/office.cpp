#include "calc/office.h"

#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <com/sun/star/bridge/UnoUrlResolver.hpp>
#include <com/sun/star/deployment/XExtensionManager.hpp>
#include <com/sun/star/frame/Desktop.hpp>
#include <com/sun/star/task/XInteractionApprove.hpp>
#include <com/sun/star/task/XInteractionHandler.hpp>
#include <com/sun/star/ucb/XCommandEnvironment.hpp>
#include <com/sun/star/ucb/XProgressHandler.hpp>
#include <cppuhelper/bootstrap.hxx>
#include <cppuhelper/implbase2.hxx>

#include <chrono>
#include <stdexcept>
#include <thread>
#include <vector>

extern char** environ;

namespace qv::testing {

using namespace css;
using uno::Reference;

namespace {

// Says yes to whatever installing asks (the extension's licence, its replacing an older one).
class Approve : public cppu::WeakImplHelper2<ucb::XCommandEnvironment, task::XInteractionHandler> {
 public:
  Reference<task::XInteractionHandler> SAL_CALL getInteractionHandler() override { return this; }
  Reference<ucb::XProgressHandler> SAL_CALL getProgressHandler() override { return {}; }
  void SAL_CALL handle(const Reference<task::XInteractionRequest>& request) override {
    const auto continuations = request->getContinuations();
    for (sal_Int32 i = 0; i < continuations.getLength(); ++i) {
      const Reference<task::XInteractionApprove> approve(continuations[i], uno::UNO_QUERY);
      if (approve.is()) return approve->select();
    }
  }
};

rtl::OUString Uno(const std::string& text) {
  return rtl::OUString(text.data(), static_cast<sal_Int32>(text.size()), RTL_TEXTENCODING_UTF8);
}

}  // namespace

std::string Utf8(const rtl::OUString& text) {
  const rtl::OString utf8 = rtl::OUStringToOString(text, RTL_TEXTENCODING_UTF8);
  return std::string(utf8.getStr(), static_cast<std::size_t>(utf8.getLength()));
}

Office::Office(std::filesystem::path folder, bool usersOwn)
    : folder_(std::move(folder)),
      usersOwn_(usersOwn),
      pipe_("qv-calc-test-" + std::to_string(getpid())) {}

Office::~Office() {
  if (pid_ <= 0) return;
  try {
    Stop();
  } catch (...) {
    kill(pid_, SIGKILL);
    waitpid(pid_, nullptr, 0);
  }
}

void Office::Start(bool calc) {
  const std::string profile = "file://" + (folder_ / "profile").string();
  std::vector<std::string> args{QV_SOFFICE, "--norestore", "--nologo", "--nolockcheck",
                                "--accept=pipe,name=" + pipe_ + ";urp;StarOffice.ComponentContext"};
  if (!usersOwn_) args.push_back("-env:UserInstallation=" + profile);
  args.push_back(calc ? "--calc" : "--nodefault");
  std::vector<char*> argv;
  for (auto& a : args) argv.push_back(a.data());
  argv.push_back(nullptr);
  // The add-in keeps its settings under XDG_CONFIG_HOME: here, in the tests' folder.
  std::vector<std::string> env;
  if (!usersOwn_) env.push_back("XDG_CONFIG_HOME=" + (folder_ / "config").string());
  for (char** e = environ; *e; ++e) {
    if (!usersOwn_ && std::string_view(*e).starts_with("XDG_CONFIG_HOME=")) continue;
    env.emplace_back(*e);
  }
  std::vector<char*> envp;
  for (auto& e : env) envp.push_back(e.data());
  envp.push_back(nullptr);
  if (posix_spawn(&pid_, QV_SOFFICE, nullptr, nullptr, argv.data(), envp.data()) != 0)
    throw std::runtime_error("cannot start " + std::string(QV_SOFFICE));

  const Reference<uno::XComponentContext> local = cppu::defaultBootstrap_InitialComponentContext();
  const auto resolver = bridge::UnoUrlResolver::create(local);
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
  while (!context_.is()) {
    try {
      context_.set(
          resolver->resolve(Uno("uno:pipe,name=" + pipe_ + ";urp;StarOffice.ComponentContext")),
          uno::UNO_QUERY_THROW);
    } catch (const uno::Exception&) {
      if (std::chrono::steady_clock::now() > deadline)
        throw std::runtime_error("the office did not answer within a minute");
      std::this_thread::sleep_for(std::chrono::milliseconds(200));
    }
  }
}

void Office::Stop() {
  if (pid_ <= 0) return;
  // The office may ask before it ends (a dialog a failed case left open, the tip it shows on a
  // new day): the request goes from a thread of its own, and an office that has not ended after a
  // while is ended, which also ends the request.
  std::thread ask([context = context_] {
    try {
      if (context.is()) frame::Desktop::create(context)->terminate();
    } catch (const uno::Exception&) {
      // The bridge goes down with the office, sometimes before the call returns.
    }
  });
  int status = 0;
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
  while (waitpid(pid_, &status, WNOHANG) == 0) {
    if (std::chrono::steady_clock::now() > deadline) {
      kill(pid_, SIGKILL);
      waitpid(pid_, &status, 0);
      break;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
  }
  ask.join();
  context_.clear();
  pid_ = -1;
}

void Office::Install(const std::filesystem::path& oxt) {
  const Reference<deployment::XExtensionManager> manager(
      context_->getValueByName("/singletons/com.sun.star.deployment.ExtensionManager"),
      uno::UNO_QUERY_THROW);
  manager->addExtension(Uno("file://" + oxt.string()), {}, "user", {}, new Approve);
}

}  // namespace qv::testing
