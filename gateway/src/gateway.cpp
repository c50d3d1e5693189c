#include "gateway.h"

#include <algorithm>
#include <cstdio>

#include "credentials.h"
#include "values/convert.h"
#include "values/cp1252.h"
#include "values/sms_count.h"
#include "values/text.h"

namespace qv::gateway {
namespace {

constexpr const char* kError = "<ERROR>";
constexpr const char* kOpen = "<QUORVALENT>";
constexpr const char* kClose = "</QUORVALENT>";
// Messages sent from the spreadsheet add-in carry this mode of submission.
constexpr const char* kAddinMode = "E";
constexpr const char* kModes =
    "L-Web Login,C-Campaign Manager,M-Mobile App,G-Gateway API,E-Excel Add-in,"
    "R-Reseller Panel,B-Bulk Upload,A-Alerts,H-HTTP API";
// A sent message is reported delivered this long after it was submitted.
constexpr std::int64_t kDeliverySeconds = 2;

constexpr const char* kDemoPage =
    "<!DOCTYPE html>\n<html><head><meta charset=\"windows-1252\"><title>Quorvalent Excel "
    "add-in</title></head>\n"
    "<body><h1>Quorvalent Excel add-in</h1>\n"
    "<p>Send personalised bulk SMS from the rows of a worksheet.</p>\n<ol>\n"
    "<li>Log in from the Quorvalent menu.</li>\n"
    "<li>Open Send SMS, pick the column that holds the mobile numbers and type your message. "
    "Insert column placeholders such as #B# to personalise it.</li>\n"
    "<li>Choose the rows (a start and an end row, or a list such as 2-19, 27-35), preview if you "
    "like, "
    "and press Send.</li>\n"
    "<li>Schedule a send for later, filter the rows with a formula, or send one message per group "
    "of rows "
    "from the same options.</li>\n"
    "<li>Download delivery reports into a new sheet, and manage your templates and scheduled "
    "jobs.</li>\n"
    "</ol></body></html>\n";

const char* const kSchema = R"SQL(
CREATE TABLE IF NOT EXISTS accounts (
  name TEXT PRIMARY KEY, password TEXT NOT NULL, credits REAL NOT NULL DEFAULT 0,
  blocked INTEGER NOT NULL DEFAULT 0);
CREATE TABLE IF NOT EXISTS sender_ids (
  account TEXT NOT NULL, position INTEGER NOT NULL, sender_id TEXT NOT NULL,
  PRIMARY KEY (account, position));
CREATE TABLE IF NOT EXISTS templates (
  id INTEGER PRIMARY KEY AUTOINCREMENT, account TEXT NOT NULL, name TEXT NOT NULL, text TEXT NOT NULL,
  UNIQUE (account, name));
CREATE TABLE IF NOT EXISTS messages (
  id INTEGER PRIMARY KEY AUTOINCREMENT, account TEXT NOT NULL, mobile TEXT NOT NULL, text TEXT NOT NULL,
  sender_id TEXT NOT NULL, flash INTEGER NOT NULL, concat INTEGER NOT NULL, notify INTEGER NOT NULL,
  mode TEXT NOT NULL, submitted INTEGER NOT NULL, sms INTEGER NOT NULL);
CREATE TABLE IF NOT EXISTS jobs (
  id INTEGER PRIMARY KEY AUTOINCREMENT, account TEXT NOT NULL, description TEXT NOT NULL,
  mobile TEXT NOT NULL, text TEXT NOT NULL, sender_id TEXT NOT NULL, flash INTEGER NOT NULL,
  concat INTEGER NOT NULL, notify INTEGER NOT NULL, due INTEGER NOT NULL, sms INTEGER NOT NULL);
CREATE INDEX IF NOT EXISTS messages_by_account ON messages (account, submitted);
CREATE INDEX IF NOT EXISTS jobs_by_due ON jobs (due);
)SQL";

bool IsWholeNumber(const std::string& s) {
  return !s.empty() && s.size() <= 9 && s.find_first_not_of("0123456789") == std::string::npos;
}

// A mobile number: digits, with a leading "+" allowed; the grouped send ends each with a line feed.
std::optional<std::string> CleanNumber(std::string number) {
  while (!number.empty() && (number.back() == '\n' || number.back() == '\r')) number.pop_back();
  number = Trim(number);
  const std::size_t digitsFrom = !number.empty() && number[0] == '+' ? 1 : 0;
  if (number.size() <= digitsFrom || number.size() > 21 ||
      number.find_first_not_of("0123456789", digitsFrom) != std::string::npos) {
    return std::nullopt;
  }
  return number;
}

bool HasPlaceholder(std::string_view text) {
  const auto first = text.find('#');
  return first != std::string_view::npos && text.find('#', first + 1) != std::string_view::npos;
}

std::size_t DigitCount(const std::string& number) {
  std::size_t n = 0;
  for (char c : number) n += c >= '0' && c <= '9';
  return n;
}

DateTime CutToMinute(DateTime t) { return t.AddSeconds(-t.Parts().second); }

std::string ReportField(std::string_view text) {
  // "-" separates fields and "," records: inside a field they travel as "~" and the byte 0x80.
  return ReplaceAll(ReplaceAll(text, "-", "~"), ",", "\xE2\x82\xAC");
}

}  // namespace

