#pragma once
// The program's settings, one copy for the whole process, and the settings
// manager that keeps three of them in the per-user profile between runs.
//
// A setting named GLO:Name in the data is GLO_Name here.

#include <cstdint>

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

// Section and keys of the settings in the per-user profile.
inline constexpr const char* kPreservedSection = "Preserved";
inline constexpr const char* kProfileUseNewLogKey = "GLO:UseNewLog";
inline constexpr const char* kProfileRunStringKey = "GLO:RunString";
inline constexpr const char* kProfileFilePathKey = "GLO:FilePath";

// The program's settings manager; its hooks are settings_fetch and
// settings_update.
class SettingsManager final : public profile::IniManager {
 public:
  void Fetch() override;
  void Update() override;
};

// Reads GLO:UseNewLog, GLO:RunString and GLO:FilePath from section
// "Preserved", in that order; a missing key leaves its setting blank or empty.
void settings_fetch(SettingsManager& manager);
// Writes the same three settings, clipped, to the same keys; the folder
// with "/" between its parts.
void settings_update(SettingsManager& manager);

extern SettingsManager settings_manager;

}  // namespace qvn::data
