#pragma once

#include <cstddef>
#include <memory>
#include <string>

#include "gateway.h"

namespace qv::gateway {

// The gateway on HTTP: POST and GET answered in Windows-1252, a worker that delivers scheduled
// jobs as they fall due. Listens until Stop.
class Server {
 public:
  // Connections are served by a pool of this many threads, so that slow or stalled clients hold
  // their own connections only; each read and each write gives up after the time-out.
  static constexpr std::size_t kConnectionThreads = 256;
  static constexpr int kReadWriteSeconds = 5;

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
