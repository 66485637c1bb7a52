// The command line: [--from <folder>] [--to <preset root>], later options replacing earlier ones.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "platform/platform.hpp"

namespace orbi {

struct CommandLine {
    std::optional<platform::Path> from;
    std::optional<platform::Path> to;
};

// The words after the program name; nullopt on a usage error.
std::optional<CommandLine> parseCommandLine(const std::vector<std::string>& words);

}  // namespace orbi
