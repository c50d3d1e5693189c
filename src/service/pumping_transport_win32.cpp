#include "service/pumping_transport_win32.h"

#include <windows.h>

#include <thread>

namespace qv::service {

template <typename Exchange>
std::string PumpingTransport::Pumped(Exchange&& exchange) {
  HANDLE done = CreateEventW(nullptr, TRUE, FALSE, nullptr);
  // Without an event to wait on, the exchange runs here, as it always did.
  if (!done) return exchange();
  std::string answer;
  std::thread worker([&] {
    answer = exchange();  // the transport never throws
    SetEvent(done);
  });
  // Each message that arrives is let in as the long loops let them in; the answer is read only
  // after the worker has ended.
  while (MsgWaitForMultipleObjects(1, &done, FALSE, INFINITE, QS_ALLINPUT) != WAIT_OBJECT_0)
    ui_.DoEvents();
  worker.join();
  CloseHandle(done);
  return answer;
}

std::string PumpingTransport::Post(const Endpoint& to, const std::string& path,
                                   const std::string& body, const ProxySettings& proxy) {
  return Pumped([&] { return inner_.Post(to, path, body, proxy); });
}

std::string PumpingTransport::Get(const std::string& url) {
  return Pumped([&] { return inner_.Get(url); });
}

}  // namespace qv::service
