// The Windows program's traits, seen through the system: a console of its own, the resources in
// the .exe, a file held open without sharing.
#include <windows.h>

#include "platform/platform.hpp"
#include "support/run_tool.hpp"
#include "support/windows_program.hpp"

namespace orbi::test {

namespace {

std::wstring wide(const std::string& utf8) { return platform::pathFromUtf8(utf8).native(); }

}  // namespace

std::optional<OwnWindowRun> runToolInOwnWindow(const std::vector<std::string>& words) {
    SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
    HANDLE inputRead = nullptr;
    HANDLE inputWrite = nullptr;
    if (!::CreatePipe(&inputRead, &inputWrite, &inherit, 0)) return std::nullopt;
    ::SetHandleInformation(inputWrite, HANDLE_FLAG_INHERIT, 0);
    // The NUL device is a character device, as a console is: what the tool writes is not kept,
    // and the test's own console (if any) is not shared with it.
    HANDLE output = ::CreateFileW(L"NUL", GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, &inherit, OPEN_EXISTING, 0, nullptr);
    std::wstring commandLine = L"\"" + wide(toolPath()) + L"\"";
    for (const std::string& word : words) commandLine += L" \"" + wide(word) + L"\"";
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = inputRead;
    startup.hStdOutput = output;
    startup.hStdError = output;
    PROCESS_INFORMATION process{};
    const BOOL started = ::CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, TRUE, CREATE_NEW_CONSOLE,
                                          nullptr, nullptr, &startup, &process);
    ::CloseHandle(inputRead);
    ::CloseHandle(output);
    if (!started) {
        ::CloseHandle(inputWrite);
        return std::nullopt;
    }
    OwnWindowRun run;
    // The run itself takes a moment; twenty seconds without an end is a wait for the user.
    run.waitedForEnter = ::WaitForSingleObject(process.hProcess, 20000) == WAIT_TIMEOUT;
    DWORD written = 0;
    ::WriteFile(inputWrite, "\r\n", 2, &written, nullptr);
    ::CloseHandle(inputWrite);
    if (::WaitForSingleObject(process.hProcess, 60000) == WAIT_OBJECT_0) {
        DWORD code = 0;
        if (::GetExitCodeProcess(process.hProcess, &code)) run.status = static_cast<int>(code);
    } else {
        ::TerminateProcess(process.hProcess, 99);
    }
    ::CloseHandle(process.hThread);
    ::CloseHandle(process.hProcess);
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
