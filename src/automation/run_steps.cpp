#include "automation/run_steps.h"

#include <algorithm>
#include <filesystem>
#include <limits>
#include <memory>

#include "automation/record_buffers.h"
#include "data/dictionary.h"
#include "data/files.h"
#include "platform/core/error_state.h"
#include "platform/framework/file_manager.h"
#include "platform/storage/record_file.h"
#include "platform/ui/backend.h"

namespace qvn::automation {

namespace {

constexpr const char* kProcessingComplete = "Processing Complete";
constexpr const char* kMissingTargets = " Files with NO target specified were found and were not made.";
// A command is at most this long: the field it is sent from.
constexpr size_t kCommandWidth = 255;
// The old output is looked for again after each removal, so that every
// spelling of its name goes; more spellings than this of one name are not
// removed.
constexpr int kMostSpellings = 16;

// A file the owner may not write, which the environment's own system
// would not let anyone remove either.
bool read_only(const std::string& native) {
  std::error_code ec;
  const std::filesystem::file_status status = std::filesystem::status(native, ec);
  return !ec && (status.permissions() & std::filesystem::perms::owner_write) == std::filesystem::perms::none;
}

}  // namespace

RunSteps::RunSteps(RunHost& host, Conversation& conversation, data::ActivityLog& log)
    : host_(host), conversation_(conversation), log_(log) {}

void RunSteps::Go(const RunPlan& plan) {
  KeepBuffers keep;
  if (!Begin()) return;
  missing_targets_ = 0;
  const std::function<bool()> next = plan.applications();
  while (next()) {
    const Outcome outcome = plan.step();
    if (outcome == Outcome::Stop) return Stop(plan.end.make);
    if (outcome == Outcome::EndRun) break;
  }
  End(plan.end);
}

bool RunSteps::Begin() {
  log_.Open();
  if (conversation_.Connect()) return true;
  conversation_.NoAnswer();
  conversation_.EndRun();
  return false;
}

void RunSteps::Log(std::string_view app, std::string_view text) { log_.Entry(app, text); }

bool RunSteps::Prepare(std::string_view app, std::string_view output, Command command, std::string_view name) {
  if (clip(output).size() > data::DosFileName.width || command_text(command, name).size() > kCommandWidth) {
    set_error(err::InvalidFileName);
    log_.Error(app);
    return false;
  }
  if (!conversation_.SetCommand(command, name, app)) return false;
  if (!clip(output).empty()) data::DosFileName = clip(output);
  return true;
}

bool RunSteps::RemoveOldOutput(std::string_view app) {
  const std::string_view name = data::DosFileName.clipped();
  for (int spelling = 0; spelling < kMostSpellings; ++spelling) {
    std::string old;
    if (std::optional<std::string> found = files::find_regular_file(name)) {
      old = *found;
    } else if (files::file_exists(name)) {
      old = files::native_name(name);  // a folder, or something else that is no regular file
    } else {
      return true;
    }
    if (read_only(old)) {
      set_error(err::AccessDenied);
    } else if (storage::remove_file(old) == err::NoError) {
      continue;
    }
    log_.Error(app);
    return false;
  }
  set_error(err::AccessDenied);
  log_.Error(app);
  return false;
}

std::function<bool()> RunSteps::Finished(const CommandKind& kind, const std::string& output,
                                         std::optional<files::FileStamp> before) {
  switch (kind.finish) {
    case FinishTest::Appears: return [output] { return regular_file_found(output); };
    case FinishTest::Changes:
      return [output, before] {
        const std::optional<files::FileStamp> now = stamp_of(output);
        return now && (!before || *now != *before);
      };
    case FinishTest::SizeSettles: break;
  }
  return [this, output, last_size = std::optional<int64_t>()]() mutable {
    const std::optional<files::FileStamp> now = stamp_of(output);
    if (!now) return false;
    if (last_size == now->size) return true;
    last_size = now->size;
    host_.values().LastSize = static_cast<int32_t>(std::min<int64_t>(now->size, std::numeric_limits<int32_t>::max()));
    return false;
  };
}

void RunSteps::ErrorPath(std::string_view app, std::string_view error_text) {
  const int code = error_code();
  if (code < kDdeErrorThreshold) {
    ui::message(std::string(error_text) + std::to_string(code) + " " + std::string(clip(qvn::error_text())),
                "Processing Terminated", ui::MessageIcon::Stop, ui::button::Ok);
  }
  log_.Error(app);
}

void RunSteps::Stop(bool make) {
  if (make) {
    conversation_.CloseWhenConnected();
  } else {
    conversation_.Close();
  }
  conversation_.EndRun();
}

void RunSteps::End(const RunEnd& end) {
  conversation_.EndRun();
  ui::beep();
  host_.window().to_front();
  if (end.select_subsets) host_.SelectSubsetsTab();
  ui::beep();
  conversation_.ShowStatus(kProcessingComplete);
  if (missing_targets_ > 0) {
    ui::message(std::to_string(missing_targets_) + kMissingTargets + "||Check log for details.", "Warning",
                ui::MessageIcon::Stop, ui::button::Ok);
  }
  if (end.make) {
    conversation_.CloseWhenConnected();
  } else {
    conversation_.Close();
  }
  if (end.focus_list) host_.FocusApplications();
}

TaggedApps::TaggedApps() {
  data::apps_file_manager->UseFile(framework::use::Returns);
  data::Apps.set_order(data::APP_PriorityKey);
}

bool TaggedApps::Next() {
  if (!position_.empty() && data::Apps.reget(data::APP_PriorityKey, position_) != err::NoError) {
    // The record went, or its key changed, meanwhile: the reading goes on
    // from where that record stood.
    data::APP.Priority = priority_;
    data::APP.APPLICATION = application_;
    data::Apps.set_order_from_buffer(data::APP_PriorityKey);
  }
  while (data::apps_file_manager->Next() == framework::level::Benign) {
    if (data::APP.TAG != 1) continue;
    position_ = data::Apps.position(data::APP_PriorityKey);
    priority_ = data::APP.Priority;
    application_ = data::APP.APPLICATION.str();
    return true;
  }
  return false;
}

std::function<bool()> tagged_apps() {
  return [tagged = std::make_shared<TaggedApps>()] { return tagged->Next(); };
}

bool regular_file_found(std::string_view name) { return files::find_regular_file(name).has_value(); }

std::optional<files::FileStamp> stamp_of(std::string_view name) {
  const std::optional<std::string> found = files::find_regular_file(name);
  return found ? files::file_stamp(*found) : std::nullopt;
}

std::string folder_part(std::string_view name) {
  const std::string_view n = clip(name);
  const size_t slash = n.find_last_of("\\/");
  return slash == std::string_view::npos ? std::string() : std::string(n.substr(0, slash + 1));
}

std::string name_order(const BuildEntry& entry) {
  std::string name(entry.APPNAME.clipped());
  for (char& c : name) {
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  }
  return name;
}

}  // namespace qvn::automation
