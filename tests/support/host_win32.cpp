// The test host on Windows: the tool is started with CreateProcessW, with a wide command line
// quoted the way CommandLineToArgvW splits it, an environment block of its own, and its standard
// output and error redirected to files.
#include <windows.h>

#include <algorithm>
#include <cstdlib>
#include <cwchar>

#include "platform/platform.hpp"
#include "support/host.hpp"
#include "support/run_tool.hpp"

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
        if (word[i] == L'"') {
            out.append(backslashes * 2 + 1, L'\\');
        } else {
            out.append(backslashes, L'\\');
        }
        out.push_back(word[i]);
    }
    out.push_back(L'"');
    return out;
}

std::wstring upper(std::wstring text) {
    for (wchar_t& c : text) {
        if (c >= L'a' && c <= L'z') c = static_cast<wchar_t>(c - L'a' + L'A');
    }
    return text;
}

// Name of an environment entry "NAME=value"; entries such as "=C:=C:\x" keep their leading '='.
std::wstring entryName(const std::wstring& entry) {
    const std::size_t eq = entry.find(L'=', 1);
    return entry.substr(0, eq);
}

// This process's environment with the changes applied, as a sorted, double-zero-ended block.
std::wstring environmentBlock(const std::map<std::string, std::optional<std::string>>& changes) {
    std::vector<std::wstring> entries;
    if (wchar_t* block = ::GetEnvironmentStringsW()) {
        for (const wchar_t* p = block; *p != L'\0'; p += std::wcslen(p) + 1) entries.emplace_back(p);
        ::FreeEnvironmentStringsW(block);
    }
    for (const auto& [name, value] : changes) {
        const std::wstring key = upper(wide(name));
        std::erase_if(entries, [&](const std::wstring& e) { return upper(entryName(e)) == key; });
        if (value) entries.push_back(wide(name) + L"=" + wide(*value));
    }
    std::sort(entries.begin(), entries.end(),
              [](const std::wstring& a, const std::wstring& b) { return upper(entryName(a)) < upper(entryName(b)); });
    std::wstring out;
    for (const std::wstring& e : entries) {
        out += e;
        out.push_back(L'\0');
    }
    out.push_back(L'\0');
    return out;
}

HANDLE inheritableFile(const std::filesystem::path& path, DWORD access, DWORD disposition) {
    SECURITY_ATTRIBUTES sa{};
    sa.nLength = sizeof sa;
    sa.bInheritHandle = TRUE;
    return ::CreateFileW(path.c_str(), access, FILE_SHARE_READ | FILE_SHARE_WRITE, &sa, disposition,
                         FILE_ATTRIBUTE_NORMAL, nullptr);
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
                         const std::map<std::string, std::optional<std::string>>& env, const RunOptions& options) {
    ToolResult r;
    // CreateProcessW has no moment inside the child before the program starts.
    if (options.beforeExec) {
        r.err = "a step before the tool starts needs fork and exec; the Windows host cannot run it";
        return r;
    }
    TempFolder capture;
    const auto outPath = capture / "stdout";
    const auto errPath = capture / "stderr";

    const std::string toolUtf8 = options.tool.empty() ? toolPath() : options.tool;
    const std::wstring tool = wide(toolUtf8);
    std::wstring commandLine = quoted(tool);
    for (const std::string& w : words) commandLine += L" " + quoted(wide(w));
    std::wstring environment = environmentBlock(env);

    HANDLE in = inheritableFile(L"NUL", GENERIC_READ, OPEN_EXISTING);
    HANDLE out = inheritableFile(outPath, GENERIC_WRITE, CREATE_ALWAYS);
    HANDLE err = inheritableFile(errPath, GENERIC_WRITE, CREATE_ALWAYS);
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = in;
    startup.hStdOutput = out;
    startup.hStdError = err;
    PROCESS_INFORMATION process{};
    const BOOL started = ::CreateProcessW(tool.c_str(), commandLine.data(), nullptr, nullptr, TRUE,
                                          CREATE_UNICODE_ENVIRONMENT | CREATE_NO_WINDOW, environment.data(), nullptr,
                                          &startup, &process);
    for (HANDLE h : {in, out, err}) {
        if (h != INVALID_HANDLE_VALUE) ::CloseHandle(h);
    }
    if (!started) {
        r.err = "CreateProcessW failed for " + toolUtf8 + ": " + platform::systemErrorText(static_cast<int>(::GetLastError()));
        return r;
    }
    ::WaitForSingleObject(process.hProcess, INFINITE);
    DWORD code = 0;
    if (::GetExitCodeProcess(process.hProcess, &code)) r.status = static_cast<int>(code);
    ::CloseHandle(process.hThread);
    ::CloseHandle(process.hProcess);
    r.out = readFile(outPath);
    r.err = readFile(errPath);
    return r;
}

}  // namespace orbi::test
