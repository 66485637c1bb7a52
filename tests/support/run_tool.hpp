// Runs the built tool as a user would: given words and environment, captures its standard
// output, standard error and exit status. The binary's path comes from ORBI_TOOL (set by ctest).
// The process is started the system's own way (fork/exec, or CreateProcessW on Windows); a run
// may name another binary and, on POSIX, a step for the child before it starts the tool.
#pragma once

#include <cstdlib>
#include <functional>
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

inline std::string toolPath() {
    const char* p = std::getenv("ORBI_TOOL");
    return p != nullptr ? std::string(p) : std::string();
}

// How a run departs from the plain one.
struct RunOptions {
    // The binary to start; empty means toolPath().
    std::string tool;
    // POSIX only: called in the child once its output is redirected, just before it starts the
    // tool (to give up root, say); false ends the child with status 126 instead. The Windows host
    // refuses a run that sets it, with the reason in ToolResult::err.
    std::function<bool()> beforeExec;
};

// words: UTF-8. env: variables to set (a nullopt value unsets it). Everything else is inherited.
ToolResult runToolBinary(const std::vector<std::string>& words,
                         const std::map<std::string, std::optional<std::string>>& env = {},
                         const RunOptions& options = {});

}  // namespace orbi::test
