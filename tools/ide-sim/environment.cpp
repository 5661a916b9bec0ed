#include "environment.h"

#include <chrono>
#include <cstdio>
#include <thread>

#include "command.h"
#include "local_files.h"
#include "sample_file.h"

namespace idesim {

namespace {

using Reply = qvn::DdeServer::Reply;

std::string clipped(const std::string& s) {
  size_t n = s.find_last_not_of(" \0", std::string::npos, 2);
  return n == std::string::npos ? "" : s.substr(0, n + 1);
}

bool same_item(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    auto low = [](char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; };
    if (low(a[i]) != low(b[i])) return false;
  }
  return true;
}

// What a command reads and writes, by the extension of the file names.
struct FileTypes {
  CommandKind kind;
  std::string_view source[2];  // a second type, or ""
  const char* source_kind;
  std::string_view output;  // "" for a make, whose target the application names
  const char* output_kind;
};

constexpr FileTypes file_types[] = {
    {CommandKind::ExecuteProject, {"APP", "PRJ"}, "an application or project (.APP, .PRJ)", "", ""},
    {CommandKind::ExportApp, {"APP", ""}, "an application (.APP)", "TXA", "an exported application (.TXA)"},
    {CommandKind::ExportDct, {"DCT", ""}, "a dictionary (.DCT)", "TXD", "an exported dictionary (.TXD)"},
    {CommandKind::ImportApp, {"TXA", ""}, "an exported application (.TXA)", "APP", "an application (.APP)"},
    {CommandKind::ImportDct, {"TXD", ""}, "an exported dictionary (.TXD)", "DCT", "a dictionary (.DCT)"},
};

const FileTypes& types_of(CommandKind kind) {
  for (const FileTypes& t : file_types)
    if (t.kind == kind) return t;
  return file_types[0];
}

// Why a command's file name is refused; "" when it is fine.
std::string name_problem(const std::string& client_name, std::string_view type, std::string_view other_type,
                         const char* kind) {
  std::string name = local_path(client_name);
  if (holds_control_character(name)) return "File name with a control character: " + escaped(client_name);
  if (climbs_up(name)) return "File name with a \"..\" part: " + client_name;
  if (!has_type(name, type) && (other_type.empty() || !has_type(name, other_type)))
    return std::string("Not ") + kind + ": " + client_name;
  return "";
}

// The file a make writes: the application's TARGET=, either a file name
// beside the application or an absolute path; without one, the
// application's base name with ".EXE" beside it. nullopt when TARGET= names
// neither, with the reason in `why`.
std::optional<std::string> make_target(const std::string& app, const SampleFile& sample, std::string& why) {
  std::string target = local_path(sample.target);
  if (target.empty()) return folder_of(app) + base_name(app) + ".EXE";
  if (holds_control_character(target)) {
    why = "TARGET=" + escaped(sample.target) + " in " + app + " holds a control character";
    return std::nullopt;
  }
  std::string name = target.substr(folder_of(target).size());
  bool absolute = target.front() == '/';
  if (!climbs_up(target) && !name.empty() && name != "." && (absolute || folder_of(target).empty()))
    return absolute ? target : folder_of(app) + target;
  why = "TARGET=" + sample.target + " in " + app +
        " is neither a file name beside it nor an absolute path without \"..\"";
  return std::nullopt;
}

// The output's file name in the letter case the sample asks for; its folder
// stays as named.
std::string in_case(const std::string& path, OutputCase output_case) {
  if (output_case == OutputCase::AsNamed) return path;
  const std::string folder = folder_of(path);
  std::string name = path.substr(folder.size());
  for (char& c : name) {
    if (output_case == OutputCase::Lower && c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    if (output_case == OutputCase::Upper && c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  }
  return folder + name;
}

std::string seconds_text(double seconds) {
  char text[32];
  std::snprintf(text, sizeof text, "%g", seconds);
  return text;
}

// An output written in pieces comes in this many.
constexpr int kPieces = 4;

}  // namespace

Environment::Environment(SimOptions options, SimLog& log, std::function<void()> exit_now)
    : options_(std::move(options)), log_(log), exit_now_(std::move(exit_now)), worker_([this] { work(); }) {}

Environment::~Environment() { shut_down(); }

void Environment::shut_down() {
  {
    std::lock_guard lock(mutex_);
    stopping_ = true;
  }
  wake_.notify_all();
  if (worker_.joinable()) worker_.join();
}

void Environment::set_error(int number, std::string text) {
  std::lock_guard lock(mutex_);
  error_number_ = number;
  error_message_ = std::move(text);
}

Reply Environment::execute(const std::string& text) {
  std::string command = clipped(text);
  log_.line("execute " + command);
  if (++commands_ == options_.exit_at_command) {
    log_.line("exiting in the middle of command " + std::to_string(commands_));
    exit_now_();
    return Reply::None;
  }
  if (options_.never_ack) {
    log_.line("not answering");
    return Reply::None;
  }

  std::optional<Command> parsed = parse_command(command);
  if (!parsed) {
    set_error(error_invalid_command, "Invalid command: " + escaped(command));
    log_.line("refused: cannot parse the command");
    return Reply::Nack;
  }
  // Every name is checked before anything is read, so a command never
  // reaches outside the folders it names, nor files of another kind.
  const FileTypes& types = types_of(parsed->kind);
  std::string problem = name_problem(parsed->source, types.source[0], types.source[1], types.source_kind);
  if (problem.empty() && !parsed->output.empty())
    problem = name_problem(parsed->output, types.output, "", types.output_kind);
  if (!problem.empty()) return refuse(error_invalid_command, problem);
  std::optional<std::string> source = find_file(local_path(parsed->source));
  std::string content;
  if (!source || !read_file(*source, content)) return refuse(error_file_not_found, "File not found: " + parsed->source);
  SampleFile sample = read_sample(content);

  Job job;
  if (parsed->kind == CommandKind::ExecuteProject) {
    std::string why;
    std::optional<std::string> target = make_target(*source, sample, why);
    if (!target) return refuse(error_refused, why);
    job.output = *target;
  } else {
    job.output = local_path(parsed->output);
    if (!same_folder(job.output, *source))
      return refuse(error_invalid_command, "Not beside " + parsed->source + ": " + parsed->output);
  }
  if (sample.exit) {
    log_.line("exiting in the middle of the command, as " + *source + " asks");
    exit_now_();
    return Reply::None;
  }
  if (!sample.refuse.empty()) return refuse(error_refused, sample.refuse);

  job.output = in_case(job.output, sample.output_case);
  job.seconds = sample.build_seconds.value_or(options_.build_seconds);
  job.write_seconds = sample.write_seconds.value_or(0);
  job.fail = sample.fail;
  job.write = !options_.never_write;
  job.exit_after = sample.exit_after;
  switch (parsed->kind) {
    case CommandKind::ExecuteProject: job.content = "Built by ide-sim from " + *source + "\n"; break;
    case CommandKind::ExportApp: job.content = export_text(application_header, content); break;
    case CommandKind::ExportDct: job.content = export_text(dictionary_header, content); break;
    case CommandKind::ImportApp: job.content = import_text(application_header, content); break;
    case CommandKind::ImportDct: job.content = import_text(dictionary_header, content); break;
  }
  set_error(0, "");
  if (sample.no_ack) {
    log_.line("accepted, but not acknowledging, as " + *source + " asks");
  }
  {
    std::lock_guard lock(mutex_);
    jobs_.push_back(std::move(job));
  }
  wake_.notify_all();
  if (sample.no_ack) return Reply::None;
  if (sample.ack_seconds && *sample.ack_seconds > 0) {
    // The work has begun; the answer is late, and while it is awaited the
    // environment serves no one, as a busy one does not.
    log_.line("acknowledging in " + seconds_text(*sample.ack_seconds) + " seconds, as " + *source + " asks");
    const auto until = std::chrono::steady_clock::now() + std::chrono::duration<double>(*sample.ack_seconds);
    while (!interrupted_ && std::chrono::steady_clock::now() < until)
      std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  log_.line("acknowledged");
  return Reply::Ack;
}

Reply Environment::refuse(int number, const std::string& why) {
  set_error(number, why);
  log_.line("refused: " + why);
  return Reply::Nack;
}

std::optional<std::string> Environment::request(const std::string& item) {
  std::lock_guard lock(mutex_);
  std::optional<std::string> answer;
  if (same_item(item, "GetErrorNum")) answer = std::to_string(error_number_);
  if (same_item(item, "GetErrorMsg")) answer = error_message_;
  log_.line("request " + item + (answer ? " -> " + *answer : " refused"));
  return answer;
}

void Environment::work() {
  for (;;) {
    Job job;
    {
      std::unique_lock lock(mutex_);
      wake_.wait(lock, [this] { return stopping_ || !jobs_.empty(); });
      if (stopping_) return;
      job = std::move(jobs_.front());
      jobs_.pop_front();
    }
    if (!pause(job.seconds)) return;
    if (job.exit_after) {
      // The serving stops first; the output follows in finish(), once no
      // client can open a conversation any more. No further work is taken.
      log_.line("stopping serving before writing " + job.output + ", as asked");
      {
        std::lock_guard lock(mutex_);
        final_job_ = std::move(job);
      }
      exit_now_();
      return;
    }
    do_job(job);
  }
}

bool Environment::pause(double seconds) {
  std::unique_lock lock(mutex_);
  const auto until = std::chrono::steady_clock::now() + std::chrono::duration_cast<std::chrono::steady_clock::duration>(
                                                            std::chrono::duration<double>(seconds));
  // Short slices, so that an interruption from a signal handler, which
  // cannot wake the condition, is seen soon.
  while (!interrupted_ && !(stopping_ && !finishing_)) {
    const auto now = std::chrono::steady_clock::now();
    if (now >= until) return true;
    wake_.wait_for(lock, std::min<std::chrono::steady_clock::duration>(until - now, std::chrono::milliseconds(20)));
  }
  return false;
}

void Environment::finish() {
  shut_down();
  std::optional<Job> job;
  {
    std::lock_guard lock(mutex_);
    job.swap(final_job_);
    finishing_ = true;
  }
  if (!job) return;
  do_job(*job);
  log_.line("exiting after the work, as asked");
}

void Environment::do_job(const Job& job) {
  if (!job.fail.empty()) {
    set_error(error_work_failed, job.fail);
    log_.line("failed: " + job.fail + "; " + job.output + " not written");
    return;
  }
  if (!job.write) {
    log_.line("not writing " + job.output);
    return;
  }
  std::string why;
  if (job.write_seconds > 0) {
    // Late and in pieces, under the output's own name from the first one.
    const auto piece_written = [&](int piece) {
      log_.line("writing " + job.output + ": piece " + std::to_string(piece) + " of " + std::to_string(kPieces));
      return piece == kPieces || pause(job.write_seconds / (kPieces - 1));
    };
    if (write_file_in_pieces(job.output, job.content, kPieces, piece_written, why)) {
      log_.line("wrote " + job.output);
    } else {
      set_error(error_work_failed, "Cannot write " + job.output + ": " + why);
      log_.line("cannot write " + job.output + ": " + why);
    }
    return;
  }
  if (write_file(job.output, job.content, why)) {
    log_.line("wrote " + job.output);
  } else {
    set_error(error_work_failed, "Cannot write " + job.output + ": " + why);
    log_.line("cannot write " + job.output + ": " + why);
  }
}

}  // namespace idesim
