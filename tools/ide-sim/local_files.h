#pragma once
// The environment's view of the client's file names: a backslash separates
// folders as "/" does, and a file name is matched without regard to case
// within its folder, as the environment's own system would.

#include <optional>
#include <string>
#include <string_view>

namespace idesim {

// The name with backslashes turned into "/".
std::string local_path(std::string_view client_path);

// The folder part with its trailing "/", "" for a bare name.
std::string folder_of(const std::string& path);
// The file name up to its first ".".
std::string base_name(const std::string& path);

// The existing regular file of that name, its name matched without regard to case.
std::optional<std::string> find_file(const std::string& path);

bool read_file(const std::string& path, std::string& content);

// Writes the whole file under the given name, in one step (through a
// temporary file), replacing a file whose name differs only in case. On
// failure returns false with the reason in `error`.
bool write_file(const std::string& path, std::string_view content, std::string& error);

}  // namespace idesim
