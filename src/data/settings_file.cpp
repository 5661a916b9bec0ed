#include "data/settings_file.h"

#include <array>
#include <cctype>
#include <filesystem>
#include <optional>
#include <system_error>

#include "data/files.h"
#include "data/globals.h"
#include "platform/core/error_state.h"
#include "platform/profile/native_path.h"
#include "platform/profile/profile_string.h"

namespace qvn::data {

namespace fs = std::filesystem;

namespace {

std::optional<std::string>& anchored() {
  static std::optional<std::string> file;
  return file;
}

std::string resolve_against(const fs::path& folder) {
  return (folder / profile::native_path(kSettingsFileName)).lexically_normal().string();
}

std::array<storage::NameVar*, 4> data_file_names() {
  return {&AppsFileName, &ProjectsFileName, &TempFileName, &TagFileName};
}

bool is_blank_char(char c) { return c == ' ' || c == '\t'; }

}  // namespace

const std::string& settings_file() {
  if (!anchored()) {
    std::error_code ec;
    fs::path here = fs::current_path(ec);
    anchored() = resolve_against(ec ? fs::path(".") : here);
  }
  return *anchored();
}

void anchor_settings_file(const std::string& folder) { anchored() = resolve_against(fs::absolute(folder)); }

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

std::vector<std::string> read_settings_file() {
  const std::string& file = settings_file();
  const profile::IniFile ini = profile::read_ini_file(file);
  std::vector<std::string> problems;
  switch (ini.status) {
    case profile::IniStatus::Read:
      if (!ini.text.has_section(kSettingsSection)) {
        problems.push_back("The settings file " + file + " holds no [" + kSettingsSection +
                           "] section, so its settings are taken as missing.");
      }
      break;
    case profile::IniStatus::Missing: break;
    case profile::IniStatus::NotRegular:
      problems.push_back("The settings file " + file + " is not a regular file and is not read.");
      break;
    case profile::IniStatus::Unreadable:
      problems.push_back("The settings file " + file + " cannot be read: " +
                         std::string(standard_error_text(ini.code)) + ".");
      break;
  }
  auto value = [&](const char* key) { return ini.text.find(kSettingsSection, key).value_or(std::string()); };
  // A value cut to its setting would name another program or folder than
  // the one meant, so one that does not fit is not used at all.
  auto fitting = [&](const char* key, size_t width) {
    std::string v = value(key);
    if (v.size() <= width) return v;
    problems.push_back("The setting " + std::string(key) + " in " + file + " is longer than its " +
                       std::to_string(width) + " characters and is left blank.");
    return std::string();
  };
  GLO_UseNewLog = std::string_view(value(kNewLogKey)).substr(0, 1);
  GLO_RunString = fitting(kRunStringKey, decltype(GLO_RunString)::capacity);
  GLO_FilePath = fitting(kFilePathKey, decltype(GLO_FilePath)::width);
  GLO_RETAINTAGS = static_cast<uint8_t>(settings_number(value(kRetainTagsKey)));
  return problems;
}

bool settings_missing() {
  return GLO_UseNewLog.blank() || GLO_RunString.clipped().empty() || GLO_FilePath.blank();
}

std::string data_folder_prefix() {
  std::string folder = profile::native_path(GLO_FilePath.clipped());
  if (!folder.empty() && folder.back() != '/') folder += '/';
  return folder;
}

std::string data_folder_problem() {
  const std::string prefix = data_folder_prefix();
  if (prefix.empty()) return {};
  const std::string shown(GLO_FilePath.clipped());
  std::error_code ec;
  if (!fs::is_directory(prefix, ec)) return "The data folder " + shown + " does not exist.";
  for (const storage::NameVar* name : data_file_names()) {
    if (prefix.size() + name->clipped().size() > storage::NameVar::width) {
      return "The data folder " + shown + " has too long a name: with a data file's name it must fit in " +
             std::to_string(storage::NameVar::width) + " characters.";
    }
  }
  return {};
}

void prefix_data_file_names() {
  const std::string prefix = data_folder_prefix();
  for (storage::NameVar* name : data_file_names()) *name = prefix + std::string(name->clipped());
}

}  // namespace qvn::data
