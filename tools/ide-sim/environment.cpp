#include "environment.h"

#include <chrono>

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

// The file a make writes: the application's TARGET=, in the application's
// folder unless it names a folder of its own; without one, the application's
// base name with ".EXE".
std::string make_target(const std::string& app, const SampleFile& sample) {
  std::string target = local_path(sample.target);
  if (target.empty()) return folder_of(app) + base_name(app) + ".EXE";
  if (target.front() == '/') return target;
  return folder_of(app) + target;
}

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
    set_error(error_invalid_command, "Invalid command: " + command);
    log_.line("refused: cannot parse the command");
    return Reply::Nack;
  }
  std::optional<std::string> source = find_file(local_path(parsed->source));
  std::string content;
  if (!source || !read_file(*source, content)) {
    set_error(error_file_not_found, "File not found: " + parsed->source);
    log_.line("refused: file not found: " + parsed->source);
    return Reply::Nack;
  }
  SampleFile sample = read_sample(content);
  if (sample.exit) {
    log_.line("exiting in the middle of the command, as " + *source + " asks");
    exit_now_();
    return Reply::None;
  }
  if (!sample.refuse.empty()) {
    set_error(error_refused, sample.refuse);
    log_.line("refused: " + sample.refuse);
    return Reply::Nack;
  }

  Job job;
  job.seconds = sample.build_seconds.value_or(options_.build_seconds);
  job.fail = sample.fail;
  job.write = !options_.never_write;
  switch (parsed->kind) {
    case CommandKind::ExecuteProject:
      job.output = make_target(*source, sample);
      job.content = "Built by ide-sim from " + *source + "\n";
      break;
    case CommandKind::ExportApp:
      job.output = local_path(parsed->output);
      job.content = export_text(application_header, content);
      break;
    case CommandKind::ExportDct:
      job.output = local_path(parsed->output);
      job.content = export_text(dictionary_header, content);
      break;
    case CommandKind::ImportApp:
      job.output = local_path(parsed->output);
      job.content = import_text(application_header, content);
      break;
    case CommandKind::ImportDct:
      job.output = local_path(parsed->output);
      job.content = import_text(dictionary_header, content);
      break;
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
  log_.line("acknowledged");
  return Reply::Ack;
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
  std::unique_lock lock(mutex_);
  for (;;) {
    wake_.wait(lock, [this] { return stopping_ || !jobs_.empty(); });
    if (stopping_) return;
    Job job = std::move(jobs_.front());
    jobs_.pop_front();
    auto until = std::chrono::steady_clock::now() + std::chrono::duration<double>(job.seconds);
    if (wake_.wait_until(lock, until, [this] { return stopping_; })) return;
    lock.unlock();
    do_job(job);
    lock.lock();
  }
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
  if (write_file(job.output, job.content, why)) {
    log_.line("wrote " + job.output);
  } else {
    set_error(error_work_failed, "Cannot write " + job.output + ": " + why);
    log_.line("cannot write " + job.output + ": " + why);
  }
}

}  // namespace idesim
