#pragma once
// File names as the program spells them ("\" between folders, ".\QVN.INI")
// turned into names this platform's file calls understand.

#include <string>
#include <string_view>

namespace qvn::files {

// The name with every "\" replaced by "/"; nothing else changes, so
// ".\QVN.INI" becomes "./QVN.INI" and a relative name stays relative to the
// current folder.
std::string native_path(std::string_view name);

}  // namespace qvn::files
