// JsonValue construction and member access. Member lookup is linear: documents hold few keys
// per object and insertion order must be kept anyway.
#include "json/json_value.hpp"

#include <ostream>

namespace orbi {

constinit const JsonNumberText JsonValue::kNoText;
constinit const std::vector<JsonValue> JsonValue::kNoItems;
constinit const std::vector<JsonMember> JsonValue::kNoMembers;

const std::string& JsonValue::noString() noexcept {
    static const std::string empty;
    return empty;
}

void JsonValue::resetContainer() noexcept {
    if (kind_ == JsonKind::Array) {
        items_.~vector();
    } else {
        members_.~vector();
    }
    kind_ = JsonKind::Null;
}

void JsonValue::copyFrom(const JsonValue& o) {
    switch (o.kind_) {
        case JsonKind::Null: break;
        case JsonKind::Boolean: boolean_ = o.boolean_; break;
        case JsonKind::Number: new (&number_) Number(o.number_); break;
        case JsonKind::String: new (&string_) std::string(o.string_); break;
        case JsonKind::Array: new (&items_) std::vector<JsonValue>(o.items_); break;
        case JsonKind::Object: new (&members_) std::vector<JsonMember>(o.members_); break;
    }
    kind_ = o.kind_;
}

JsonValue JsonValue::makeBool(bool b) {
    JsonValue v;
    v.setBool(b);
    return v;
}

JsonValue JsonValue::makeNumber(double n, std::string_view text) {
    JsonValue v;
    v.setNumber(n, text);
    return v;
}

JsonValue JsonValue::makeString(std::string s) {
    JsonValue v;
    v.editString() = std::move(s);
    return v;
}

JsonValue JsonValue::makeArray() {
    JsonValue v;
    v.editItems();
    return v;
}

JsonValue JsonValue::makeArray(std::vector<JsonValue> items) {
    JsonValue v;
    v.setItems(std::move(items));
    return v;
}

JsonValue JsonValue::makeObject() {
    JsonValue v;
    v.editMembers();
    return v;
}

bool JsonValue::operator==(const JsonValue& o) const {
    if (kind_ != o.kind_) return false;
    switch (kind_) {
        case JsonKind::Null: return true;
        case JsonKind::Boolean: return boolean_ == o.boolean_;
        case JsonKind::Number: return number_.value == o.number_.value && number_.text == o.number_.text;
        case JsonKind::String: return string_ == o.string_;
        case JsonKind::Array: return items_ == o.items_;
        case JsonKind::Object: return members_ == o.members_;
    }
    return false;
}

const JsonValue* findMember(const JsonValue& v, std::string_view key) {
    for (const JsonMember& m : v.members()) {
        if (m.key == key) return &m.value;
    }
    return nullptr;
}

JsonValue* findMember(JsonValue& v, std::string_view key) {
    return const_cast<JsonValue*>(findMember(static_cast<const JsonValue&>(v), key));
}

void setMember(JsonValue& v, std::string_view key, JsonValue value) {
    if (JsonValue* existing = findMember(v, key)) {
        *existing = std::move(value);
        return;
    }
    v.editMembers().push_back(JsonMember{std::string(key), std::move(value)});
}

bool removeMember(JsonValue& v, std::string_view key) {
    if (!v.isObject()) return false;
    std::vector<JsonMember>& members = v.editMembers();
    for (auto it = members.begin(); it != members.end(); ++it) {
        if (it->key == key) {
            members.erase(it);
            return true;
        }
    }
    return false;
}

std::ostream& operator<<(std::ostream& out, const JsonNumberText& text) { return out << std::string_view(text); }

std::string stringMemberOr(const JsonValue& v, std::string_view key, std::string_view fallback) {
    const JsonValue* m = findMember(v, key);
    if (m != nullptr && m->isString()) return m->string();
    return std::string(fallback);
}

}  // namespace orbi
