// Tables of cases kept as text files. "=== <name>" opens a case; its lines up to "---" are the
// input, the lines after it the expected output; lines before the first case are comments. With
// ORBI_UPDATE_CASES set, the outputs the code gives are written back, to be reviewed in the diff.
// Findings are shown one a line: severity letter, code, path, "|", message.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <sstream>
#include <string>
#include <vector>

#include "diagnostics/diagnostics.hpp"

namespace orbi::test {

inline std::string findings(const DiagnosticList& list, const std::string& indent = "") {
    std::string out;
    for (const Diagnostic& d : list) {
        out += indent + (d.severity == Severity::Note ? "N " : d.severity == Severity::Warning ? "W " : "E ") + d.code + " " +
               d.path + " | " + d.message + "\n";
    }
    return out;
}

// Texts in case tables hold "%HH" for a byte HH that is a control, "%" or above 7E.
inline std::string percentEncoded(std::string_view text) {
    std::string out;
    for (const char c : text)
        if (const auto u = static_cast<unsigned char>(c); u < 0x20 || u >= 0x7F || c == '%') out += {'%', "0123456789ABCDEF"[u >> 4], "0123456789ABCDEF"[u & 15]};
        else out += c;
    return out;
}
inline std::string percentDecoded(std::string text) {
    for (std::size_t at = text.find('%'); at != std::string::npos; at = text.find('%', at + 1))
        text.replace(at, 3, 1, static_cast<char>(std::stoi(text.substr(at + 1, 2), nullptr, 16)));
    return text;
}

inline void checkCaseFile(const std::string& path, const std::function<std::string(const std::string&)>& run) {
    std::ifstream in(path, std::ios::binary);
    ASSERT_TRUE(in) << "cannot read " << path;
    std::vector<std::array<std::string, 3>> cases;  // name, input, expected
    std::string updated, line;
    bool output = false;
    while (std::getline(in, line)) {
        if (line.starts_with("=== ")) cases.push_back({line.substr(4), "", ""}), output = false;
        else if (cases.empty()) updated += line + "\n";
        else if (!output && line == "---") output = true;
        else cases.back()[output ? 2 : 1] += line + "\n";
    }
    ASSERT_FALSE(cases.empty()) << path;
    const bool update = std::getenv("ORBI_UPDATE_CASES") != nullptr;
    for (auto& [name, input, expected] : cases) {
        SCOPED_TRACE(name);
        if (!input.empty()) input.pop_back();
        std::string got = run(input);
        if (!got.empty() && got.back() != '\n') got += "\n";
        if (!update) { EXPECT_EQ(got, expected); }
        updated += "=== " + name + "\n" + input + "\n---\n" + got;
    }
    if (update) std::ofstream(path, std::ios::binary) << updated;
}

// Input lines that are calls: each line goes to `call` as its words (a word in quotes may hold
// blanks or be empty; one that opens with '{' or '[' runs to the end of the line), and the output
// repeats the line with what the call gives.
inline std::string runCalls(const std::string& input, const std::function<std::string(const std::vector<std::string>&)>& call) {
    std::istringstream lines(input);
    std::string out, line;
    while (std::getline(lines, line)) {
        std::vector<std::string> words;
        for (std::size_t at = 0; at < line.size();) {
            const bool quoted = line[at] == '"', json = line[at] == '{' || line[at] == '[';
            const std::size_t end = json ? line.size() : std::min(line.find(quoted ? '"' : ' ', at + 1), line.size());
            words.push_back(line.substr(at + quoted, end - at - quoted));
            at = end + 1 + quoted;
        }
        out += line + "  =>  " + call(words) + "\n";
    }
    return out;
}

inline void checkCallFile(const std::string& path, const std::function<std::string(const std::vector<std::string>&)>& call) {
    checkCaseFile(path, [&](const std::string& input) { return runCalls(input, call); });
}

}  // namespace orbi::test
