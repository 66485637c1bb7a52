// Diagnostics: pointer escaping, child paths, first errors and re-pathing of embedded findings.
#include <gtest/gtest.h>

#include "diagnostics/diagnostics.hpp"

namespace orbi {
namespace {

TEST(Diagnostics, PointerPaths) {
    EXPECT_EQ(childPath("", "a/b~c"), "/a~1b~0c");
    EXPECT_EQ(escapePointerToken("~1"), "~01");  // one pass: not back to a slash
    EXPECT_EQ(childPath("", ""), "/");
    EXPECT_EQ(childPath("/state", "routings"), "/state/routings");
    EXPECT_EQ(indexPath("/extensions", 2), "/extensions/2");
}

TEST(Diagnostics, FirstErrorAndEmbeddedFindingsInOrder) {
    DiagnosticList outer;
    addNote(outer, "spec-missing", "", "n");
    addWarning(outer, "before", "/x", "w");
    EXPECT_FALSE(firstError(outer));  // notes and warnings only
    DiagnosticList clip;
    addWarning(clip, "bad-note", "/notes/3", "m");
    addError(clip, "whole", "", "first");
    appendPrefixed(outer, clip, "/audition");
    addError(outer, "after", "/y", "second");
    EXPECT_EQ(outer, (DiagnosticList{{Severity::Note, "spec-missing", "", "n"},
                                     {Severity::Warning, "before", "/x", "w"},
                                     {Severity::Warning, "bad-note", "/audition/notes/3", "m"},
                                     {Severity::Error, "whole", "/audition", "first"},
                                     {Severity::Error, "after", "/y", "second"}}));
    EXPECT_EQ(firstError(outer), "first");
}

}  // namespace
}  // namespace orbi
