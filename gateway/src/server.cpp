#include "server.h"

#include <httplib.h>

#include <atomic>
#include <condition_variable>
#include <optional>
#include <stdexcept>
#include <thread>

#include "chunked.h"
#include "values/cp1252.h"

namespace qv::gateway {

struct Server::Impl {
  Gateway& gateway;
  std::unique_ptr<httplib::Server> server;
  httplib::Server& http;
  std::mutex mutex;
  std::condition_variable wake;
  bool stopping = false;
  bool running = false;  // Run is listening, or about to
  std::thread worker;

  Impl(Gateway& g, std::unique_ptr<httplib::Server> s)
      : gateway(g), server(std::move(s)), http(*server) {}
};

namespace {

void Answer(httplib::Response& res, const std::string& text,
            const char* type = "text/plain; charset=windows-1252") {
  res.status = 200;
  res.set_content(Utf8ToCp1252(text), type);
}

// Marks a request whose chunked framing the gateway reads itself.
constexpr const char* kChunkedMark = "X-Quorvalent-Chunked";

// The library reads a chunked body leniently: a chunk followed by other than CR LF ends the body
// there as if whole, and trailers are refused. The framing of such a body is taken from it before
// it reads the body, which it then hands over as it comes, framing and all, for ChunkedBody to
// read. Only a name the library gives can carry that, and the request is the library's own
// object, not a constant, until it reaches the handlers.
httplib::Server::HandlerResponse TakeChunkedFraming(const httplib::Request& req,
                                                    httplib::Response& res) {
  auto& headers = const_cast<httplib::Headers&>(req.headers);
  headers.erase(kChunkedMark);
  if (req.get_header_value("Transfer-Encoding") != "chunked")
    return httplib::Server::HandlerResponse::Unhandled;
  // Both a length and chunks: which one frames the body is the client's guess, not ours.
  if (req.has_header("Content-Length")) {
    Answer(res, "<ERROR>");
    res.set_header("Connection", "close");
    return httplib::Server::HandlerResponse::Handled;
  }
  headers.erase("Transfer-Encoding");
  headers.emplace(kChunkedMark, "1");
  return httplib::Server::HandlerResponse::Unhandled;
}

// The body of a POST, or nullopt when it broke off, its framing is broken or it is too large.
std::optional<std::string> ReadBody(const httplib::Request& req, httplib::Response& res,
                                    const httplib::ContentReader& reader) {
  if (req.has_header(kChunkedMark)) {
    ChunkedBody body(kMaxBody);
    // The reading stops at the body's end; what came after it in the same read is not a
    // request of its own, so the connection closes after the answer.
    reader([&](const char* data, std::size_t length) {
      return body.Feed({data, length}) == ChunkedBody::State::NeedMore;
    });
    res.set_header("Connection", "close");
    if (body.Now() != ChunkedBody::State::Done) return std::nullopt;
    return body.Data();
  }
  std::string body;
  bool tooLarge = false;
  const bool whole = reader([&](const char* data, std::size_t length) {
    tooLarge = tooLarge || body.size() + length > kMaxBody;
    if (!tooLarge) body.append(data, length);
    return !tooLarge;
  });
  if (tooLarge || !whole) return std::nullopt;
  return body;
}

}  // namespace

namespace {

std::unique_ptr<httplib::Server> MakeServer(const Tls* tls) {
  if (!tls) return std::make_unique<httplib::Server>();
  auto secure =
      std::make_unique<httplib::SSLServer>(tls->certificateFile.c_str(), tls->keyFile.c_str());
  if (!secure->is_valid()) {
    throw std::runtime_error("The certificate " + tls->certificateFile + " and the key " +
                             tls->keyFile + " cannot be read, or do not belong together.");
  }
  return secure;
}

}  // namespace

Server::Server(Gateway& gateway, const Tls* tls)
    : impl_(std::make_unique<Impl>(gateway, MakeServer(tls))) {
  auto& http = impl_->http;
  http.new_task_queue = [] { return new httplib::ThreadPool(kConnectionThreads); };
  http.set_read_timeout(kReadWriteSeconds);
  http.set_write_timeout(kReadWriteSeconds);
  http.set_keep_alive_timeout(kReadWriteSeconds);
  // A larger body is refused by the library itself; the error handler turns that into "<ERROR>".
  http.set_payload_max_length(kMaxBody);
  // The body is read here rather than by the library, which would refuse form bodies past 8 KiB.
  http.set_pre_routing_handler(TakeChunkedFraming);
  http.Post(R"(/(.*))", [this](const httplib::Request& req, httplib::Response& res,
                               const httplib::ContentReader& reader) {
    // A body that breaks off or whose framing is broken (a bad chunk) is no request.
    const auto body = ReadBody(req, res, reader);
    if (!body) {
      Answer(res, "<ERROR>");
      return;
    }
    const auto answer = impl_->gateway.Post(req.matches[1].str(), *body);
    if (answer) {
      Answer(res, *answer);
    } else {
      res.status = 404;
      res.set_content("Not Found", "text/plain");
    }
  });
  http.Get(R"(/.*)", [this](const httplib::Request& req, httplib::Response& res) {
    const auto answer = impl_->gateway.Get(req.path);
    if (!answer) {
      res.status = 404;
      res.set_content("Not Found", "text/plain");
      return;
    }
    Answer(res, *answer,
           req.path.ends_with(".swf") ? "text/html; charset=windows-1252"
                                      : "text/plain; charset=windows-1252");
  });
  http.set_error_handler([](const httplib::Request&, httplib::Response& res) {
    if (res.status == 413 || res.status == 400) {
      res.status = 200;
      res.set_content("<ERROR>", "text/plain; charset=windows-1252");
    }
  });
}

Server::~Server() { Stop(); }

int Server::Bind(const std::string& host, int port) {
  if (port == 0) return impl_->http.bind_to_any_port(host);
  return impl_->http.bind_to_port(host, port) ? port : -1;
}

bool Server::Run() {
  {
    std::lock_guard starting(impl_->mutex);
    if (impl_->stopping) return false;
    impl_->running = true;
    impl_->worker = std::thread([this] {
      std::unique_lock lock(impl_->mutex);
      while (!impl_->stopping) {
        lock.unlock();
        try {
          impl_->gateway.DeliverDueJobs();
        } catch (const std::exception&) {
          // The next round tries again.
        }
        lock.lock();
        impl_->wake.wait_for(lock, std::chrono::seconds(1), [this] { return impl_->stopping; });
      }
    });
  }
  const bool ok = impl_->http.listen_after_bind();
  {
    std::lock_guard lock(impl_->mutex);
    impl_->running = false;
  }
  impl_->wake.notify_all();
  return ok;
}

void Server::Stop() {
  {
    std::lock_guard lock(impl_->mutex);
    impl_->stopping = true;
  }
  impl_->wake.notify_all();
  // The library stops only a listening that has begun, and only once: until Run has begun it,
  // or given up, this looks again, a millisecond apart. A sleep, not a timed wait: under a faked
  // clock (the suite's runs at the turn of a year) a wait's deadline, reckoned from the faked
  // steady clock, never comes.
  for (;;) {
    {
      std::lock_guard lock(impl_->mutex);
      if (!impl_->running) break;
    }
    if (impl_->http.is_running()) {
      impl_->http.stop();
      std::unique_lock lock(impl_->mutex);
      impl_->wake.wait(lock, [this] { return !impl_->running; });
      break;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  std::thread worker;
  {
    std::lock_guard lock(impl_->mutex);
    worker = std::move(impl_->worker);
  }
  if (worker.joinable()) worker.join();
}

}  // namespace qv::gateway
