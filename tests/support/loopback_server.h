#pragma once

#include <atomic>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace qv::testing {

// A tiny HTTP server on 127.0.0.1 for transport tests: records every request as the bytes that
// arrived and answers each with a fixed body. It stops by itself when destroyed.
class LoopbackServer {
 public:
  // With `smallPort` the server listens on a port below 10000, as a port a user can type.
  explicit LoopbackServer(std::string answer, bool smallPort = false);
  ~LoopbackServer();
  LoopbackServer(const LoopbackServer&) = delete;
  LoopbackServer& operator=(const LoopbackServer&) = delete;

  int Port() const { return port_; }
  std::vector<std::string> Requests();

  // A port on which nothing listens.
  static int ClosedPort();

 private:
  void Serve();
  void Handle(int fd);
  std::string answer_;
  int listener_ = -1;
  int port_ = 0;
  std::atomic<bool> stop_{false};
  std::mutex mutex_;
  std::vector<std::string> requests_;
  std::thread thread_;
};

}  // namespace qv::testing
