// Diagnostics: pointer escaping, child paths, first errors and re-pathing of embedded findings.
#include <gtest/gtest.h>

#include "documents/diagnostics.hpp"

namespace orbi {
namespace {

TEST(Diagnostics, PointerPaths) {
    EXPECT_EQ(childPath("", "a/b~c"), "/a~1b~0c");
    EXPECT_EQ(escapePointerToken("~1"), "~01");
    EXPECT_EQ(childPath("", ""), "/");
    EXPECT_EQ(childPath("/state", "routings"), "/state/routings");
    EXPECT_EQ(indexPath("/extensions", 2), "/extensions/2");
}

TEST(Diagnostics, FirstErrorSkipsNotesAndWarnings) {
    DiagnosticList list;
    addNote(list, "spec-missing", "", "n");
    addWarning(list, "wrong-type", "/a", "w");
    EXPECT_FALSE(firstError(list));
    addError(list, "document-unreadable", "", "first");
    addError(list, "wrong-kind", "", "second");
    EXPECT_EQ(firstError(list), "first");
    ASSERT_EQ(list.size(), 4u);
    EXPECT_EQ(list[1], (Diagnostic{Severity::Warning, "wrong-type", "/a", "w"}));
}

TEST(Diagnostics, EmbeddedFindingsArePrefixedInOrder) {
    DiagnosticList outer;
    addWarning(outer, "before", "/x", "b");
    DiagnosticList clip;
    addWarning(clip, "bad-note", "/notes/3", "m");
    addError(clip, "whole", "", "e");
    appendPrefixed(outer, clip, "/audition");
    addWarning(outer, "after", "/y", "a");
    ASSERT_EQ(outer.size(), 4u);
    EXPECT_EQ(outer[1].path, "/audition/notes/3");
    EXPECT_EQ(outer[2].path, "/audition");
    EXPECT_EQ(outer[2].severity, Severity::Error);
    EXPECT_EQ(outer[3].code, "after");
}

}  // namespace
}  // namespace orbi
