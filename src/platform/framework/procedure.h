#pragma once
// Calling a window procedure and running one. A window procedure takes no
// parameters: its caller leaves the request in GlobalRequest, calls it, and
// reads its response from GlobalResponse (request.h). These helpers hold
// those lines once, for the caller's side and for the procedure's own.

#include <functional>
#include <memory>
#include <string_view>

#include "platform/ui/window.h"
#include "platform/ui/window_def.h"

namespace qvn::framework {

class ErrorManager;
class WindowManager;

// A procedure as a caller holds it; empty when none is installed.
using Procedure = std::function<void()>;

// Calls `procedure` with `request` and hands back its response. The
// response is cleared before the call, so that an earlier one is never
// taken for this one's, and a procedure that leaves none answers cancelled;
// a request the procedure did not take is cleared after it, so that no
// other procedure takes it. Without a procedure nothing runs: the request
// is cleared and the answer is cancelled. GlobalResponse holds the answer.
int call_procedure(const Procedure& procedure, int request);

// Runs a procedure's window manager as the procedure: registers `name` with
// the error manager as the current procedure (its messages carry the name
// in their caption), runs the manager through its Run (Init, Ask unless
// Init failed, Kill), removes the name again, and stores the response in
// GlobalResponse, which it also returns. The manager's own steps then do
// not register the name themselves.
int run_procedure(std::string_view name, WindowManager& manager);
int run_procedure(std::string_view name, WindowManager& manager, ErrorManager& errors);

// Tells the user that the procedure `name` cannot open its window (`what`,
// "The settings window" say, and the window layer's reason) and answers
// cancelled.
void report_unbuilt_window(std::string_view name, std::string_view what, std::string_view reason);

// A procedure's whole entry: builds its window from `def`, makes its
// manager on it with `make` (a callable taking the ui::Window& and
// returning the manager by value), and runs that as the procedure `name`.
// A window the layer refuses is told through report_unbuilt_window.
template <typename Make>
void run_window_procedure(std::string_view name, std::string_view what, ui::WindowDef def, Make&& make) {
  std::string error;
  std::unique_ptr<ui::Window> window = ui::Window::create(std::move(def), &error);
  if (!window) {
    report_unbuilt_window(name, what, error);
    return;
  }
  auto manager = make(*window);
  run_procedure(name, manager);
}

}  // namespace qvn::framework
