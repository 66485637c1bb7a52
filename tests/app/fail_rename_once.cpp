// Preloaded into the tool by a fault test (LD_PRELOAD): the first rename onto a path that ends
// with $ORBI_FAIL_RENAME_SUFFIX fails with EACCES; every other rename is the C library's own.
// It lets a test fail a save after its temporary file was written, which no file-system state
// set up beforehand can do.
#include <dlfcn.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>

extern "C" int rename(const char* from, const char* to) {
    using Rename = int (*)(const char*, const char*);
    static const Rename real = reinterpret_cast<Rename>(dlsym(RTLD_NEXT, "rename"));
    static bool failedOnce = false;
    const char* suffix = std::getenv("ORBI_FAIL_RENAME_SUFFIX");
    const std::size_t toLength = std::strlen(to);
    if (!failedOnce && suffix != nullptr && std::strlen(suffix) <= toLength &&
        std::strcmp(to + toLength - std::strlen(suffix), suffix) == 0) {
        failedOnce = true;
        errno = EACCES;
        return -1;
    }
    return real(from, to);
}
