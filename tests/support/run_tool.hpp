// Runs the built tool as a user would: given words and environment, captures its standard
// output, standard error and exit status. The binary's path comes from ORBI_TOOL (set by ctest).
// The process is started the system's own way (fork/exec, or CreateProcessW on Windows).
#pragma once

#include <cstdlib>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "support/temp_folder.hpp"

namespace orbi::test {

struct ToolResult {
    int status = -1;
    std::string out, err;
};

inline std::string toolPath() {
    const char* p = std::getenv("ORBI_TOOL");
    return p != nullptr ? std::string(p) : std::string();
}

struct RunOptions {
    std::string tool;  // the binary to start (a wrapper such as timeout); empty means toolPath()
};

// words: UTF-8. env: variables to set (a nullopt value unsets it). Everything else is inherited.
ToolResult runToolBinary(const std::vector<std::string>& words,
                         const std::map<std::string, std::optional<std::string>>& env = {},
                         const RunOptions& options = {});

}  // namespace orbi::test
