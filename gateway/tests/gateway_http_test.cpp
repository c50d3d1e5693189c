// The gateway at the HTTP level, through a plain HTTP client: what the add-in would see.
#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <httplib.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <filesystem>
#include <random>
#include <sstream>
#include <thread>

#include "gateway.h"
#include "server.h"
#include "values/fixed_clock.h"

namespace qv::gateway {
namespace {

namespace fs = std::filesystem;

// The client's own password scramble, with a fixed key and the key put first.
std::string Scramble(const std::string& password, int key = 12) {
  std::string out(1, static_cast<char>(key));
  const auto length = static_cast<int>(password.size());
  for (int i = 1; i <= length; ++i) {
    out += static_cast<char>(static_cast<unsigned char>(password[static_cast<std::size_t>(i - 1)]) +
                             key + length - i);
  }
  return out + '\x01';
}

std::string Encode(const std::string& bytes) {
  static const char* hex = "0123456789ABCDEF";
  std::string out;
  for (unsigned char c : bytes) {
    if (std::isalnum(c)) {
      out += static_cast<char>(c);
    } else {
      out += '%';
      out += hex[c >> 4];
      out += hex[c & 15];
    }
  }
  return out;
}

class GatewayHttpTest : public ::testing::Test {
 protected:
  GatewayHttpTest() {
    fs::remove(db);
    Start();
    gateway->AddAccount({"alice", "abc", 100, false, {"ACME", "SHOP"}});
  }
  ~GatewayHttpTest() override {
    StopServer();
    for (const char* suffix : {"", "-wal", "-shm"}) fs::remove(db.string() + suffix);
  }

  void Start() {
    gateway = std::make_unique<Gateway>(db.string(), clock);
    server = std::make_unique<Server>(*gateway);
    port = server->Bind("127.0.0.1", 0);
    ASSERT_GT(port, 0);
    thread = std::thread([this] { server->Run(); });
    client = std::make_unique<httplib::Client>("127.0.0.1", port);
    for (int i = 0; i < 100 && !client->Get("/SMS_Excel/Get_Modes.asp"); ++i) usleep(10000);
  }
  void StopServer() {
    server->Stop();
    thread.join();
    client.reset();
    server.reset();
    gateway.reset();
  }

