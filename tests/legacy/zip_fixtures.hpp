// Zip archives for the bundle tests, made by independent tools: Python's zipfile module and the
// Info-ZIP zip command. Neither is used by the tool itself.
#pragma once

#include <cstdint>
#include <cstdlib>
#include <string>
#include <utility>
#include <vector>

#include "support/temp_folder.hpp"

namespace orbi::test {

inline std::string hexOf(std::string_view bytes) {
    static const char digits[] = "0123456789abcdef";
    std::string out;
    for (unsigned char c : bytes) {
        out += digits[c >> 4];
        out += digits[c & 15];
    }
    return out;
}

inline std::vector<std::uint8_t> bytesOf(std::string_view text) { return {text.begin(), text.end()}; }

inline int runShell(const std::string& command) { return std::system(command.c_str()); }

// An archive holding the entries in this order, deflated or stored, written by Python's zipfile
// (which allows a name twice). Empty on failure.
inline std::vector<std::uint8_t> pythonZip(const std::vector<std::pair<std::string, std::string>>& entries,
                                           bool deflate = true) {
    TempFolder folder;
    std::string script =
        "import sys, zipfile, warnings\n"
        "warnings.simplefilter('ignore')\n"
        "method = zipfile.ZIP_DEFLATED if " + std::string(deflate ? "True" : "False") + " else zipfile.ZIP_STORED\n"
        "with zipfile.ZipFile(sys.argv[1], 'w', method) as z:\n";
    for (const auto& [name, data] : entries) {
        script += "    z.writestr(zipfile.ZipInfo(bytes.fromhex('" + hexOf(name) + "').decode('utf-8'), (1980, 1, 1, 0, 0, 0)), "
                  "bytes.fromhex('" + hexOf(data) + "'), method)\n";
    }
    if (entries.empty()) script += "    pass\n";
    writeFile(folder / "make.py", script);
    auto out = folder / "out.zip";
    if (runShell("python3 " + (folder / "make.py").string() + " " + out.string()) != 0) return {};
    return bytesOf(readFile(out));
}

// A new archive of the named files below `folder`, made by the zip command run inside it.
inline std::vector<std::uint8_t> zipCommand(const std::filesystem::path& folder, const std::string& arguments) {
    auto out = folder / "made-by-zip.zip";
    std::filesystem::remove(out);
    if (runShell("cd '" + folder.string() + "' && zip -q -X " + out.string() + " " + arguments) != 0) return {};
    return bytesOf(readFile(out));
}

}  // namespace orbi::test
