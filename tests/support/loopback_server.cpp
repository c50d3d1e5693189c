#include "support/loopback_server.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstdlib>
#include <random>
#include <stdexcept>

namespace qv::testing {
namespace {

int Listen(int& port, int wanted = 0) {
  const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
  if (fd < 0) throw std::runtime_error("socket");
  int one = 1;
  ::setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &one, sizeof one);
  sockaddr_in addr{};
  addr.sin_family = AF_INET;
  addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  addr.sin_port = htons(static_cast<uint16_t>(wanted));
  if (::bind(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0 || ::listen(fd, 16) != 0) {
    ::close(fd);
    throw std::runtime_error("bind");
  }
  socklen_t len = sizeof addr;
  ::getsockname(fd, reinterpret_cast<sockaddr*>(&addr), &len);
  port = ntohs(addr.sin_port);
  return fd;
}

// A port below 10000, as a port a user can type and the proxy settings can hold; any free port
// when none of those drawn is.
int ListenOnASmallPort(int& port) {
  std::random_device seed;
  std::mt19937 draw(seed());
  for (int attempt = 0; attempt < 200; ++attempt) {
    try {
      return Listen(port, std::uniform_int_distribution<int>(2000, 9999)(draw));
    } catch (const std::runtime_error&) {
      // taken; draw again
    }
  }
  return Listen(port);
}

bool WaitReadable(int fd, int ms) {
  pollfd p{fd, POLLIN, 0};
  return ::poll(&p, 1, ms) > 0;
}

bool SendAll(int fd, const char* data, std::size_t size) {
  while (size > 0) {
    const ssize_t n = ::send(fd, data, size, MSG_NOSIGNAL);
    if (n <= 0) return false;
    data += n;
    size -= static_cast<std::size_t>(n);
  }
  return true;
}

// A connection to a port of this machine; -1 when none can be made.
int ConnectToLoopback(int port) {
  const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
  if (fd < 0) return -1;
  sockaddr_in addr{};
  addr.sin_family = AF_INET;
  addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  addr.sin_port = htons(static_cast<uint16_t>(port));
  if (::connect(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0) {
    ::close(fd);
    return -1;
  }
  return fd;
}

}  // namespace

LoopbackListener::LoopbackListener(bool smallPort, std::function<void(int fd)> handle)
    : handle_(std::move(handle)) {
  listener_ = smallPort ? ListenOnASmallPort(port_) : Listen(port_);
  thread_ = std::thread([this] {
    while (!stop_) {
      if (!WaitReadable(listener_, 50)) continue;
      const int fd = ::accept(listener_, nullptr, nullptr);
      if (fd < 0) continue;
      handle_(fd);
      ::close(fd);
    }
  });
}

LoopbackListener::~LoopbackListener() {
  stop_ = true;
  thread_.join();
  ::close(listener_);
}

bool LoopbackListener::Record(std::string request) {
  std::lock_guard lock(mutex_);
  requests_.push_back(std::move(request));
  return requests_.size() == 1;
}

std::vector<std::string> LoopbackListener::Requests() {
  std::lock_guard lock(mutex_);
  return requests_;
}

LoopbackServer::LoopbackServer(std::string answer, bool smallPort)
    : LoopbackServer(std::move(answer), smallPort, Manner{}) {}

LoopbackServer::LoopbackServer(std::string answer, bool smallPort, Manner manner)
    : answer_(std::move(answer)),
      manner_(manner),
      listener_(smallPort, [this](int fd) { Handle(fd); }) {}

int LoopbackServer::ClosedPort() {
  int port = 0;
  const int fd = Listen(port);
  ::close(fd);
  return port;
}

void LoopbackServer::Handle(int fd) {
  std::string request;
  std::size_t expected = std::string::npos;
  std::vector<char> buf(64 * 1024);
  // Reads the head, then as many body bytes as Content-Length says; gives up after 5 s of silence.
  // The head is looked for only until found: a body of megabytes arrives at its own pace.
  while (request.size() < expected && WaitReadable(fd, 5000)) {
    const ssize_t n = ::recv(fd, buf.data(), buf.size(), 0);
    if (n <= 0) break;
    request.append(buf.data(), static_cast<std::size_t>(n));
    const auto head = expected == std::string::npos ? request.find("\r\n\r\n") : std::string::npos;
    if (head != std::string::npos) {
      std::size_t length = 0;
      const auto cl = request.find("Content-Length: ");
      if (cl != std::string::npos && cl < head) length = std::stoul(request.substr(cl + 16));
      expected = head + 4 + length;
    }
  }
  const bool first = listener_.Record(request);
  const std::string& answer = first || !manner_.later ? answer_ : *manner_.later;
  const std::string length =
      manner_.withoutLength ? "" : "Content-Length: " + std::to_string(answer.size()) + "\r\n";
  const std::string response =
      "HTTP/1.1 200 OK\r\n" + length + "Connection: close\r\n\r\n" + answer;
  const std::size_t step = manner_.drip.count() > 0 ? 1 : response.size();
  std::size_t sent = 0;
  while (sent < response.size() && !listener_.Stopping()) {
    const ssize_t n =
        ::send(fd, response.data() + sent, std::min(step, response.size() - sent), MSG_NOSIGNAL);
    if (n <= 0) break;
    sent += static_cast<std::size_t>(n);
    if (step == 1) std::this_thread::sleep_for(manner_.drip);
  }
}

void TunnelProxy::Tunnel(int client) {
  std::string head;
  char buf[16 * 1024];
  while (head.find("\r\n\r\n") == std::string::npos && WaitReadable(client, 5000)) {
    const ssize_t n = ::recv(client, buf, sizeof buf, 0);
    if (n <= 0) return;
    head.append(buf, static_cast<std::size_t>(n));
  }
  listener_.Record(head);
  // "CONNECT 127.0.0.1:PORT HTTP/1.1": the port follows the last colon of the target.
  const auto space = head.find(' ', 8);
  const auto colon = head.rfind(':', space);
  int server = -1;
  if (head.rfind("CONNECT ", 0) == 0 && space != std::string::npos && colon != std::string::npos &&
      colon > 8) {
    server = ConnectToLoopback(std::atoi(head.c_str() + colon + 1));
  }
  if (server < 0) {
    const std::string refused = "HTTP/1.1 405 Method Not Allowed\r\nContent-Length: 0\r\n\r\n";
    SendAll(client, refused.data(), refused.size());
    return;
  }
  const std::string established = "HTTP/1.1 200 Connection established\r\n\r\n";
  if (SendAll(client, established.data(), established.size())) {
    // Relays until either side closes, or nothing moves for 10 s.
    pollfd both[2] = {{client, POLLIN, 0}, {server, POLLIN, 0}};
    while (!listener_.Stopping() && ::poll(both, 2, 10000) > 0) {
      const int from = (both[0].revents & (POLLIN | POLLHUP | POLLERR)) ? 0 : 1;
      const ssize_t n = ::recv(both[from].fd, buf, sizeof buf, 0);
      if (n <= 0 || !SendAll(both[1 - from].fd, buf, static_cast<std::size_t>(n))) break;
    }
  }
  ::close(server);
}

}  // namespace qv::testing
