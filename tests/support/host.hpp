// What differs between the systems the tests run on, asked at run time so that one test source
// serves Linux and Windows (under Wine); a test that needs what one system lacks skips there and
// says why. Running the built tool as a user would (ORBI_TOOL names it; fork/exec, or
// CreateProcessW), and what only the Windows program has: a console window of its own, resources
// in the .exe, files held open by another program (elsewhere these answer nothing).
#pragma once

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "support/temp_folder.hpp"

namespace orbi::test {

bool runningOnWindows();  // true in the Windows build (run under Wine or on Windows itself)
// Sets (a nullopt value removes) a variable of this process's environment, where the platform
// layer reads it. Names and values are UTF-8.
void setEnvironment(const std::string& name, const std::optional<std::string>& value);
// A file name whose middle unit is no text in the system's path encoding: a lone surrogate on
// Windows, the byte 0xFF on POSIX; before and after are UTF-8. Then how that unit reads once the
// path is converted to UTF-8 for a message.
std::filesystem::path nameWithInvalidUnit(const std::string& before, const std::string& after);
std::string invalidUnitAsUtf8();

// Why a test cannot run inside Wine: the tools it uses as independent oracles or fixtures are
// Linux programs.
inline constexpr const char* kNeedsPython = "needs Python 3 as an independent oracle; not available inside Wine";
inline constexpr const char* kNeedsZipTools = "needs Info-ZIP's zip and unzip; not available inside Wine";
inline constexpr const char* kNeedsSymlinks =
    "needs symbolic links made by the test; Wine shows links as what they point to and cannot make them";
inline constexpr const char* kNeedsPosixFolders =
    "checks the POSIX stand-ins for APPDATA (XDG_DATA_HOME, HOME); Windows has APPDATA itself";

struct ToolResult {
    int status = -1;
    std::string out, err;
};
inline std::string toolPath() { return std::getenv("ORBI_TOOL") != nullptr ? std::getenv("ORBI_TOOL") : ""; }

// words: UTF-8. env: variables to set (a nullopt value unsets it). Everything else is inherited.
// wrapper: a program to start instead (such as timeout), with the words; empty: the tool itself.
ToolResult runToolBinary(const std::vector<std::string>& words,
                         const std::map<std::string, std::optional<std::string>>& env = {}, const std::string& wrapper = "");

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

// Ends the current test as skipped on Windows, with the reason.
#define ORBI_SKIP_ON_WINDOWS(reason) \
    do {                             \
        if (::orbi::test::runningOnWindows()) GTEST_SKIP() << (reason); \
    } while (false)
