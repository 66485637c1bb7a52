// Windows side of the platform layer: paths are UTF-16, text is UTF-8, errors are Win32 codes.
// Every file operation goes through a "\\?\" path, so Windows neither trims a trailing dot or
// space nor reads a name such as CON as a device, and long paths work; names that ordinary
// programs could not reach that way are refused when a folder is created or a file is renamed.
#include <windows.h>
#include <shellapi.h>

#include <fcntl.h>
#include <io.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <utility>

#include "platform/platform.hpp"

namespace orbi::platform {

namespace {

// --- text ------------------------------------------------------------------------------------

// Longest piece handed to one conversion call (the calls count in int).
constexpr std::size_t kMaxPiece = 1u << 28;

// Converts bytes of `codePage` to UTF-16. Invalid input becomes U+FFFD, never an error.
std::wstring widen(std::string_view text, UINT codePage) {
    std::wstring out;
    while (!text.empty()) {
        std::size_t n = text.size();
        if (n > kMaxPiece) {
            n = kMaxPiece;
            // Do not cut a UTF-8 sequence: back up over continuation bytes.
            if (codePage == CP_UTF8) {
                while (n > kMaxPiece - 4 && (static_cast<unsigned char>(text[n]) & 0xC0) == 0x80) --n;
            }
        }
        const int inLength = static_cast<int>(n);
        const int outLength = ::MultiByteToWideChar(codePage, 0, text.data(), inLength, nullptr, 0);
        if (outLength > 0) {
            const std::size_t at = out.size();
            out.resize(at + static_cast<std::size_t>(outLength));
            ::MultiByteToWideChar(codePage, 0, text.data(), inLength, out.data() + at, outLength);
        }
        text.remove_prefix(n);
    }
    return out;
}

// Converts UTF-16 to `codePage` (UTF-8 by default). A lone surrogate becomes U+FFFD, and in a
// code page a character it lacks becomes its default character, never an error.
std::string narrowUtf8(std::wstring_view text, UINT codePage = CP_UTF8) {
    std::string out;
    while (!text.empty()) {
        std::size_t n = text.size();
        if (n > kMaxPiece) {
            n = kMaxPiece;
            if (text[n - 1] >= 0xD800 && text[n - 1] <= 0xDBFF) --n;  // keep a surrogate pair whole
        }
        const int inLength = static_cast<int>(n);
        const int outLength = ::WideCharToMultiByte(codePage, 0, text.data(), inLength, nullptr, 0, nullptr, nullptr);
        if (outLength > 0) {
            const std::size_t at = out.size();
            out.resize(at + static_cast<std::size_t>(outLength));
            ::WideCharToMultiByte(codePage, 0, text.data(), inLength, out.data() + at, outLength, nullptr, nullptr);
        }
        text.remove_prefix(n);
    }
    return out;
}

// The code page the ANSI file functions use for narrow names.
UINT narrowFileCodePage() { return ::AreFileApisANSI() ? CP_ACP : CP_OEMCP; }

// --- paths -----------------------------------------------------------------------------------

bool isSlash(wchar_t c) { return c == L'\\' || c == L'/'; }

// The form handed to the system: absolute, "." and ".." resolved by text, backslashes, and the
// "\\?\" prefix (or "\\?\UNC\" for a share). Paths already in a device form stay as given.
std::wstring systemPath(const Path& path) {
    const std::wstring& given = path.native();
    if (given.size() >= 4 && isSlash(given[0]) && isSlash(given[1]) && (given[2] == L'?' || given[2] == L'.') &&
        isSlash(given[3])) {
        return given;
    }
    if (given.empty()) return given;
    Path absolute = path;
    if (!path.has_root_name() || !path.has_root_directory()) {
        std::error_code ec;
        Path current = std::filesystem::current_path(ec);
        if (ec) return given;
        absolute = current / path;
    }
    std::wstring text = absolute.lexically_normal().native();
    for (wchar_t& c : text) {
        if (c == L'/') c = L'\\';
    }
    if (text.size() >= 3 && text[0] == L'\\' && text[1] == L'\\') return L"\\\\?\\UNC\\" + text.substr(2);
    if (text.size() >= 3 && text[1] == L':' && text[2] == L'\\') return L"\\\\?\\" + text;
    return given;
}

wchar_t asciiUpper(wchar_t c) { return (c >= L'a' && c <= L'z') ? static_cast<wchar_t>(c - L'a' + L'A') : c; }

bool equalsAsciiNoCase(std::wstring_view a, std::wstring_view b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (asciiUpper(a[i]) != asciiUpper(b[i])) return false;
    }
    return true;
}

// True when a program that does not use "\\?\" paths would reach something else under this
// name: Windows trims a trailing dot or space, and a name whose part before the first dot is
// CON, PRN, AUX, NUL, COM0-9 or LPT0-9 (also with a superscript digit), CONIN$ or CONOUT$ names a
// device.
bool isUnreachableName(std::wstring_view name) {
    if (name.empty() || name == L"." || name == L"..") return false;
    if (name.back() == L'.' || name.back() == L' ') return true;
    std::wstring_view base = name.substr(0, name.find(L'.'));
    while (!base.empty() && base.back() == L' ') base.remove_suffix(1);
    for (std::wstring_view device : {L"CON", L"PRN", L"AUX", L"NUL", L"CONIN$", L"CONOUT$"}) {
        if (equalsAsciiNoCase(base, device)) return true;
    }
    if (base.size() == 4 && (equalsAsciiNoCase(base.substr(0, 3), L"COM") || equalsAsciiNoCase(base.substr(0, 3), L"LPT"))) {
        const wchar_t digit = base[3];
        return (digit >= L'0' && digit <= L'9') || digit == 0x00B9 || digit == 0x00B2 || digit == 0x00B3;
    }
    return false;
}

// --- errors ----------------------------------------------------------------------------------

std::string lastErrorText() { return systemErrorText(static_cast<int>(::GetLastError())); }

// ERROR_STOPPED_ON_SYMLINK ("The create operation stopped after reaching a symbolic link"), which
// not every SDK's headers define.
constexpr int kErrorStoppedOnSymlink = 681;

// Closes a handle at the end of a scope.
struct HandleCloser {
    void operator()(HANDLE h) const {
        if (h != INVALID_HANDLE_VALUE && h != nullptr) ::CloseHandle(h);
    }
};
using UniqueHandle = std::unique_ptr<void, HandleCloser>;

struct FindCloser {
    void operator()(HANDLE h) const {
        if (h != INVALID_HANDLE_VALUE) ::FindClose(h);
    }
};
using UniqueFind = std::unique_ptr<void, FindCloser>;

// A reparse point that stands for another place (symbolic link, junction) is a link; others,
// such as cloud placeholders, are the file or folder they look like.
EntryType typeFromAttributes(DWORD attributes, DWORD reparseTag) {
    if ((attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0 && IsReparseTagNameSurrogate(reparseTag)) {
        return EntryType::Symlink;
    }
    if ((attributes & FILE_ATTRIBUTE_DIRECTORY) != 0) return EntryType::Directory;
    if ((attributes & FILE_ATTRIBUTE_DEVICE) != 0) return EntryType::Other;
    return EntryType::File;
}

// The reparse tag of a path's own entry, or 0 when it cannot be had.
DWORD reparseTagOf(const std::wstring& systemName) {
    WIN32_FIND_DATAW data;
    UniqueFind find(::FindFirstFileExW(systemName.c_str(), FindExInfoBasic, &data, FindExSearchNameMatch, nullptr, 0));
    if (find.get() == INVALID_HANDLE_VALUE) return 0;
    return (data.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0 ? data.dwReserved0 : 0;
}

// A virus scanner, an indexer or a backup tool often holds a just-written file open for a
// moment, and opening it to flush, renaming or deleting it then fails as shared (or denied). Such an attempt is repeated
// with short, growing waits, about two seconds in all; any other error ends it at once. Returns
// 0 or the last error code.
template <class Attempt>
DWORD retryWhileHeld(Attempt attempt) {
    DWORD waited = 0;
    DWORD wait = 10;
    for (;;) {
        if (attempt()) return 0;
        const DWORD code = ::GetLastError();
        const bool held = code == ERROR_SHARING_VIOLATION || code == ERROR_ACCESS_DENIED || code == ERROR_LOCK_VIOLATION;
        if (!held || waited >= 2000) return code;
        ::Sleep(wait);
        waited += wait;
        wait = std::min<DWORD>(wait * 2, 250);
    }
}

bool refuseUnreachable(const Path& path, std::string& error) {
    if (!isUnreachableName(path.filename().native())) return false;
    error = systemErrorText(ERROR_INVALID_NAME);
    return true;
}

}  // namespace

// --- environment -----------------------------------------------------------------------------

// The narrow form is made here from the wide one, in the code page the narrow file names use:
// what the system's own narrow call gives, without relying on its length arithmetic, which
// Wine gets wrong for multi-byte code pages such as the UTF-8 one the manifest asks for.
std::optional<std::string> environmentNarrow(const char* name) {
    std::optional<Path> wide = environmentPath(name);
    if (!wide) return std::nullopt;
    return narrowUtf8(wide->native(), narrowFileCodePage());
}

std::optional<Path> environmentPath(const char* name) {
    const std::wstring wideName = widen(name, CP_UTF8);
    std::wstring value(64, L'\0');
    for (;;) {
        ::SetLastError(ERROR_SUCCESS);
        const DWORD n = ::GetEnvironmentVariableW(wideName.c_str(), value.data(), static_cast<DWORD>(value.size()));
        if (n == 0) {
            if (::GetLastError() == ERROR_ENVVAR_NOT_FOUND) return std::nullopt;
            return Path();
        }
        if (n < value.size()) {
            value.resize(n);
            return Path(std::move(value));
        }
        value.resize(n);
    }
}

std::optional<Path> temporaryFolder(std::string& error) {
    std::wstring buffer(MAX_PATH + 1, L'\0');
    DWORD n = ::GetTempPathW(static_cast<DWORD>(buffer.size()), buffer.data());
    if (n > buffer.size()) {
        buffer.resize(n);
        n = ::GetTempPathW(static_cast<DWORD>(buffer.size()), buffer.data());
    }
    if (n == 0 || n > buffer.size()) {
        error = lastErrorText();
        return std::nullopt;
    }
    buffer.resize(n);
    // The system ends the folder with a separator; drop it unless it is a drive's root.
    if (buffer.size() > 3 && isSlash(buffer.back())) buffer.pop_back();
    return Path(std::move(buffer));
}

// APPDATA is the per-user folder on Windows; there is nothing to stand in for it.
std::optional<Path> userDataFallback() { return std::nullopt; }

// --- text conversion -------------------------------------------------------------------------

Path pathFromNarrow(std::string_view text) { return Path(widen(text, narrowFileCodePage())); }
Path pathFromUtf8(std::string_view utf8) { return Path(widen(utf8, CP_UTF8)); }
std::string pathToUtf8(const Path& path) { return narrowUtf8(path.native()); }

// --- file system -----------------------------------------------------------------------------

EntryType entryType(const Path& path) {
    const std::wstring name = systemPath(path);
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (!::GetFileAttributesExW(name.c_str(), GetFileExInfoStandard, &data)) return EntryType::Missing;
    const DWORD tag = (data.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0 ? reparseTagOf(name) : 0;
    return typeFromAttributes(data.dwFileAttributes, tag);
}

bool isDirectory(const Path& path) {
    const std::wstring name = systemPath(path);
    // Opening with backup semantics follows links, so a link to a folder counts as the folder.
    UniqueHandle handle(::CreateFileW(name.c_str(), FILE_READ_ATTRIBUTES,
                                      FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                                      FILE_FLAG_BACKUP_SEMANTICS, nullptr));
    if (handle.get() == INVALID_HANDLE_VALUE) return false;
    BY_HANDLE_FILE_INFORMATION info;
    return ::GetFileInformationByHandle(handle.get(), &info) && (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

bool listFolder(const Path& folder, std::vector<FolderEntry>& out, std::string& error) {
    std::wstring pattern = systemPath(folder);
    if (!pattern.empty() && pattern.back() != L'\\') pattern += L'\\';
    pattern += L'*';
    WIN32_FIND_DATAW data;
    UniqueFind find(::FindFirstFileExW(pattern.c_str(), FindExInfoBasic, &data, FindExSearchNameMatch, nullptr,
                                       FIND_FIRST_EX_LARGE_FETCH));
    if (find.get() == INVALID_HANDLE_VALUE) {
        const DWORD code = ::GetLastError();
        if (code == ERROR_FILE_NOT_FOUND) return true;  // a folder with no entries at all (a drive root)
        error = systemErrorText(static_cast<int>(code));
        return false;
    }
    for (;;) {
        const std::wstring_view name(data.cFileName);
        if (name != L"." && name != L"..") {
            const DWORD tag = (data.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0 ? data.dwReserved0 : 0;
            out.push_back(FolderEntry{folder / Path(std::wstring(name)), typeFromAttributes(data.dwFileAttributes, tag)});
        }
        if (!::FindNextFileW(find.get(), &data)) {
            const DWORD code = ::GetLastError();
            if (code == ERROR_NO_MORE_FILES) return true;
            error = systemErrorText(static_cast<int>(code));
            return false;
        }
    }
}

bool readWholeFile(const Path& path, std::vector<std::uint8_t>& out, std::string& error) {
    out.clear();
    const std::wstring name = systemPath(path);
    UniqueHandle file(::CreateFileW(name.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                    nullptr, OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
    if (file.get() == INVALID_HANDLE_VALUE) {
        error = lastErrorText();
        return false;
    }
    LARGE_INTEGER size;
    if (::GetFileSizeEx(file.get(), &size) && size.QuadPart > 0 &&
        static_cast<unsigned long long>(size.QuadPart) < out.max_size()) {
        out.reserve(static_cast<std::size_t>(size.QuadPart));
    }
    std::uint8_t buffer[1 << 16];
    for (;;) {
        DWORD n = 0;
        if (!::ReadFile(file.get(), buffer, sizeof buffer, &n, nullptr)) {
            error = lastErrorText();
            out.clear();
            return false;
        }
        if (n == 0) break;
        out.insert(out.end(), buffer, buffer + n);
    }
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
    if (handle_ != -1) ::CloseHandle(reinterpret_cast<HANDLE>(handle_));
    handle_ = -1;
}

bool InputFile::open(const Path& path, std::string& error) {
    close();
    const std::wstring name = systemPath(path);
    UniqueHandle file(::CreateFileW(name.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                    nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    LARGE_INTEGER size;
    if (file.get() == INVALID_HANDLE_VALUE || !::GetFileSizeEx(file.get(), &size)) {
        error = lastErrorText();
        return false;
    }
    handle_ = reinterpret_cast<std::intptr_t>(file.release());
    size_ = static_cast<std::uint64_t>(size.QuadPart);
    return true;
}

bool InputFile::readAt(std::uint64_t offset, std::span<std::uint8_t> into, std::string& error) const {
    std::size_t done = 0;
    while (done < into.size()) {
        OVERLAPPED at{};
        at.Offset = static_cast<DWORD>(offset + done);
        at.OffsetHigh = static_cast<DWORD>((offset + done) >> 32);
        const DWORD step = static_cast<DWORD>(std::min<std::size_t>(into.size() - done, 1u << 30));
        DWORD n = 0;
        if (!::ReadFile(reinterpret_cast<HANDLE>(handle_), into.data() + done, step, &n, &at)) {
            error = lastErrorText();
            return false;
        }
        if (n == 0) {
            error = systemErrorText(ERROR_HANDLE_EOF);
            return false;
        }
        done += n;
    }
    return true;
}

namespace {

// Writes everything through a freshly opened handle, flushes it when asked, and closes it; false
// with the system's text, the handle closed either way.
bool writeAndClose(UniqueHandle file, std::span<const std::uint8_t> bytes, std::string& error, bool flush) {
    std::size_t done = 0;
    while (done < bytes.size()) {
        const DWORD piece = static_cast<DWORD>(std::min<std::size_t>(bytes.size() - done, 1u << 30));
        DWORD n = 0;
        if (!::WriteFile(file.get(), bytes.data() + done, piece, &n, nullptr)) {
            error = lastErrorText();
            return false;
        }
        done += n;
    }
    if (flush && !::FlushFileBuffers(file.get())) {
        error = lastErrorText();
        return false;
    }
    if (!::CloseHandle(file.release())) {
        error = lastErrorText();
        return false;
    }
    return true;
}

}  // namespace

bool writeWholeFile(const Path& path, std::span<const std::uint8_t> bytes, std::string& error, bool flush) {
    const std::wstring name = systemPath(path);
    // The entry at the path itself is opened (FILE_FLAG_OPEN_REPARSE_POINT), never what a link or
    // junction there stands for, and refused once the open handle shows a reparse point of any
    // kind; only then is it truncated. Deciding on the handle leaves no gap between a check and the
    // write in which a link could be put in place, and OPEN_ALWAYS (not CREATE_ALWAYS) means nothing
    // is changed before that decision. A placeholder or other non-link reparse point is refused too:
    // written through this handle it would bypass the filter that owns it.
    UniqueHandle file(::CreateFileW(name.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_ALWAYS,
                                    FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
    if (file.get() == INVALID_HANDLE_VALUE) {
        error = lastErrorText();
        return false;
    }
    FILE_ATTRIBUTE_TAG_INFO entry{};
    if (!::GetFileInformationByHandleEx(file.get(), FileAttributeTagInfo, &entry, sizeof entry)) {
        error = lastErrorText();
        return false;
    }
    if ((entry.FileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0) {
        error = systemErrorText(kErrorStoppedOnSymlink);
        return false;
    }
    if (!::SetEndOfFile(file.get())) {
        error = lastErrorText();
        return false;
    }
    return writeAndClose(std::move(file), bytes, error, flush);
}

bool writeNewFile(const Path& path, std::span<const std::uint8_t> bytes, std::string& error) {
    const std::wstring name = systemPath(path);
    // CREATE_NEW fails on anything at the path, a link or junction included, so nothing that is
    // there is ever opened.
    UniqueHandle file(::CreateFileW(name.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (file.get() == INVALID_HANDLE_VALUE) {
        error = lastErrorText();
        return false;
    }
    if (writeAndClose(std::move(file), bytes, error, false)) return true;
    (void)::DeleteFileW(name.c_str());
    return false;
}

bool syncToDisk(std::span<const Path> paths, std::string& error) {
    // Windows has no flush of a whole volume short of administrator rights, so each file is
    // flushed through a handle of its own; folders need nothing, as renames are written through.
    for (const Path& path : paths) {
        if (isDirectory(path)) continue;
        const std::wstring name = systemPath(path);
        UniqueHandle file;
        const DWORD code = retryWhileHeld([&] {
            file.reset(::CreateFileW(name.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                     nullptr, OPEN_EXISTING, FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
            return file.get() != INVALID_HANDLE_VALUE;
        });
        if (code != 0) {
            error = systemErrorText(static_cast<int>(code));
            return false;
        }
        if (!::FlushFileBuffers(file.get())) {
            error = lastErrorText();
            return false;
        }
    }
    return true;
}

bool renameReplace(const Path& from, const Path& to, std::string& error) {
    if (refuseUnreachable(to, error)) return false;
    const std::wstring source = systemPath(from);
    const std::wstring target = systemPath(to);
    // Write-through: the call returns once the move (or the copy across volumes) is on disk.
    const DWORD code = retryWhileHeld([&] {
        return ::MoveFileExW(source.c_str(), target.c_str(),
                             MOVEFILE_REPLACE_EXISTING | MOVEFILE_COPY_ALLOWED | MOVEFILE_WRITE_THROUGH) != 0;
    });
    if (code != 0) {
        error = systemErrorText(static_cast<int>(code));
        return false;
    }
    return true;
}

bool createFolders(const Path& folder, std::string& error) {
    if (isDirectory(folder)) return true;
    const Path parent = folder.parent_path();
    if (!parent.empty() && parent != folder && folder.has_relative_path()) {
        // The last component may be empty (a trailing separator): then the parent is the folder.
        if (folder.filename().empty()) return createFolders(parent, error);
        if (!createFolders(parent, error)) return false;
    }
    if (refuseUnreachable(folder, error)) return false;
    const std::wstring name = systemPath(folder);
    if (!::CreateDirectoryW(name.c_str(), nullptr)) {
        const DWORD code = ::GetLastError();
        if (code == ERROR_ALREADY_EXISTS && isDirectory(folder)) return true;  // made meanwhile
        // An existing file of that name is "already exists"; say what is wrong with it instead.
        error = systemErrorText(static_cast<int>(code == ERROR_ALREADY_EXISTS ? ERROR_DIRECTORY : code));
        return false;
    }
    return true;
}

bool deleteFile(const Path& path, bool& existed, std::string& error) {
    existed = false;
    const std::wstring name = systemPath(path);
    const DWORD code = retryWhileHeld([&] { return ::DeleteFileW(name.c_str()) != 0; });
    if (code == 0) {
        existed = true;
        return true;
    }
    if (code == ERROR_FILE_NOT_FOUND || code == ERROR_PATH_NOT_FOUND) return true;
    error = systemErrorText(static_cast<int>(code));
    return false;
}

std::string systemErrorText(int code) {
    wchar_t* buffer = nullptr;
    const DWORD n = ::FormatMessageW(
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr,
        static_cast<DWORD>(code), 0, reinterpret_cast<wchar_t*>(&buffer), 0, nullptr);
    std::wstring text;
    if (n != 0 && buffer != nullptr) text.assign(buffer, n);
    if (buffer != nullptr) ::LocalFree(buffer);
    while (!text.empty() && (text.back() == L'\r' || text.back() == L'\n' || text.back() == L' ' || text.back() == L'\t')) {
        text.pop_back();
    }
    if (text.empty()) return "Windows error " + std::to_string(static_cast<unsigned long>(static_cast<DWORD>(code)));
    return narrowUtf8(text);
}

// --- process ---------------------------------------------------------------------------------

std::vector<std::string> commandLineWords(int, char**) {
    std::vector<std::string> words;
    int count = 0;
    wchar_t** wide = ::CommandLineToArgvW(::GetCommandLineW(), &count);
    if (wide == nullptr) return words;
    for (int i = 1; i < count; ++i) words.push_back(narrowUtf8(wide[i]));
    ::LocalFree(wide);
    return words;
}

namespace {
UINT savedConsoleOutputCodePage = 0;
void restoreConsoleOutput() {
    if (savedConsoleOutputCodePage != 0) ::SetConsoleOutputCP(savedConsoleOutputCodePage);
}
}  // namespace

void prepareStandardStreams() {
    // The report's lines end in LF alone, on every system.
    std::fflush(stdout);
    std::fflush(stderr);
    (void)_setmode(_fileno(stdout), _O_BINARY);
    (void)_setmode(_fileno(stderr), _O_BINARY);

    DWORD mode = 0;
    const bool outIsConsole = ::GetConsoleMode(::GetStdHandle(STD_OUTPUT_HANDLE), &mode) != 0;
    const bool errIsConsole = ::GetConsoleMode(::GetStdHandle(STD_ERROR_HANDLE), &mode) != 0;
    if (!outIsConsole && !errIsConsole) return;
    const UINT current = ::GetConsoleOutputCP();
    if (current == CP_UTF8 || current == 0) return;
    if (::SetConsoleOutputCP(CP_UTF8)) {
        savedConsoleOutputCodePage = current;
        std::atexit(restoreConsoleOutput);
    }
}

bool ownsConsoleWindow() {
    // A console shared with the shell that started us lists the shell too. Output redirected to
    // a file or a pipe means someone else reads it; a console is a character device.
    DWORD processes[2];
    return ::GetConsoleProcessList(processes, 2) == 1 && ::GetFileType(::GetStdHandle(STD_OUTPUT_HANDLE)) == FILE_TYPE_CHAR;
}

void keepFreedMemoryForReuse() {}

}  // namespace orbi::platform
