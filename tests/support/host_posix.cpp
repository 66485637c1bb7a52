// The test host on POSIX: the tool is started with fork and execv, its output captured in files.
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>

#include "support/host.hpp"
#include "support/run_tool.hpp"

namespace orbi::test {

bool runningOnWindows() { return false; }

void setEnvironment(const std::string& name, const std::optional<std::string>& value) {
    if (value) {
        setenv(name.c_str(), value->c_str(), 1);
    } else {
        unsetenv(name.c_str());
    }
}

// POSIX names are bytes: a byte that starts no UTF-8 sequence is kept and printed as it is.
std::filesystem::path nameWithInvalidUnit(const std::string& before, const std::string& after) {
    return std::filesystem::path(before + "\xFF" + after);
}
std::string invalidUnitAsUtf8() { return "\xFF"; }

ToolResult runToolBinary(const std::vector<std::string>& words,
                         const std::map<std::string, std::optional<std::string>>& env, const RunOptions& options) {
    TempFolder capture;
    auto outPath = capture / "stdout";
    auto errPath = capture / "stderr";
    std::string tool = options.tool.empty() ? toolPath() : options.tool;
    std::vector<std::string> copy = words;
    std::vector<char*> argv;
    argv.push_back(tool.data());
    for (auto& w : copy) argv.push_back(w.data());
    argv.push_back(nullptr);
    pid_t pid = fork();
    if (pid == 0) {
        for (const auto& [k, v] : env) setEnvironment(k, v);
        if (!freopen(outPath.c_str(), "w", stdout) || !freopen(errPath.c_str(), "w", stderr)) _exit(127);
        if (options.beforeExec && !options.beforeExec()) _exit(126);
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
