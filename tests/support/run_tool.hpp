// Runs the built tool as a user would: given words and environment, captures its standard
// output, standard error and exit status. The binary's path comes from ORBI_TOOL (set by ctest).
// The process is started the system's own way (fork/exec, or CreateProcessW on Windows).
#pragma once

#include <map>
#include <optional>
#include <string>
#include <vector>

#include "support/temp_folder.hpp"

namespace orbi::test {

struct ToolResult {
    int status = -1;
    std::string out;
    std::string err;
};

std::string toolPath();

// words: UTF-8. env: variables to set (a nullopt value unsets it). Everything else is inherited.
ToolResult runToolBinary(const std::vector<std::string>& words,
                         const std::map<std::string, std::optional<std::string>>& env = {});

}  // namespace orbi::test
