// The test host on Windows: the tool is started with CreateProcessW, its words quoted the way
// CommandLineToArgvW splits them, its output redirected to files; and the Windows program's
// traits seen through the system: a console of its own, the resources in the .exe, a file held
// open without sharing.
#include <windows.h>

#include "platform/platform.hpp"
#include "support/host.hpp"

namespace orbi::test {

namespace {

std::wstring wide(const std::string& utf8) { return platform::pathFromUtf8(utf8).native(); }

// Quotes one word so that the system's command-line splitting gives it back unchanged.
std::wstring quoted(const std::wstring& word) {
    if (!word.empty() && word.find_first_of(L" \t\n\v\"") == std::wstring::npos) return word;
    std::wstring out = L"\"";
    for (std::size_t i = 0;; ++i) {
        std::size_t backslashes = 0;
        while (i < word.size() && word[i] == L'\\') {
            ++i;
            ++backslashes;
        }
        if (i == word.size()) {
            out.append(backslashes * 2, L'\\');
            break;
        }
        out.append(word[i] == L'"' ? backslashes * 2 + 1 : backslashes, L'\\');
        out.push_back(word[i]);
    }
    out.push_back(L'"');
    return out;
}

HANDLE inheritable(const wchar_t* path, DWORD access, DWORD disposition) {
    SECURITY_ATTRIBUTES sa{sizeof sa, nullptr, TRUE};
    return ::CreateFileW(path, access, FILE_SHARE_READ | FILE_SHARE_WRITE, &sa, disposition, FILE_ATTRIBUTE_NORMAL, nullptr);
}

// Starts tool with the standard handles given, which are closed here; the system's error, or 0.
DWORD start(const std::string& tool, const std::vector<std::string>& words, HANDLE in, HANDLE out, HANDLE err,
            DWORD flags, PROCESS_INFORMATION& process) {
    std::wstring commandLine = quoted(wide(tool));
    for (const std::string& w : words) commandLine += L" " + quoted(wide(w));
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = in;
    startup.hStdOutput = out;
    startup.hStdError = err;
    const DWORD error = ::CreateProcessW(wide(tool).c_str(), commandLine.data(), nullptr, nullptr, TRUE, flags, nullptr,
                                         nullptr, &startup, &process)
                            ? 0
                            : ::GetLastError();
    for (HANDLE h : {in, out, err == out ? INVALID_HANDLE_VALUE : err}) {
        if (h != INVALID_HANDLE_VALUE) ::CloseHandle(h);
    }
    return error;
}

// Waits up to ms for the end, else ends it; the exit status, -1 when there is none.
int finish(PROCESS_INFORMATION& process, DWORD ms) {
    DWORD code = 0;
    const bool ended = ::WaitForSingleObject(process.hProcess, ms) == WAIT_OBJECT_0;
    if (!ended) ::TerminateProcess(process.hProcess, 99);
    const int status = ended && ::GetExitCodeProcess(process.hProcess, &code) ? static_cast<int>(code) : -1;
    ::CloseHandle(process.hThread);
    ::CloseHandle(process.hProcess);
    return status;
}

}  // namespace

bool runningOnWindows() { return true; }

void setEnvironment(const std::string& name, const std::optional<std::string>& value) {
    ::SetEnvironmentVariableW(wide(name).c_str(), value ? wide(*value).c_str() : nullptr);
}

// NTFS takes any 16-bit units; the conversion to UTF-8 shows a lone surrogate as U+FFFD.
std::filesystem::path nameWithInvalidUnit(const std::string& before, const std::string& after) {
    return std::filesystem::path(wide(before) + L'\xD800' + wide(after));
}
std::string invalidUnitAsUtf8() { return "\xEF\xBF\xBD"; }

ToolResult runToolBinary(const std::vector<std::string>& words,
                         const std::map<std::string, std::optional<std::string>>& env, const std::string& wrapper) {
    TempFolder capture;
    const auto outPath = capture / "stdout", errPath = capture / "stderr";
    const std::string tool = wrapper.empty() ? toolPath() : wrapper;
    // The child inherits this process's environment: changed for the moment of the start.
    std::map<std::string, std::optional<platform::Path>> saved;
    for (const auto& [name, value] : env) {
        saved.emplace(name, platform::environmentPath(name.c_str()));
        setEnvironment(name, value);
    }
    PROCESS_INFORMATION process{};
    const DWORD error = start(tool, words, inheritable(L"NUL", GENERIC_READ, OPEN_EXISTING),
                              inheritable(outPath.c_str(), GENERIC_WRITE, CREATE_ALWAYS),
                              inheritable(errPath.c_str(), GENERIC_WRITE, CREATE_ALWAYS), CREATE_NO_WINDOW, process);
    for (const auto& [name, value] : saved) {
        ::SetEnvironmentVariableW(wide(name).c_str(), value ? value->c_str() : nullptr);
    }
    if (error != 0) return {-1, "", "CreateProcessW failed for " + tool + ": " + platform::systemErrorText(static_cast<int>(error))};
    const int status = finish(process, INFINITE);
    return {status, readFile(outPath), readFile(errPath)};
}

std::optional<OwnWindowRun> runToolInOwnWindow(const std::vector<std::string>& words) {
    SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
    HANDLE inputRead = nullptr;
    HANDLE inputWrite = nullptr;
    if (!::CreatePipe(&inputRead, &inputWrite, &inherit, 0)) return std::nullopt;
    ::SetHandleInformation(inputWrite, HANDLE_FLAG_INHERIT, 0);
    // The NUL device is a character device, as a console is: what the tool writes is not kept,
    // and the test's own console (if any) is not shared with it.
    HANDLE output = inheritable(L"NUL", GENERIC_WRITE, OPEN_EXISTING);
    PROCESS_INFORMATION process{};
    if (start(toolPath(), words, inputRead, output, output, CREATE_NEW_CONSOLE, process) != 0) {
        ::CloseHandle(inputWrite);
        return std::nullopt;
    }
    OwnWindowRun run;
    // The run itself takes a moment; twenty seconds without an end is a wait for the user.
    run.waitedForEnter = ::WaitForSingleObject(process.hProcess, 20000) == WAIT_TIMEOUT;
    DWORD written = 0;
    ::WriteFile(inputWrite, "\r\n", 2, &written, nullptr);
    ::CloseHandle(inputWrite);
    run.status = finish(process, 60000);
    return run;
}

std::optional<ExeResources> readExeResources(const std::string& exePath) {
    const std::wstring path = wide(exePath);
    HMODULE module = ::LoadLibraryExW(path.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE);
    if (module == nullptr) return std::nullopt;
    ExeResources resources;
    if (HRSRC found = ::FindResourceW(module, MAKEINTRESOURCEW(1), MAKEINTRESOURCEW(24))) {  // RT_MANIFEST
        if (HGLOBAL loaded = ::LoadResource(module, found)) {
            resources.manifest.assign(static_cast<const char*>(::LockResource(loaded)), ::SizeofResource(module, found));
        }
    }
    ::FreeLibrary(module);

    DWORD ignored = 0;
    std::vector<char> block(::GetFileVersionInfoSizeW(path.c_str(), &ignored));
    if (!block.empty() && ::GetFileVersionInfoW(path.c_str(), 0, static_cast<DWORD>(block.size()), block.data())) {
        for (const char* name : {"CompanyName", "FileDescription", "FileVersion", "ProductName", "ProductVersion",
                                 "OriginalFilename"}) {
            const std::wstring query = L"\\StringFileInfo\\040904B0\\" + wide(name);
            wchar_t* value = nullptr;
            UINT length = 0;
            if (::VerQueryValueW(block.data(), query.c_str(), reinterpret_cast<void**>(&value), &length) && length > 0) {
                resources.version[name] = platform::pathToUtf8(std::wstring(value, length - 1));
            }
        }
    }
    return resources;
}

std::optional<std::thread> holdFileWhenItAppears(const std::filesystem::path& path, std::chrono::milliseconds held) {
    return std::thread([path, held] {
        const auto giveUp = std::chrono::steady_clock::now() + std::chrono::seconds(60);
        while (std::chrono::steady_clock::now() < giveUp) {
            HANDLE file = ::CreateFileW(path.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
            if (file != INVALID_HANDLE_VALUE) {
                std::this_thread::sleep_for(held);
                ::CloseHandle(file);
                return;
            }
            ::Sleep(1);
        }
    });
}

}  // namespace orbi::test
