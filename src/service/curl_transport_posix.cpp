#include "service/curl_transport_posix.h"

#include <curl/curl.h>
#include <dlfcn.h>

#include <fstream>
#include <future>
#include <memory>
#include <mutex>
#include <optional>
#include <stdexcept>

namespace qv::service {
namespace {

constexpr const char* kUserAgent = "x73x50418";
constexpr const char* kCurlLibrary = "libcurl.so.4";

// libcurl and the libraries it brings take longer to load than the rest of the program together.
// So it is loaded on a thread of its own as soon as a transport is made, while the program goes on
// (reading a workbook, most often), and waited for when an exchange needs it.
struct Curl {
  std::string failure;  // why it could not be loaded; empty once it is
  decltype(&curl_global_init) global_init = nullptr;
  decltype(&curl_easy_init) easy_init = nullptr;
  decltype(&curl_easy_setopt) easy_setopt = nullptr;
  decltype(&curl_easy_perform) easy_perform = nullptr;
  decltype(&curl_easy_getinfo) easy_getinfo = nullptr;
  decltype(&curl_easy_cleanup) easy_cleanup = nullptr;
  decltype(&curl_slist_append) slist_append = nullptr;
  decltype(&curl_slist_free_all) slist_free_all = nullptr;
};

template <typename F>
void Find(void* library, const char* name, F& to, std::string& failure) {
  to = reinterpret_cast<F>(dlsym(library, name));
  if (!to && failure.empty()) failure = std::string("it has no ") + name;
}

Curl LoadCurl() {
  Curl curl;
  // Loaded for good: the library stays until the program ends.
  void* library = dlopen(kCurlLibrary, RTLD_NOW | RTLD_LOCAL);
  if (!library) {
    const char* why = dlerror();
    curl.failure = why ? why : "it was not found";
    return curl;
  }
  Find(library, "curl_global_init", curl.global_init, curl.failure);
  Find(library, "curl_easy_init", curl.easy_init, curl.failure);
  Find(library, "curl_easy_setopt", curl.easy_setopt, curl.failure);
  Find(library, "curl_easy_perform", curl.easy_perform, curl.failure);
  Find(library, "curl_easy_getinfo", curl.easy_getinfo, curl.failure);
  Find(library, "curl_easy_cleanup", curl.easy_cleanup, curl.failure);
  Find(library, "curl_slist_append", curl.slist_append, curl.failure);
  Find(library, "curl_slist_free_all", curl.slist_free_all, curl.failure);
  if (curl.failure.empty() && curl.global_init(CURL_GLOBAL_DEFAULT) != CURLE_OK)
    curl.failure = "it could not be initialised";
  return curl;
}

std::mutex loadMutex;
std::shared_future<Curl> loading;

std::shared_future<Curl> Loading(std::launch how) {
  std::lock_guard lock(loadMutex);
  if (!loading.valid()) loading = std::async(how, &LoadCurl).share();
  return loading;
}

// The loaded library, once it is; throws when it cannot be loaded.
const Curl& Library() {
  // The shared state the future refers to is kept by `loading` until the program ends.
  const Curl& curl = Loading(std::launch::deferred).get();
  if (!curl.failure.empty()) {
    throw std::runtime_error("The HTTP library " + std::string(kCurlLibrary) +
                             " cannot be loaded: " + curl.failure + ".");
  }
  return curl;
}

struct CurlDeleter {
  void operator()(CURL* h) const { Library().easy_cleanup(h); }
};
struct ListDeleter {
  void operator()(curl_slist* l) const { Library().slist_free_all(l); }
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

Headers MakeHeaders(const Curl& curl, std::initializer_list<const char*> lines) {
  curl_slist* list = nullptr;
  for (const char* line : lines) {
    curl_slist* next = curl.slist_append(list, line);
    if (!next) {
      curl.slist_free_all(list);
      return nullptr;
    }
    list = next;
  }
  return Headers(list);
}

// The whole of a file, or nothing when it cannot be read.
std::optional<std::string> ReadFile(const std::string& name) {
  std::ifstream in(name, std::ios::binary);
  if (!in) return std::nullopt;
  std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  if (in.bad()) return std::nullopt;
  return text;
}

// Adds the authorities of `caFile` to the system's for this exchange: the system's bundle and
// the file, together, become the bundle the certificate is checked against (the system's
// directory of authorities, where libcurl has one, stays in use). False when the file cannot be
// read, with the reason in `why`.
bool TrustAlso(const Curl& curl, CURL* h, const std::string& caFile, std::string& bundle,
               std::string& why) {
  char* systemBundle = nullptr;
  if (curl.easy_getinfo(h, CURLINFO_CAINFO, &systemBundle) == CURLE_OK && systemBundle) {
    if (auto text = ReadFile(systemBundle)) bundle = std::move(*text) + "\n";
  }
  const auto added = ReadFile(caFile);
  if (!added) {
    why = "the authorities' file " + caFile + " (CAFile) cannot be read";
    return false;
  }
  bundle += *added;
  curl_blob blob{bundle.data(), bundle.size(), CURL_BLOB_NOCOPY};
  curl.easy_setopt(h, CURLOPT_CAINFO_BLOB, &blob);
  return true;
}

// Runs the exchange with `url`; the answer only when it completed within the limits. Otherwise
// the empty answer, and `report` is told why.
std::string Perform(const Curl& curl, CURL* h, const std::string& url, curl_slist* headers,
                    const TransportSettings& settings, const CurlTransport::FailureReport& report) {
  Answer answer{{}, settings.answerBytes};
  char error[CURL_ERROR_SIZE] = "";
  std::string bundle;  // lives until the exchange is over
  // Calls keep the header's name, so that its checks of each option's value still apply.
  const auto curl_easy_setopt = curl.easy_setopt;
  curl_easy_setopt(h, CURLOPT_URL, url.c_str());
  curl_easy_setopt(h, CURLOPT_PROTOCOLS_STR, "http,https");
  curl_easy_setopt(h, CURLOPT_ERRORBUFFER, error);
  curl_easy_setopt(h, CURLOPT_USERAGENT, kUserAgent);
  curl_easy_setopt(h, CURLOPT_HTTPHEADER, headers);
  curl_easy_setopt(h, CURLOPT_WRITEFUNCTION, &Append);
  curl_easy_setopt(h, CURLOPT_WRITEDATA, &answer);
  curl_easy_setopt(h, CURLOPT_NOSIGNAL, 1L);
  curl_easy_setopt(h, CURLOPT_CONNECTTIMEOUT, settings.connectSeconds);
  curl_easy_setopt(h, CURLOPT_LOW_SPEED_LIMIT, 1L);
  curl_easy_setopt(h, CURLOPT_LOW_SPEED_TIME, settings.silentSeconds);
  curl_easy_setopt(h, CURLOPT_TIMEOUT, settings.deadlineSeconds);
  curl_easy_setopt(h, CURLOPT_MAXFILESIZE_LARGE, static_cast<curl_off_t>(settings.answerBytes));
  curl_easy_setopt(h, CURLOPT_FOLLOWLOCATION, 0L);
  // The certificate is always checked, and its names against the host.
  curl_easy_setopt(h, CURLOPT_SSL_VERIFYPEER, 1L);
  curl_easy_setopt(h, CURLOPT_SSL_VERIFYHOST, 2L);
  std::string why;
  if (url.rfind("https://", 0) == 0 && !settings.caFile.empty() &&
      !TrustAlso(curl, h, settings.caFile, bundle, why)) {
    if (report) report(url + ": " + why);
    return {};
  }
  if (const CURLcode done = curl.easy_perform(h); done != CURLE_OK) {
    if (report)
      report(url + ": " + (*error ? error : "the exchange failed (" + std::to_string(done) + ")"));
    return {};
  }
  return std::move(answer.text);
}

}  // namespace

CurlTransport::CurlTransport(TransportSettings settings, FailureReport report)
    : settings_(std::move(settings)), report_(std::move(report)) {
  Loading(std::launch::async);
}

CurlTransport::~CurlTransport() {
  // A program that never talked to the service may end at once: the loading thread must be done
  // before the program's end unloads what it is loading and initialising.
  Loading(std::launch::async).wait();
}

std::string CurlTransport::Post(const Endpoint& to, const std::string& path,
                                const std::string& body, const ProxySettings& proxy) {
  const Curl& curl = Library();
  const auto curl_easy_setopt = curl.easy_setopt;
  Handle h(curl.easy_init());
  // No "Expect: 100-continue": the body goes with the request at once.
  Headers headers = MakeHeaders(curl, {"Content-Type: application/x-www-form-urlencoded",
                                       "Connection: Keep-Alive", "Expect:"});
  if (!h || !headers) return {};
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
  return Perform(curl, h.get(), Origin(to) + "/" + path, headers.get(), settings_, report_);
}

std::string CurlTransport::Get(const std::string& url) {
  const Curl& curl = Library();
  const auto curl_easy_setopt = curl.easy_setopt;
  Handle h(curl.easy_init());
  // Always from the network, never from a cache on the way.
  Headers headers = MakeHeaders(curl, {"Cache-Control: no-cache", "Pragma: no-cache"});
  if (!h || !headers) return {};
  curl_easy_setopt(h.get(), CURLOPT_HTTPGET, 1L);
  return Perform(curl, h.get(), url, headers.get(), settings_, report_);
}

}  // namespace qv::service
