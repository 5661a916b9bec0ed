#pragma once

#include <optional>
#include <string>
#include <vector>

#include "environment.h"

namespace idesim {

// Reads the command line; nullopt with the reason in `error` when it is wrong.
std::optional<SimOptions> parse_options(const std::vector<std::string>& args, std::string& error);

extern const char* const usage_text;

}  // namespace idesim
