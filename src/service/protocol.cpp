#include "service/protocol.h"

#include "values/cp1252.h"
#include "values/text.h"

namespace qv::service {

bool PassesEnvelopeTest(std::string_view answer) {
  return answer.starts_with(kEnvelopeOpen) || answer.ends_with(kEnvelopeClose);
}

std::string Unwrap(std::string_view answer) {
  return ReplaceAll(ReplaceAll(answer, kEnvelopeOpen, ""), kEnvelopeClose, "");
}

std::optional<std::string> StatusText(std::string_view answer, Request request) {
  if (answer == "001" && request != Request::Report) return text::kNoBalance;
  if (answer == "002") return text::kInvalidUser;
  if (answer == "003") return text::kInvalidPassword;
  if (answer == "005" && request == Request::Report) return text::kInvalidParameters;
  if (answer == "0110") return text::kBlocked;
  if (answer == "<ERROR>") {
    switch (request) {
      case Request::Login:
        return text::kLoginError;
      case Request::Sending:
        return text::kSendError;
      case Request::Report:
        return "Error occured while retrieving delivery report";
    }
  }
  return std::nullopt;
}

std::string AnswerText(std::string_view answer, Request request, const std::string& successText) {
  if (answer == "000") return successText;
  if (auto status = StatusText(answer, request)) return *status;
  if (answer.empty()) return request == Request::Login ? "" : text::kCheckConnection;
  return std::string(answer);
}

FormBody FormBody::WithCredentials(m_Http& http, std::string_view user, std::string_view password) {
  FormBody body;
  body.Credentials(http, user, password);
  return body;
}

FormBody& FormBody::Credentials(m_Http& http, std::string_view user, std::string_view password) {
  Field("user", Trim(user));
  return EncodedField("passwd", m_Http::URLEncode(http.ScramblePassword(Trim(password))));
}

FormBody& FormBody::Field(std::string_view name, std::string_view value) {
  const std::size_t before = body_.size();
  EncodedField(name, "");
  try {
    m_Http::AppendURLEncoded(body_, value);
  } catch (const EncodingError&) {
    body_.resize(before);  // a refused value leaves no half field behind
    throw;
  }
  return *this;
}

FormBody& FormBody::EncodedField(std::string_view name, std::string_view encodedValue) {
  if (!body_.empty()) body_ += '&';
  body_.append(name).append("=").append(encodedValue);
  return *this;
}

std::optional<std::string> RequestBalance(m_Http& http, std::string_view user,
                                          std::string_view password) {
  const std::string answer =
      http.HttpPost(path::kBalance, FormBody::WithCredentials(http, user, password).str());
  if (!PassesEnvelopeTest(answer)) return std::nullopt;
  return Unwrap(answer);
}

}  // namespace qv::service
