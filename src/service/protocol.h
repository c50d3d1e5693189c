#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "service/m_http.h"

namespace qv::service {

// Request paths, exactly as sent.
namespace path {
inline constexpr const char* kLogin = "SMS_Excel/LoginCheck.asp";
inline constexpr const char* kBalance = "SMS_Excel/Get_Balance.asp";
inline constexpr const char* kModes = "/SMS_Excel/Get_Modes.asp";  // after BaseUrl, by GET
inline constexpr const char* kSend = "SMS_Excel/SaveExcelData_V2.asp";
inline constexpr const char* kSendLarge = "SMS_Excel_1/SaveBulkSMS.aspx";
inline constexpr const char* kSchedule = "SMS_Excel/SaveSchedulerData_Excel.asp";
inline constexpr const char* kScheduleLarge = "SMS_Excel_1/SaveSchedulerData_Excel.aspx";
inline constexpr const char* kTemplates = "SMS_Excel/SaveUserMessageExcel07.asp";
inline constexpr const char* kReports = "SMS_Excel/Get_DR.asp";
inline constexpr const char* kJobs = "SMS_Excel/getScheduledData_Excel.asp";
inline constexpr const char* kEditJobs = "SMS_Excel/EditDeleteScheduler.asp";
}  // namespace path

inline constexpr const char* kEnvelopeOpen = "<QUORVALENT>";
inline constexpr const char* kEnvelopeClose = "</QUORVALENT>";

// Rejects an answer only when it neither begins with the opening tag nor ends with the closing one.
bool PassesEnvelopeTest(std::string_view answer);
// Removes every opening and closing tag, anywhere; the rest, untrimmed, is the payload.
std::string Unwrap(std::string_view answer);

// The requests whose status codes have texts of their own.
enum class Request { Login, Sending, Report };

// The text of a status code the request can be answered with; nullopt for any other answer.
std::optional<std::string> StatusText(std::string_view answer, Request request);

// The text to show for an answer: the success text for "000", the fixed texts of the status
// codes, the answer itself for anything else. An empty answer gives the empty text for a login
// (which then asks about the proxy) and the connection hint for the others.
std::string AnswerText(std::string_view answer, Request request, const std::string& successText);

// The texts shown for the status codes, where more than one request shows them.
namespace text {
inline constexpr const char* kNoBalance = "No Balance. Please buy SMS credits from Quorvalent";
inline constexpr const char* kInvalidUser = "Invalid User Name";
inline constexpr const char* kInvalidPassword = "Invalid Password";
inline constexpr const char* kInvalidParameters = "Invalid Parameters";
inline constexpr const char* kBlocked = "Your account has been blocked";
inline constexpr const char* kLoginError = "Error occured while Logging to Quorvalent";
inline constexpr const char* kSendError = "Error occured while sending SMS messages";
inline constexpr const char* kCheckConnection =
    "Please Check Your Internet Connection & Proxy Settings";
inline constexpr const char* kNoResponse =
    "No Response!!!\nPlease Check Your Proxy Settings & Internet Connection!!!";
}  // namespace text

// A form-encoded request body. Every value goes through URLEncode, so no typed "&" or "=" can add
// or cut a field; ordinary values arrive unchanged.
class FormBody {
 public:
  FormBody() = default;
  // Goes on after `start`, fields begun elsewhere.
  explicit FormBody(std::string start) : body_(std::move(start)) {}
  // "user=" and "passwd=" with the scrambled password: the fields that open every POST.
  static FormBody WithCredentials(m_Http& http, std::string_view user, std::string_view password);
  // Appends those two fields where a request carries them further on.
  FormBody& Credentials(m_Http& http, std::string_view user, std::string_view password);
  FormBody& Field(std::string_view name, std::string_view value);
  // A value already in its wire form.
  FormBody& EncodedField(std::string_view name, std::string_view encodedValue);
  const std::string& str() const& { return body_; }
  // The body taken out, not copied: a body of megabytes is built to be sent once.
  std::string str() && { return std::move(body_); }

 private:
  std::string body_;
};

// Asks the account's credit balance; the payload as received, or nullopt when the answer fails
// the envelope test.
std::optional<std::string> RequestBalance(m_Http& http, std::string_view user,
                                          std::string_view password);

}  // namespace qv::service
