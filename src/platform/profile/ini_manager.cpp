#include "platform/profile/ini_manager.h"

#include <charconv>
#include <string>

#include "platform/profile/profile_string.h"

namespace qvn::profile {

namespace {

// The count the bookkeeping entry holds; anything that is not a number of
// sections counts as none.
int parse_count(std::string_view text) {
  int value = 0;
  auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (ec != std::errc() || end == text.data() || value < 0) return 0;
  return value;
}

}  // namespace

void IniManager::Init(std::string_view file_name, int kind) {
  {
    std::lock_guard guard(lock_);
    file_name_ = std::string(file_name);
    kind_ = kind;
    sectors_ = 0;
    initialised_ = true;
  }
  Fetch();
  std::string count = Read(kBookkeepingSection, kSectorsKey);
  std::lock_guard guard(lock_);
  sectors_ = parse_count(count);
}

void IniManager::Kill() {
  std::lock_guard guard(lock_);
  if (!initialised_) return;
  put_ini(kBookkeepingSection, kSectorsKey, std::to_string(sectors_), file_name_);
  initialised_ = false;
}

std::string IniManager::Read(std::string_view section, std::string_view key, std::string_view default_value) {
  std::lock_guard guard(lock_);
  return get_ini(section, key, default_value, file_name_);
}

int IniManager::Write(std::string_view section, std::string_view key, std::string_view value) {
  std::lock_guard guard(lock_);
  return put_ini(section, key, value, file_name_);
}

std::string IniManager::FileName() const {
  std::lock_guard guard(lock_);
  return file_name_;
}

int IniManager::Kind() const {
  std::lock_guard guard(lock_);
  return kind_;
}

int IniManager::Sectors() const {
  std::lock_guard guard(lock_);
  return sectors_;
}

bool IniManager::Initialised() const {
  std::lock_guard guard(lock_);
  return initialised_;
}

}  // namespace qvn::profile
