#include "data/globals.h"

#include "platform/files/native_path.h"

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
  GLO_UseNewLog = manager.Read(kPreservedSection, kProfileUseNewLogKey);
  GLO_RunString = manager.Read(kPreservedSection, kProfileRunStringKey);
  GLO_FilePath = manager.Read(kPreservedSection, kProfileFilePathKey);
  manager.IniManager::Fetch();
}

void settings_update(SettingsManager& manager) {
  manager.IniManager::Update();
  manager.Write(kPreservedSection, kProfileUseNewLogKey, GLO_UseNewLog.clipped());
  manager.Write(kPreservedSection, kProfileRunStringKey, GLO_RunString.view());
  // A folder read with "\" between its parts is written with "/".
  manager.Write(kPreservedSection, kProfileFilePathKey, files::native_path(GLO_FilePath.clipped()));
}

}  // namespace qvn::data
