// The UNO components of the extension: the job that connects the add-in when the office shows its
// first window, and the protocol handler of the add-in's menu and toolbar commands.
#include <com/sun/star/awt/AsyncCallback.hpp>
#include <com/sun/star/awt/XCallback.hpp>
#include <com/sun/star/frame/XDispatch.hpp>
#include <com/sun/star/frame/XDispatchProvider.hpp>
#include <com/sun/star/lang/XInitialization.hpp>
#include <com/sun/star/lang/XServiceInfo.hpp>
#include <com/sun/star/task/XJob.hpp>
#include <cppuhelper/implbase1.hxx>
#include <cppuhelper/implbase2.hxx>
#include <cppuhelper/implbase4.hxx>
#include <cppuhelper/supportsservice.hxx>

#include "calc_addin.h"
#include "uno_text.h"

namespace qv::calc {
namespace {

using namespace css;
using uno::Reference;
using uno::Sequence;

Sequence<rtl::OUString> Names(const char* service) {
  const rtl::OUString name = rtl::OUString::createFromAscii(service);
  return Sequence<rtl::OUString>(&name, 1);
}

class ConnectJob : public cppu::WeakImplHelper2<task::XJob, lang::XServiceInfo> {
 public:
  explicit ConnectJob(Reference<uno::XComponentContext> context) : context_(std::move(context)) {}

  uno::Any SAL_CALL execute(const Sequence<beans::NamedValue>&) override {
    try {
      CalcAddin::Get().Connect(context_);
    } catch (const std::exception&) {
      // The add-in shows its own failures; nothing escapes into the office.
    } catch (const uno::Exception&) {
    }
    return {};
  }
  rtl::OUString SAL_CALL getImplementationName() override { return "com.quorvalent.calc.Connect"; }
  sal_Bool SAL_CALL supportsService(const rtl::OUString& name) override {
    return cppu::supportsService(this, name);
  }
  Sequence<rtl::OUString> SAL_CALL getSupportedServiceNames() override {
    return Names("com.sun.star.task.Job");
  }

 private:
  Reference<uno::XComponentContext> context_;
};

// A click, run by the office's main thread once the dispatch that asked for it has returned: a
// command never runs inside the caller's call, which may come from another thread or process.
class ClickLater : public cppu::WeakImplHelper1<awt::XCallback> {
 public:
  explicit ClickLater(std::string command) : command_(std::move(command)) {}
  void SAL_CALL notify(const uno::Any&) override {
    try {
      CalcAddin::Get().Click(command_);
    } catch (const std::exception&) {
    } catch (const uno::Exception&) {
    }
  }

 private:
  std::string command_;
};

class Dispatcher : public cppu::WeakImplHelper4<frame::XDispatchProvider, frame::XDispatch,
                                                lang::XInitialization, lang::XServiceInfo> {
 public:
  explicit Dispatcher(Reference<uno::XComponentContext> context) : context_(std::move(context)) {}

  Reference<frame::XDispatch> SAL_CALL queryDispatch(const util::URL& url, const rtl::OUString&,
                                                     sal_Int32) override {
    if (CalcAddin::CommandIn(url).empty()) return {};
    return this;
  }
  Sequence<Reference<frame::XDispatch>> SAL_CALL
  queryDispatches(const Sequence<frame::DispatchDescriptor>& requests) override {
    Sequence<Reference<frame::XDispatch>> found(requests.getLength());
    for (sal_Int32 i = 0; i < requests.getLength(); ++i) {
      found.getArray()[i] =
          queryDispatch(requests[i].FeatureURL, requests[i].FrameName, requests[i].SearchFlags);
    }
    return found;
  }
  void SAL_CALL dispatch(const util::URL& url, const Sequence<beans::PropertyValue>&) override {
    const std::string command = CalcAddin::CommandIn(url);
    if (command.empty()) return;
    const Reference<awt::XCallback> click(new ClickLater(command));
    awt::AsyncCallback::create(context_)->addCallback(click, {});
  }
  void SAL_CALL addStatusListener(const Reference<frame::XStatusListener>& listener,
                                  const util::URL& url) override {
    CalcAddin::Get().Listen(listener, url);
  }
  void SAL_CALL removeStatusListener(const Reference<frame::XStatusListener>& listener,
                                     const util::URL& url) override {
    CalcAddin::Get().Unlisten(listener, url);
  }
  void SAL_CALL initialize(const Sequence<uno::Any>&) override {}
  rtl::OUString SAL_CALL getImplementationName() override {
    return "com.quorvalent.calc.Dispatcher";
  }
  sal_Bool SAL_CALL supportsService(const rtl::OUString& name) override {
    return cppu::supportsService(this, name);
  }
  Sequence<rtl::OUString> SAL_CALL getSupportedServiceNames() override {
    return Names("com.sun.star.frame.ProtocolHandler");
  }

 private:
  Reference<uno::XComponentContext> context_;
};

}  // namespace
}  // namespace qv::calc

extern "C" SAL_DLLPUBLIC_EXPORT css::uno::XInterface*
com_quorvalent_calc_Connect_get_implementation(css::uno::XComponentContext* context,
                                               const css::uno::Sequence<css::uno::Any>&) {
  return cppu::acquire(new qv::calc::ConnectJob(context));
}

extern "C" SAL_DLLPUBLIC_EXPORT css::uno::XInterface*
com_quorvalent_calc_Dispatcher_get_implementation(css::uno::XComponentContext* context,
                                                  const css::uno::Sequence<css::uno::Any>&) {
  return cppu::acquire(new qv::calc::Dispatcher(context));
}
