// JsonValue construction and member access. Member lookup is linear: documents hold few keys
// per object and insertion order must be kept anyway.
#include "json/json_value.hpp"

#include <ostream>

namespace orbi {

constinit const JsonText JsonValue::kNoText;
constinit const std::vector<JsonValue> JsonValue::kNoItems;
constinit const std::vector<JsonMember> JsonValue::kNoMembers;

void JsonValue::resetContainer() noexcept {
    if (kind_ == JsonKind::Array) {
        as<Items>().~Items();
    } else {
        as<Members>().~Members();
    }
    kind_ = JsonKind::Null;
}

void JsonValue::copyFrom(const JsonValue& o) {
    switch (o.kind_) {
        case JsonKind::Null: break;
        case JsonKind::Boolean: storage_[0] = o.storage_[0]; break;
        case JsonKind::Number: new (storage_) Number(o.as<Number>()); break;
        case JsonKind::String: new (storage_) JsonText(o.as<JsonText>()); break;
        case JsonKind::Array: new (storage_) Items(o.as<Items>()); break;
        case JsonKind::Object: new (storage_) Members(o.as<Members>()); break;
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

JsonValue JsonValue::makeString(std::string_view s) {
    JsonValue v;
    v.setString(s);
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
        case JsonKind::Boolean: return boolean() == o.boolean();
        case JsonKind::Number: return number() == o.number() && numberText() == o.numberText();
        case JsonKind::String: return string() == o.string();
        case JsonKind::Array: return items() == o.items();
        case JsonKind::Object: return members() == o.members();
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

std::ostream& operator<<(std::ostream& out, const JsonText& text) { return out << std::string_view(text); }

std::string stringMemberOr(const JsonValue& v, std::string_view key, std::string_view fallback) {
    const JsonValue* m = findMember(v, key);
    if (m != nullptr && m->isString()) return std::string(m->string());
    return std::string(fallback);
}

}  // namespace orbi
