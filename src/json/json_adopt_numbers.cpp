// adoptReadNumbers: a document built anew takes the read spelling of every number that still
// has the read value, so writing a document back does not respell its numbers. Large objects
// look their counterparts up through a key map instead of a linear search per member.
#include <string_view>
#include <unordered_map>

#include "json/json_number.hpp"
#include "json/json_writer.hpp"

namespace orbi {

namespace {

constexpr std::size_t kLinearLookupLimit = 16;

}  // namespace

void adoptReadNumbers(JsonValue& built, const JsonValue& read) {
    if (built.isNumber() && read.isNumber()) {
        if (json_number::sameOrSameFloat(built.number(), read.number())) built = read;
        return;
    }
    if (built.isArray() && read.isArray()) {
        std::vector<JsonValue>& items = built.editItems();
        if (items.size() != read.items().size()) return;
        for (std::size_t i = 0; i < items.size(); ++i) adoptReadNumbers(items[i], read.items()[i]);
        return;
    }
    if (!built.isObject() || !read.isObject()) return;
    const std::vector<JsonMember>& readMembers = read.members();
    if (readMembers.size() <= kLinearLookupLimit) {
        for (JsonMember& m : built.editMembers()) {
            if (const JsonValue* counterpart = findMember(read, m.key)) adoptReadNumbers(m.value, *counterpart);
        }
        return;
    }
    std::unordered_map<std::string_view, const JsonValue*> byKey;
    byKey.reserve(readMembers.size());
    for (const JsonMember& m : readMembers) byKey.emplace(m.key, &m.value);  // first match is kept
    for (JsonMember& m : built.editMembers()) {
        const auto found = byKey.find(m.key);
        if (found != byKey.end()) adoptReadNumbers(m.value, *found->second);
    }
}

}  // namespace orbi
