#include "options.h"

#include <cstdlib>

namespace idesim {

const char* const usage_text =
    "usage: ide-sim [--service NAME] [--topic TEXT] [--build-seconds S] [--never-write]\n"
    "               [--never-ack] [--exit-at-command N] [--start-seconds S] [--log FILE]\n";

std::optional<SimOptions> parse_options(const std::vector<std::string>& args, std::string& error) {
  SimOptions o;
  for (size_t i = 0; i < args.size(); ++i) {
    const std::string& a = args[i];
    auto value = [&]() -> const std::string* {
      if (i + 1 >= args.size()) {
        error = a + " needs a value";
        return nullptr;
      }
      return &args[++i];
    };
    auto number = [&](double low, double high) -> std::optional<double> {
      const std::string* v = value();
      if (!v) return std::nullopt;
      char* end = nullptr;
      double d = std::strtod(v->c_str(), &end);
      if (v->empty() || *end != '\0' || !(d >= low && d <= high)) {
        error = a + ": not a number from " + std::to_string(static_cast<int>(low)) + " to " +
                std::to_string(static_cast<int>(high)) + ": " + *v;
        return std::nullopt;
      }
      return d;
    };
    if (a == "--service" || a == "--topic" || a == "--log") {
      const std::string* v = value();
      if (!v) return std::nullopt;
      (a == "--service" ? o.service : a == "--topic" ? o.topic : o.log_path) = *v;
    } else if (a == "--build-seconds") {
      auto d = number(0, 3600);
      if (!d) return std::nullopt;
      o.build_seconds = *d;
    } else if (a == "--start-seconds") {
      auto d = number(0, 3600);
      if (!d) return std::nullopt;
      o.start_seconds = *d;
    } else if (a == "--exit-at-command") {
      auto d = number(1, 1000000);
      if (!d) return std::nullopt;
      o.exit_at_command = static_cast<int>(*d);
    } else if (a == "--never-write") {
      o.never_write = true;
    } else if (a == "--never-ack") {
      o.never_ack = true;
    } else {
      error = "unknown option: " + a;
      return std::nullopt;
    }
  }
  return o;
}

}  // namespace idesim
