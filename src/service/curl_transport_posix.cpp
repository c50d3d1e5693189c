#include "service/curl_transport_posix.h"

#include <curl/curl.h>

#include <memory>

namespace qv::service {
namespace {

constexpr const char* kUserAgent = "x73x50418";

struct CurlDeleter {
  void operator()(CURL* h) const { curl_easy_cleanup(h); }
};
struct ListDeleter {
  void operator()(curl_slist* l) const { curl_slist_free_all(l); }
};
using Handle = std::unique_ptr<CURL, CurlDeleter>;
using Headers = std::unique_ptr<curl_slist, ListDeleter>;

struct Answer {
  std::string text;
  std::size_t cap;
};

// Taking less than was handed over ends the exchange: so an answer stops growing at its cap.
size_t Append(char* data, size_t size, size_t count, void* to) {
  auto* answer = static_cast<Answer*>(to);
  const std::size_t n = size * count;
  if (n > answer->cap - answer->text.size()) return 0;
  answer->text.append(data, n);
  return n;
}

Headers MakeHeaders(std::initializer_list<const char*> lines) {
  curl_slist* list = nullptr;
  for (const char* line : lines) {
    curl_slist* next = curl_slist_append(list, line);
    if (!next) {
      curl_slist_free_all(list);
      return nullptr;
    }
    list = next;
  }
  return Headers(list);
}

// Runs the exchange; the answer only when it completed within the limits.
std::string Perform(CURL* h, curl_slist* headers, const TransportLimits& limits) {
  Answer answer{{}, limits.answerBytes};
  curl_easy_setopt(h, CURLOPT_USERAGENT, kUserAgent);
  curl_easy_setopt(h, CURLOPT_HTTPHEADER, headers);
  curl_easy_setopt(h, CURLOPT_WRITEFUNCTION, &Append);
  curl_easy_setopt(h, CURLOPT_WRITEDATA, &answer);
  curl_easy_setopt(h, CURLOPT_NOSIGNAL, 1L);
  curl_easy_setopt(h, CURLOPT_CONNECTTIMEOUT, limits.connectSeconds);
  curl_easy_setopt(h, CURLOPT_LOW_SPEED_LIMIT, 1L);
  curl_easy_setopt(h, CURLOPT_LOW_SPEED_TIME, limits.silentSeconds);
  curl_easy_setopt(h, CURLOPT_TIMEOUT, limits.deadlineSeconds);
  curl_easy_setopt(h, CURLOPT_MAXFILESIZE_LARGE, static_cast<curl_off_t>(limits.answerBytes));
  curl_easy_setopt(h, CURLOPT_FOLLOWLOCATION, 0L);
  if (curl_easy_perform(h) != CURLE_OK) return {};
  return std::move(answer.text);
}

}  // namespace

CurlTransport::CurlTransport(TransportLimits limits) : limits_(limits) {
  static const bool initialised = curl_global_init(CURL_GLOBAL_DEFAULT) == CURLE_OK;
  (void)initialised;
}

std::string CurlTransport::Post(const std::string& host, int port, const std::string& path,
                                const std::string& body, const ProxySettings& proxy) {
  Handle h(curl_easy_init());
  // No "Expect: 100-continue": the body goes with the request at once.
  Headers headers = MakeHeaders(
      {"Content-Type: application/x-www-form-urlencoded", "Connection: Keep-Alive", "Expect:"});
  if (!h || !headers) return {};
  const std::string url = "http://" + host + (port ? ":" + std::to_string(port) : "") + "/" + path;
  curl_easy_setopt(h.get(), CURLOPT_URL, url.c_str());
  curl_easy_setopt(h.get(), CURLOPT_POST, 1L);
  curl_easy_setopt(h.get(), CURLOPT_POSTFIELDS, body.data());
  curl_easy_setopt(h.get(), CURLOPT_POSTFIELDSIZE_LARGE, static_cast<curl_off_t>(body.size()));
  const std::string named = proxy.ProxyName + ":" + std::to_string(proxy.ProxyPort);
  if (proxy.ProxyType == 1) {
    curl_easy_setopt(h.get(), CURLOPT_PROXY, "");
  } else if (proxy.ProxyType == 3) {
    curl_easy_setopt(h.get(), CURLOPT_PROXY, named.c_str());
    curl_easy_setopt(h.get(), CURLOPT_NOPROXY, "");
    if (!proxy.ProxyUserName.empty() || !proxy.ProxyUserPWD.empty()) {
      curl_easy_setopt(h.get(), CURLOPT_PROXYUSERNAME, proxy.ProxyUserName.c_str());
      curl_easy_setopt(h.get(), CURLOPT_PROXYPASSWORD, proxy.ProxyUserPWD.c_str());
    }
  }
  return Perform(h.get(), headers.get(), limits_);
}

std::string CurlTransport::Get(const std::string& url) {
  Handle h(curl_easy_init());
  // Always from the network, never from a cache on the way.
  Headers headers = MakeHeaders({"Cache-Control: no-cache", "Pragma: no-cache"});
  if (!h || !headers) return {};
  curl_easy_setopt(h.get(), CURLOPT_URL, url.c_str());
  curl_easy_setopt(h.get(), CURLOPT_HTTPGET, 1L);
  return Perform(h.get(), headers.get(), limits_);
}

}  // namespace qv::service
