#include "platform/sound/sound.h"

#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <cstring>
#include <fstream>
#include <iterator>
#include <thread>

#include "platform/files/native_path.h"

#if __has_include(<alsa/asoundlib.h>)
#include <alsa/asoundlib.h>
#include <dlfcn.h>
#define QVN_SOUND_ALSA 1
#endif

namespace qvn::sound {

namespace {

bool is_file(const std::string& path) {
  struct stat st {};
  return ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

std::string program_folder() {
  char buf[4096];
  const ssize_t n = ::readlink("/proc/self/exe", buf, sizeof buf - 1);
  if (n <= 0) return {};
  std::string path(buf, static_cast<size_t>(n));
  const size_t slash = path.rfind('/');
  return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

uint32_t le32(std::string_view b, size_t at) {
  return static_cast<uint32_t>(static_cast<uint8_t>(b[at])) |
         static_cast<uint32_t>(static_cast<uint8_t>(b[at + 1])) << 8 |
         static_cast<uint32_t>(static_cast<uint8_t>(b[at + 2])) << 16 |
         static_cast<uint32_t>(static_cast<uint8_t>(b[at + 3])) << 24;
}
uint16_t le16(std::string_view b, size_t at) {
  return static_cast<uint16_t>(static_cast<uint8_t>(b[at]) | static_cast<uint8_t>(b[at + 1]) << 8);
}

}  // namespace

std::string find_sound(std::string_view name) {
  const std::string file = files::native_path(name);
  if (file.empty()) return {};
  if (file.find('/') != std::string::npos) return is_file(file) ? file : std::string();
  std::vector<std::string> places = {file};
  const std::string own = program_folder();
  if (!own.empty()) {
    places.push_back(own + file);
    places.push_back(own + "resources/" + file);
  }
#ifdef QVN_RESOURCE_DIR
  places.push_back(std::string(QVN_RESOURCE_DIR) + "/" + file);
#endif
  for (const std::string& p : places) {
    if (is_file(p)) return p;
  }
  return {};
}

std::optional<WavSound> parse_wav(std::string_view b) {
  if (b.size() < 12 || b.substr(0, 4) != "RIFF" || b.substr(8, 4) != "WAVE") return std::nullopt;
  WavSound w;
  bool have_format = false;
  size_t at = 12;
  while (at + 8 <= b.size()) {
    const std::string_view id = b.substr(at, 4);
    const uint32_t size = le32(b, at + 4);
    const size_t body = at + 8;
    if (size > b.size() - body) return std::nullopt;
    if (id == "fmt ") {
      if (size < 16 || le16(b, body) != 1) return std::nullopt;  // PCM only
      w.channels = le16(b, body + 2);
      w.rate = static_cast<int>(le32(b, body + 4));
      w.bits = le16(b, body + 14);
      if ((w.channels != 1 && w.channels != 2) || (w.bits != 8 && w.bits != 16) || w.rate < 1000 || w.rate > 192000)
        return std::nullopt;
      have_format = true;
    } else if (id == "data") {
      if (!have_format) return std::nullopt;
      const size_t frame = static_cast<size_t>(w.channels * w.bits / 8);
      const size_t whole = size - size % frame;
      w.data.assign(b.begin() + static_cast<std::ptrdiff_t>(body),
                    b.begin() + static_cast<std::ptrdiff_t>(body + whole));
      return w;
    }
    at = body + size + (size & 1);
  }
  return std::nullopt;
}

#ifdef QVN_SOUND_ALSA

namespace {

// The audio library is loaded when a sound is first played, so the program
// runs, silently, on a machine that has none.
struct Alsa {
  decltype(&snd_pcm_open) pcm_open = nullptr;
  decltype(&snd_pcm_set_params) set_params = nullptr;
  decltype(&snd_pcm_writei) writei = nullptr;
  decltype(&snd_pcm_wait) wait = nullptr;
  decltype(&snd_pcm_recover) recover = nullptr;
  decltype(&snd_pcm_delay) delay = nullptr;
  decltype(&snd_pcm_drop) drop = nullptr;
  decltype(&snd_pcm_close) close = nullptr;
  decltype(&snd_lib_error_set_handler) set_error_handler = nullptr;
  decltype(&snd_config_update_free_global) free_config = nullptr;
  bool ok = false;
};

void quiet(const char*, int, const char*, int, const char*, ...) {}

const Alsa& alsa() {
  static const Alsa loaded = [] {
    Alsa a;
    void* lib = ::dlopen("libasound.so.2", RTLD_NOW | RTLD_LOCAL);
    if (!lib) return a;
    auto get = [lib](auto& fn, const char* name) {
      fn = reinterpret_cast<std::remove_reference_t<decltype(fn)>>(::dlsym(lib, name));
    };
    get(a.pcm_open, "snd_pcm_open");
    get(a.set_params, "snd_pcm_set_params");
    get(a.writei, "snd_pcm_writei");
    get(a.wait, "snd_pcm_wait");
    get(a.recover, "snd_pcm_recover");
    get(a.delay, "snd_pcm_delay");
    get(a.drop, "snd_pcm_drop");
    get(a.close, "snd_pcm_close");
    get(a.set_error_handler, "snd_lib_error_set_handler");
    get(a.free_config, "snd_config_update_free_global");
    a.ok = a.pcm_open && a.set_params && a.writei && a.wait && a.recover && a.delay && a.drop && a.close &&
           a.set_error_handler && a.free_config;
    if (a.ok) a.set_error_handler(quiet);
    return a;
  }();
  return loaded;
}

bool play_pcm(const WavSound& w) {
  const Alsa& a = alsa();
  if (!a.ok) return false;
  snd_pcm_t* pcm = nullptr;
  // Opened without blocking, so a device that is busy or missing is a
  // failure at once rather than a wait.
  if (a.pcm_open(&pcm, "default", SND_PCM_STREAM_PLAYBACK, SND_PCM_NONBLOCK) < 0) {
    a.free_config();
    return false;
  }
  const snd_pcm_format_t format = w.bits == 8 ? SND_PCM_FORMAT_U8 : SND_PCM_FORMAT_S16_LE;
  bool played = a.set_params(pcm, format, SND_PCM_ACCESS_RW_INTERLEAVED, static_cast<unsigned>(w.channels),
                             static_cast<unsigned>(w.rate), 1, 100000) == 0;
  const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(w.duration_ms() + 1000);
  const size_t frame = static_cast<size_t>(w.channels * w.bits / 8);
  const int64_t frames = w.frames();
  int64_t done = 0;
  while (played && done < frames && std::chrono::steady_clock::now() < until) {
    const snd_pcm_sframes_t n =
        a.writei(pcm, w.data.data() + static_cast<size_t>(done) * frame, static_cast<snd_pcm_uframes_t>(frames - done));
    if (n == -EAGAIN) {
      a.wait(pcm, 50);
    } else if (n < 0) {
      played = a.recover(pcm, static_cast<int>(n), 1) == 0;
    } else {
      done += n;
    }
  }
  // Let what is queued play out, within the same bound.
  snd_pcm_sframes_t left = 0;
  while (played && std::chrono::steady_clock::now() < until && a.delay(pcm, &left) == 0 && left > 0)
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  a.drop(pcm);
  a.close(pcm);
  a.free_config();
  return played && done == frames;
}

}  // namespace

#else

namespace {
bool play_pcm(const WavSound&) { return false; }
}  // namespace

#endif

bool play_sound(std::string_view file) {
  std::ifstream in(files::native_path(file), std::ios::binary);
  if (!in) return false;
  const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  const std::optional<WavSound> w = parse_wav(bytes);
  if (!w || w->data.empty()) return false;
  return play_pcm(*w);
}

}  // namespace qvn::sound
