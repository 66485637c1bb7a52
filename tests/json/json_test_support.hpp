// Small helpers shared by the JSON tests: parse expecting success or a given reason.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <string_view>

#include "json/json_parser.hpp"

namespace orbi::test {

inline JsonValue parseOk(std::string_view text) {
    JsonValue v;
    std::string reason;
    EXPECT_TRUE(parseJson(text, v, reason)) << "text: " << text << " reason: " << reason;
    EXPECT_EQ(reason, "");
    return v;
}

// The reason the text fails with, or "(parsed)" when it parses.
inline std::string failureOf(std::string_view text) {
    JsonValue v;
    std::string reason;
    if (parseJson(text, v, reason)) return "(parsed)";
    return reason;
}

}  // namespace orbi::test
