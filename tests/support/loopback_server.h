#pragma once

#include <atomic>
#include <chrono>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

namespace qv::testing {

// A socket listening on 127.0.0.1 and a thread that hands each connection, one at a time, to
// `handle`, then closes it; the requests the handler records are kept. Stops when destroyed:
// the owner declares it last, so that the thread ends before what the handler uses goes.
class LoopbackListener {
 public:
  // With `smallPort` it listens on a port below 10000, as a port a user can type and the proxy
  // settings can hold.
  LoopbackListener(bool smallPort, std::function<void(int fd)> handle);
  ~LoopbackListener();
  LoopbackListener(const LoopbackListener&) = delete;
  LoopbackListener& operator=(const LoopbackListener&) = delete;

  int Port() const { return port_; }
  bool Stopping() const { return stop_; }
  // Keeps a request; whether it is the first.
  bool Record(std::string request);
  std::vector<std::string> Requests();

 private:
  std::function<void(int fd)> handle_;
  int listener_ = -1;
  int port_ = 0;
  std::atomic<bool> stop_{false};
  std::mutex mutex_;
  std::vector<std::string> requests_;
  std::thread thread_;
};

// A tiny HTTP server on 127.0.0.1 for transport tests: records every request as the bytes that
// arrived and answers each with a fixed body. It stops by itself when destroyed.
class LoopbackServer {
 public:
  // How the answer goes out: at once with its length, or a byte every `drip`, or without a length
  // (the end of the connection ends it).
  // `later`, when set, answers every request after the first.
  struct Manner {
    std::chrono::milliseconds drip{0};
    bool withoutLength = false;
    std::optional<std::string> later;

    static Manner Drip(std::chrono::milliseconds every) {
      Manner m;
      m.drip = every;
      return m;
    }
    static Manner WithoutLength(bool without) {
      Manner m;
      m.withoutLength = without;
      return m;
    }
    static Manner ThenAnswer(std::string answer) {
      Manner m;
      m.later = std::move(answer);
      return m;
    }
  };
  // With `smallPort` the server listens on a port below 10000, as a port a user can type.
  explicit LoopbackServer(std::string answer, bool smallPort = false);
  LoopbackServer(std::string answer, bool smallPort, Manner manner);

  int Port() const { return listener_.Port(); }
  std::vector<std::string> Requests() { return listener_.Requests(); }

  // A port on which nothing listens.
  static int ClosedPort();

 private:
  void Handle(int fd);
  std::string answer_;
  Manner manner_;
  LoopbackListener listener_;
};

// An HTTP proxy on 127.0.0.1 that only tunnels, as proxies carry https: a "CONNECT host:port" to
// a port of this machine is answered 200 and the bytes are relayed both ways until either side
// ends; anything else is answered 405. Records the head of every request. It listens on a port
// below 10000, which the proxy settings can hold.
class TunnelProxy {
 public:
  int Port() const { return listener_.Port(); }
  std::vector<std::string> Requests() { return listener_.Requests(); }

 private:
  void Tunnel(int client);
  LoopbackListener listener_{true, [this](int fd) { Tunnel(fd); }};
};

}  // namespace qv::testing
