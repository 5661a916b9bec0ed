#include "automation/split_step.h"

#include "automation/run_host.h"
#include "data/files.h"

namespace qvn::automation {

void split_step(RunValues& Loc) {
  const std::string_view application = data::APP.APPLICATION.clipped();
  Loc.BaseName = application.substr(0, application.find('.'));

  const std::string_view target = data::APP.TARGET.clipped();
  const size_t dot = target.find('.');
  Loc.TargetExt = dot == std::string_view::npos ? target : target.substr(dot + 1);

  if (!target.empty() && !Loc.TargetExt.blank() && !names_folder(target)) {
    data::APP.TARGET = with_folder(data::APP.DRIVENPATH.clipped(), target);
  }
}

bool names_folder(std::string_view target) { return target.find_first_of("\\/") != std::string_view::npos; }

std::string with_folder(std::string_view folder, std::string_view target) {
  const std::string_view t = clip(target);
  if (t.empty() || names_folder(t)) return std::string(t);
  return std::string(clip(folder)) + std::string(t);
}

}  // namespace qvn::automation
