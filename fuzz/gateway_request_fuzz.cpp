// The stand-in gateway's reading of a request of any bytes: the first byte picks the path, the
// rest is the body, read once as it came and once as a chunked body; the form is parsed and the
// request answered against a database in memory of one account, made afresh for each input.

#include <iterator>

#include "chunked.h"
#include "form.h"
#include "fuzz_input.h"
#include "gateway.h"
#include "service/protocol.h"
#include "values/fixed_clock.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return 0;
  namespace path = qv::service::path;
  const char* paths[] = {path::kLogin,    path::kBalance,       path::kSend,      path::kSendLarge,
                         path::kSchedule, path::kScheduleLarge, path::kTemplates, path::kReports,
                         path::kJobs,     path::kEditJobs};
  const std::string_view body = qv::fuzz::Text(data + 1, size - 1);
  (void)qv::gateway::Form::Parse(body);
  qv::gateway::ChunkedBody chunked(1 << 20);
  if (chunked.Feed(body) == qv::gateway::ChunkedBody::State::Done)
    (void)qv::gateway::Form::Parse(chunked.Data());
  qv::FixedClock clock{qv::DateTime::FromParts(2026, 12, 9, 10, 32, 0)};
  qv::gateway::Gateway gateway(":memory:", clock);
  gateway.AddAccount({"alice", "abc", 100, false, {"ACME"}});
  const std::size_t pick = data[0] % (std::size(paths) + 1);
  if (pick == std::size(paths))
    (void)gateway.Get(body);
  else
    (void)gateway.Post(paths[pick], body);
  return 0;
}
