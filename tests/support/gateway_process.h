#pragma once

#include <sys/types.h>

#include <string>
#include <vector>

namespace qv::testing {

// The real stand-in gateway, started as its own process on a free loopback port with a fresh
// database, and stopped when this object goes. With a certificate and its key it serves https.
class GatewayProcess {
 public:
  struct Tls {
    std::string certificate, key;
  };
  explicit GatewayProcess(const Tls* tls = nullptr);
  ~GatewayProcess();
  GatewayProcess(const GatewayProcess&) = delete;
  GatewayProcess& operator=(const GatewayProcess&) = delete;

  int Port() const { return port_; }
  // The address as the add-in is given it: "127.0.0.1:PORT", after "https://" for https.
  std::string Address() const {
    return (https_ ? "https://127.0.0.1:" : "127.0.0.1:") + std::to_string(port_);
  }
  // Runs an administration command on the same database; its standard output.
  std::string Admin(const std::vector<std::string>& args) const;

  struct Message {
    std::string mobile, status, sender, kind, text;
    long sms = 0;
  };
  std::vector<Message> Messages(const std::string& account) const;

 private:
  std::string db_;
  pid_t pid_ = -1;
  int port_ = 0;
  bool https_ = false;
};

}  // namespace qv::testing
