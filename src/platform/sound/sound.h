#pragma once
// Playing sounds: PCM WAV files, played to the end on the machine's default
// audio output before the call returns.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace qvn::sound {

// Where a sound named by its bare file name is found: the current folder,
// then the program's own folder, then the program's resources folder. ""
// when it is in none of them. A name with a folder is only tested as given.
std::string find_sound(std::string_view name);

// The samples of a PCM WAV file: 8- or 16-bit, mono or stereo.
struct WavSound {
  int channels = 0;
  int rate = 0;               // frames per second
  int bits = 0;               // 8 or 16
  std::vector<uint8_t> data;  // interleaved frames, as the file holds them

  int64_t frames() const { return channels && bits ? static_cast<int64_t>(data.size()) / (channels * bits / 8) : 0; }
  int64_t duration_ms() const { return rate ? frames() * 1000 / rate : 0; }
};

// nullopt for a file that is not such a WAV (or is cut short).
std::optional<WavSound> parse_wav(std::string_view bytes);

// Plays the file to its end, but never longer than its own length and a
// second more. False, at once, when the file is missing or no WAV this can
// play, or when the machine has no audio output; the caller goes on
// silently. Leaves the last error alone.
bool play_sound(std::string_view file);

}  // namespace qvn::sound
