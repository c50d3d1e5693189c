#pragma once

#include <memory>
#include <string>

#include "gateway.h"

namespace qv::gateway {

// The gateway on HTTP: POST and GET answered in Windows-1252, a worker that delivers scheduled
// jobs as they fall due. Listens until Stop.
class Server {
 public:
  explicit Server(Gateway& gateway);
  ~Server();
  // Binds to host:port (port 0 picks a free one) and returns the port, or -1 when it cannot.
  int Bind(const std::string& host, int port);
  // Serves until Stop is called; returns false if the server could not run.
  bool Run();
  void Stop();

 private:
  struct Impl;
  std::unique_ptr<Impl> impl_;
};

}  // namespace qv::gateway
