#include "server.h"

#include <httplib.h>

#include <atomic>
#include <condition_variable>
#include <thread>

#include "values/cp1252.h"

namespace qv::gateway {

struct Server::Impl {
  Gateway& gateway;
  httplib::Server http;
  std::mutex mutex;
  std::condition_variable wake;
  bool stopping = false;
  bool running = false;  // Run is listening, or about to
  std::thread worker;

  explicit Impl(Gateway& g) : gateway(g) {}
};

namespace {

void Answer(httplib::Response& res, const std::string& text,
            const char* type = "text/plain; charset=windows-1252") {
  res.status = 200;
  res.set_content(Utf8ToCp1252(text), type);
}

}  // namespace

Server::Server(Gateway& gateway) : impl_(std::make_unique<Impl>(gateway)) {
  auto& http = impl_->http;
  http.new_task_queue = [] { return new httplib::ThreadPool(kConnectionThreads); };
  http.set_read_timeout(kReadWriteSeconds);
  http.set_write_timeout(kReadWriteSeconds);
  http.set_keep_alive_timeout(kReadWriteSeconds);
  // A larger body is refused by the library itself; the error handler turns that into "<ERROR>".
  http.set_payload_max_length(kMaxBody);
  // The body is read here rather than by the library, which would refuse form bodies past 8 KiB.
  http.Post(R"(/(.*))", [this](const httplib::Request& req, httplib::Response& res,
                               const httplib::ContentReader& reader) {
    std::string body;
    bool tooLarge = false;
    // A body that breaks off or whose framing is broken (a bad chunk) is no request.
    const bool whole = reader([&](const char* data, std::size_t length) {
      tooLarge = tooLarge || body.size() + length > kMaxBody;
      if (!tooLarge) body.append(data, length);
      return !tooLarge;
    });
    if (tooLarge || !whole) {
      Answer(res, "<ERROR>");
      return;
    }
    const auto answer = impl_->gateway.Post(req.matches[1].str(), body);
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
