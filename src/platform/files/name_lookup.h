#pragma once
// Finding a name on disk without regard to the case of its letters, shared
// by the file tests and the folder listing.

#include <optional>
#include <string>
#include <string_view>

namespace qvn::files::detail {

enum class Kind { RegularFile, Folder };

// The existing file or folder (as asked) of that native name, each part
// matched without regard to case; the spelling on disk, or nothing.
std::optional<std::string> find_without_case(const std::string& native, Kind kind);

// True when both names are equal without regard to the case of ASCII letters.
bool same_without_case(std::string_view a, std::string_view b);

}  // namespace qvn::files::detail
