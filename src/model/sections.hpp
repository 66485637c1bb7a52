// Section names of an instance's scope, numbered as legacy presets number their scope:
// 0 is the whole instrument ("complete"), 1 to 17 are the sections.
#pragma once

#include <string_view>

namespace orbi {

inline constexpr std::string_view kCompleteScope = "complete";
inline constexpr int kSectionCount = 17;

// The section's name; "complete" for 0 and for any number outside 1 to 17.
std::string_view sectionName(int number);

// 1 to 17 for a section name (exact, case-sensitive); 0 for "complete" and any other text.
int sectionNumber(std::string_view name);

// True when the scope names the whole instrument or one of the sections.
bool isKnownScope(std::string_view scope);

}  // namespace orbi
