#include "data/globals.h"

#include "data/settings_file.h"
#include "platform/files/native_path.h"

namespace qvn::data {

FixedString<1> GLO_UseNewLog;
CString<255> GLO_RunString;
FixedString<64> GLO_FilePath;
uint8_t GLO_RETAINTAGS = 0;

constinit const std::array<Setting, 4> kSettings = {{
    {.file_key = "NewLog",
     .profile_key = "GLO:UseNewLog",
     .kind = Setting::Kind::Letter,
     .width = decltype(GLO_UseNewLog)::width,
     .default_value = "N",
     .value = [] { return std::string(GLO_UseNewLog.raw()); },
     .assign = [](std::string_view text) { GLO_UseNewLog = text; }},
    {.file_key = "CL_Command",
     .profile_key = "GLO:RunString",
     .kind = Setting::Kind::Text,
     .width = decltype(GLO_RunString)::capacity,
     .default_value = "",
     .value = [] { return GLO_RunString.str(); },
     .assign = [](std::string_view text) { GLO_RunString = text; }},
    {.file_key = "FilePath",
     .profile_key = "GLO:FilePath",
     .kind = Setting::Kind::Folder,
     .width = decltype(GLO_FilePath)::width,
     .default_value = "",
     .value = [] { return std::string(GLO_FilePath.raw()); },
     .assign = [](std::string_view text) { GLO_FilePath = text; }},
    {.file_key = "RetainTags",
     .profile_key = nullptr,
     .kind = Setting::Kind::Number,
     .width = sizeof(GLO_RETAINTAGS),
     .default_value = "0",
     .value = [] { return std::to_string(GLO_RETAINTAGS); },
     .assign = [](std::string_view text) { GLO_RETAINTAGS = static_cast<uint8_t>(settings_number(text)); }},
}};

namespace {

// Each setting starts as its default, before anything reads it.
[[maybe_unused]] const bool defaults_set = [] {
  for (const Setting& setting : kSettings) setting.assign(setting.default_value);
  return true;
}();

}  // namespace

std::string written_value(const Setting& setting) {
  // A folder read with "\" between its parts is written with "/".
  std::string text = setting.value();
  return setting.kind == Setting::Kind::Folder ? files::native_path(text) : text;
}

SettingsSnapshot::SettingsSnapshot() {
  for (size_t i = 0; i < kSettings.size(); ++i) values_[i] = kSettings[i].value();
}

void SettingsSnapshot::put_back() const {
  for (size_t i = 0; i < kSettings.size(); ++i) kSettings[i].assign(values_[i]);
}

SettingsManager settings_manager;

void SettingsManager::Fetch() { settings_fetch(*this); }
void SettingsManager::Update() { settings_update(*this); }

void settings_fetch(SettingsManager& manager) {
  // Each assignment cuts the value to the setting's width.
  for (const Setting& setting : kSettings) {
    if (setting.profile_key) setting.assign(manager.Read(kPreservedSection, setting.profile_key));
  }
  manager.IniManager::Fetch();
}

void settings_update(SettingsManager& manager) {
  manager.IniManager::Update();
  for (const Setting& setting : kSettings) {
    if (setting.profile_key) manager.Write(kPreservedSection, setting.profile_key, written_value(setting));
  }
}

}  // namespace qvn::data
