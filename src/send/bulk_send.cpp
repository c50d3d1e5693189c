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

void AppendCellText(std::string& encodedCellData, std::string_view text) {
  std::size_t from = 0;
  for (std::size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    if (c == kNameValue || c == kPairs || c == kRecords || c == '\0') {
      service::m_Http::AppendURLEncoded(encodedCellData, text.substr(from, i - from));
      from = i + 1;
    }
  }
  service::m_Http::AppendURLEncoded(encodedCellData, text.substr(from));
}

BulkSendBuilder::BulkSendBuilder(std::string message, std::vector<std::string> names,
                                 session::GlobalSubs& globals, bool preview)
    : names_(std::move(names)),
      globals_(globals),
      preview_(preview),
      pairs_(service::m_Http::URLEncode(std::string_view(&kPairs, 1))),
      records_(service::m_Http::URLEncode(std::string_view(&kRecords, 1))) {
  for (const auto& name : names_) keys_.push_back(service::m_Http::URLEncode(name + kNameValue));
  send_.message = std::move(message);
  globals_.PreviewMessages.clear();
  globals_.PreviewNumbers.clear();
  if (preview_) {
    globals_.PreviewMessages.emplace_back();
    globals_.PreviewNumbers.emplace_back();
  }
}

void BulkSendBuilder::Add(std::string_view number, std::string_view shownNumber,
                          std::string_view merged, const std::vector<std::string>& values) {
  std::string& data = send_.encodedCellData;
  for (std::size_t i = 0; i < keys_.size(); ++i) {
    if (i > 0) data += pairs_;
    data += keys_[i];
    if (i < values.size()) AppendCellText(data, values[i]);
  }
  if (!keys_.empty()) data += records_;
  if (count_ > 0) send_.numbers += ',';
  send_.numbers += number;
  if (++count_ == 1 && expected_ > 1) {
    // A quarter more, for records longer than the first.
    const auto room = [this](const std::string& text) { return text.size() * expected_ * 5 / 4; };
    send_.numbers.reserve(room(send_.numbers));
    // The body is built in the cell data's buffer, after the encoded numbers and template.
    data.reserve(room(data) + 3 * (send_.numbers.capacity() + send_.message.size()) + 1024);
  }
  ends_.push_back({send_.numbers.size(), data.size()});
  if (preview_) {
    globals_.PreviewMessages.emplace_back(merged);
    globals_.PreviewNumbers.emplace_back(shownNumber);
  }
}

void BulkSendBuilder::LeaveOut(const std::vector<std::size_t>& indices) {
  if (indices.empty()) return;
  std::string numbers, data;
  std::vector<End> ends;
  std::vector<std::string> messages, shown;
  if (preview_) {
    messages.emplace_back();
    shown.emplace_back();
  }
  End from{0, 0};
  auto left = indices.begin();
  for (std::size_t i = 0; i < ends_.size(); ++i) {
    const End to = ends_[i];
    if (left != indices.end() && *left == i) {
      ++left;
    } else {
      // A number after the first starts with the comma that joins it to the one before.
      const std::size_t number = from.numbers + (i > 0 ? 1 : 0);
      if (!ends.empty()) numbers += ',';
      numbers.append(send_.numbers, number, to.numbers - number);
      data.append(send_.encodedCellData, from.data, to.data - from.data);
      ends.push_back({numbers.size(), data.size()});
      if (preview_) {
        messages.push_back(std::move(globals_.PreviewMessages[i + 1]));
        shown.push_back(std::move(globals_.PreviewNumbers[i + 1]));
      }
    }
    from = to;
  }
  send_.numbers = std::move(numbers);
  send_.encodedCellData = std::move(data);
  ends_ = std::move(ends);
  count_ = static_cast<std::int32_t>(ends_.size());
  if (preview_) {
    globals_.PreviewMessages = std::move(messages);
    globals_.PreviewNumbers = std::move(shown);
  }
}

BulkSend BulkSendBuilder::Take() {
  BulkSend send = std::move(send_);
  send_ = BulkSend{};
  ends_.clear();
  if (!send.encodedCellData.empty())
    send.encodedCellData.resize(send.encodedCellData.size() - records_.size());
  return send;
}

Merger::Merger(const std::vector<std::string>& names) {
  for (const auto& name : names) keys_.push_back("#" + name + "#");
}

const std::string& Merger::operator()(std::string_view text,
                                      const std::vector<std::string>& values) {
  text_.assign(text);
  for (std::size_t i = 0; i < keys_.size() && i < values.size(); ++i) {
    const std::string& key = keys_[i];
    std::size_t hit = text_.find(key);
    if (hit == std::string::npos) continue;
    next_.clear();
    std::size_t from = 0;
    do {
      next_.append(text_, from, hit - from).append(values[i]);
      from = hit + key.size();
      hit = text_.find(key, from);
    } while (hit != std::string::npos);
    next_.append(text_, from);
    text_.swap(next_);
  }
  return text_;
}

std::size_t NumberCount(std::string_view numbers) {
  return static_cast<std::size_t>(std::count(numbers.begin(), numbers.end(), ',')) + 1;
}

const char* BulkSendPath(std::size_t numberCount, bool scheduled) {
  const bool large = numberCount > 1001;
  if (scheduled) return large ? service::path::kScheduleLarge : service::path::kSchedule;
  return large ? service::path::kSendLarge : service::path::kSend;
}

std::string BulkSendBody(service::m_Http& http, const session::GlobalSubs& globals, BulkSend send) {
  // Room for the numbers and the template encoded whole (three bytes a byte at most), so that the
  // head is not copied again and again as it grows.
  std::string room;
  room.reserve(3 * (send.numbers.size() + send.message.size()) + 64);
  service::FormBody head(std::move(room));
  head.Field("mobilenumber", send.numbers)
      .Field("message", send.message)
      .EncodedField("MMCellData", "");
  // The fields before the cell data go in front of it, where the builder made room for them.
  std::string text = std::move(send.encodedCellData);
  text.insert(0, head.str());
  service::FormBody body(std::move(text));
  body.Credentials(http, globals.SessionUserName, globals.SessionPassword)
      .Field("ver", "1.0")
      .Field("SenderName", send.senderName);
  if (send.concat) body.Field("IsConcatSMS", *send.concat ? "1" : "0");
  body.Field("TOS", send.flash ? "FLASH" : "N");
  if (send.schedule) {
    body.Field("schedulerName", send.schedule->name)
        .Field("ScheduledAfterMinutes", std::to_string(send.schedule->minutes));
    if (send.schedule->notify) body.Field("NotifyMe", *send.schedule->notify ? "1" : "0");
  }
  return std::move(body).str();
}

SendAnswer PostBulkSend(service::m_Http& http, const session::GlobalSubs& globals, BulkSend send,
                        long long sentCount) {
  const char* path = BulkSendPath(NumberCount(send.numbers), send.schedule.has_value());
  const std::string body = BulkSendBody(http, globals, std::move(send));
  const std::string answer = http.HttpPost(path, body);
  return {service::AnswerText(answer, service::Request::Sending,
                              std::to_string(sentCount) + " SMS Messages Sent"),
          answer == "000", !answer.empty()};
}

}  // namespace qv::send
