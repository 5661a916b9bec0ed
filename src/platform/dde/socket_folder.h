#pragma once
// Where the servers of this user put their sockets. The folder belongs to the
// user alone (mode 0700, owned by the effective user, a real folder and not a
// link), so no other user on the machine can reach a server or pose as one.
// Each running server has its own socket "<service>.<pid>.<n>.sock"; the name
// only ever names a socket that listens (the server binds and listens under a
// temporary name first), so a client that finds it refusing knows its server
// has gone or is going.

#include <sys/stat.h>

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

// The process id in a socket file name (a full path or the name alone); -1
// for a name of another form.
long socket_pid(std::string_view name);

// Removes the socket a client found refusing connections, but only when the
// process named in it no longer exists and the file is still the one the
// client found (`refused` is what lstat gave before it connected). A socket
// whose process lives is left alone, whatever it answers. True when removed.
bool remove_stale_socket(const std::string& path, const struct stat& refused);

// The sockets in the folder whose service matches without regard to case, sorted by name.
std::vector<std::string> service_sockets(const std::string& folder, std::string_view service);

// True when the two service or topic names are equal without regard to case.
bool same_name(std::string_view a, std::string_view b);

}  // namespace qvn::dde
