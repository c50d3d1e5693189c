#pragma once

#include <cstddef>
#include <memory>
#include <string>

#include "gateway.h"

namespace qv::gateway {

// The certificate (PEM, the server's first, then any authorities between it and the root) and the
// private key (PEM) of a gateway that serves https.
struct Tls {
  std::string certificateFile;
  std::string keyFile;
};

// The gateway on HTTP, or on https with a certificate: POST and GET answered in Windows-1252, a
// worker that delivers scheduled jobs as they fall due. Listens until Stop.
class Server {
 public:
  // Connections are served by a pool of this many threads, so that slow or stalled clients hold
  // their own connections only; each read and each write gives up after the time-out.
  static constexpr std::size_t kConnectionThreads = 256;
  static constexpr int kReadWriteSeconds = 5;

  // Throws when the certificate or its key cannot be read or do not belong together.
  explicit Server(Gateway& gateway, const Tls* tls = nullptr);
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
