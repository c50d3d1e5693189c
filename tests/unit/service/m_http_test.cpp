#include "service/m_http.h"

#include <gtest/gtest.h>

#include "service/fixed_random.h"
#include "service/protocol.h"
#include "service/recording_transport.h"
#include "values/cp1252.h"
#include "values/fixed_clock.h"

namespace qv::service {
namespace {

TEST(URLEncode, EscapesAllButLettersAndDigits) {
  const struct {
    const char* in;
    const char* out;
  } cases[] = {
      {"", ""},
      {"a b&c", "a+b%26c"},
      {"\t", "%09"},
      {"100%", "100%25"},
      {"A-Z_0.9", "A%2DZ%5F0%2E9"},
      {"\xC3\xA9", "%E9"},
      {"\xE2\x82\xAC", "%80"},
      {"*~=+", "%2A%7E%3D%2B"},
      {"\x01\x0F\x10", "%01%0F%10"},
  };
  for (const auto& c : cases) EXPECT_EQ(m_Http::URLEncode(c.in), c.out) << c.in;
  EXPECT_THROW(m_Http::URLEncode("\xD0\x96"), EncodingError);
}

// Short texts (up to 256 bytes) and longer ones are encoded by different paths: alike on either
// side, from 250 to 269 bytes, and a refused one leaves nothing behind.
TEST(URLEncode, ShortAndLongTextsAlike) {
  for (std::size_t shift = 0; shift < 5; ++shift) {
    for (std::size_t units = 50; units < 54; ++units) {
      std::string text(shift, 'b'), expected(shift, 'b');
      for (std::size_t i = 0; i < units; ++i) {
        text += "a \xC3\xA9&";
        expected += "a+%E9%26";
      }
      EXPECT_EQ(m_Http::URLEncode(text), expected) << text.size();
      std::string out = "x=";
      EXPECT_THROW(m_Http::AppendURLEncoded(out, text + "\xD0\x96"), EncodingError) << text.size();
      EXPECT_EQ(out, "x=") << text.size();
    }
  }
}

class ScrambleTest : public ::testing::Test {
 protected:
  RecordingTransport transport;
  FixedClock clock{DateTime::FromParts(2026, 12, 5, 11, 26, 2)};  // N = 2082, K = 12
  FixedRandom random{0.5};
  ServiceGlobals globals;
  m_Http http{transport, clock, random, globals};
};

TEST_F(ScrambleTest, TheWorkedExample) {
  // abc: out1 = ooo; p = floor(0.5 * 3 + 1) = 2.
  EXPECT_EQ(Utf8ToCp1252(http.ScramblePassword("abc")), std::string("o\x0Coo\x02"));
  random.Set(0.0);
  EXPECT_EQ(Utf8ToCp1252(http.ScramblePassword("abc")), std::string("\x0Cooo\x01"));
  random.Set(0.99);
  EXPECT_EQ(Utf8ToCp1252(http.ScramblePassword("abc")), std::string("oo\x0Co\x03"));
}

TEST_F(ScrambleTest, EmptyPasswordGivesCodeOne) {
  EXPECT_EQ(Utf8ToCp1252(http.ScramblePassword("")), std::string("\x0C\x01"));
}

TEST_F(ScrambleTest, AlwaysTwoLongerWithKeyAtPAndPLast) {
  for (double r : {0.0, 0.3, 0.7, 0.999}) {
    random.Set(r);
    const std::string out = Utf8ToCp1252(http.ScramblePassword("secret1"));
    ASSERT_EQ(out.size(), 9u);
    const int p = static_cast<unsigned char>(out.back());
    EXPECT_EQ(out[static_cast<std::size_t>(p - 1)], '\x0C');
  }
}

TEST_F(ScrambleTest, AShiftAbove255Fails) {
  try {
    http.ScramblePassword("\xC3\xBF");  // code 255 + 12
    ADD_FAILURE();
  } catch (const AddinError& e) {
    EXPECT_EQ(e.Number(), 5);
  }
  EXPECT_NO_THROW(http.ScramblePassword("\xC3\xB3"));  // 243 + 12 = 255
}

TEST_F(ScrambleTest, APasswordOutsideTheCodePageIsRefusedWithoutShowingIt) {
  try {
    http.ScramblePassword("zq\xE5\xAF\x86");
    ADD_FAILURE();
  } catch (const EncodingError& e) {
    EXPECT_STREQ(e.what(),
                 "The password contains a character that cannot be sent: only Western European "
                 "characters can be.");
  }
}

TEST_F(ScrambleTest, PostGoesToTheServiceInTheWireCodePage) {
  globals.ServerAddress = "10.0.0.5";
  globals.ServerPort = 0;
  globals.Proxy = {3, "gw", 3128, "u", "p"};
  transport.Answer("caf\xE9 ");
  EXPECT_EQ(http.HttpPost("SMS_Excel/LoginCheck.asp", "a=%E9"), "caf\xC3\xA9 ");
  EXPECT_EQ(transport.Last().to.host, "10.0.0.5");
  EXPECT_EQ(transport.Last().path, "SMS_Excel/LoginCheck.asp");
  EXPECT_EQ(transport.Last().proxy.ProxyName, "gw");
  EXPECT_EQ(http.HttpPost("x", "y"), "");
  EXPECT_THROW(http.HttpPost("x", "\xD0\x96"), EncodingError);
  EXPECT_EQ(transport.Requests().size(), 2u) << "nothing goes out for text the wire cannot carry";
}

TEST(Protocol, EnvelopeTestAndUnwrapping) {
  const struct {
    const char* answer;
    bool passes;
    const char* payload;
  } cases[] = {
      {"<QUORVALENT>42</QUORVALENT>", true, "42"},
      {"<QUORVALENT>42", true, "42"},
      {"42</QUORVALENT>", true, "42"},
      {"<QUORVALENT>12<QUORVALENT>", true, "12"},
      {"42", false, "42"},
      {"", false, ""},
      {"<quorvalent>42</quorvalent>", false, "<quorvalent>42</quorvalent>"},
      {" <QUORVALENT>42</QUORVALENT> ", false, " 42 "},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(PassesEnvelopeTest(c.answer), c.passes) << c.answer;
    EXPECT_EQ(Unwrap(c.answer), c.payload) << c.answer;
  }
}

TEST(Protocol, StatusCodeTexts) {
  const struct {
    const char* answer;
    const char* login;
    const char* sending;
  } cases[] = {
      {"000", "OK!", "OK!"},
      {"001", "No Balance. Please buy SMS credits from Quorvalent",
       "No Balance. Please buy SMS credits from Quorvalent"},
      {"002", "Invalid User Name", "Invalid User Name"},
      {"003", "Invalid Password", "Invalid Password"},
      {"0110", "Your account has been blocked", "Your account has been blocked"},
      {"<ERROR>", "Error occured while Logging to Quorvalent",
       "Error occured while sending SMS messages"},
      {"", "", "Please Check Your Internet Connection & Proxy Settings"},
      {" 000", " 000", " 000"},
      {"Server busy", "Server busy", "Server busy"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(AnswerText(c.answer, Request::Login, "OK!"), c.login) << c.answer;
    EXPECT_EQ(AnswerText(c.answer, Request::Sending, "OK!"), c.sending) << c.answer;
  }
}

TEST(FormBody, EveryValueIsEncodedSoNoFieldCanBeAddedOrCut) {
  FormBody body;
  body.Field("user", "a&passwd=x").Field("ver", "1.0").Field("msg", "Hi #B#, 50% off!");
  EXPECT_EQ(body.str(), "user=a%26passwd%3Dx&ver=1%2E0&msg=Hi+%23B%23%2C+50%25+off%21");
}

// A value refused for a character the wire cannot carry leaves the body as it was, wherever in
// the value the character stands.
TEST(FormBody, ARefusedValueLeavesTheBodyAsItWas) {
  for (const char* value :
       {"\xD0\x96", "caf\xC3\xA9 \xD0\x96", "\xE2\x82\xAC x \xF0\x9F\x98\x80"}) {
    FormBody body;
    body.Field("a", "1");
    EXPECT_THROW(body.Field("b", value), EncodingError) << value;
    EXPECT_EQ(body.str(), "a=1") << value;
  }
}

}  // namespace
}  // namespace qv::service
