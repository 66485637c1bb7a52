// JsonValue: the program's own JSON tree with value semantics. Objects keep members in
// insertion order with unique keys; numbers keep the text they were read from.
//
// Layout: a value holds only its own kind's payload, built in 31 bytes of storage beside the
// kind: a boolean, a number (its double and its read spelling), a string, an array's items or
// an object's members. That is 32 bytes, where a field for every kind took 112 and a union
// holding a std::string took 40; a large document is mostly values, so its tree is built in,
// walked and freed from less memory (for a 9.3 MB text 19 MB of heap, against 51 MB and 22 MB),
// and an object's member is one 64-byte line.
// The storage is private. Reading is safe on every value: a value of another kind reads as
// false, 0, an empty spelling, string, item or member list. Writing is explicit: set...()
// replaces the value, and edit...() first makes it an empty value of that kind unless it is
// one already, so only a call whose name says so changes a value's kind.
#pragma once

#include <cstdint>
#include <cstring>
#include <new>
#include <string>
#include <string_view>
#include <vector>

#include "json/json_text.hpp"

namespace orbi {

enum class JsonKind : std::uint8_t { Null = 0, Boolean = 1, Number = 2, String = 3, Array = 4, Object = 5 };

struct JsonMember;

class JsonValue {
public:
    // Null. Everything that may destroy a value is defined after JsonMember below, which it
    // needs complete (clang with libstdc++ enforces that). Being user-provided, value-
    // initialization as in vector::emplace_back() sets the kind alone instead of zeroing all
    // 32 bytes first. A moved-from value keeps its kind.
    JsonValue() noexcept;
    JsonValue(const JsonValue& o);
    JsonValue(JsonValue&& o) noexcept;
    JsonValue& operator=(const JsonValue& o);
    JsonValue& operator=(JsonValue&& o) noexcept;
    ~JsonValue();

    static JsonValue makeNull();
    static JsonValue makeBool(bool b);
    static JsonValue makeNumber(double v, std::string_view text = {});
    static JsonValue makeString(std::string_view s);
    static JsonValue makeArray();
    static JsonValue makeArray(std::vector<JsonValue> items);
    static JsonValue makeObject();

    JsonKind kind() const noexcept { return kind_; }
    bool isNull() const noexcept { return kind_ == JsonKind::Null; }
    bool isBool() const noexcept { return kind_ == JsonKind::Boolean; }
    bool isNumber() const noexcept { return kind_ == JsonKind::Number; }
    bool isString() const noexcept { return kind_ == JsonKind::String; }
    bool isArray() const noexcept { return kind_ == JsonKind::Array; }
    bool isObject() const noexcept { return kind_ == JsonKind::Object; }

    // The payload; on a value of another kind, false, 0.0 and empty ones.
    bool boolean() const noexcept { return isBool() && storage_[0] != 0; }
    double number() const noexcept { return isNumber() ? as<Number>().value() : 0.0; }
    // The exact spelling of a number read from text; empty when made in memory.
    const JsonText& numberText() const noexcept { return isNumber() ? as<Number>().text : kNoText; }
    std::string_view string() const noexcept { return isString() ? std::string_view(as<JsonText>()) : std::string_view(); }
    const std::vector<JsonValue>& items() const noexcept { return isArray() ? as<Items>() : kNoItems; }
    const std::vector<JsonMember>& members() const noexcept { return isObject() ? as<Members>() : kNoMembers; }

    // Replace the value, whatever kind it was, with one of the named kind.
    void setBool(bool b) noexcept;
    void setNumber(double v, std::string_view text = {});
    void setString(std::string_view bytes);
    void setItems(std::vector<JsonValue>&& items) noexcept;
    void setMembers(std::vector<JsonMember>&& members) noexcept;

    // Mutable payload: each makes the value an empty one of that kind first unless it is one
    // (for the spelling, the number 0 without one; for the text, the empty string).
    JsonText& editNumberText() noexcept;
    JsonText& editString() noexcept;
    std::vector<JsonValue>& editItems() noexcept;
    std::vector<JsonMember>& editMembers() noexcept;

    bool operator==(const JsonValue& o) const;

private:
    using Items = std::vector<JsonValue>;
    using Members = std::vector<JsonMember>;

    // The double is kept as bytes so that the payload has no alignment of its own: beside the
    // 22-byte spelling it takes 30 bytes, and the value's last byte stays the kind's.
    struct Number {
        unsigned char bits[8];
        JsonText text;

        Number() noexcept : bits{} {}
        Number(double v, std::string_view spelling) : text(spelling) { std::memcpy(bits, &v, sizeof v); }
        double value() const noexcept {
            double v;
            std::memcpy(&v, bits, sizeof v);
            return v;
        }
    };

    // The payload, a T built in the storage by placement new.
    template <class T>
    T& as() noexcept {
        return *std::launder(reinterpret_cast<T*>(storage_));
    }
    template <class T>
    const T& as() const noexcept {
        return *std::launder(reinterpret_cast<const T*>(storage_));
    }

    // Read for the payload of another kind; constant-initialized, never written.
    static const JsonText kNoText;
    static const std::vector<JsonValue> kNoItems;
    static const std::vector<JsonMember> kNoMembers;

