// The one place that touches the operating system: environment, file system and text conversion.
// Declared once here; platform_posix.cpp and platform_win32.cpp implement it and CMake picks one.
#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace orbi::platform {

using Path = std::filesystem::path;

// Environment variable as narrow text; nullopt when unset (an empty value is returned as "").
std::optional<std::string> environmentNarrow(const char* name);
// Environment variable as a path, read in the platform's wide form (UTF-16 on Windows).
std::optional<Path> environmentPath(const char* name);
// The system's temporary folder; nullopt with the system's text in error when it cannot be had.
std::optional<Path> temporaryFolder(std::string& error);
// The per-user application-data folder when APPDATA names none: on POSIX $XDG_DATA_HOME,
// else $HOME/.local/share; nullopt when neither is known.
std::optional<Path> userDataFallback();

// Text conversions.
Path pathFromNarrow(std::string_view text);  // the platform's narrow file-name encoding
Path pathFromUtf8(std::string_view utf8);
std::string pathToUtf8(const Path& path);

// File status without following links.
enum class EntryType { Missing, File, Directory, Symlink, Other };
EntryType entryType(const Path& path);
// True when path names a directory, following links (used for the start of a walk only).
bool isDirectory(const Path& path);

struct FolderEntry {
    Path path;        // folder / name
    EntryType type;   // the entry itself, links not followed
};
// Immediate children of a folder, "." and ".." left out, in the order the system gives them.
// On failure returns false with the system's text in error; entries read before the failure stay.
bool listFolder(const Path& folder, std::vector<FolderEntry>& out, std::string& error);

// Whole-file reading; false with the system's text when the file cannot be opened or read.
bool readWholeFile(const Path& path, std::vector<std::uint8_t>& out, std::string& error);
// A file opened for reading by ranges, so that a reader can take the parts it needs (a zip
// archive's directory and one entry) without the rest. Closed when destroyed.
class InputFile {
public:
    InputFile() = default;
    InputFile(InputFile&& other) noexcept;
    InputFile& operator=(InputFile&& other) noexcept;
    InputFile(const InputFile&) = delete;
    InputFile& operator=(const InputFile&) = delete;
    ~InputFile();

    // False with the system's text when the file cannot be opened or its size is not known.
    bool open(const Path& path, std::string& error);
    // The size when opened.
    std::uint64_t size() const { return size_; }
    // Fills `into` from `offset`; false with the system's text on an error or a short read.
    bool readAt(std::uint64_t offset, std::span<std::uint8_t> into, std::string& error) const;

private:
    void close();
    std::intptr_t handle_ = -1;  // the system's handle for the file, -1 when closed
    std::uint64_t size_ = 0;
};
// Creates or truncates, writes everything and closes; with flush, the bytes are on stable storage
// when it returns, without, they are made so later by syncToDisk. A link (or on Windows a
// junction) at the path is refused, never written through: false with the system's text, and
// neither the link nor what it points at is changed.
bool writeWholeFile(const Path& path, std::span<const std::uint8_t> bytes, std::string& error, bool flush = true);
// Writes a file that must be new: false, touching nothing, when anything is at the path (a file,
// a folder, a link). Not flushed, like writeWholeFile without flush. On a failure after it was
// created the file is removed again, so false always leaves the path as it found it.
bool writeNewFile(const Path& path, std::span<const std::uint8_t> bytes, std::string& error);
// Makes files written without flush, and renames done in folders, durable. Linux flushes each
// file system involved once (syncfs), however many paths; other systems sync path by path.
// Windows skips folders, since its renames are written through.
bool syncToDisk(std::span<const Path> paths, std::string& error);
// Renames over an existing file, replacing it. The new name is durable once its folder has been
// through syncToDisk (on Windows at once). On Windows a file held open by another program (a
// virus scanner, an indexer) is waited for, about two seconds at most, before the rename fails;
// the same holds for deleteFile.
bool renameReplace(const Path& from, const Path& to, std::string& error);
// Creates the folder and every missing parent; an existing folder is success.
bool createFolders(const Path& folder, std::string& error);
// Deletes a file. A missing file is success with existed = false.
bool deleteFile(const Path& path, bool& existed, std::string& error);

// The system's own wording for an error number of this platform (errno on POSIX, a Win32 error
// code on Windows), without trailing white space.
std::string systemErrorText(int code);

// The words after the program name, as UTF-8. POSIX: argv's bytes as they are. Windows: the
// process's wide command line, split by the system's rules and converted, so that names outside
// the ANSI code page survive (argv there is already lossy).
std::vector<std::string> commandLineWords(int argc, char** argv);
// Makes standard output and error carry the tool's bytes as written: on Windows they are put in
// binary mode (no CR before each LF) and a console is switched to UTF-8 output for the life of
// the process. Nothing to do on POSIX.
void prepareStandardStreams();
// True when the console window belongs to this process alone and shows its output: the program
// was started by a double-click, and its window closes the moment it ends. Always false where
// programs do not get windows of their own (POSIX).
bool ownsConsoleWindow();
// The run allocates and frees a few megabytes per preset (file bytes, inflated audio, the written
// package). With the C library's default, each such block is a fresh mapping of the system's,
// faulted in and zeroed page by page every time; this keeps freed blocks of up to 32 MiB in the
// process for the next preset instead, in a pool per thread. Where the C library offers no such
// setting, nothing.
void keepFreedMemoryForReuse();

}  // namespace orbi::platform
