// Ordered key -> value lists (an instance's `params` and `assets`, a clip's `voices`, ...):
// unique keys, insertion order, in-place replacement, removal closes the gap.
#pragma once

#include <string_view>
#include <vector>

#include "json/json_value.hpp"

namespace orbi {

using MemberList = std::vector<JsonMember>;

const JsonValue* findEntry(const MemberList& list, std::string_view key);
JsonValue* findEntry(MemberList& list, std::string_view key);
// Replaces the value of the entry with this key in place, or appends a new entry.
void setEntry(MemberList& list, std::string_view key, JsonValue value);
// Removes the entry with this key; true if there was one.
bool removeEntry(MemberList& list, std::string_view key);

// An object holding the entries in order.
JsonValue memberListValue(const MemberList& list);

}  // namespace orbi
