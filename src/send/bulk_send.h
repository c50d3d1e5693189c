#pragma once

#include <cstddef>
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
  std::string numbers;         // joined by ","
  std::string message;         // the template, placeholders included
  std::string cellData;        // records of name/value pairs (see AppendCellText)
  std::optional<bool> concat;  // the long-message answer; absent from the grouped send
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

// Appends a cell's text to the cell data without the three separator characters.
void AppendCellText(std::string& cellData, std::string_view text);

// The number of entries in a number list: one more than its commas.
std::size_t NumberCount(std::string_view numbers);

// The endpoint: the large-batch paths above 1001 numbers, the scheduler's when scheduling.
const char* BulkSendPath(std::size_t numberCount, bool scheduled);

std::string BulkSendBody(service::m_Http& http, const session::GlobalSubs& globals,
                         const BulkSend& send);

// What the service answered a send, as shown: `sentCount` followed by " SMS Messages Sent" when it
// took the messages ("000"), the status texts otherwise.
struct SendAnswer {
  std::string text;
  bool accepted = false;
};

// Posts the request.
SendAnswer PostBulkSend(service::m_Http& http, const session::GlobalSubs& globals,
                        const BulkSend& send, long long sentCount);

}  // namespace qv::send
