#include "platform/framework/procedure.h"

#include "platform/framework/error_manager.h"
#include "platform/framework/request.h"
#include "platform/framework/window_manager.h"
#include "platform/ui/backend.h"

namespace qvn::framework {

int call_procedure(const Procedure& procedure, int request) {
  if (!procedure) {
    GlobalRequest = request::None;
    GlobalResponse = response::Cancelled;
    return GlobalResponse;
  }
  GlobalRequest = request;
  GlobalResponse = response::None;
  procedure();
  GlobalRequest = request::None;
  if (GlobalResponse == response::None) GlobalResponse = response::Cancelled;
  return GlobalResponse;
}

int run_procedure(std::string_view name, WindowManager& manager) { return run_procedure(name, manager, error_manager); }

int run_procedure(std::string_view name, WindowManager& manager, ErrorManager& errors) {
  int response;
  {
    ProcedureScope scope(errors, name);
    response = manager.Run();
  }
  GlobalResponse = response;
  return response;
}

void report_unbuilt_window(std::string_view name, std::string_view what, std::string_view reason) {
  ui::message(std::string(what) + " cannot be built: " + std::string(reason), std::string(name), ui::MessageIcon::Stop);
  GlobalResponse = response::Cancelled;
}

}  // namespace qvn::framework
