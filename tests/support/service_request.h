#pragma once

#include <gtest/gtest.h>

#include <string>

namespace qv::testing {

// What every transport must put on the wire for a POST, whatever library sends it: the request
// line, the agent, the form's content type and length, no "Expect:" (the body goes at once), and
// the body byte for byte. The curl and the WinINet transports are held to this same check.
inline void ExpectServiceRequest(const std::string& request, const std::string& requestLine,
                                 const std::string& body) {
  const std::string head = "\r\n" + request.substr(0, request.find("\r\n\r\n")) + "\r\n";
  EXPECT_EQ(request.substr(0, request.find("\r\n")), requestLine) << request;
  const std::string lines[] = {"User-Agent: x73x50418",
                               "Content-Type: application/x-www-form-urlencoded",
                               "Content-Length: " + std::to_string(body.size())};
  for (const std::string& line : lines) {
    EXPECT_NE(head.find("\r\n" + line + "\r\n"), std::string::npos) << line << "\n" << request;
  }
  EXPECT_EQ(head.find("\r\nExpect:"), std::string::npos) << request;
  EXPECT_EQ(request.substr(request.find("\r\n\r\n") + 4), body);
}

}  // namespace qv::testing
