// What only the Windows program has: a console window of its own, resources in the .exe, files
// held open by another program. Elsewhere each answers nothing and the test skips.
#pragma once

#include <chrono>
#include <filesystem>
#include <map>
#include <optional>
#include <string>
#include <thread>
#include <vector>

namespace orbi::test {

struct OwnWindowRun {
    bool waitedForEnter = false;  // still running well after its work, until a line was given
    int status = -1;              // once the line was given
};
// Starts the tool as Explorer does on a double-click: in a new console window of its own, its
// output on a character device as a console is; its input is a pipe, given one line once the
// tool has been seen waiting (or has ended).
std::optional<OwnWindowRun> runToolInOwnWindow(const std::vector<std::string>& words);

struct ExeResources {
    std::string manifest;
    std::map<std::string, std::string> version;  // the version resource's strings, by name
};
std::optional<ExeResources> readExeResources(const std::string& exePath);  // as Explorer's Properties read them

// A thread that opens the file without sharing as soon as it appears and keeps it open for
// `held`, as a virus scanner might; join it after the run.
std::optional<std::thread> holdFileWhenItAppears(const std::filesystem::path& path, std::chrono::milliseconds held);

}  // namespace orbi::test
