#pragma once
// The environment's view of the client's file names: a backslash separates
// folders as "/" does, and a file name is matched without regard to case
// within its folder, as the environment's own system would.

#include <functional>
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

// True when the name holds a NUL or another control character (a byte below
// the blank, or DEL). The system would cut a name at its NUL, so the file
// opened would not be the one the rules were checked on.
bool holds_control_character(std::string_view name);

// True when a part of the name is "..", so it may climb out of the folder it
// starts from.
bool climbs_up(const std::string& path);

// True when the file name's extension (after its last ".") is `type`, without
// regard to case.
bool has_type(const std::string& path, std::string_view type);

// True when the two files lie in the same existing folder (a bare name lies
// in the current one).
bool same_folder(const std::string& a, const std::string& b);

// The existing regular file of that name: the name itself, else the first in
// name order of the files whose names match it without regard to case.
std::optional<std::string> find_file(const std::string& path);

// Reads a regular file; false for anything else or when it cannot be read.
bool read_file(const std::string& path, std::string& content);

// Writes the whole file under the given name, in one step: through a
// temporary file beside it, created anew (never an existing file or a link).
// When no file has that very name but exactly one regular file has it in
// another case, that file is the one replaced and is removed; no other file
// is. On failure returns false with the reason in `error`.
bool write_file(const std::string& path, std::string_view content, std::string& error);

// Writes the file under its final name from the start, in `pieces` parts
// of about equal size, calling `after_piece(k)` after part k (from 1); when
// it answers false the writing stops there and the answer is false. The
// file replaced is the one write_file would replace; it is removed first
// (a link of the name is removed, never written through) and the output is
// created anew. A folder of the name is not replaced. On failure returns
// false with the reason in `error`.
bool write_file_in_pieces(const std::string& path, std::string_view content, int pieces,
                          const std::function<bool(int piece)>& after_piece, std::string& error);

}  // namespace idesim