Gateway::Gateway(const std::string& databasePath, Clock& clock) : db_(databasePath), clock_(clock) {
  db_.Exec("PRAGMA journal_mode=WAL");
  db_.Exec("PRAGMA foreign_keys=ON");
  db_.Exec(kSchema);
}

std::optional<std::string> Gateway::Post(std::string_view path, std::string_view body) {
  // Each path of the service with what answers it.
  using Answer = std::string (*)(Gateway&, const Form&);
  static const std::pair<std::string_view, Answer> kRoutes[] = {
      {"SMS_Excel/LoginCheck.asp", [](Gateway& g, const Form& f) { return g.Login(f); }},
      {"SMS_Excel/Get_Balance.asp", [](Gateway& g, const Form& f) { return g.Balance(f); }},
      {"SMS_Excel/SaveExcelData_V2.asp",
       [](Gateway& g, const Form& f) { return g.Send(f, false); }},
      {"SMS_Excel_1/SaveBulkSMS.aspx", [](Gateway& g, const Form& f) { return g.Send(f, false); }},
      {"SMS_Excel/SaveSchedulerData_Excel.asp",
       [](Gateway& g, const Form& f) { return g.Send(f, true); }},
      {"SMS_Excel_1/SaveSchedulerData_Excel.aspx",
       [](Gateway& g, const Form& f) { return g.Send(f, true); }},
      {"SMS_Excel/SaveUserMessageExcel07.asp",
       [](Gateway& g, const Form& f) { return g.Templates(f); }},
      {"SMS_Excel/Get_DR.asp", [](Gateway& g, const Form& f) { return g.Reports(f); }},
      {"SMS_Excel/getScheduledData_Excel.asp",
       [](Gateway& g, const Form& f) { return g.ListJobs(f); }},
      {"SMS_Excel/EditDeleteScheduler.asp",
       [](Gateway& g, const Form& f) { return g.EditJobs(f); }},
  };
  const auto route = std::find_if(std::begin(kRoutes), std::end(kRoutes),
                                  [path](const auto& r) { return r.first == path; });
  if (route == std::end(kRoutes)) return std::nullopt;
  if (body.size() > kMaxBody) return kError;
  const auto form = Form::Parse(body);
  if (!form) return kError;
  std::lock_guard lock(mutex_);
  try {
    DeliverDueJobsLocked();
    return route->second(*this, *form);
  } catch (const std::exception&) {
    // Storage that fails (a full disk, a locked database) is what the protocol's error is for; the
    // transaction has been rolled back.
    return kError;
  }
}

std::optional<std::string> Gateway::Get(std::string_view path) {
  if (path == "/SMS_Excel/Get_Modes.asp") return std::string(kOpen) + kModes + kClose;
  if (path == "/Excel_Demos/excel-demo.swf") return std::string(kDemoPage);
  return std::nullopt;
}

