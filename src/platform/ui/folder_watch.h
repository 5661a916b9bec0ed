#pragma once
// A window's watch on a folder. While it is in force, every change in the
// folder (a file created, written and closed, renamed into it, removed, or
// its attributes changed) posts the window event FolderChanged (field 0) to
// the window, so a procedure that waits for a file in a nested loop sees it
// appear at once instead of at its next timer event. Changes that come
// together give one event; no second one is queued while one still waits.
// Window managers pass the event by; only a loop that asked for it acts.
//
// The backends wake for it: the accept loop takes what the watches
// reported before it asks the backend to wait, the Qt backend wakes on the
// watch's descriptor, and the real-time backend blocks on it.

#include <string_view>
#include <vector>

namespace qvn::ui {

class Window;

class FolderWatch {
 public:
  // Starts watching the folder for the window. The folder is spelled as the
  // program spells names (trailing blanks do not count, "\" as "/"; empty:
  // the current folder). When the window is not open, the folder does not
  // exist or the platform refuses the watch, the watch is not in force and
  // the window simply sees no FolderChanged; the last error is left alone.
  FolderWatch(Window& window, std::string_view folder);
  // Stops the watch.
  ~FolderWatch();
  FolderWatch(FolderWatch&& other) noexcept;
  FolderWatch& operator=(FolderWatch&& other) noexcept;
  FolderWatch(const FolderWatch&) = delete;
  FolderWatch& operator=(const FolderWatch&) = delete;

  // True while the folder is watched: the watch started, its window has not
  // closed, and the folder has not been removed or moved away.
  bool active() const;

 private:
  void stop();
  int id_ = 0;
};

// For backends and the scripted user.

// The descriptors of the window's watches in force; each becomes readable
// when its folder changed. For poll() and socket notifiers.
std::vector<int> folder_watch_descriptors(const Window& w);

// Reads, without blocking, what the window's watches reported, and posts
// one FolderChanged to the window when anything changed since the last one
// was posted and none is still queued. True when it posted.
bool take_folder_changes(Window& w);

// Reads, without blocking, what the window's watches reported; true when a
// change is waiting to be posted, or a FolderChanged is queued.
bool folder_change_pending(Window& w);

// Blocks for at most timeout_ms of real time until one of the window's
// watches reports a change it had not yet read, and keeps it for
// take_folder_changes. True when it read one. Without watches it just
// waits out the time.
bool wait_for_folder_report(const Window& w, int timeout_ms);

namespace detail {
// The window closes: its watches stop.
void stop_folder_watches(const Window& w);
}  // namespace detail

}  // namespace qvn::ui
