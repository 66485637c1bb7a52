// POSIX side of the platform layer: text, the environment and the process. Narrow paths are
// bytes, taken as UTF-8 both ways; the file system is in platform_posix_files.cpp.
#include "platform/platform.hpp"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#if defined(__GLIBC__)
#include <malloc.h>
#endif

#include <string>
#include <vector>

namespace orbi::platform {

std::optional<std::string> environmentNarrow(const char* name) {
    const char* v = std::getenv(name);
    if (v == nullptr) return std::nullopt;
    return std::string(v);
}

std::optional<Path> environmentPath(const char* name) {
    const char* v = std::getenv(name);
    if (v == nullptr) return std::nullopt;
    return Path(v);
}

std::optional<Path> temporaryFolder(std::string& error) {
    std::error_code ec;
    Path p = std::filesystem::temp_directory_path(ec);
    if (ec) {
        error = ec.message();
        return std::nullopt;
    }
    return p;
}

std::optional<Path> userDataFallback() {
    const char* xdg = std::getenv("XDG_DATA_HOME");
    if (xdg != nullptr && *xdg != '\0') return Path(xdg);
    const char* home = std::getenv("HOME");
    if (home != nullptr && *home != '\0') return Path(home) / ".local" / "share";
    return std::nullopt;
}

Path pathFromNarrow(std::string_view text) { return Path(std::string(text)); }
Path pathFromUtf8(std::string_view utf8) { return Path(std::string(utf8)); }
std::string pathToUtf8(const Path& path) { return path.native(); }

std::string systemErrorText(int code) { return std::strerror(code); }

std::vector<std::string> commandLineWords(int argc, char** argv) {
    if (argc <= 1 || argv == nullptr) return {};
    return std::vector<std::string>(argv + 1, argv + argc);
}

void prepareStandardStreams() {}

void keepFreedMemoryForReuse() {
#if defined(__GLIBC__)
    (void)::mallopt(M_MMAP_THRESHOLD, 32 << 20);
    (void)::mallopt(M_TRIM_THRESHOLD, 128 << 20);
    // Each reader thread keeps its own pool, as a shared one makes the threads queue for its lock
    // at every allocation. A thread's pool is made of 64 MiB regions that are handed back as soon
    // as they fall empty; the padding keeps them, so the next preset's blocks are not faulted in
    // afresh. It reserves address space only: pages that are never touched cost nothing.
    (void)::mallopt(M_TOP_PAD, 64 << 20);
#endif
}

bool ownsConsoleWindow() { return false; }

}  // namespace orbi::platform
