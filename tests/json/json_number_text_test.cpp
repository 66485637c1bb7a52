// JsonNumberText keeps short spellings inline and long ones on the heap; copies, moves and
// reassignments must keep the bytes either way, with std::string as the control.
#include <gtest/gtest.h>

#include <string>
#include <utility>

#include "json/json_value.hpp"

namespace orbi {
namespace {

TEST(JsonNumberText, ValueSemanticsAcrossTheInlineLimit) {
    for (std::size_t length : {0, 1, 7, 8, 15, 16, 21, 22, 23, 24, 40, 60}) {
        std::string expected;
        for (std::size_t i = 0; i < length; ++i) expected += static_cast<char>('0' + i % 10);
        JsonNumberText text;
        text = expected;
        EXPECT_EQ(text, expected);
        EXPECT_EQ(text.size(), length);
        EXPECT_EQ(std::string(text.c_str()), expected);  // zero-terminated
        JsonNumberText copy = text;
        EXPECT_EQ(copy, text);
        JsonNumberText moved = std::move(copy);
        EXPECT_EQ(moved, expected);
        EXPECT_TRUE(copy.empty());  // a moved-from spelling is empty
        copy = moved;  // into an emptied object
        moved = JsonNumberText(std::string_view("-1.5e300"));
        EXPECT_EQ(moved, "-1.5e300");
        EXPECT_EQ(copy, expected);
        // A piece of its own bytes, inline or from its own heap buffer.
        copy = std::string_view(copy).substr(length / 2);
        EXPECT_EQ(copy, expected.substr(length / 2));
        copy.clear();
        EXPECT_EQ(copy, "");
    }
    // Numbers compare by spelling too, whichever way the spelling is stored.
    const std::string longSpelling = "0.10000000000000000000000000001";
    EXPECT_EQ(JsonValue::makeNumber(0.1, longSpelling), JsonValue::makeNumber(0.1, longSpelling));
    EXPECT_FALSE(JsonValue::makeNumber(0.1, longSpelling) == JsonValue::makeNumber(0.1, "0.1"));
}

}  // namespace
}  // namespace orbi
