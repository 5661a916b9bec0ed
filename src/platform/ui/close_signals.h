#pragma once
// The signals that ask a program to end from outside (SIGTERM, SIGINT,
// SIGHUP: a logout, kill, Ctrl+C) taken as a request to close its windows,
// so that each closes the way its close box closes it and the program ends
// by its own steps. The handler only notes the signal on a pipe; the accept
// loop reads the pipe when no event is queued and posts CloseWindow to
// every open window, the top one first. A second signal, while the close
// the first asked for has not yet ended the program (a message box or a
// form holds it), ends it at once, as the signal itself does.
//
// The backends wake for it: the accept loop reads the pipe before it asks
// the backend to wait, and the Qt backend wakes on its descriptor.

namespace qvn::ui {

// Installs the handlers. A signal the program was started ignoring (as
// nohup starts it) stays ignored. False, and the signals left as they
// were, when the pipe cannot be made.
bool install_close_signals();
// Puts back the signals' handling as it was before and closes the pipe.
void remove_close_signals();

// For backends: the descriptor that becomes readable when a signal came;
// -1 while the handlers are not installed.
int close_signal_descriptor();
// Reads, without blocking, the signals that came and posts CloseWindow to
// every open window, the top one first. True when one came.
bool take_close_signals();

}  // namespace qvn::ui
