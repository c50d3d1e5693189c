#pragma once

#include <winsock2.h>

#include <atomic>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace qv::testing {

// An HTTP server on a free loopback port that records every request it receives whole (its head
// and its body by Content-Length) and answers the n-th with the n-th of `answers` (the last again
// once they run out), closing each connection after its answer. A silent server records and
// never answers.
class LoopbackServer {
 public:
  enum class Manner { Answer, Silent };
  explicit LoopbackServer(std::vector<std::string> answers, Manner manner = Manner::Answer);
  ~LoopbackServer();
  LoopbackServer(const LoopbackServer&) = delete;
  LoopbackServer& operator=(const LoopbackServer&) = delete;

  int Port() const { return port_; }
  std::vector<std::string> Requests() const;

  // A whole answer of status 200 with `body`.
  static std::string Ok(const std::string& body);

 private:
  void Serve();
  void Handle(SOCKET client);

  std::vector<std::string> answers_;
  Manner manner_;
  SOCKET listener_ = INVALID_SOCKET;
  int port_ = 0;
  std::atomic<bool> stopping_{false};
  mutable std::mutex mutex_;
  std::vector<std::string> requests_;
  std::vector<SOCKET> clients_;
  std::thread thread_;
};

}  // namespace qv::testing
