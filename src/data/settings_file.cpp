#include "data/settings_file.h"

#include <array>
#include <cctype>
#include <filesystem>
#include <optional>
#include <system_error>

#include "data/files.h"
#include "data/globals.h"
#include "platform/core/error_state.h"
#include "platform/files/native_path.h"
#include "platform/profile/profile_string.h"

namespace qvn::data {

namespace fs = std::filesystem;

namespace {

// The folder the settings file lies in, and the file itself.
struct Anchor {
  std::string folder;
  std::string file;
};

std::optional<Anchor>& anchored() {
  static std::optional<Anchor> anchor;
  return anchor;
}

void anchor_at(const fs::path& folder) {
  const fs::path file = (folder / files::native_path(kSettingsFileName)).lexically_normal();
  anchored() = Anchor{file.parent_path().string(), file.string()};
}

const Anchor& anchor() {
  if (!anchored()) {
    std::error_code ec;
    fs::path here = fs::current_path(ec);
    anchor_at(ec ? fs::path(".") : here);
  }
  return *anchored();
}

std::array<storage::NameVar*, 4> data_file_names() {
  return {&AppsFileName, &ProjectsFileName, &TempFileName, &TagFileName};
}

bool is_blank_char(char c) { return c == ' ' || c == '\t'; }

// A value of GLO:FilePath as a prefix: its folder absolutely, with "/" at
// the end.
std::string prefix_of(std::string_view folder) {
  const std::string native = files::native_path(clip(folder));
  std::string prefix = native;
  if (native.empty() || native.front() != '/') {
    prefix = start_folder();
    if (prefix.back() != '/') prefix += '/';
    prefix += native;
  }
  if (prefix.back() != '/') prefix += '/';
  return prefix;
}

// The folder as the user should read it in a message: as the settings hold
// it when it names its folder absolutely, otherwise where it lies.
std::string shown_folder(std::string_view folder) {
  const std::string native = files::native_path(clip(folder));
  return !native.empty() && native.front() == '/' ? std::string(clip(folder)) : prefix_of(folder);
}

}  // namespace

const std::string& settings_file() { return anchor().file; }

const std::string& start_folder() { return anchor().folder; }

void anchor_settings_file(const std::string& folder) { anchor_at(fs::absolute(folder)); }

long long settings_number(std::string_view text) {
  size_t i = 0, end = text.size();
  while (i < end && is_blank_char(text[i])) ++i;
  while (end > i && is_blank_char(text[end - 1])) --end;
  bool negative = false;
  if (i < end && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
  const size_t digits_start = i;
  long long n = 0;
  for (; i < end && std::isdigit(static_cast<unsigned char>(text[i])); ++i) {
    if (n < 100000000000000000LL) n = n * 10 + (text[i] - '0');
  }
  if (i == digits_start) return 0;
  if (i < end && text[i] == '.') {
    ++i;
    while (i < end && std::isdigit(static_cast<unsigned char>(text[i]))) ++i;
  }
  if (i != end) return 0;
  return negative ? -n : n;
}

namespace {

// What a read found to tell the user: about the file itself, and about each
// value too long for its setting.
struct ReadProblems {
  std::vector<std::string> file;
  std::vector<std::string> too_long;
};

// A value longer than its setting: left blank, or cut to what the setting holds.
enum class TooLong { Blank, Cut };

// The one message that a value is longer than its setting, and what of it is kept.
std::string too_long_message(const std::string& file, const char* key, size_t width, TooLong kept) {
  return "The setting " + std::string(key) + " in " + file + " is longer than its " + std::to_string(width) +
         " characters and " +
         (kept == TooLong::Blank ? std::string("is left blank.")
                                 : "only its first " + std::to_string(width) + " are kept.");
}

ReadProblems read_settings(TooLong too_long) {
  const std::string& file = settings_file();
  const profile::IniFile ini = profile::read_ini_file(file);
  ReadProblems problems;
  switch (ini.status) {
    case profile::IniStatus::Read:
      if (!ini.text.has_section(kPreservedSection)) {
        problems.file.push_back("The settings file " + file + " holds no [" + kPreservedSection +
                                "] section, so its settings are taken as missing.");
      }
      break;
    case profile::IniStatus::Missing: break;
    case profile::IniStatus::NotRegular:
      problems.file.push_back("The settings file " + file + " is not a regular file and is not read.");
      break;
    case profile::IniStatus::Unreadable:
      problems.file.push_back("The settings file " + file +
                              " cannot be read: " + std::string(standard_error_text(ini.code)) + ".");
      break;
  }
  auto value = [&](const char* key) { return ini.text.find(kPreservedSection, key).value_or(std::string()); };
  for (const Setting& setting : kSettings) {
    std::string v = value(setting.file_key);
    const bool told = setting.kind == Setting::Kind::Text || setting.kind == Setting::Kind::Folder;
    if (told && v.size() > setting.width) {
      problems.too_long.push_back(too_long_message(file, setting.file_key, setting.width, too_long));
      v = too_long == TooLong::Cut ? v.substr(0, setting.width) : std::string();
    }
    setting.assign(v);
  }
  return problems;
}

}  // namespace

std::vector<std::string> read_settings_file() {
  // A value cut to its setting would name another program or folder than
  // the one meant, so at start one that does not fit is not used at all.
  ReadProblems problems = read_settings(TooLong::Blank);
  problems.file.insert(problems.file.end(), problems.too_long.begin(), problems.too_long.end());
  return problems.file;
}

std::vector<std::string> read_settings_to_edit() { return read_settings(TooLong::Cut).too_long; }

std::string settings_message(const std::vector<std::string>& problems) {
  std::string text;
  for (const std::string& p : problems) text += (text.empty() ? "" : "|") + p;
  return text;
}

std::string write_settings_file() {
  std::array<std::string, kSettings.size()> values;
  std::array<profile::IniEntry, kSettings.size()> keys;
  for (size_t i = 0; i < kSettings.size(); ++i) {
    values[i] = written_value(kSettings[i]);
    keys[i] = {kSettings[i].file_key, values[i]};
  }
  const std::string& file = settings_file();
  if (const int code = profile::put_ini_keys(kPreservedSection, keys, file); code != err::NoError) {
    return "The settings could not be saved in " + file + ": " + std::string(standard_error_text(code)) +
           ". The file keeps its old settings.";
  }
  return {};
}

bool settings_missing() { return GLO_UseNewLog.blank() || GLO_RunString.clipped().empty() || GLO_FilePath.blank(); }

std::string data_folder_prefix() { return prefix_of(GLO_FilePath.clipped()); }

std::string in_data_folder(std::string_view name) {
  const std::string native = files::native_path(clip(name));
  if (!native.empty() && native.front() == '/') return native;
  return data_folder_prefix() + native;
}

std::string data_folder_too_long(std::string_view folder) {
  const std::string prefix = prefix_of(folder);
  for (const storage::NameVar* name : data_file_names()) {
    const std::string file = fs::path(files::native_path(name->clipped())).filename().string();
    if (prefix.size() + file.size() > storage::NameVar::width) {
      return "The data folder " + shown_folder(folder) +
             " has too long a name: with a data file's name it must fit in " + std::to_string(storage::NameVar::width) +
             " characters.";
    }
  }
  return {};
}

std::string data_folder_problem() {
  const std::string prefix = data_folder_prefix();
  std::error_code ec;
  if (!fs::is_directory(prefix, ec)) {
    return "The data folder " + shown_folder(GLO_FilePath.clipped()) + " does not exist.";
  }
  return data_folder_too_long(GLO_FilePath.clipped());
}

void prefix_data_file_names() {
  for (storage::NameVar* name : data_file_names()) *name = in_data_folder(name->clipped());
}

}  // namespace qvn::data
