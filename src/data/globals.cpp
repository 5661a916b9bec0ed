#include "data/globals.h"

namespace qvn::data {

FixedString<1> GLO_UseNewLog("N");
CString<255> GLO_RunString;
FixedString<64> GLO_FilePath;
uint8_t GLO_RETAINTAGS = 0;

SettingsManager settings_manager;

void SettingsManager::Fetch() { settings_fetch(*this); }
void SettingsManager::Update() { settings_update(*this); }

void settings_fetch(SettingsManager& manager) {
  // Each assignment cuts the value to the setting's width: the first
  // character, up to 254 characters, the first 64 padded with blanks.
  GLO_UseNewLog = manager.Read(kPreservedSection, kUseNewLogKey);
  GLO_RunString = manager.Read(kPreservedSection, kRunStringKey);
  GLO_FilePath = manager.Read(kPreservedSection, kFilePathKey);
  manager.IniManager::Fetch();
}

void settings_update(SettingsManager& manager) {
  manager.IniManager::Update();
  manager.Write(kPreservedSection, kUseNewLogKey, GLO_UseNewLog.clipped());
  manager.Write(kPreservedSection, kRunStringKey, GLO_RunString.view());
  manager.Write(kPreservedSection, kFilePathKey, GLO_FilePath.clipped());
}

}  // namespace qvn::data
