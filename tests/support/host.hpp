// What differs between the systems the tests run on, asked at run time so that one test source
// serves Linux and Windows (under Wine). A test that needs what one system lacks skips there and
// says why.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <optional>
#include <string>

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
inline constexpr const char* kNeedsShell = "needs a POSIX shell and coreutils (sha256sum); not available inside Wine";
inline constexpr const char* kNeedsSymlinks =
    "needs symbolic links made by the test; Wine shows links as what they point to and cannot make them";
inline constexpr const char* kNeedsPosixFolders =
    "checks the POSIX stand-ins for APPDATA (XDG_DATA_HOME, HOME); Windows has APPDATA itself";
inline constexpr const char* kNeedsPosixPermissions = "needs POSIX file modes to make a folder unwritable; Windows ignores them";

}  // namespace orbi::test

// Ends the current test as skipped on Windows, with the reason.
#define ORBI_SKIP_ON_WINDOWS(reason) \
    do {                             \
        if (::orbi::test::runningOnWindows()) GTEST_SKIP() << (reason); \
    } while (false)