std::optional<std::string> Gateway::Authenticate(const Form& form, Account& account) {
  const auto user = form.Get("user");
  const auto passwd = form.Get("passwd");
  if (!user || !passwd) return kError;
  auto found = LoadAccount(Trim(*user));
  if (!found) return "002";
  std::string scrambled;
  try {
    scrambled = Utf8ToCp1252(*passwd);
  } catch (const EncodingError&) {
    return "003";
  }
  const auto password = UnscramblePassword(scrambled);
  if (!password || Cp1252ToUtf8(*password) != found->password) return "003";
  if (found->blocked) return "0110";
  account = std::move(*found);
  return std::nullopt;
}

std::string Gateway::Login(const Form& form) {
  Account account;
  if (auto refusal = Authenticate(form, account)) return *refusal;
  return account.credits < 1 ? "001" : "000";
}

std::string Gateway::Balance(const Form& form) {
  Account account;
  if (auto refusal = Authenticate(form, account)) return *refusal;
  char buf[64];
  std::snprintf(buf, sizeof buf, "%.2f", account.credits);
  return std::string(kOpen) + buf + kClose;
}

namespace {

// The merge: one record of cell data per number, each a list of placeholder names and values;
// the texts, or nullopt when the cell data does not fit the numbers or the template.
std::optional<std::vector<std::string>> Merge(const std::string& templateText,
                                              const std::string& cellData, std::size_t count) {
  std::vector<std::string> texts(count, templateText);
  if (cellData.empty() && !HasPlaceholder(templateText)) return texts;
  const auto records = Split(cellData, "\x7F");
  if (records.size() != count) return std::nullopt;
  for (std::size_t r = 0; r < records.size(); ++r) {
    if (records[r].empty()) {
      if (HasPlaceholder(templateText)) return std::nullopt;
      continue;
    }
    for (const auto& pair : Split(records[r], "\x02")) {
      const auto sep = pair.find('\x01');
      if (sep == std::string::npos) return std::nullopt;
      texts[r] = ReplaceAll(texts[r], "#" + pair.substr(0, sep) + "#", pair.substr(sep + 1));
    }
  }
  return texts;
}

}  // namespace

std::string Gateway::Send(const Form& form, bool scheduled) {
  Account account;
  if (auto refusal = Authenticate(form, account)) return *refusal;
  const auto numbersField = form.Get("mobilenumber");
  const auto templateText = form.Get("message");
  if (!numbersField || !templateText || numbersField->empty() || Trim(*templateText).empty() ||
      Utf8Length(*templateText) > kMaxTextLength)
    return kError;

  std::vector<std::string> numbers;
  for (auto& n : Split(*numbersField, ",")) {
    auto clean = CleanNumber(n);
    if (!clean) return kError;
    numbers.push_back(std::move(*clean));
  }
  const auto texts = Merge(*templateText, form.GetOr("MMCellData", ""), numbers.size());
  if (!texts) return kError;
  long total = 0;
  std::vector<long> costs;
  for (const auto& t : *texts) {
    if (Trim(t).empty()) return kError;
    costs.push_back(SmsCount(Utf8Length(t)));
    total += costs.back();
  }

  const std::string sender =
      form.GetOr("SenderName", "").empty() ? "Quorvalent" : *form.Get("SenderName");
  const bool flash = form.GetOr("TOS", "N") == "FLASH";
  const bool concat = form.GetOr("IsConcatSMS", "0") == "1";
  const bool notify = form.GetOr("NotifyMe", "0") == "1";
  DateTime due;
  std::string description;
  if (scheduled) {
    const auto minutes = form.Get("ScheduledAfterMinutes");
    const auto name = form.Get("schedulerName");
    if (!minutes || !name || !IsWholeNumber(*minutes) || Utf8Length(*name) > kMaxNameLength)
      return kError;
    due = CutToMinute(clock_.Now()).AddMinutes(std::stoll(*minutes));
    description = *name;
  }
  if (account.credits < static_cast<double>(total)) return "001";

  const DateTime now = clock_.Now();
  db_.Transaction([&] {
    db_.Prepare("UPDATE accounts SET credits = credits - ? WHERE name = ?")
        .Bind(1, static_cast<double>(total))
        .Bind(2, account.name)
        .Run();
    const char* sql = scheduled ? "INSERT INTO jobs (account, description, mobile, text, "
                                  "sender_id, flash, concat, notify, due, sms)"
                                  " VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?)"
                                : "INSERT INTO messages (account, mode, mobile, text, sender_id, "
                                  "flash, concat, notify, submitted, sms)"
                                  " VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?)";
    Statement insert = db_.Prepare(sql);
    for (std::size_t i = 0; i < numbers.size(); ++i) {
      insert.Bind(1, account.name)
          .Bind(2, scheduled ? description : std::string(kAddinMode))
          .Bind(3, numbers[i])
          .Bind(4, (*texts)[i])
          .Bind(5, sender)
          .Bind(6, std::int64_t{flash})
          .Bind(7, std::int64_t{concat})
          .Bind(8, std::int64_t{notify})
          .Bind(9, (scheduled ? due : now).Seconds())
          .Bind(10, std::int64_t{costs[i]});
      insert.Run();
      insert.Reset();
    }
  });
  return "000";
}

