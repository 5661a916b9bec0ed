#include "platform/sound/sound.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "platform/core/error_state.h"
#include "support/environment.h"
#include "support/temp_folder.h"

namespace qvn::sound {
namespace {

namespace fs = std::filesystem;

// A sound of the program's resources.
constexpr const char* kSample = "ir_inter.wav";

std::string read(const fs::path& p) {
  std::ifstream in(p, std::ios::binary);
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

std::string le(uint32_t v, int bytes) {
  std::string s;
  for (int i = 0; i < bytes; ++i) s.push_back(static_cast<char>((v >> (8 * i)) & 0xFF));
  return s;
}

// A WAV file with these chunks after "WAVE".
std::string riff(const std::string& chunks) {
  return "RIFF" + le(static_cast<uint32_t>(4 + chunks.size()), 4) + "WAVE" + chunks;
}
std::string chunk(const std::string& id, const std::string& body) {
  return id + le(static_cast<uint32_t>(body.size()), 4) + body + (body.size() % 2 ? std::string(1, '\0') : "");
}
std::string pcm_format(int channels, int rate, int bits, int format = 1) {
  const int align = channels * bits / 8;
  return chunk("fmt ",
               le(format, 2) + le(channels, 2) + le(rate, 4) + le(rate * align, 4) + le(align, 2) + le(bits, 2));
}

TEST(Sound, TheShippedChimeIsAShortPcmWav) {
  const std::string bytes = read(fs::path(QVN_TEST_RESOURCES) / "sounds" / kSample);
  ASSERT_FALSE(bytes.empty());
  auto w = parse_wav(bytes);
  ASSERT_TRUE(w.has_value());
  EXPECT_EQ(w->channels, 1);
  EXPECT_EQ(w->bits, 16);
  EXPECT_GT(w->duration_ms(), 200);
  EXPECT_LT(w->duration_ms(), 2000) << "the warning follows the sound, so it is short";
}

TEST(Sound, ParsesPcmAndRefusesWhatItCannotPlay) {
  const std::string samples = std::string("\x01\x02\x03\x04\x05\x06", 6);
  struct Case {
    const char* what;
    std::string bytes;
    bool plays;
    int64_t frames;
  } cases[] = {
      {"mono 16-bit", riff(pcm_format(1, 8000, 16) + chunk("data", samples)), true, 3},
      {"stereo 8-bit", riff(pcm_format(2, 8000, 8) + chunk("data", samples)), true, 3},
      {"other chunks first", riff(chunk("LIST", "abc") + pcm_format(1, 8000, 8) + chunk("data", samples)), true, 6},
      {"a half frame at the end", riff(pcm_format(2, 8000, 16) + chunk("data", samples)), true, 1},
      {"not RIFF", "RIFX" + riff(pcm_format(1, 8000, 16)).substr(4), false, 0},
      {"compressed", riff(pcm_format(1, 8000, 16, 2) + chunk("data", samples)), false, 0},
      {"24-bit", riff(pcm_format(1, 8000, 24) + chunk("data", samples)), false, 0},
      {"six channels", riff(pcm_format(6, 8000, 16) + chunk("data", samples)), false, 0},
      {"data before format", riff(chunk("data", samples) + pcm_format(1, 8000, 16)), false, 0},
      {"cut short", riff(pcm_format(1, 8000, 16) + chunk("data", samples)).substr(0, 48), false, 0},
      {"empty", "", false, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    auto w = parse_wav(c.bytes);
    ASSERT_EQ(w.has_value(), c.plays);
    if (w) {
      EXPECT_EQ(w->frames(), c.frames);
    }
  }
}

// Each test in a folder of its own, which is the working folder while it runs.
class SoundFiles : public ::testing::Test {
 protected:
  test_support::TempFolder folder{"qvn-sound"};
  const fs::path dir = folder.path();
  test_support::WorkingFolder working_folder{dir};
};

TEST_F(SoundFiles, ABareNameIsFoundInTheCurrentFolderFirst) {
  EXPECT_EQ(find_sound("nothing-like-it.wav"), "");
  std::ofstream("chime.wav") << "x";
  EXPECT_EQ(find_sound("chime.wav"), "chime.wav");
  fs::create_directory("sub");
  std::ofstream("sub/ring.wav") << "x";
  EXPECT_EQ(find_sound("sub\\ring.wav"), "sub/ring.wav") << "a name with a folder is taken as given";
  EXPECT_EQ(find_sound("sub\\chime.wav"), "");
  EXPECT_EQ(find_sound("sub"), "") << "a folder is no sound";
}

TEST_F(SoundFiles, PlayingGoesOnAtOnceWhenThereIsNothingToPlay) {
  std::ofstream("broken.wav") << "RIFF....WAVEjunk";
  set_error(err::DdeTimeout);
  const auto started = std::chrono::steady_clock::now();
  EXPECT_FALSE(play_sound("missing.wav"));
  EXPECT_FALSE(play_sound("broken.wav"));
  EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::milliseconds(500));
  EXPECT_EQ(error_code(), err::DdeTimeout);
}

TEST_F(SoundFiles, TheChimePlaysWithinItsOwnLengthOrNotAtAll) {
  const fs::path chime = fs::path(QVN_TEST_RESOURCES) / "sounds" / kSample;
  const auto w = parse_wav(read(chime));
  ASSERT_TRUE(w.has_value());
  const auto started = std::chrono::steady_clock::now();
  const bool played = play_sound(chime.string());
  const auto took = std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - started);
  // With an audio output the call returns when the sound is over; without
  // one it returns false at once.
  if (played) {
    EXPECT_GE(took.count(), w->duration_ms() / 2);
  } else {
    EXPECT_LT(took.count(), 500);
  }
  EXPECT_LE(took.count(), w->duration_ms() + 1500);
}

}  // namespace
}  // namespace qvn::sound
