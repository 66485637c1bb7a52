// JsonValue construction and member access. Member lookup is linear: documents hold few keys
// per object and insertion order must be kept anyway.
#include "json/json_value.hpp"

#include <ostream>

namespace orbi {

JsonValue JsonValue::makeBool(bool b) {
    JsonValue v;
    v.kind = JsonKind::Boolean;
    v.boolean = b;
    return v;
}

JsonValue JsonValue::makeNumber(double n, std::string_view text) {
    JsonValue v;
    v.kind = JsonKind::Number;
    v.number = n;
    v.numberText = text;
    return v;
}

JsonValue JsonValue::makeString(std::string s) {
    JsonValue v;
    v.kind = JsonKind::String;
    v.string = std::move(s);
    return v;
}

JsonValue JsonValue::makeArray() {
    JsonValue v;
    v.kind = JsonKind::Array;
    return v;
}

JsonValue JsonValue::makeArray(std::vector<JsonValue> items) {
    JsonValue v;
    v.kind = JsonKind::Array;
    v.items = std::move(items);
    return v;
}

JsonValue JsonValue::makeObject() {
    JsonValue v;
    v.kind = JsonKind::Object;
    return v;
}

bool JsonValue::operator==(const JsonValue& o) const {
    if (kind != o.kind) return false;
    switch (kind) {
        case JsonKind::Null: return true;
        case JsonKind::Boolean: return boolean == o.boolean;
        case JsonKind::Number: return number == o.number && numberText == o.numberText;
        case JsonKind::String: return string == o.string;
        case JsonKind::Array: return items == o.items;
        case JsonKind::Object: return members == o.members;
    }
    return false;
}

const JsonValue* findMember(const JsonValue& v, std::string_view key) {
    if (v.kind != JsonKind::Object) return nullptr;
    for (const JsonMember& m : v.members) {
        if (m.key == key) return &m.value;
    }
    return nullptr;
}

JsonValue* findMember(JsonValue& v, std::string_view key) {
    return const_cast<JsonValue*>(findMember(static_cast<const JsonValue&>(v), key));
}

void setMember(JsonValue& v, std::string_view key, JsonValue value) {
    if (v.kind != JsonKind::Object) {
        v = JsonValue::makeObject();
    }
    if (JsonValue* existing = findMember(v, key)) {
        *existing = std::move(value);
        return;
    }
    v.members.push_back(JsonMember{std::string(key), std::move(value)});
}

bool removeMember(JsonValue& v, std::string_view key) {
    if (v.kind != JsonKind::Object) return false;
    for (auto it = v.members.begin(); it != v.members.end(); ++it) {
        if (it->key == key) {
            v.members.erase(it);
            return true;
        }
    }
    return false;
}

std::ostream& operator<<(std::ostream& out, const JsonNumberText& text) { return out << std::string_view(text); }

std::string stringMemberOr(const JsonValue& v, std::string_view key, std::string_view fallback) {
    const JsonValue* m = findMember(v, key);
    if (m != nullptr && m->kind == JsonKind::String) return m->string;
    return std::string(fallback);
}

}  // namespace orbi
