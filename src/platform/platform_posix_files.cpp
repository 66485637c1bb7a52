// POSIX file system of the platform layer: listing, whole-file reads and writes, renames,
// folders and syncs. Writes go through open/write/fsync (or a later syncfs) so a file under its
// final name is never torn. Its own file so that a test can put a simulated disk in its place.
#include "platform/platform.hpp"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <utility>
#include <vector>

namespace orbi::platform {

namespace {
EntryType typeFromMode(mode_t mode) {
    if (S_ISREG(mode)) return EntryType::File;
    if (S_ISDIR(mode)) return EntryType::Directory;
    if (S_ISLNK(mode)) return EntryType::Symlink;
    return EntryType::Other;
}
}  // namespace

EntryType entryType(const Path& path) {
    struct stat st;
    if (::lstat(path.c_str(), &st) != 0) return EntryType::Missing;
    return typeFromMode(st.st_mode);
}

bool isDirectory(const Path& path) {
    struct stat st;
    return ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

bool listFolder(const Path& folder, std::vector<FolderEntry>& out, std::string& error) {
    DIR* dir = ::opendir(folder.c_str());
    if (dir == nullptr) {
        error = systemErrorText(errno);
        return false;
    }
    bool ok = true;
    for (;;) {
        errno = 0;
        dirent* e = ::readdir(dir);
        if (e == nullptr) {
            if (errno != 0) {
                error = systemErrorText(errno);
                ok = false;
            }
            break;
        }
        std::string_view name(e->d_name);
        if (name == "." || name == "..") continue;
        Path child = folder / Path(std::string(name));
        out.push_back(FolderEntry{child, entryType(child)});
    }
    ::closedir(dir);
    return ok;
}

bool readWholeFile(const Path& path, std::vector<std::uint8_t>& out, std::string& error) {
    out.clear();
    int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        error = systemErrorText(errno);
        return false;
    }
    // Read straight into the result, sized from the file's status; a file that grows meanwhile
    // (or reports no size) is read on in 64 KiB steps until the end.
    std::size_t expected = 0;
    struct stat st;
    if (::fstat(fd, &st) == 0 && S_ISREG(st.st_mode) && st.st_size > 0) expected = static_cast<std::size_t>(st.st_size);
    constexpr std::size_t kStep = std::size_t{1} << 16;
    std::size_t size = 0;
    out.resize(expected + 1 < kStep ? kStep : expected + 1);  // one byte over: the end shows as a 0 read
    for (;;) {
        if (size == out.size()) out.resize(size + kStep);
        ssize_t n = ::read(fd, out.data() + size, out.size() - size);
        if (n < 0) {
            if (errno == EINTR) continue;
            error = systemErrorText(errno);
            ::close(fd);
            out.clear();
            return false;
        }
        if (n == 0) break;
        size += static_cast<std::size_t>(n);
    }
    ::close(fd);
    out.resize(size);
    return true;
}

InputFile::InputFile(InputFile&& other) noexcept : handle_(other.handle_), size_(other.size_) { other.handle_ = -1; }

InputFile& InputFile::operator=(InputFile&& other) noexcept {
    if (this != &other) {
        close();
        handle_ = std::exchange(other.handle_, -1);
        size_ = other.size_;
    }
    return *this;
}

InputFile::~InputFile() { close(); }

void InputFile::close() {
    if (handle_ >= 0) ::close(static_cast<int>(handle_));
    handle_ = -1;
}

bool InputFile::open(const Path& path, std::string& error) {
    close();
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        error = systemErrorText(errno);
        return false;
    }
    struct stat st;
    const bool known = ::fstat(fd, &st) == 0;
    if (!known || !S_ISREG(st.st_mode)) {
        error = systemErrorText(known ? EINVAL : errno);
        ::close(fd);
        return false;
    }
    handle_ = fd;
    size_ = static_cast<std::uint64_t>(st.st_size);
    return true;
}

