#pragma once
// A settings manager: reads and writes entries of one settings store, a
// named INI file or, with no file name, the per-user profile
// (platform/profile/profile_string.h).
//
// Init keeps the store, runs the fetch hook, which a program overrides to
// read its settings, and reads the manager's own bookkeeping entry; Kill
// writes the bookkeeping entry back. The update hook is for the program to
// write its settings; the manager never runs it itself. Every store access
// holds the manager's own lock, so several threads may use one manager.

#include <mutex>
#include <string>
#include <string_view>

namespace qvn::profile {

// Kinds of store. Only the profile-string store exists on this platform; a
// manager given another kind still uses it.
inline constexpr int kProfileStringStore = 0;
inline constexpr int kRegistryStore = 1;

inline constexpr std::string_view kBookkeepingSection = "__Dont_Touch_Me__";
inline constexpr std::string_view kSectorsKey = "Sectors";

class IniManager {
 public:
  IniManager() = default;
  virtual ~IniManager() = default;  // writes nothing
  IniManager(const IniManager&) = delete;
  IniManager& operator=(const IniManager&) = delete;

  void Init(std::string_view file_name, int kind = kProfileStringStore);
  // Writes "Sectors" of "__Dont_Touch_Me__": the number of sections the
  // manager keeps. Does nothing when Init has not run since the last Kill.
  void Kill();

  // The program's hooks; the base versions do nothing.
  virtual void Fetch() {}
  virtual void Update() {}

  // One value of the store (at most 1023 characters), or the default.
  std::string Read(std::string_view section, std::string_view key, std::string_view default_value = {});
  // Stores the value without trailing blanks; returns the store's error code.
  int Write(std::string_view section, std::string_view key, std::string_view value);

  std::string FileName() const;
  int Kind() const;
  // The number of sections the bookkeeping entry records.
  int Sectors() const;
  bool Initialised() const;

 private:
  mutable std::mutex lock_;
  std::string file_name_;
  int kind_ = kProfileStringStore;
  int sectors_ = 0;
  bool initialised_ = false;
};

}  // namespace qvn::profile
