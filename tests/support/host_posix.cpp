// The test host on POSIX: the tool is started with fork and execv, its output captured in files.
// POSIX has none of the Windows program's traits: no console windows, no resources, no locks
// that keep another program from renaming a file.
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>

#include "support/host.hpp"

namespace orbi::test {

bool runningOnWindows() { return false; }

void setEnvironment(const std::string& name, const std::optional<std::string>& value) {
    if (value) setenv(name.c_str(), value->c_str(), 1);
    else unsetenv(name.c_str());
}

// POSIX names are bytes: a byte that starts no UTF-8 sequence is kept and printed as it is.
std::filesystem::path nameWithInvalidUnit(const std::string& before, const std::string& after) {
    return std::filesystem::path(before + "\xFF" + after);
}
std::string invalidUnitAsUtf8() { return "\xFF"; }

ToolResult runToolBinary(const std::vector<std::string>& words,
                         const std::map<std::string, std::optional<std::string>>& env, const std::string& wrapper) {
    TempFolder capture;
    const auto outPath = capture / "stdout", errPath = capture / "stderr";
    const std::string tool = wrapper.empty() ? toolPath() : wrapper;
    std::vector<char*> argv{const_cast<char*>(tool.c_str())};  // execv takes char*, never writes
    for (const std::string& w : words) argv.push_back(const_cast<char*>(w.c_str()));
    argv.push_back(nullptr);
    const pid_t pid = fork();
    if (pid == 0) {
        for (const auto& [k, v] : env) setEnvironment(k, v);
        if (!freopen(outPath.c_str(), "w", stdout) || !freopen(errPath.c_str(), "w", stderr)) _exit(127);
        execv(tool.c_str(), argv.data());
        _exit(127);
    }
    int wstatus = 0;
    waitpid(pid, &wstatus, 0);
    return {WIFEXITED(wstatus) ? WEXITSTATUS(wstatus) : -1, readFile(outPath), readFile(errPath)};
}

std::optional<OwnWindowRun> runToolInOwnWindow(const std::vector<std::string>&) { return std::nullopt; }
std::optional<ExeResources> readExeResources(const std::string&) { return std::nullopt; }
std::optional<std::thread> holdFileWhenItAppears(const std::filesystem::path&, std::chrono::milliseconds) { return std::nullopt; }

}  // namespace orbi::test