bool InputFile::readAt(std::uint64_t offset, std::span<std::uint8_t> into, std::string& error) const {
    std::size_t done = 0;
    while (done < into.size()) {
        const ssize_t n = ::pread(static_cast<int>(handle_), into.data() + done, into.size() - done,
                                  static_cast<off_t>(offset + done));
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) {
            error = systemErrorText(n < 0 ? errno : EIO);
            return false;
        }
        done += static_cast<std::size_t>(n);
    }
    return true;
}

namespace {

// Writes everything to a freshly opened fd, then flushes it or starts its write-back, and closes
// it; false with the system's text, the fd closed either way.
bool writeAndClose(int fd, std::span<const std::uint8_t> bytes, std::string& error, bool flush) {
    std::size_t done = 0;
    while (done < bytes.size()) {
        ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
        if (n < 0) {
            if (errno == EINTR) continue;
            error = systemErrorText(errno);
            ::close(fd);
            return false;
        }
        done += static_cast<std::size_t>(n);
    }
#if defined(__linux__)
    // Not flushed now means flushed soon (syncToDisk): starting the write-back here lets the
    // disk work while the caller goes on, so the later flush mostly finds it done.
    if (!flush) (void)::sync_file_range(fd, 0, 0, SYNC_FILE_RANGE_WRITE);
#endif
    if (flush && ::fsync(fd) != 0 && errno != EINVAL && errno != EROFS) {
        error = systemErrorText(errno);
        ::close(fd);
        return false;
    }
    if (::close(fd) != 0) {
        error = systemErrorText(errno);
        return false;
    }
    return true;
}

}  // namespace

bool writeWholeFile(const Path& path, std::span<const std::uint8_t> bytes, std::string& error, bool flush) {
    // O_NOFOLLOW makes the open itself refuse a link at the path (ELOOP), so there is no moment
    // between a check and the open in which a link could be put there and written through.
    int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_NOFOLLOW | O_CLOEXEC, 0644);
    if (fd < 0) {
        error = systemErrorText(errno);
        return false;
    }
    return writeAndClose(fd, bytes, error, flush);
}

bool writeNewFile(const Path& path, std::span<const std::uint8_t> bytes, std::string& error) {
    // O_EXCL fails on anything at the path, a dangling link included.
    int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0644);
    if (fd < 0) {
        error = systemErrorText(errno);
        return false;
    }
    if (writeAndClose(fd, bytes, error, false)) return true;
    (void)::unlink(path.c_str());
    return false;
}

bool syncToDisk(std::span<const Path> paths, std::string& error) {
#if defined(__linux__)
    // One syncfs per file system: a single journal commit covers every file and folder on it.
    std::vector<dev_t> done;
    for (const Path& path : paths) {
        struct stat st;
        if (::stat(path.c_str(), &st) != 0) {
            error = systemErrorText(errno);
            return false;
        }
        if (std::find(done.begin(), done.end(), st.st_dev) != done.end()) continue;
        done.push_back(st.st_dev);
        int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
        if (fd < 0 || ::syncfs(fd) != 0) {
            error = systemErrorText(errno);
            if (fd >= 0) ::close(fd);
            return false;
        }
        ::close(fd);
    }
#else
    for (const Path& path : paths) {
        int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
        if (fd < 0 || (::fsync(fd) != 0 && errno != EINVAL && errno != EROFS)) {
            error = systemErrorText(errno);
            if (fd >= 0) ::close(fd);
            return false;
        }
        ::close(fd);
    }
#endif
    return true;
}

bool renameReplace(const Path& from, const Path& to, std::string& error) {
    if (::rename(from.c_str(), to.c_str()) != 0) {
        error = systemErrorText(errno);
        return false;
    }
    return true;
}

bool createFolders(const Path& folder, std::string& error) {
    std::error_code ec;
    std::filesystem::create_directories(folder, ec);
    if (ec) {
        error = ec.message();
        return false;
    }
    if (!isDirectory(folder)) {
        error = systemErrorText(ENOTDIR);
        return false;
    }
    return true;
}

bool deleteFile(const Path& path, bool& existed, std::string& error) {
    existed = false;
    if (::unlink(path.c_str()) == 0) {
        existed = true;
        return true;
    }
    if (errno == ENOENT) return true;
    error = systemErrorText(errno);
    return false;
}

}  // namespace orbi::platform