std::string Gateway::Templates(const Form& form) {
  Account account;
  if (auto refusal = Authenticate(form, account)) return *refusal;
  if (form.GetOr("getMsg", "") == "Yes") {
    std::string answer;
    Statement t = db_.Prepare("SELECT name, text FROM templates WHERE account = ? ORDER BY id");
    t.Bind(1, account.name);
    while (t.Step()) answer += t.Text(0) + "|msg_name|" + t.Text(1) + "|msg_text|";
    answer += "|SenderIDs_Data|";
    for (const auto& id : account.senderIds) answer += id + "|sid|";
    return answer;
  }
  const auto name = form.Get("MsgName");
  if (!name || name->empty() || Utf8Length(*name) > kMaxNameLength) return kError;
  if (form.GetOr("delete", "") == "Y") {
    const int removed = db_.Transaction([&] {
      db_.Prepare("DELETE FROM templates WHERE account = ? AND name = ?")
          .Bind(1, account.name)
          .Bind(2, *name)
          .Run();
      return db_.Changes();
    });
    return removed > 0 ? "Successfully Deleted!!!"
                       : "There is no saved message named '" + *name + "'.";
  }
  const auto text = form.Get("SaveMsg");
  if (!text || text->empty() || Utf8Length(*text) > kMaxTextLength) return kError;
  for (const std::string* s : {&*name, &*text}) {
    for (const char* marker : {"|msg_name|", "|msg_text|", "|SenderIDs_Data|", "|sid|"}) {
      if (s->find(marker) != std::string::npos) return kError;
    }
  }
  db_.Transaction([&] {
    db_.Prepare(
           "INSERT INTO templates (account, name, text) VALUES (?, ?, ?) "
           "ON CONFLICT (account, name) DO UPDATE SET text = excluded.text")
        .Bind(1, account.name)
        .Bind(2, *name)
        .Bind(3, *text)
        .Run();
  });
  return "000";
}

StoredMessage Gateway::ReadMessage(Statement& s) const {
  StoredMessage m;
  m.id = s.Int(0);
  m.mobile = s.Text(1);
  m.text = s.Text(2);
  m.senderId = s.Text(3);
  m.flash = s.Int(4) != 0;
  m.concat = s.Int(5) != 0;
  m.mode = s.Text(6);
  m.submitted = DateTime::FromSeconds(s.Int(7));
  m.sms = static_cast<long>(s.Int(8));
  const DateTime deliveredAt = m.submitted.AddSeconds(kDeliverySeconds);
  if (clock_.Now() < deliveredAt) {
    m.status = "Submitted";
  } else {
    m.status = DigitCount(m.mobile) < 10 ? "Failed" : "Delivered";
    if (m.status == "Delivered") m.delivered = deliveredAt;
  }
  return m;
}

