#include "send/bulk_send.h"

#include <algorithm>

#include "service/protocol.h"
#include "values/text.h"

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
    if (c != kNameValue && c != kPairs && c != kRecords && c != '\0') cellData += c;
  }
}

BulkSendBuilder::BulkSendBuilder(std::string message, std::vector<std::string> names,
                                 session::GlobalSubs& globals, bool preview)
    : names_(std::move(names)), globals_(globals), preview_(preview) {
  send_.message = std::move(message);
  globals_.PreviewMessages.clear();
  globals_.PreviewNumbers.clear();
  if (preview_) {
    globals_.PreviewMessages.emplace_back();
    globals_.PreviewNumbers.emplace_back();
  }
}

void BulkSendBuilder::Add(std::string_view number, std::string shownNumber, std::string merged,
                          const std::vector<std::string>& values) {
  for (std::size_t i = 0; i < names_.size(); ++i) {
    if (i > 0) send_.cellData += kPairs;
    send_.cellData += names_[i];
    send_.cellData += kNameValue;
    AppendCellText(send_.cellData, i < values.size() ? values[i] : std::string());
  }
  if (!names_.empty()) send_.cellData += kRecords;
  if (count_ > 0) send_.numbers += ',';
  send_.numbers += number;
  ++count_;
  if (preview_) {
    globals_.PreviewMessages.push_back(std::move(merged));
    globals_.PreviewNumbers.push_back(std::move(shownNumber));
  }
}

BulkSend BulkSendBuilder::Take() {
  BulkSend send = send_;
  if (!send.cellData.empty()) send.cellData.pop_back();
  return send;
}

std::string Merge(std::string text, const std::vector<std::string>& names,
                  const std::vector<std::string>& values) {
  for (std::size_t i = 0; i < names.size() && i < values.size(); ++i)
    text = ReplaceAll(text, "#" + names[i] + "#", values[i]);
  return text;
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
