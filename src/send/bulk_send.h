#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "service/m_http.h"
#include "session/global_subs.h"

namespace qv::send {

// One bulk-send request: every number of a send, the template, and the cell values from which
// the service merges each recipient's text.
struct BulkSend {
  std::string numbers;          // joined by ","
  std::string message;          // the template, placeholders included
  std::string encodedCellData;  // records of name/value pairs (see AppendCellText), form-encoded
  std::optional<bool> concat;   // the long-message answer; absent from the grouped send
  bool flash = false;
  std::string senderName;
  struct Schedule {
    std::string name;
    long long minutes = 0;
    std::optional<bool> notify;  // absent from the filtered and grouped sends
  };
  std::optional<Schedule> schedule;
};

// The placeholder names of a template: the texts between "#" characters paired from left to
// right ("Dear #B# #D#" gives B and D; a lone "#" is plain text).
std::vector<std::string> FindPlaceholders(std::string_view text);

// The separators of the cell data: name and value, pairs of a record, records.
inline constexpr char kNameValue = '\x01';
inline constexpr char kPairs = '\x02';
inline constexpr char kRecords = '\x7F';

// Appends a cell's text to the form-encoded cell data, without the three separator characters and
// NUL.
void AppendCellText(std::string& encodedCellData, std::string_view text);

// Collects a bulk send recipient by recipient: the numbers, the cell data the service merges each
// text from (encoded as it comes, so that it is held once, as it is sent), and for a preview the
// merged texts and numbers handed to the preview dialog (its lists are counted from 1, so they
// start with an empty entry).
class BulkSendBuilder {
 public:
  // `names` are the template's placeholders. The preview hand-over lists of `globals` are
  // cleared, and filled as recipients come when `preview` is set.
  BulkSendBuilder(std::string message, std::vector<std::string> names, session::GlobalSubs& globals,
                  bool preview);
  // One recipient: its number as the request carries it and as the preview shows it, the text
  // merged for it, and the values of the placeholders, in their order.
  void Add(std::string_view number, std::string_view shownNumber, std::string_view merged,
           const std::vector<std::string>& values);
  // At most this many recipients will come: once the first is in, room is made for all of them
  // at its size, so that the request is not copied again and again as it grows.
  void Expect(std::size_t recipients) { expected_ = recipients; }
  const std::string& Message() const { return send_.message; }
  const std::vector<std::string>& Names() const { return names_; }
  std::int32_t Count() const { return count_; }
  // Leaves out the recipients at `indices` (counted from 0 in the order they came, ascending):
  // their numbers, their cell data and their previews.
  void LeaveOut(const std::vector<std::size_t>& indices);
  // The request, taken out of the builder (once all recipients are in), without its last record
  // separator.
  BulkSend Take();

 private:
  BulkSend send_;
  std::vector<std::string> names_;
  session::GlobalSubs& globals_;
  bool preview_;
  // The encoded separators, and each name with the separator after it.
  std::string pairs_, records_;
  std::vector<std::string> keys_;
  std::int32_t count_ = 0;
  std::size_t expected_ = 0;
  // Where each recipient's number and cell data end.
  struct End {
    std::size_t numbers, data;
  };
  std::vector<End> ends_;
};

// Merges the texts of a send: the template with each placeholder "#name#" replaced by its value,
// one name after the other (what one value brings in, a later name may replace). Its buffers
// serve every recipient.
class Merger {
 public:
  explicit Merger(const std::vector<std::string>& names);
  // The merged text, good until the next call.
  const std::string& operator()(std::string_view text, const std::vector<std::string>& values);

 private:
  std::vector<std::string> keys_;
  std::string text_, next_;
};

// The number of entries in a number list: one more than its commas.
std::size_t NumberCount(std::string_view numbers);

// The endpoint: the large-batch paths above 1001 numbers, the scheduler's when scheduling.
const char* BulkSendPath(std::size_t numberCount, bool scheduled);

// The request's body. It is built in the buffer of the encoded cell data, the bulk of it, which
// the body takes over.
std::string BulkSendBody(service::m_Http& http, const session::GlobalSubs& globals, BulkSend send);

// What the service answered a send, as shown: `sentCount` followed by " SMS Messages Sent" when it
// took the messages ("000"), the status texts otherwise.
struct SendAnswer {
  std::string text;
  bool accepted = false;
  bool answered = false;  // false for the empty answer of a failed exchange
};

// Posts the request.
SendAnswer PostBulkSend(service::m_Http& http, const session::GlobalSubs& globals, BulkSend send,
                        long long sentCount);

}  // namespace qv::send