std::string Gateway::Reports(const Form& form) {
  Account account;
  if (auto refusal = Authenticate(form, account)) return *refusal;
  const auto from = ParseDateTime(form.GetOr("FromDate", ""));
  const auto to = ParseDateTime(form.GetOr("ToDate", ""));
  const std::string mode = form.GetOr("TOD", "");
  if (!from || !to || !from->HasDate() || !to->HasDate() || from->HasTime() || to->HasTime() ||
      *from > *to || (mode != "ALL" && mode.size() != 1)) {
    return "005";
  }
  Statement s = db_.Prepare(
      "SELECT id, mobile, text, sender_id, flash, concat, mode, submitted, sms FROM messages "
      "WHERE account = ? AND submitted >= ? AND submitted < ? AND (? = 'ALL' OR mode = ?) ORDER BY "
      "id");
  s.Bind(1, account.name)
      .Bind(2, from->Seconds())
      .Bind(3, to->AddMinutes(24 * 60).Seconds())
      .Bind(4, mode)
      .Bind(5, mode);
  std::string records;
  while (s.Step()) {
    const StoredMessage m = ReadMessage(s);
    const std::string fields[] = {m.mobile,
                                  m.text,
                                  m.status,
                                  DateTimeAsText(m.submitted),
                                  m.delivered ? DateTimeAsText(*m.delivered) : "",
                                  m.senderId};
    records += ',';
    for (std::size_t k = 0; k < std::size(fields); ++k)
      records += (k ? "-" : "") + ReportField(fields[k]);
  }
  if (records.empty()) return std::string(kOpen) + "0" + kClose;
  return std::string(kOpen) + "Mobile Number-Message-Status-Submitted On-Delivered On-Sender ID" +
         records + kClose;
}

std::string Gateway::ListJobs(const Form& form) {
  Account account;
  if (auto refusal = Authenticate(form, account)) return *refusal;
  if (form.GetOr("getScheduledSMS", "") != "Y") return kError;
  Statement s =
      db_.Prepare("SELECT id, description, mobile, due FROM jobs WHERE account = ? ORDER BY id");
  s.Bind(1, account.name);
  std::string answer;
  const DateTime now = clock_.Now();
  while (s.Step()) {
    const DateTime due = DateTime::FromSeconds(s.Int(3));
    const std::string description = ReplaceAll(ReplaceAll(s.Text(1), ",", " "), "-", " ");
    answer += std::to_string(s.Int(0)) + "-" + description + "-" + s.Text(2) + "-" +
              std::to_string(std::max<std::int64_t>(0, MinutesBetween(now, due))) + ",";
  }
  return answer.empty() ? "0" : answer;
}

std::string Gateway::EditJobs(const Form& form) {
  Account account;
  if (auto refusal = Authenticate(form, account)) return *refusal;
  const auto idsField = form.Get("schIDs");
  if (!idsField) return kError;
  std::vector<std::int64_t> ids;
  for (const auto& id : Split(*idsField, ",")) {
    if (!IsWholeNumber(Trim(id))) return kError;
    ids.push_back(std::stoll(Trim(id)));
  }
  const auto minutes = form.Get("newDateTimeMin");
  if (minutes && !IsWholeNumber(*minutes)) return kError;
  const int changed = db_.Transaction([&] {
    int n = 0;
    for (const std::int64_t id : ids) {
      if (minutes) {
        db_.Prepare("UPDATE jobs SET due = ? WHERE id = ? AND account = ?")
            .Bind(1, CutToMinute(clock_.Now()).AddMinutes(std::stoll(*minutes)).Seconds())
            .Bind(2, id)
            .Bind(3, account.name)
            .Run();
        n += db_.Changes();
      } else {
        db_.Prepare(
               "UPDATE accounts SET credits = credits + (SELECT sms FROM jobs WHERE id = ? AND "
               "account = ?) "
               "WHERE name = ? AND EXISTS (SELECT 1 FROM jobs WHERE id = ? AND account = ?)")
            .Bind(1, id)
            .Bind(2, account.name)
            .Bind(3, account.name)
            .Bind(4, id)
            .Bind(5, account.name)
            .Run();
        db_.Prepare("DELETE FROM jobs WHERE id = ? AND account = ?")
            .Bind(1, id)
            .Bind(2, account.name)
            .Run();
        n += db_.Changes();
      }
    }
    return n;
  });
  if (changed == 0) return "No Scheduled SMS Found For The Given IDs.";
  return minutes ? "Scheduler Updated Successfully." : "Scheduler Deleted Successfully.";
}

void Gateway::DeliverDueJobs() {
  std::lock_guard lock(mutex_);
  DeliverDueJobsLocked();
}

