// JsonValue: the program's own JSON tree with value semantics. Objects keep members in
// insertion order with unique keys; numbers keep the text they were read from.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "json/json_number_text.hpp"

namespace orbi {

enum class JsonKind : std::uint8_t { Null = 0, Boolean = 1, Number = 2, String = 3, Array = 4, Object = 5 };

struct JsonMember;

struct JsonValue {
    JsonKind kind = JsonKind::Null;
    bool boolean = false;
    JsonNumberText numberText;  // exact spelling for a number read from text; empty when made in memory
    double number = 0.0;
    std::string string;
    std::vector<JsonValue> items;
    std::vector<JsonMember> members;

    // Defaulted after JsonMember below, not here (so user-provided): value-initialization, as
    // in vector::emplace_back(), then does not zero the whole object before the member
    // initializers run, and JsonMember need not be complete here.
    JsonValue() noexcept;

    static JsonValue makeNull();
    static JsonValue makeBool(bool b);
    static JsonValue makeNumber(double v, std::string_view text = {});
    static JsonValue makeString(std::string s);
    // Nothing in this class may need JsonValue's destructor (a default {} argument, a body
    // making a temporary): that needs JsonMember complete, which clang with libstdc++ enforces.
    static JsonValue makeArray();
    static JsonValue makeArray(std::vector<JsonValue> items);
    static JsonValue makeObject();

    bool isNull() const { return kind == JsonKind::Null; }
    bool isBool() const { return kind == JsonKind::Boolean; }
    bool isNumber() const { return kind == JsonKind::Number; }
    bool isString() const { return kind == JsonKind::String; }
    bool isArray() const { return kind == JsonKind::Array; }
    bool isObject() const { return kind == JsonKind::Object; }

    bool operator==(const JsonValue&) const;
};

struct JsonMember {
    std::string key;
    JsonValue value;

    // User-provided, like JsonValue's: vector::emplace_back() then builds a member without
    // first zeroing all of it, as it must for an aggregate.
    JsonMember() noexcept {}
    JsonMember(std::string k, JsonValue v) noexcept : key(std::move(k)), value(std::move(v)) {}

    bool operator==(const JsonMember&) const = default;
};

inline JsonValue::JsonValue() noexcept = default;

inline JsonValue JsonValue::makeNull() { return JsonValue(); }

// The first member with this key, or nullptr (also when v is not an object).
const JsonValue* findMember(const JsonValue& v, std::string_view key);
JsonValue* findMember(JsonValue& v, std::string_view key);

// Makes v an object if it is not one, then replaces the first member with this key in place
// or appends a new member.
void setMember(JsonValue& v, std::string_view key, JsonValue value);

// Removes the first member with this key; true if there was one.
bool removeMember(JsonValue& v, std::string_view key);

// The member's string, or fallback when it is missing or not a string.
std::string stringMemberOr(const JsonValue& v, std::string_view key, std::string_view fallback);

}  // namespace orbi
