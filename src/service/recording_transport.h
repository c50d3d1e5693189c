#pragma once

#include <deque>
#include <map>
#include <string>
#include <vector>

#include "service/transport.h"

namespace qv::service {

// The transport of unit tests: keeps every request and answers from a script (the empty answer,
// as for a failed exchange, once the script runs out).
class RecordingTransport : public Transport {
 public:
  struct Request {
    std::string method;  // "POST" or "GET"
    Endpoint to;         // of a POST
    std::string path;    // the URL for a GET
    std::string body;
    ProxySettings proxy;
  };

  void Answer(std::string answer) { answers_.push_back(std::move(answer)); }
  // The answer to every post to `path`, ahead of the script.
  void AnswerAlways(std::string path, std::string answer) {
    standing_[std::move(path)] = std::move(answer);
  }
  const std::vector<Request>& Requests() const { return requests_; }
  const Request& Last() const { return requests_.back(); }
  void ClearRequests() { requests_.clear(); }
  std::size_t Pending() const { return answers_.size(); }

  std::string Post(const Endpoint& to, const std::string& path, const std::string& body,
                   const ProxySettings& proxy) override {
    requests_.push_back({"POST", to, path, body, proxy});
    if (const auto it = standing_.find(path); it != standing_.end()) return it->second;
    return Next();
  }
  std::string Get(const std::string& url) override {
    Request get;
    get.method = "GET";
    get.path = url;
    requests_.push_back(std::move(get));
    return Next();
  }

 private:
  std::string Next() {
    if (answers_.empty()) return {};
    std::string a = std::move(answers_.front());
    answers_.pop_front();
    return a;
  }
  std::vector<Request> requests_;
  std::deque<std::string> answers_;
  std::map<std::string, std::string> standing_;
};

}  // namespace qv::service
