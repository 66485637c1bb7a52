// Runs the built tool as a user would: given words and environment, captures its standard
// output, standard error and exit status. The binary's path comes from ORBI_TOOL (set by ctest).
#pragma once

#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
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

// env: variables to set (a nullopt value unsets it). Everything else is inherited.
inline ToolResult runToolBinary(const std::vector<std::string>& words,
                                const std::map<std::string, std::optional<std::string>>& env = {}) {
    TempFolder capture;
    auto outPath = capture / "stdout";
    auto errPath = capture / "stderr";
    pid_t pid = fork();
    if (pid == 0) {
        for (const auto& [k, v] : env) {
            if (v) setenv(k.c_str(), v->c_str(), 1); else unsetenv(k.c_str());
        }
        if (!freopen(outPath.c_str(), "w", stdout) || !freopen(errPath.c_str(), "w", stderr)) _exit(127);
        std::string tool = toolPath();
        std::vector<char*> argv;
        argv.push_back(tool.data());
        std::vector<std::string> copy = words;
        for (auto& w : copy) argv.push_back(w.data());
        argv.push_back(nullptr);
        execv(tool.c_str(), argv.data());
        _exit(127);
    }
    ToolResult r;
    int wstatus = 0;
    waitpid(pid, &wstatus, 0);
    r.status = WIFEXITED(wstatus) ? WEXITSTATUS(wstatus) : -1;
    r.out = readFile(outPath);
    r.err = readFile(errPath);
    return r;
}

}  // namespace orbi::test
