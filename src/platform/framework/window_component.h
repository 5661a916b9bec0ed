#pragma once
// A part of a window that the window manager drives along with the window:
// a browse list, a toolbar, a resizer. The manager passes it every event
// after its own steps, opens it when the window opens, resets it with the
// window and asks it to update the record buffers it serves.

namespace qvn::framework {

class WindowComponent {
 public:
  virtual ~WindowComponent() = default;

  // The window has opened.
  virtual void Open() {}
  // The window is closing; undo what the component set up.
  virtual void Kill() {}
  // The window is reset; `force` refreshes even when nothing watched changed.
  virtual void Reset(bool force) { (void)force; }
  // True when something the component watches changed since its last reset.
  virtual bool ResetRequired() { return false; }
  // The current event of the window; a non-zero level ends the dispatch.
  virtual int TakeEvent() { return 0; }
  // The window's Update step: bring the record buffers up to date.
  virtual void Update() {}
};

}  // namespace qvn::framework
