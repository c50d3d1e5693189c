#pragma once

#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "database.h"
#include "form.h"
#include "values/clock.h"

namespace qv::gateway {

// The largest request body the gateway reads.
inline constexpr std::size_t kMaxBody = 64u << 20;
// The longest template name and scheduled job description, and the longest message or template
// text, in characters; longer ones are refused with "<ERROR>".
inline constexpr std::size_t kMaxNameLength = 100;
inline constexpr std::size_t kMaxTextLength = 10000;

struct Account {
  std::string name;
  std::string password;
  double credits = 0;
  bool blocked = false;
  std::vector<std::string> senderIds;
};

struct StoredMessage {
  std::int64_t id = 0;
  std::string mobile;
  std::string text;
  std::string senderId;
  bool flash = false;
  bool concat = false;
  std::string mode;
  std::string status;  // "Submitted", "Delivered" or "Failed"
  DateTime submitted;
  std::optional<DateTime> delivered;
  long sms = 0;
};

struct StoredJob {
  std::int64_t id = 0;
  std::string description;
  std::string mobile;
  std::string text;
  std::string senderId;
  bool notify = false;
  DateTime due;
  long sms = 0;
};

// The stand-in service: accounts, credits, sender IDs, templates, sent messages, scheduled jobs
// and delivery reports, kept in SQLite. Every request is answered as the add-in expects; a
// request that changes data does so in one transaction, all or nothing. Safe for concurrent use.
class Gateway {
 public:
  Gateway(const std::string& databasePath, Clock& clock);

  // The answer to a POST of a form body (Windows-1252 bytes) to a path without its leading "/",
  // as UTF-8 text; nullopt for a path the service does not have.
  std::optional<std::string> Post(std::string_view path, std::string_view body);
  // The answer to a GET; nullopt for a path the service does not have.
  std::optional<std::string> Get(std::string_view path);
  // Turns the scheduled jobs that have fallen due into sent messages.
  void DeliverDueJobs();

  // Administration. Each throws std::runtime_error with a readable message on failure.
  void AddAccount(const Account& account);
  void UpdateAccount(const Account& account);
  std::optional<Account> FindAccount(const std::string& name);
  std::vector<StoredMessage> Messages(const std::string& account);
  std::vector<StoredJob> Jobs(const std::string& account);

 private:
  // Inserts the account's sender IDs in their order, inside the caller's transaction.
  void SaveSenderIds(const Account& account);
  // The account the credentials name, or the status code that refuses them.
  std::optional<std::string> Authenticate(const Form& form, Account& account);
  std::string Login(const Form& form);
  std::string Balance(const Form& form);
  std::string Send(const Form& form, bool scheduled);
  std::string Templates(const Form& form);
  std::string Reports(const Form& form);
  std::string ListJobs(const Form& form);
  std::string EditJobs(const Form& form);
  std::optional<Account> LoadAccount(const std::string& name);
  void DeliverDueJobsLocked();
  StoredMessage ReadMessage(Statement& s) const;

  std::mutex mutex_;
  Database db_;
  Clock& clock_;
};

}  // namespace qv::gateway
