// Ordered key -> value lists with unique keys; linear lookup keeps insertion order for free.
#include "documents/member_list.hpp"

#include <algorithm>

namespace orbi {

const JsonValue* findEntry(const MemberList& list, std::string_view key) {
    for (const JsonMember& m : list) {
        if (m.key == key) return &m.value;
    }
    return nullptr;
}

JsonValue* findEntry(MemberList& list, std::string_view key) {
    return const_cast<JsonValue*>(findEntry(static_cast<const MemberList&>(list), key));
}

void setEntry(MemberList& list, std::string_view key, JsonValue value) {
    if (JsonValue* existing = findEntry(list, key)) {
        *existing = std::move(value);
        return;
    }
    list.push_back(JsonMember{std::string(key), std::move(value)});
}

bool removeEntry(MemberList& list, std::string_view key) {
    auto it = std::find_if(list.begin(), list.end(), [&](const JsonMember& m) { return m.key == key; });
    if (it == list.end()) return false;
    list.erase(it);
    return true;
}

JsonValue memberListValue(const MemberList& list) {
    JsonValue out = JsonValue::makeObject();
    out.editMembers() = list;  // the list keeps its keys unique, as an object does
    return out;
}

}  // namespace orbi