    // Ends the payload, leaving a null. Only scalars can be freed inline; containers recurse.
    void reset() noexcept;
    void resetContainer() noexcept;
    // The payload, first made an empty T of kind K unless the value is of that kind.
    template <JsonKind K, class T>
    T& becomeEmpty() noexcept;
    // Builds the payload of o's kind from o's (this holds none: it is null).
    void copyFrom(const JsonValue& o);
    void moveFrom(JsonValue& o) noexcept;

    // Runs build, which makes a payload, on a value holding nothing to free: this one if it
    // is a null or a boolean, else a new one moved in after, as what build reads may lie in
    // what this value holds.
    template <typename Build>
    void rebuild(const Build& build);

    alignas(8) unsigned char storage_[31];
    JsonKind kind_ = JsonKind::Null;
};

static_assert(sizeof(JsonValue) == 32, "31 bytes of payload and the kind");

struct JsonMember {
    std::string key;
    JsonValue value;

    // User-provided, like JsonValue's: vector::emplace_back() then builds a member without
    // first zeroing all of it, as it must for an aggregate.
    JsonMember() noexcept {}
    JsonMember(std::string k, JsonValue v) noexcept : key(std::move(k)), value(std::move(v)) {}

    bool operator==(const JsonMember&) const = default;
};

inline JsonValue::JsonValue() noexcept {}

inline JsonValue::JsonValue(const JsonValue& o) { copyFrom(o); }

inline JsonValue::JsonValue(JsonValue&& o) noexcept { moveFrom(o); }

inline JsonValue::~JsonValue() { reset(); }

inline JsonValue& JsonValue::operator=(JsonValue&& o) noexcept {
    if (this == &o) return *this;
    if (kind_ <= JsonKind::String) {
        reset();  // frees nothing that o could lie in
        moveFrom(o);
    } else {
        JsonValue taken(std::move(o));  // o may lie inside this value
        reset();
        moveFrom(taken);
    }
    return *this;
}

inline JsonValue& JsonValue::operator=(const JsonValue& o) {
    if (this != &o) *this = JsonValue(o);
    return *this;
}

inline void JsonValue::reset() noexcept {
    switch (kind_) {
        case JsonKind::Null:
        case JsonKind::Boolean: break;
        case JsonKind::Number: as<Number>().~Number(); break;
        case JsonKind::String: as<JsonText>().~JsonText(); break;
        case JsonKind::Array:
        case JsonKind::Object: resetContainer(); return;
    }
    kind_ = JsonKind::Null;
}

inline void JsonValue::moveFrom(JsonValue& o) noexcept {
    switch (o.kind_) {
        case JsonKind::Null: break;
        case JsonKind::Boolean: storage_[0] = o.storage_[0]; break;
        case JsonKind::Number: new (storage_) Number(std::move(o.as<Number>())); break;
        case JsonKind::String: new (storage_) JsonText(std::move(o.as<JsonText>())); break;
        case JsonKind::Array: new (storage_) Items(std::move(o.as<Items>())); break;
        case JsonKind::Object: new (storage_) Members(std::move(o.as<Members>())); break;
    }
    kind_ = o.kind_;
}

inline void JsonValue::setBool(bool b) noexcept {
    reset();
    storage_[0] = b ? 1 : 0;
    kind_ = JsonKind::Boolean;
}

template <typename Build>
inline void JsonValue::rebuild(const Build& build) {
    if (kind_ > JsonKind::Boolean) [[unlikely]] {
        JsonValue fresh;
        build(fresh);
        *this = std::move(fresh);
        return;
    }
    build(*this);
}

inline void JsonValue::setNumber(double v, std::string_view text) {
    rebuild([&](JsonValue& out) {
        new (out.storage_) Number(v, text);
        out.kind_ = JsonKind::Number;
    });
}

inline void JsonValue::setString(std::string_view bytes) {
    rebuild([&](JsonValue& out) {
        new (out.storage_) JsonText(bytes);
        out.kind_ = JsonKind::String;
    });
}

inline void JsonValue::setItems(std::vector<JsonValue>&& items) noexcept {
    rebuild([&](JsonValue& out) {
        new (out.storage_) Items(std::move(items));
        out.kind_ = JsonKind::Array;
    });
}

inline void JsonValue::setMembers(std::vector<JsonMember>&& members) noexcept {
    rebuild([&](JsonValue& out) {
        new (out.storage_) Members(std::move(members));
        out.kind_ = JsonKind::Object;
    });
}

template <JsonKind K, class T>
inline T& JsonValue::becomeEmpty() noexcept {
    if (kind_ != K) {
        reset();
        new (storage_) T();
        kind_ = K;
    }
    return as<T>();
}

inline JsonText& JsonValue::editNumberText() noexcept { return becomeEmpty<JsonKind::Number, Number>().text; }
inline JsonText& JsonValue::editString() noexcept { return becomeEmpty<JsonKind::String, JsonText>(); }
inline std::vector<JsonValue>& JsonValue::editItems() noexcept { return becomeEmpty<JsonKind::Array, Items>(); }
inline std::vector<JsonMember>& JsonValue::editMembers() noexcept { return becomeEmpty<JsonKind::Object, Members>(); }

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
