#include "send/bulk_send.h"

#include <algorithm>

#include "service/protocol.h"

namespace qv::send {

std::vector<std::string> FindPlaceholders(std::string_view text) {
  std::vector<std::string> names;
  std::size_t from = 0;
  for (;;) {
    const auto open = text.find('#', from);
    if (open == std::string_view::npos) return names;
    const auto close = text.find('#', open + 1);
    if (close == std::string_view::npos) return names;
    names.emplace_back(text.substr(open + 1, close - open - 1));
    from = close + 1;
  }
}

void AppendCellText(std::string& cellData, std::string_view text) {
  for (char c : text) {
    if (c != kNameValue && c != kPairs && c != kRecords) cellData += c;
  }
}

std::size_t NumberCount(std::string_view numbers) {
  return static_cast<std::size_t>(std::count(numbers.begin(), numbers.end(), ',')) + 1;
}

const char* BulkSendPath(std::size_t numberCount, bool scheduled) {
  const bool large = numberCount > 1001;
  if (scheduled) return large ? service::path::kScheduleLarge : service::path::kSchedule;
  return large ? service::path::kSendLarge : service::path::kSend;
}

std::string BulkSendBody(service::m_Http& http, const session::GlobalSubs& globals,
                         const BulkSend& send) {
  service::FormBody body;
  body.Field("mobilenumber", send.numbers)
      .Field("message", send.message)
      .Field("MMCellData", send.cellData)
      .Credentials(http, globals.SessionUserName, globals.SessionPassword)
      .Field("ver", "1.0")
      .Field("SenderName", send.senderName);
  if (send.concat) body.Field("IsConcatSMS", *send.concat ? "1" : "0");
  body.Field("TOS", send.flash ? "FLASH" : "N");
  if (send.schedule) {
    body.Field("schedulerName", send.schedule->name)
        .Field("ScheduledAfterMinutes", std::to_string(send.schedule->minutes));
    if (send.schedule->notify) body.Field("NotifyMe", *send.schedule->notify ? "1" : "0");
  }
  return body.str();
}

SendAnswer PostBulkSend(service::m_Http& http, const session::GlobalSubs& globals,
                        const BulkSend& send, long long sentCount) {
  const std::string body = BulkSendBody(http, globals, send);
  const std::string answer =
      http.HttpPost(BulkSendPath(NumberCount(send.numbers), send.schedule.has_value()), body);
  return {service::AnswerText(answer, service::Request::Sending,
                              std::to_string(sentCount) + " SMS Messages Sent"),
          answer == "000"};
}

}  // namespace qv::send
