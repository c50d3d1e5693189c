#include "support/loopback_server.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

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

bool WaitReadable(int fd, int ms) {
  pollfd p{fd, POLLIN, 0};
  return ::poll(&p, 1, ms) > 0;
}

}  // namespace

LoopbackServer::LoopbackServer(std::string answer, bool smallPort)
    : LoopbackServer(std::move(answer), smallPort, Manner{}) {}

LoopbackServer::LoopbackServer(std::string answer, bool smallPort, Manner manner)
    : answer_(std::move(answer)), manner_(manner) {
  if (smallPort) {
    std::random_device seed;
    std::mt19937 draw(seed());
    for (int attempt = 0; attempt < 200 && listener_ < 0; ++attempt) {
      try {
        listener_ = Listen(port_, std::uniform_int_distribution<int>(2000, 9999)(draw));
      } catch (const std::runtime_error&) {
        // taken; draw again
      }
    }
  }
  if (listener_ < 0) listener_ = Listen(port_);
  thread_ = std::thread([this] { Serve(); });
}

LoopbackServer::~LoopbackServer() {
  stop_ = true;
  thread_.join();
  ::close(listener_);
}

std::vector<std::string> LoopbackServer::Requests() {
  std::lock_guard lock(mutex_);
  return requests_;
}

int LoopbackServer::ClosedPort() {
  int port = 0;
  const int fd = Listen(port);
  ::close(fd);
  return port;
}

void LoopbackServer::Serve() {
  while (!stop_) {
    if (!WaitReadable(listener_, 50)) continue;
    const int fd = ::accept(listener_, nullptr, nullptr);
    if (fd < 0) continue;
    Handle(fd);
    ::close(fd);
  }
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
  bool first = false;
  {
    std::lock_guard lock(mutex_);
    requests_.push_back(request);
    first = requests_.size() == 1;
  }
  const std::string& answer = first || !manner_.later ? answer_ : *manner_.later;
  const std::string length =
      manner_.withoutLength ? "" : "Content-Length: " + std::to_string(answer.size()) + "\r\n";
  const std::string response =
      "HTTP/1.1 200 OK\r\n" + length + "Connection: close\r\n\r\n" + answer;
  const std::size_t step = manner_.drip.count() > 0 ? 1 : response.size();
  std::size_t sent = 0;
  while (sent < response.size() && !stop_) {
    const ssize_t n =
        ::send(fd, response.data() + sent, std::min(step, response.size() - sent), MSG_NOSIGNAL);
    if (n <= 0) break;
    sent += static_cast<std::size_t>(n);
    if (step == 1) std::this_thread::sleep_for(manner_.drip);
  }
}

}  // namespace qv::testing
