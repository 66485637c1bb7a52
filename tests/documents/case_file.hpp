// Tables of cases kept as text files, shared by the document, model, legacy, conversion and
// library suites. "=== <name>" opens a case; its lines up to "---" are the input, the lines after
// it the expected output; lines before the first case are comments. With ORBI_UPDATE_CASES set,
// the outputs the code gives are written back into the file, to be reviewed in the diff.
#pragma once

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

namespace orbi::test {

struct TextCase {
    std::string name, input, expected;
};

inline void checkCaseFile(const std::string& path, const std::function<std::string(const std::string&)>& run) {
    std::ifstream in(path, std::ios::binary);
    ASSERT_TRUE(in) << "cannot read " << path;
    std::string head, line;
    std::vector<TextCase> cases;
    bool output = false;
    while (std::getline(in, line)) {
        if (line.rfind("=== ", 0) == 0) {
            cases.push_back({line.substr(4), "", ""});
            output = false;
        } else if (cases.empty()) {
            head += line + "\n";
        } else if (!output && line == "---") {
            output = true;
        } else {
            (output ? cases.back().expected : cases.back().input) += line + "\n";
        }
    }
    ASSERT_FALSE(cases.empty()) << path;
    const bool update = std::getenv("ORBI_UPDATE_CASES") != nullptr;
    std::string updated = head;
    for (TextCase& c : cases) {
        SCOPED_TRACE(c.name);
        if (!c.input.empty()) c.input.pop_back();
        std::string got = run(c.input);
        if (!got.empty() && got.back() != '\n') got += "\n";
        if (!update) {
            EXPECT_EQ(got, c.expected);
        }
        updated += "=== " + c.name + "\n" + c.input + "\n---\n" + got;
    }
    if (update) std::ofstream(path, std::ios::binary) << updated;
}

}  // namespace orbi::test