void Gateway::DeliverDueJobsLocked() {
  const std::int64_t now = clock_.Now().Seconds();
  db_.Transaction([&] {
    db_.Prepare(
           "INSERT INTO messages (account, mode, mobile, text, sender_id, flash, concat, notify, "
           "submitted, sms) "
           "SELECT account, 'E', mobile, text, sender_id, flash, concat, notify, due, sms FROM "
           "jobs WHERE due <= ? "
           "ORDER BY id")
        .Bind(1, now)
        .Run();
    db_.Prepare("DELETE FROM jobs WHERE due <= ?").Bind(1, now).Run();
  });
}

std::optional<Account> Gateway::LoadAccount(const std::string& name) {
  Statement s = db_.Prepare("SELECT name, password, credits, blocked FROM accounts WHERE name = ?");
  s.Bind(1, name);
  if (!s.Step()) return std::nullopt;
  Account a{s.Text(0), s.Text(1), s.Real(2), s.Int(3) != 0, {}};
  Statement ids =
      db_.Prepare("SELECT sender_id FROM sender_ids WHERE account = ? ORDER BY position");
  ids.Bind(1, name);
  while (ids.Step()) a.senderIds.push_back(ids.Text(0));
  return a;
}

void Gateway::AddAccount(const Account& account) {
  std::lock_guard lock(mutex_);
  if (account.name.empty()) throw std::runtime_error("An account needs a name.");
  if (LoadAccount(account.name))
    throw std::runtime_error("The account " + account.name + " exists already.");
  db_.Transaction([&] {
    db_.Prepare("INSERT INTO accounts (name, password, credits, blocked) VALUES (?, ?, ?, ?)")
        .Bind(1, account.name)
        .Bind(2, account.password)
        .Bind(3, account.credits)
        .Bind(4, std::int64_t{account.blocked})
        .Run();
    SaveSenderIds(account);
  });
}

void Gateway::SaveSenderIds(const Account& account) {
  for (std::size_t i = 0; i < account.senderIds.size(); ++i) {
    db_.Prepare("INSERT INTO sender_ids (account, position, sender_id) VALUES (?, ?, ?)")
        .Bind(1, account.name)
        .Bind(2, static_cast<std::int64_t>(i))
        .Bind(3, account.senderIds[i])
        .Run();
  }
}

void Gateway::UpdateAccount(const Account& account) {
  std::lock_guard lock(mutex_);
  if (!LoadAccount(account.name))
    throw std::runtime_error("There is no account " + account.name + ".");
  db_.Transaction([&] {
    db_.Prepare("UPDATE accounts SET password = ?, credits = ?, blocked = ? WHERE name = ?")
        .Bind(1, account.password)
        .Bind(2, account.credits)
        .Bind(3, std::int64_t{account.blocked})
        .Bind(4, account.name)
        .Run();
    db_.Prepare("DELETE FROM sender_ids WHERE account = ?").Bind(1, account.name).Run();
    SaveSenderIds(account);
  });
}

std::optional<Account> Gateway::FindAccount(const std::string& name) {
  std::lock_guard lock(mutex_);
  return LoadAccount(name);
}

std::vector<StoredMessage> Gateway::Messages(const std::string& account) {
  std::lock_guard lock(mutex_);
  DeliverDueJobsLocked();
  Statement s = db_.Prepare(
      "SELECT id, mobile, text, sender_id, flash, concat, mode, submitted, sms FROM messages WHERE "
      "account = ? "
      "ORDER BY id");
  s.Bind(1, account);
  std::vector<StoredMessage> out;
  while (s.Step()) out.push_back(ReadMessage(s));
  return out;
}

std::vector<StoredJob> Gateway::Jobs(const std::string& account) {
  std::lock_guard lock(mutex_);
  DeliverDueJobsLocked();
  Statement s = db_.Prepare(
      "SELECT id, description, mobile, text, sender_id, notify, due, sms FROM jobs WHERE account = "
      "? ORDER BY id");
  s.Bind(1, account);
  std::vector<StoredJob> out;
  while (s.Step()) {
    out.push_back({s.Int(0), s.Text(1), s.Text(2), s.Text(3), s.Text(4), s.Int(5) != 0,
                   DateTime::FromSeconds(s.Int(6)), static_cast<long>(s.Int(7))});
  }
  return out;
}

}  // namespace qv::gateway