  std::string Credentials(const std::string& user = "alice", const std::string& password = "abc") {
    return "user=" + user + "&passwd=" + Encode(Scramble(password));
  }
  std::string Post(const std::string& path, const std::string& body) {
    auto res = client->Post(("/" + path).c_str(), body, "application/x-www-form-urlencoded");
    if (!res) return "<no answer>";
    EXPECT_EQ(res->status, 200) << path;
    return res->body;
  }
  std::string SendBody(const std::string& numbers, const std::string& message,
                       const std::string& cellData) {
    return "mobilenumber=" + numbers + "&message=" + Encode(message) +
           "&MMCellData=" + Encode(cellData) + "&" + Credentials() +
           "&ver=1.0&SenderName=ACME&IsConcatSMS=0&TOS=N";
  }
  double Credits() { return gateway->FindAccount("alice")->credits; }
  // A plain socket connected to the server, for requests no HTTP client would send; -1 on failure.
  int RawConnection() const {
    const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    addr.sin_port = htons(static_cast<uint16_t>(port));
    if (fd >= 0 && ::connect(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0) {
      ::close(fd);
      return -1;
    }
    return fd;
  }

  fs::path db = fs::temp_directory_path() /
                ("qv-gateway-" + std::to_string(::getpid()) + "-" +
                 ::testing::UnitTest::GetInstance()->current_test_info()->name() + ".db");
  FixedClock clock{DateTime::FromParts(2026, 3, 5, 10, 32, 59)};
  std::unique_ptr<Gateway> gateway;
  std::unique_ptr<Server> server;
  std::unique_ptr<httplib::Client> client;
  std::thread thread;
  int port = 0;
};

TEST_F(GatewayHttpTest, AStopEndsTheServerWhetherItsListeningHasBegunOrNot) {
  for (int round = 0; round < 20; ++round) {
    Server other(*gateway);
    ASSERT_GT(other.Bind("127.0.0.1", 0), 0);
    std::thread running([&other] { other.Run(); });
    // At once, or a moment later: the stop races the listening's start.
    if (round % 2) std::this_thread::sleep_for(std::chrono::milliseconds(round));
    other.Stop();
    running.join();
  }
  // Stopped before it runs, it does not.
  Server stopped(*gateway);
  ASSERT_GT(stopped.Bind("127.0.0.1", 0), 0);
  stopped.Stop();
  EXPECT_FALSE(stopped.Run());
}

TEST_F(GatewayHttpTest, LoginAnswersEachCase) {
  gateway->AddAccount({"broke", "pw", 0, false, {}});
  gateway->AddAccount({"barred", "pw", 50, true, {}});
  const struct {
    std::string body;
    const char* answer;
  } cases[] = {
      {Credentials(), "000"},
      {Credentials("nobody", "abc"), "002"},
      {Credentials("alice", "abd"), "003"},
      {"user=alice&passwd=x", "003"},
      {"user=alice&passwd=", "003"},
      {Credentials("barred", "pw"), "0110"},
      {Credentials("broke", "pw"), "001"},
      {"user=alice", "<ERROR>"},
  };
  for (const auto& c : cases)
    EXPECT_EQ(Post("SMS_Excel/LoginCheck.asp", c.body), c.answer) << c.body;
  // The add-in's own example: abc scrambled as o, K=12, o, o, p=2.
  EXPECT_EQ(Post("SMS_Excel/LoginCheck.asp", "user=alice&passwd=o%0Coo%02"), "000");
}

TEST_F(GatewayHttpTest, BalanceModesAndDemo) {
  EXPECT_EQ(Post("SMS_Excel/Get_Balance.asp", Credentials()), "<QUORVALENT>100.00</QUORVALENT>");
  EXPECT_EQ(Post("SMS_Excel/Get_Balance.asp", Credentials("alice", "x")), "003");
  auto modes = client->Get("/SMS_Excel/Get_Modes.asp");
  ASSERT_TRUE(modes);
  EXPECT_EQ(modes->body.rfind("<QUORVALENT>L-", 0), 0u);
  for (const char* code : {",C-", ",M-", ",G-", ",E-", ",R-", ",B-", ",A-", ",H-"}) {
    EXPECT_NE(modes->body.find(code), std::string::npos) << code;
  }
  auto demo = client->Get("/Excel_Demos/excel-demo.swf");
  ASSERT_TRUE(demo);
  EXPECT_NE(demo->body.find("<html>"), std::string::npos);
  EXPECT_EQ(client->Get("/nothing")->status, 404);
  EXPECT_EQ(client->Post("/SMS_Excel/Unknown.asp", "a=b", "text/plain")->status, 404);
}

TEST_F(GatewayHttpTest, SendMergesEachRecipientStoresAndCharges) {
  const std::string longTail(150, 'x');
  EXPECT_EQ(Post("SMS_Excel/SaveExcelData_V2.asp",
                 SendBody("919876543210,12345", "Dear #B#, due #D#" + longTail,
                          "B\x01"
                          "Ann\x02"
                          "D\x01"
                          "10\x7F"
                          "B\x01"
                          "B\xE9"
                          "b\x02"
                          "D\x01"
                          "20")),
            "000");
  const auto messages = gateway->Messages("alice");
  ASSERT_EQ(messages.size(), 2u);
  EXPECT_EQ(messages[0].mobile, "919876543210");
  EXPECT_EQ(messages[0].text, "Dear Ann, due 10" + longTail);
  EXPECT_EQ(messages[1].text,
            "Dear B\xC3\xA9"
            "b, due 20" +
                longTail);
  EXPECT_EQ(messages[0].senderId, "ACME");
  EXPECT_EQ(messages[0].mode, "E");
  EXPECT_EQ(messages[0].sms, 2);  // 166 characters
  EXPECT_EQ(Credits(), 96);
  // A template without placeholders goes to every number as it is, through the large endpoint too.
  EXPECT_EQ(
      Post("SMS_Excel_1/SaveBulkSMS.aspx", SendBody("111111111111,222222222222", "Hello", "")),
      "000");
  EXPECT_EQ(gateway->Messages("alice").back().text, "Hello");
  EXPECT_EQ(Credits(), 94);
}

TEST_F(GatewayHttpTest, ASendIsAllOrNothing) {
  gateway->UpdateAccount({"alice", "abc", 2, false, {}});
  EXPECT_EQ(Post("SMS_Excel/SaveExcelData_V2.asp",
                 SendBody("1111111111,2222222222,3333333333", "Hi", "")),
            "001");
  EXPECT_TRUE(gateway->Messages("alice").empty());
  EXPECT_EQ(Credits(), 2);
  const std::string refused[] = {
      SendBody("1111111111,2222222222", "Hi #B#",
               "B\x01"
               "Ann"),                             // one record for two numbers
      SendBody("1111111111", "Hi #B#", ""),        // placeholders without data
      SendBody("1111111111,", "Hi", ""),           // an empty number
      SendBody("12ab", "Hi", ""),                  // not a number
      SendBody("1111111111", "Hi #B#", "B-Ann"),   // a pair without its separator
      "mobilenumber=1111111111&" + Credentials(),  // no message
  };
  for (const auto& body : refused)
    EXPECT_EQ(Post("SMS_Excel/SaveExcelData_V2.asp", body), "<ERROR>") << body;
  EXPECT_TRUE(gateway->Messages("alice").empty());
  EXPECT_EQ(Credits(), 2);
}

TEST_F(GatewayHttpTest, GroupedSendNumbersEndWithALineFeed) {
  EXPECT_EQ(Post("SMS_Excel/SaveExcelData_V2.asp", SendBody("1111111111%0A,2222222222%0A", "#A#",
                                                            "A\x01"
                                                            "Dear X\r\nline 1\x7F"
                                                            "A\x01"
                                                            "Dear Y")),
            "000");
  const auto messages = gateway->Messages("alice");
  ASSERT_EQ(messages.size(), 2u);
  EXPECT_EQ(messages[0].mobile, "1111111111");
  EXPECT_EQ(messages[0].text, "Dear X\r\nline 1");
  EXPECT_EQ(messages[1].text, "Dear Y");
}

TEST_F(GatewayHttpTest, ScheduledJobsAreListedRetimedDeletedAndDelivered) {
  const std::string scheduled =
      "&schedulerName=" + Encode("Rent, March-2026") + "&ScheduledAfterMinutes=90&NotifyMe=1";
  EXPECT_EQ(Post("SMS_Excel/SaveSchedulerData_Excel.asp",
                 SendBody("1111111111,2222222222", "Rent", "") + scheduled),
            "000");
  EXPECT_EQ(
      Post("SMS_Excel_1/SaveSchedulerData_Excel.aspx",
           SendBody("3333333333", "Other", "") + "&schedulerName=Later&ScheduledAfterMinutes=1440"),
      "000");
  EXPECT_EQ(Credits(), 97);
  EXPECT_TRUE(gateway->Messages("alice").empty());
  const std::string list = "getScheduledSMS=Y&" + Credentials() + "&ver=1.0";
  EXPECT_EQ(
      Post("SMS_Excel/getScheduledData_Excel.asp", list),
      "1-Rent  March 2026-1111111111-90,2-Rent  March 2026-2222222222-90,3-Later-3333333333-1440,");

  clock.Set(
      clock.Now().AddSeconds(30));  // 10:33:29: the minutes left are counted from whole minutes
  EXPECT_EQ(Post("SMS_Excel/EditDeleteScheduler.asp",
                 "schIDs=1%2C2&newDateTimeMin=5&" + Credentials() + "&ver=1.0"),
            "Scheduler Updated Successfully.");
  EXPECT_EQ(
      Post("SMS_Excel/getScheduledData_Excel.asp", list),
      "1-Rent  March 2026-1111111111-5,2-Rent  March 2026-2222222222-5,3-Later-3333333333-1439,");
  const std::string remove3 = "schIDs=3&" + Credentials() + "&ver=1.0";
  EXPECT_EQ(Post("SMS_Excel/EditDeleteScheduler.asp", remove3), "Scheduler Deleted Successfully.");
  EXPECT_EQ(Credits(), 98) << "a deleted job gives its credit back";
  const std::string again = Post("SMS_Excel/EditDeleteScheduler.asp", remove3);
  EXPECT_EQ(again.find("Success"), std::string::npos) << again;
  EXPECT_EQ(Post("SMS_Excel/EditDeleteScheduler.asp", "schIDs=x&" + Credentials()), "<ERROR>");

  clock.Set(DateTime::FromParts(2026, 3, 5, 10, 38, 0));  // the two jobs fall due at 10:38
  gateway->DeliverDueJobs();
  EXPECT_EQ(Post("SMS_Excel/getScheduledData_Excel.asp", list), "0");
  const auto messages = gateway->Messages("alice");
  ASSERT_EQ(messages.size(), 2u);
  EXPECT_EQ(messages[0].submitted, DateTime::FromParts(2026, 3, 5, 10, 38, 0));
  EXPECT_EQ(messages[0].mode, "E");
}

TEST_F(GatewayHttpTest, DeliveryReportsEncodeTheirFields) {
  EXPECT_EQ(Post("SMS_Excel/SaveExcelData_V2.asp", SendBody("919876543210,12345", "#B#",
                                                            "B\x01"
                                                            "Hi, Ann - ok\x7F"
                                                            "B\x01"
                                                            "Bye")),
            "000");
  const std::string report = "&FromDate=3/5/2026&ToDate=3/5/2026&TOD=";
  EXPECT_EQ(Post("SMS_Excel/Get_DR.asp", Credentials() + report + "ALL"),
            "<QUORVALENT>Mobile Number-Message-Status-Submitted On-Delivered On-Sender ID,"
            "919876543210-Hi\x80 Ann ~ ok-Submitted-3/5/2026 10:32:59 AM--ACME,"
            "12345-Bye-Submitted-3/5/2026 10:32:59 AM--ACME</QUORVALENT>");
  clock.Set(clock.Now().AddSeconds(5));
  const std::string later = Post("SMS_Excel/Get_DR.asp", Credentials() + report + "E");
  EXPECT_NE(later.find("-Delivered-3/5/2026 10:32:59 AM-3/5/2026 10:33:01 AM-ACME,"),
            std::string::npos)
      << later;
  EXPECT_NE(later.find("12345-Bye-Failed-"), std::string::npos) << later;
  EXPECT_EQ(Post("SMS_Excel/Get_DR.asp", Credentials() + report + "L"),
            "<QUORVALENT>0</QUORVALENT>");
  EXPECT_EQ(
      Post("SMS_Excel/Get_DR.asp", Credentials() + "&FromDate=3/6/2026&ToDate=3/7/2026&TOD=ALL"),
      "<QUORVALENT>0</QUORVALENT>");
  for (const char* bad :
       {"&FromDate=3/6/2026&ToDate=3/5/2026&TOD=ALL", "&FromDate=2/30/2026&ToDate=3/5/2026&TOD=ALL",
        "&FromDate=x&ToDate=3/5/2026&TOD=ALL", "&FromDate=3/5/2026&ToDate=3/5/2026&TOD=XY"}) {
    EXPECT_EQ(Post("SMS_Excel/Get_DR.asp", Credentials() + bad), "005") << bad;
  }
}

TEST_F(GatewayHttpTest, TemplatesAreSavedReplacedListedAndDeleted) {
  const std::string path = "SMS_Excel/SaveUserMessageExcel07.asp";
  const std::string download = "getMsg=Yes&" + Credentials() + "&ver=1.3";
  EXPECT_EQ(Post(path, download), "|SenderIDs_Data|ACME|sid|SHOP|sid|");
  EXPECT_EQ(Post(path, "SaveMsg=Hello&MsgName=a&" + Credentials() + "&ver=1.0"), "000");
  EXPECT_EQ(Post(path, "SaveMsg=" + Encode("Bye #B#") + "&MsgName=b&" + Credentials() + "&ver=1.0"),
            "000");
  EXPECT_EQ(Post(path, "SaveMsg=Hi&MsgName=a&" + Credentials() + "&ver=1.0"), "000");
  EXPECT_EQ(
      Post(path, download),
      "a|msg_name|Hi|msg_text|b|msg_name|Bye #B#|msg_text||SenderIDs_Data|ACME|sid|SHOP|sid|");
  EXPECT_EQ(Post(path, "MsgName=a&delete=Y&" + Credentials() + "&ver=1.0"),
            "Successfully Deleted!!!");
  EXPECT_EQ(Post(path, "MsgName=a&delete=Y&" + Credentials() + "&ver=1.0"),
            "There is no saved message named 'a'.");
  EXPECT_EQ(Post(path, "SaveMsg=x%7Cmsg%5Ftext%7C&MsgName=c&" + Credentials()), "<ERROR>");
  EXPECT_EQ(Post(path, download), "b|msg_name|Bye #B#|msg_text||SenderIDs_Data|ACME|sid|SHOP|sid|");
  EXPECT_EQ(Post(path, "getMsg=Yes&" + Credentials("alice", "no")), "003");
}

TEST_F(GatewayHttpTest, ARestartKeepsEverything) {
  EXPECT_EQ(Post("SMS_Excel/SaveExcelData_V2.asp", SendBody("1111111111", "Hi", "")), "000");
  EXPECT_EQ(
      Post("SMS_Excel/SaveUserMessageExcel07.asp", "SaveMsg=Hello&MsgName=a&" + Credentials()),
      "000");
  StopServer();
  Start();
  EXPECT_EQ(gateway->Messages("alice").size(), 1u);
  EXPECT_EQ(Post("SMS_Excel/Get_Balance.asp", Credentials()), "<QUORVALENT>99.00</QUORVALENT>");
  EXPECT_EQ(Post("SMS_Excel/SaveUserMessageExcel07.asp", "getMsg=Yes&" + Credentials()),
            "a|msg_name|Hello|msg_text||SenderIDs_Data|ACME|sid|SHOP|sid|");
}

TEST_F(GatewayHttpTest, GarbageChangesNothing) {
  std::mt19937 draw(7);
  for (int i = 0; i < 50; ++i) {
    std::string junk(static_cast<std::size_t>(draw() % 300), '\0');
    for (char& c : junk) c = static_cast<char>(draw());
    for (const char* path :
         {"SMS_Excel/SaveExcelData_V2.asp", "SMS_Excel/LoginCheck.asp", "SMS_Excel/Get_DR.asp",
          "SMS_Excel/EditDeleteScheduler.asp", "SMS_Excel/SaveUserMessageExcel07.asp"}) {
      const std::string answer = Post(path, junk);
      EXPECT_TRUE(answer == "<ERROR>" || answer == "002" || answer == "003") << answer;
    }
  }
  const std::string huge((64u << 20) + 1, 'a');
  EXPECT_EQ(Post("SMS_Excel/SaveExcelData_V2.asp", huge), "<ERROR>");
  EXPECT_TRUE(gateway->Messages("alice").empty());
  EXPECT_EQ(Credits(), 100);
}

// A request without a field its endpoint needs, or with a name or text past its limit, is refused
// and changes nothing; the longest accepted ones are kept.
TEST_F(GatewayHttpTest, IncompleteOrOversizedRequestsChangeNothing) {
  const std::string templates = "SMS_Excel/SaveUserMessageExcel07.asp";
  const std::string send = "SMS_Excel/SaveExcelData_V2.asp";
  const std::string schedule = "SMS_Excel/SaveSchedulerData_Excel.asp";
  const std::string name(kMaxNameLength, 'n');
  const std::string text(kMaxTextLength, 't');
  const std::string full = "mobilenumber=1111111111&" + Credentials() + "&ver=1.0";
  const struct {
    std::string path, body, answer;
  } cases[] = {
      {send, full, "<ERROR>"},
      {send, full + "&message=", "<ERROR>"},
      {send, full + "&message=+++", "<ERROR>"},
      {send, full + "&message=" + text + "t", "<ERROR>"},
      {send, full + "&message=%23B%23&MMCellData=B%01", "<ERROR>"},  // an empty merged text
      {schedule, full + "&message=Hi&ScheduledAfterMinutes=5", "<ERROR>"},
      {schedule, full + "&message=Hi&schedulerName=" + name + "n&ScheduledAfterMinutes=5",
       "<ERROR>"},
      {templates, "SaveMsg=Hi&MsgName=" + name + "n&" + Credentials(), "<ERROR>"},
      {templates, "SaveMsg=Hi&MsgName=" + std::string(1 << 20, 'n') + "&" + Credentials(),
       "<ERROR>"},
      {templates, "SaveMsg=" + text + "t&MsgName=a&" + Credentials(), "<ERROR>"},
      {templates, "SaveMsg=&MsgName=a&" + Credentials(), "<ERROR>"},
      {templates, "MsgName=a&" + Credentials(), "<ERROR>"},
  };
  for (const auto& c : cases) EXPECT_EQ(Post(c.path, c.body), c.answer) << c.body.substr(0, 80);
  EXPECT_TRUE(gateway->Messages("alice").empty());
  EXPECT_EQ(Credits(), 100);
  EXPECT_EQ(Post(templates, "getMsg=Yes&" + Credentials()), "|SenderIDs_Data|ACME|sid|SHOP|sid|");

  EXPECT_EQ(Post(send, full + "&message=" + text), "000");
  EXPECT_EQ(Post(schedule, full + "&message=Hi&schedulerName=" + name + "&ScheduledAfterMinutes=5"),
            "000");
  EXPECT_EQ(Post(templates, "SaveMsg=" + text + "&MsgName=" + name + "&" + Credentials()), "000");
}

// A chunked send is stored when its framing is whole, whatever the chunks' sizes, extensions and
// trailers; one whose framing is broken, or that breaks off, is no request: nothing is stored.
TEST_F(GatewayHttpTest, AChunkedSendIsStoredOnlyWhenItsFramingIsWhole) {
  const std::string body = SendBody("1111111111", "Hi", "");
  const auto hex = [](std::size_t n) {
    std::ostringstream out;
    out << std::hex << n;
    return out.str();
  };
  const std::size_t half = body.size() / 2;
  const std::string one = hex(body.size()) + "\r\n" + body + "\r\n";
  const std::string two = hex(half) + "\r\n" + body.substr(0, half) + "\r\n" +
                          hex(body.size() - half) + "\r\n" + body.substr(half) + "\r\n";
  const struct {
    const char* what;
    std::string chunks;
    bool stored;
    const char* head = "";
  } cases[] = {
      {"one chunk", one + "0\r\n\r\n", true},
      {"chunks with a length", one + "0\r\n\r\n", false, "Content-Length: 20\r\n"},
      {"two chunks", two + "0\r\n\r\n", true},
      {"an extension on a chunk's size",
       hex(body.size()) + ";name=value\r\n" + body + "\r\n0\r\n\r\n", true},
      {"a trailer", one + "0\r\nX-Checked: yes\r\n\r\n", true},
      {"no last chunk", one, false},
      {"the last chunk without its empty line", one + "0\r\n", false},
      {"a chunk followed by other than CR LF", hex(body.size()) + "\r\n" + body + "XX0\r\n\r\n",
       false},
      {"a chunk followed by a bare LF", hex(body.size()) + "\r\n" + body + "\n0\r\n\r\n", false},
      {"a chunk longer than what came", hex(body.size() + 10) + "\r\n" + body, false},
      {"a size that is no number", "zz\r\n" + body + "\r\n0\r\n\r\n", false},
  };
  std::size_t stored = 0;
  for (const auto& c : cases) {
    const int fd = RawConnection();
    ASSERT_GE(fd, 0);
    const std::string request =
        "POST /SMS_Excel/SaveExcelData_V2.asp HTTP/1.1\r\nHost: x\r\n"
        "Transfer-Encoding: chunked\r\nConnection: close\r\n" +
        std::string(c.head) + "\r\n" + c.chunks;
    ASSERT_EQ(::send(fd, request.data(), request.size(), MSG_NOSIGNAL),
              static_cast<ssize_t>(request.size()));
    // A client whose request is short hangs up after what it sent, rather than keep the server
    // waiting for the rest.
    if (!c.stored) ::shutdown(fd, SHUT_WR);
    std::string answer;
    char buf[4096];
    for (ssize_t n; (n = ::recv(fd, buf, sizeof buf, 0)) > 0;)
      answer.append(buf, static_cast<std::size_t>(n));
    ::close(fd);
    if (c.stored) ++stored;
    EXPECT_EQ(answer.find("\r\n\r\n000") != std::string::npos, c.stored) << c.what << "\n"
                                                                         << answer;
    EXPECT_EQ(gateway->Messages("alice").size(), stored) << c.what;
  }
  EXPECT_EQ(Credits(), 100 - static_cast<double>(stored));
}

TEST_F(GatewayHttpTest, ConcurrentSendsAreAllCounted) {
  std::vector<std::thread> senders;
  for (int t = 0; t < 4; ++t) {
    senders.emplace_back([this] {
      httplib::Client own("127.0.0.1", port);
      for (int i = 0; i < 10; ++i) {
        auto res = own.Post("/SMS_Excel/SaveExcelData_V2.asp", SendBody("1111111111", "Hi", ""),
                            "application/x-www-form-urlencoded");
        EXPECT_TRUE(res && res->body == "000");
      }
    });
  }
  for (auto& s : senders) s.join();
  EXPECT_EQ(gateway->Messages("alice").size(), 40u);
  EXPECT_EQ(Credits(), 60);
}

}  // namespace
}  // namespace qv::gateway

namespace qv::gateway {
namespace {

TEST_F(GatewayHttpTest, ALargeFormBodyIsRead) {
  // Two thousand recipients with their cell data: far past the 8 KiB some servers allow a form.
  gateway->UpdateAccount({"alice", "abc", 5000, false, {}});
  std::string numbers, cellData;
  for (int i = 0; i < 2000; ++i) {
    numbers += (i ? "," : "") + std::to_string(919800000000LL + i);
    cellData += (i ? "\x7F" : "") + std::string("B\x01") + "Customer " + std::to_string(i);
  }
  auto res =
      client->Post("/SMS_Excel_1/SaveBulkSMS.aspx", SendBody(Encode(numbers), "Hi #B#", cellData),
                   "application/x-www-form-urlencoded");
  ASSERT_TRUE(res);
  EXPECT_EQ(res->body, "000");
  const auto messages = gateway->Messages("alice");
  ASSERT_EQ(messages.size(), 2000u);
  EXPECT_EQ(messages.back().text, "Hi Customer 1999");
}

// Clients that send half a request and then nothing hold their own connections only: a login is
// answered while 128 of them stall, well before the server gives up on them.
TEST_F(GatewayHttpTest, StalledClientsDoNotHoldUpOthers) {
  std::vector<int> stalled;
  for (int i = 0; i < 128; ++i) {
    const int fd = RawConnection();
    ASSERT_GE(fd, 0);
    const std::string half = "POST /SMS_Excel/LoginCheck.asp HTTP/1.1\r\nHost: x\r\nContent-";
    ASSERT_EQ(::send(fd, half.data(), half.size(), MSG_NOSIGNAL),
              static_cast<ssize_t>(half.size()));
    stalled.push_back(fd);
    // Paced, so that the server's short queue of new connections never overflows.
    usleep(2000);
  }
  // Shorter than the server's own time-out: only a free thread can answer in time.
  client->set_read_timeout(Server::kReadWriteSeconds - 3);
  EXPECT_EQ(Post("SMS_Excel/LoginCheck.asp", Credentials()), "000");
  for (int fd : stalled) ::close(fd);
}

}  // namespace
}  // namespace qv::gateway
