#pragma once

#include "service/transport.h"
#include "ui/ui.h"

namespace qv::service {

// Runs each exchange of another transport on a thread of its own while the interface thread
// lets pending events in (Ui::DoEvents), so that Excel keeps painting and never turns "Not
// Responding" during a long request; what the user does meanwhile waits, as it does during any
// long operation. One exchange at a time: the caller gets its answer once, when it is complete.
class PumpingTransport : public Transport {
 public:
  PumpingTransport(Transport& inner, ui::Ui& ui) : inner_(inner), ui_(ui) {}
  std::string Post(const Endpoint& to, const std::string& path, const std::string& body,
                   const ProxySettings& proxy) override;
  std::string Get(const std::string& url) override;

 private:
  template <typename Exchange>
  std::string Pumped(Exchange&& exchange);
  Transport& inner_;
  ui::Ui& ui_;
};

}  // namespace qv::service
