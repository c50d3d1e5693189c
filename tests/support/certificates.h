#pragma once

#include <stdexcept>

#include "support/gateway_process.h"
#include "support/process.h"
#include "support/temp_dir.h"

namespace qv::testing {

// A throwaway certificate authority and two server certificates it signed, made for one test by
// make_certificates.sh: one valid for 127.0.0.1 and localhost, one for another name only.
class TestCertificates {
 public:
  TestCertificates() {
    const auto made =
        RunProgram(QV_TEST_SUPPORT "/make_certificates.sh", {dir_.Path().string()}, {});
    if (made.status != 0) throw std::runtime_error("no certificates: " + made.out);
  }
  std::string Authority() const { return (dir_ / "ca.pem").string(); }
  GatewayProcess::Tls Service() const { return Pair("service"); }
  GatewayProcess::Tls Misnamed() const { return Pair("misnamed"); }

 private:
  GatewayProcess::Tls Pair(const std::string& name) const {
    return {(dir_ / (name + ".pem")).string(), (dir_ / (name + ".key")).string()};
  }
  TempDir dir_;
};

}  // namespace qv::testing
