#include "platform/dde/frame.h"

#include <gtest/gtest.h>

using namespace qvn::dde;

namespace {

TEST(FrameReader, CutsAStreamFedByteByByteIntoItsFrames) {
  std::string stream = encode_frame(MessageType::Execute, 7, "[ExecuteProject(\"a.app\")]") +
                       encode_frame(MessageType::Ack, 8, "") +
                       encode_frame(MessageType::Data, 9, std::string(max_payload, 'x'));
  FrameReader reader;
  std::vector<Frame> got;
  for (char c : stream) {
    reader.feed(&c, 1);
    Frame f;
    while (reader.next(f) == FrameReader::Status::Complete) got.push_back(f);
  }
  ASSERT_EQ(got.size(), 3u);
  EXPECT_EQ(got[0].type, MessageType::Execute);
  EXPECT_EQ(got[0].seq, 7u);
  EXPECT_EQ(got[0].payload, "[ExecuteProject(\"a.app\")]");
  EXPECT_EQ(got[1].type, MessageType::Ack);
  EXPECT_EQ(got[1].payload, "");
  EXPECT_EQ(got[2].payload.size(), max_payload);
  EXPECT_FALSE(reader.partial());
}

TEST(FrameReader, NullBytesInAPayloadSurvive) {
  std::string payload("ClarionWin\0System", 17);
  std::string bytes = encode_frame(MessageType::Initiate, 1, payload);
  FrameReader reader;
  reader.feed(bytes.data(), bytes.size());
  Frame f;
  ASSERT_EQ(reader.next(f), FrameReader::Status::Complete);
  EXPECT_EQ(f.payload, payload);
}

struct BadHeader {
  const char* name;
  size_t byte;
  unsigned char value;
};
// Test names show the case by its name.
void PrintTo(const BadHeader& c, std::ostream* os) { *os << c.name; }

class BrokenFrame : public ::testing::TestWithParam<BadHeader> {};

TEST_P(BrokenFrame, IsMalformedForGood) {
  std::string bytes = encode_frame(MessageType::Ack, 1, "ok");
  bytes[GetParam().byte] = static_cast<char>(GetParam().value);
  FrameReader reader;
  reader.feed(bytes.data(), bytes.size());
  Frame f;
  EXPECT_EQ(reader.next(f), FrameReader::Status::Malformed);
  std::string good = encode_frame(MessageType::Ack, 2, "");
  reader.feed(good.data(), good.size());
  EXPECT_EQ(reader.next(f), FrameReader::Status::Malformed) << "the stream cannot be trusted after a bad frame";
}

INSTANTIATE_TEST_SUITE_P(Header, BrokenFrame,
                         ::testing::Values(BadHeader{"Magic", 0, 'X'}, BadHeader{"Version", 4, 2},
                                           BadHeader{"TypeZero", 5, 0}, BadHeader{"TypeTooHigh", 5, 10},
                                           BadHeader{"Reserved", 6, 1}, BadHeader{"LengthOverLimit", 14, 0x01}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(FrameReader, JunkIsRecognisedBeforeAWholeHeaderArrives) {
  FrameReader reader;
  reader.feed("GET", 3);
  Frame f;
  EXPECT_EQ(reader.next(f), FrameReader::Status::Malformed);
}

TEST(FrameReader, AnnouncedPayloadUpToTheLimitIsAwaited) {
  std::string bytes = encode_frame(MessageType::Data, 1, std::string(100, 'a'));
  FrameReader reader;
  reader.feed(bytes.data(), bytes.size() - 1);
  Frame f;
  EXPECT_EQ(reader.next(f), FrameReader::Status::NeedMore);
  EXPECT_TRUE(reader.partial());
  reader.feed(bytes.data() + bytes.size() - 1, 1);
  EXPECT_EQ(reader.next(f), FrameReader::Status::Complete);
}

}  // namespace
