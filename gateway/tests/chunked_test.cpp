#include "chunked.h"

#include <gtest/gtest.h>

namespace qv::gateway {
namespace {

using State = ChunkedBody::State;

// Each body read whole and read a byte at a time, as a network may hand it over, ends the same.
TEST(ChunkedBodyTest, ReadsTheFramingStrictlyHoweverTheBytesArrive) {
  const struct {
    const char* what;
    std::string bytes;
    State state;
    std::string data;
  } cases[] = {
      {"one chunk", "5\r\nhello\r\n0\r\n\r\n", State::Done, "hello"},
      {"two chunks, sizes in either case", "2\r\nhe\r\nA\r\nllo, world\r\n0\r\n\r\n", State::Done,
       "hello, world"},
      {"a zero-length body", "0\r\n\r\n", State::Done, ""},
      {"extensions", "5 ;a=b;c\r\nhello\r\n0;last\r\n\r\n", State::Done, "hello"},
      {"trailers", "5\r\nhello\r\n0\r\nA: 1\r\nB: 2\r\n\r\n", State::Done, "hello"},
      {"data holding CR LF", "4\r\n\r\n\r\n\r\n0\r\n\r\n", State::Done, "\r\n\r\n"},
      {"no last chunk", "5\r\nhello\r\n", State::NeedMore, ""},
      {"no empty line after the last chunk", "5\r\nhello\r\n0\r\n", State::NeedMore, ""},
      {"a chunk cut short", "9\r\nhello", State::NeedMore, ""},
      {"other than CR LF after a chunk", "5\r\nhelloXX\r\n0\r\n\r\n", State::Broken, ""},
      {"a bare LF after a chunk", "5\r\nhello\n0\r\n\r\n", State::Broken, ""},
      {"a bare LF after a size", "5\nhello\r\n0\r\n\r\n", State::Broken, ""},
      {"no size", "\r\nhello\r\n0\r\n\r\n", State::Broken, ""},
      {"a size that is no number", "x5\r\nhello\r\n0\r\n\r\n", State::Broken, ""},
      {"a signed size", "+5\r\nhello\r\n0\r\n\r\n", State::Broken, ""},
      {"a trailer without a colon", "0\r\nnot a field\r\n\r\n", State::Broken, ""},
      {"a size past every limit", "ffffffffffffffffffff\r\n", State::TooLarge, ""},
  };
  for (const auto& c : cases) {
    ChunkedBody whole(1024);
    EXPECT_EQ(whole.Feed(c.bytes), c.state) << c.what;
    ChunkedBody bytewise(1024);
    for (char b : c.bytes) bytewise.Feed({&b, 1});
    EXPECT_EQ(bytewise.Now(), c.state) << c.what << ", a byte at a time";
    if (c.state == State::Done) {
      EXPECT_EQ(whole.Data(), c.data) << c.what;
      EXPECT_EQ(bytewise.Data(), c.data) << c.what;
    }
  }
}

TEST(ChunkedBodyTest, TakesDataUpToItsLimitOverAllChunks) {
  const struct {
    std::string bytes;
    State state;
  } cases[] = {
      {"8\r\n12345678\r\n0\r\n\r\n", State::Done},
      {"9\r\n", State::TooLarge},
      {"4\r\n1234\r\n4\r\n5678\r\n0\r\n\r\n", State::Done},
      {"4\r\n1234\r\n5\r\n", State::TooLarge},
  };
  for (const auto& c : cases) EXPECT_EQ(ChunkedBody(8).Feed(c.bytes), c.state) << c.bytes;
}

TEST(ChunkedBodyTest, AnOverlongLineIsBroken) {
  EXPECT_EQ(ChunkedBody(8).Feed("1;" + std::string(4093, 'x') + "\r\n"), State::NeedMore);
  EXPECT_EQ(ChunkedBody(8).Feed("1;" + std::string(4094, 'x') + "\r\n"), State::Broken);
}

TEST(ChunkedBodyTest, BytesAfterTheEndAreLeft) {
  ChunkedBody body(64);
  EXPECT_EQ(body.Feed("1\r\na\r\n0\r\n\r\nPOST / HTTP/1.1\r\n"), State::Done);
  EXPECT_EQ(body.Data(), "a");
}

}  // namespace
}  // namespace qv::gateway
