// JsonValue: member access keeps insertion order and unique keys; copies are deep.
#include <gtest/gtest.h>

#include "json/json_value.hpp"

namespace orbi {
namespace {

TEST(JsonValue, MembersKeepOrderAndReplaceInPlace) {
    JsonValue v;
    EXPECT_TRUE(v.isNull());
    EXPECT_EQ(findMember(v, "a"), nullptr);
    setMember(v, "b", JsonValue::makeNumber(1));
    setMember(v, "a", JsonValue::makeString("x"));
    setMember(v, "b", JsonValue::makeBool(true));
    ASSERT_TRUE(v.isObject());
    ASSERT_EQ(v.members.size(), 2u);
    EXPECT_EQ(v.members[0].key, "b");
    EXPECT_TRUE(v.members[0].value.boolean);
    EXPECT_EQ(stringMemberOr(v, "a", "f"), "x");
    EXPECT_EQ(stringMemberOr(v, "b", "f"), "f");  // present, but not a string
    EXPECT_EQ(stringMemberOr(v, "c", "f"), "f");
    EXPECT_EQ(findMember(v, std::string_view("a\0", 2)), nullptr);

    JsonValue copy = v;
    findMember(copy, "a")->string = "changed";
    EXPECT_EQ(stringMemberOr(v, "a", ""), "x");
    EXPECT_FALSE(copy == v);

    EXPECT_TRUE(removeMember(v, "b"));
    EXPECT_FALSE(removeMember(v, "b"));
    ASSERT_EQ(v.members.size(), 1u);

    // Setting a member on a scalar turns it into an object.
    JsonValue s = JsonValue::makeString("text");
    setMember(s, "k", JsonValue());
    EXPECT_TRUE(s.isObject());
    EXPECT_EQ(s.members.size(), 1u);
    EXPECT_EQ(findMember(JsonValue::makeArray(), "k"), nullptr);
}

}  // namespace
}  // namespace orbi
