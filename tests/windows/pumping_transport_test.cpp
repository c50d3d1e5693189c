// The exchange on a thread of its own while the interface thread lets pending events in: Excel
// keeps painting during a long request, and the answer arrives once, whole.
#include "service/pumping_transport_win32.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <atomic>
#include <chrono>
#include <thread>

#include "service/recording_transport.h"
#include "ui/scripted_ui.h"

namespace qv::testing {
namespace {

// The recording transport, slow, and telling on which thread it ran.
class SlowTransport : public service::Transport {
 public:
  explicit SlowTransport(service::RecordingTransport& inner) : inner_(inner) {}
  std::string Post(const service::Endpoint& to, const std::string& path, const std::string& body,
                   const service::ProxySettings& proxy) override {
    thread = GetCurrentThreadId();
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    out = false;
    return inner_.Post(to, path, body, proxy);
  }
  std::string Get(const std::string& url) override {
    thread = GetCurrentThreadId();
    out = false;
    return inner_.Get(url);
  }
  std::atomic<DWORD> thread{0};
  std::atomic<bool> out{true};

 private:
  service::RecordingTransport& inner_;
};

TEST(PumpingTransport, LetsPendingEventsInWhileTheExchangeIsOutAndAnswersOnce) {
  service::RecordingTransport recording;
  SlowTransport slow(recording);
  ui::ScriptedUi ui;
  service::PumpingTransport pumping(slow, ui);
  int whileOut = 0;
  bool busy = true;
  ui.duringPendingEvents = [&] {
    if (slow.out) ++whileOut;
    busy = busy && ui.Busy();
  };
  // Messages keep arriving while the request is out, as paints and timers do in Excel.
  const DWORD me = GetCurrentThreadId();
  std::atomic<bool> stop{false};
  std::thread poster([&] {
    while (!stop) {
      PostThreadMessageW(me, WM_APP, 0, 0);
      std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
  });
  recording.Answer("000");
  recording.Answer("<QUORVALENT>5</QUORVALENT>");
  EXPECT_EQ(pumping.Post({false, "127.0.0.1", 8080}, "SMS_Excel/Get_Balance.asp", "user=a", {}),
            "000");
  EXPECT_EQ(pumping.Get("http://127.0.0.1/SMS_Excel/Get_Modes.asp"), "<QUORVALENT>5</QUORVALENT>");
  stop = true;
  poster.join();
  EXPECT_GT(whileOut, 0);
  EXPECT_TRUE(busy);
  EXPECT_NE(slow.thread.load(), me);
  ASSERT_EQ(recording.Requests().size(), 2u);
  EXPECT_EQ(recording.Requests()[0].body, "user=a");
}

}  // namespace
}  // namespace qv::testing
