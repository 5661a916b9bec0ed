#pragma once
// The program's settings, one copy for the whole process, the table that
// says where each is kept, and the settings manager that keeps three of them
// in the per-user profile between runs.
//
// A setting named GLO:Name in the data is GLO_Name here.

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "platform/core/fixed_string.h"
#include "platform/profile/ini_manager.h"

namespace qvn::data {

// "Y": the activity log is re-created empty when the main window opens.
extern FixedString<1> GLO_UseNewLog;
// The command line that starts the development environment.
extern CString<255> GLO_RunString;
// The folder put in front of the data-file names.
extern FixedString<64> GLO_FilePath;
// 1: the project-subset tags are kept between runs.
extern uint8_t GLO_RETAINTAGS;

// The section that holds the settings, in the settings file and in the
// per-user profile alike.
inline constexpr const char* kPreservedSection = "Preserved";

// One setting: where it is kept and how its value is held as text. Reading,
// writing, the settings window and the tests go through kSettings, so a
// setting is added or renamed in that one place.
struct Setting {
  // How a value read from the settings file becomes the setting.
  enum class Kind {
    Letter,  // its first character; the rest is dropped without a word
    Text,    // a value longer than the setting is told to the user
    Folder,  // as Text, and written with "/" between its parts
    Number,  // a whole number (settings_number), of which the low byte is kept
  };

  const char* file_key;     // the key in the settings file
  const char* profile_key;  // the key in the per-user profile; null where the profile keeps none
  Kind kind;
  size_t width;               // characters the setting holds; for a number, its bytes
  const char* default_value;  // what the setting holds before any read
  // The value exactly as the setting holds it, trailing blanks included; a
  // number in decimal digits.
  std::string (*value)();
  // Sets the setting from text, cut to its width; a number through
  // settings_number.
  void (*assign)(std::string_view text);
};

// The four settings in the order they are read and written: GLO:UseNewLog,
// GLO:RunString, GLO:FilePath, GLO:RETAINTAGS.
extern const std::array<Setting, 4> kSettings;

// The text a setting is written as: its value, a folder with "/" between
// its parts.
std::string written_value(const Setting& setting);

// The settings' values at the moment it is made; put_back makes them the
// settings again.
class SettingsSnapshot {
 public:
  SettingsSnapshot();
  void put_back() const;

 private:
  std::array<std::string, kSettings.size()> values_;
};

// The program's settings manager; its hooks are settings_fetch and
// settings_update.
class SettingsManager final : public profile::IniManager {
 public:
  void Fetch() override;
  void Update() override;
};

// Reads the settings the profile keeps from section "Preserved", in the
// table's order; a missing key leaves its setting blank or empty.
void settings_fetch(SettingsManager& manager);
// Writes the same settings, clipped, to the same keys; the folder with "/"
// between its parts.
void settings_update(SettingsManager& manager);

extern SettingsManager settings_manager;

}  // namespace qvn::data
