#include "windows/loopback_server_win32.h"

#include <ws2tcpip.h>

#include <algorithm>
#include <stdexcept>

namespace qv::testing {

LoopbackServer::LoopbackServer(std::vector<std::string> answers, Manner manner)
    : answers_(std::move(answers)), manner_(manner) {
  WSADATA data;
  WSAStartup(MAKEWORD(2, 2), &data);
  listener_ = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  address.sin_port = 0;
  if (bind(listener_, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
      listen(listener_, 16) != 0) {
    throw std::runtime_error("the loopback server cannot listen");
  }
  int length = sizeof address;
  getsockname(listener_, reinterpret_cast<sockaddr*>(&address), &length);
  port_ = ntohs(address.sin_port);
  thread_ = std::thread([this] { Serve(); });
}

LoopbackServer::~LoopbackServer() {
  stopping_ = true;
  // Closing a socket does not wake a thread blocked in accept under Wine: a connection does.
  const SOCKET waker = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  address.sin_port = htons(static_cast<u_short>(port_));
  connect(waker, reinterpret_cast<sockaddr*>(&address), sizeof address);
  closesocket(waker);
  closesocket(listener_);
  {
    std::lock_guard lock(mutex_);
    for (SOCKET c : clients_) closesocket(c);
  }
  thread_.join();
  WSACleanup();
}

std::vector<std::string> LoopbackServer::Requests() const {
  std::lock_guard lock(mutex_);
  return requests_;
}

std::string LoopbackServer::Ok(const std::string& body) {
  return "HTTP/1.1 200 OK\r\nContent-Length: " + std::to_string(body.size()) +
         "\r\nConnection: close\r\n\r\n" + body;
}

void LoopbackServer::Serve() {
  while (!stopping_) {
    const SOCKET client = accept(listener_, nullptr, nullptr);
    if (client == INVALID_SOCKET) return;
    if (stopping_) {
      closesocket(client);
      return;
    }
    {
      std::lock_guard lock(mutex_);
      clients_.push_back(client);
    }
    Handle(client);
  }
}

void LoopbackServer::Handle(SOCKET client) {
  std::string request;
  char buffer[4096];
  std::size_t wanted = std::string::npos;
  while (request.size() < wanted) {
    const int n = recv(client, buffer, sizeof buffer, 0);
    if (n <= 0) return;
    request.append(buffer, static_cast<std::size_t>(n));
    const auto end = request.find("\r\n\r\n");
    if (wanted == std::string::npos && end != std::string::npos) {
      std::string head = request.substr(0, end);
      std::transform(head.begin(), head.end(), head.begin(),
                     [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
      const auto at = head.find("content-length:");
      wanted = end + 4 + (at == std::string::npos ? 0 : std::stoul(head.substr(at + 15)));
    }
  }
  std::size_t index;
  {
    std::lock_guard lock(mutex_);
    requests_.push_back(request);
    index = requests_.size() - 1;
  }
  if (manner_ == Manner::Silent) return;  // closed when the server stops
  const std::string& answer = answers_[std::min(index, answers_.size() - 1)];
  send(client, answer.data(), static_cast<int>(answer.size()), 0);
  shutdown(client, SD_SEND);
}

}  // namespace qv::testing
