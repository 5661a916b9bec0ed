#pragma once
// Where the servers of this user put their sockets. The folder belongs to the
// user alone (mode 0700, owned by the effective user, a real folder and not a
// link), so no other user on the machine can reach a server or pose as one.
// Each running server has its own socket "<service>.<pid>.<n>.sock".

#include <string>
#include <string_view>
#include <vector>

namespace qvn::dde {

// QVN_DDE_DIR when set, else $XDG_RUNTIME_DIR/qvn-dde, else /tmp/qvn-dde-<uid>.
std::string socket_folder();

// True when the folder exists and is private to the effective user.
bool folder_is_private(const std::string& folder);

// Creates the folder (mode 0700) when missing, then checks it. On failure sets
// the last error and returns false.
bool make_private_folder(const std::string& folder);

// The socket file name of a server; "" when the service cannot be part of a file name.
std::string socket_file_name(std::string_view service, long pid, unsigned serial);

// The sockets in the folder whose service matches without regard to case, sorted by name.
std::vector<std::string> service_sockets(const std::string& folder, std::string_view service);

// True when the two service or topic names are equal without regard to case.
bool same_name(std::string_view a, std::string_view b);

}  // namespace qvn::dde
