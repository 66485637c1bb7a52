// Builds the nlohmann tree through its SAX interface rather than json::parse, for four reasons:
// the size of the tree is checked as the text is read (a 100,000-deep text stops at
// kMaxLegacyNesting levels, a text of millions of tiny values at kMaxLegacyValues, before either
// is built), strings are moved out of the lexer instead of copied (a 100 MB name costs one copy,
// not two), a fraction is read again by from_chars so that it rounds the same on every system,
// and an integer too large for 64 bits, which nlohmann would turn into a double, is
// kept as its text so that its low 32 bits stay exact. Such an integer is stored as a binary
// value holding its digits; a JSON text never yields binary values of its own.
#include "legacy/legacy_json.hpp"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <exception>
#include <limits>
#include <string>
#include <utility>
#include <vector>

namespace orbi::legacy {

namespace {

bool writtenAsInteger(const std::string& text) {
    return text.find_first_of(".eE") == std::string::npos;
}

class TreeBuilder {
public:
    explicit TreeBuilder(const TreeLimits& limits) : limits_(limits) {}
    Json& root() { return root_; }

    bool null() { return put(Json(nullptr)); }
    bool boolean(bool value) { return put(Json(value)); }
    bool number_integer(Json::number_integer_t value) { return put(Json(value)); }
    bool number_unsigned(Json::number_unsigned_t value) { return put(Json(value)); }
    bool number_float(Json::number_float_t value, const std::string& text) {
        if (writtenAsInteger(text)) {
            return put(Json::binary(std::vector<std::uint8_t>(text.begin(), text.end())));
        }
        // nlohmann's value comes from the C library's strtod, which is not correctly rounded
        // everywhere (MinGW-w64's misses some halfway cases); from_chars is. Out-of-range texts
        // keep nlohmann's infinity or zero.
        double exact = value;
        if (std::from_chars(text.data(), text.data() + text.size(), exact).ec != std::errc{}) exact = value;
        return put(Json(exact));
    }
    bool string(std::string& value) { return put(Json(std::move(value))); }
    bool binary(Json::binary_t&) { return false; }

    bool start_object(std::size_t) { return open(Json::object()); }
    bool start_array(std::size_t) { return open(Json::array()); }
    bool end_object() { return close(); }
    bool end_array() { return close(); }
    bool key(std::string& name) {
        // operator[] finds an existing member, so a repeated key keeps its last value.
        slot_ = &(*open_.back())[std::move(name)];
        return true;
    }

    bool parse_error(std::size_t, const std::string&, const nlohmann::detail::exception&) { return false; }

private:
    bool put(Json&& value) {
        if (!count()) return false;
        place(std::move(value));
        return true;
    }

    // A tree costs tens of bytes per value whatever the value's text, so "[0,0,0,...]" grows about
    // twenty-fold; the count bounds that for a hostile document (a deflated bundle entry can be a
    // gigabyte of it). Strings count once, however long.
    bool count() { return ++values_ <= limits_.values; }

    // Stores a finished value where the text puts it and tells where it now lives.
    Json* place(Json&& value) {
        if (open_.empty()) {
            root_ = std::move(value);
            return &root_;
        }
        Json& container = *open_.back();
        if (container.is_array()) {
            container.get_ref<Json::array_t&>().push_back(std::move(value));
            return &container.get_ref<Json::array_t&>().back();
        }
        *slot_ = std::move(value);
        return slot_;
    }

    bool open(Json&& container) {
        if (open_.size() >= limits_.nesting || !count()) return false;
        // A container being filled is the last element of its parent, which gains nothing until
        // it is closed, so the pointer stays valid.
        open_.push_back(place(std::move(container)));
        return true;
    }
    bool close() {
        open_.pop_back();
        return true;
    }

    TreeLimits limits_;
    Json root_;
    std::vector<Json*> open_;
    Json* slot_ = nullptr;
    std::size_t values_ = 0;
};

// Follows a text through the same events and limits as TreeBuilder, keeping only the last value
// of some members of the top object, where a tree's lookup would find it.
class TopMemberReader {
public:
    TopMemberReader(std::span<const std::string_view> keys, const TreeLimits& limits)
        : keys_(keys), limits_(limits), found_(keys.size()) {}
    std::vector<std::optional<std::string>>& found() { return found_; }
    bool topIsObject() const { return topIsObject_; }

    bool null() { return scalar(); }
    bool boolean(bool) { return scalar(); }
    bool number_integer(Json::number_integer_t) { return scalar(); }
    bool number_unsigned(Json::number_unsigned_t) { return scalar(); }
    bool number_float(Json::number_float_t, const std::string&) { return scalar(); }
    bool string(std::string& value) {
        if (!count()) return false;
        if (std::optional<std::string>* slot = member()) *slot = std::move(value);
        return true;
    }
    bool binary(Json::binary_t&) { return false; }

    bool start_object(std::size_t) { return open(true); }
    bool start_array(std::size_t) { return open(false); }
    bool end_object() { return close(); }
    bool end_array() { return close(); }
    bool key(std::string& name) {
        if (depth_ == 1) pending_ = static_cast<std::size_t>(std::find(keys_.begin(), keys_.end(), name) - keys_.begin());
        return true;
    }
    bool parse_error(std::size_t, const std::string&, const nlohmann::detail::exception&) { return false; }

private:
    bool count() { return ++values_ <= limits_.values; }
    // The member the value now read belongs to, when it is one of the keys.
    std::optional<std::string>* member() {
        return depth_ == 1 && pending_ < found_.size() ? &found_[pending_] : nullptr;
    }
    // A value that is no string: the member holds no string now.
    bool scalar() {
        if (!count()) return false;
        if (std::optional<std::string>* slot = member()) slot->reset();
        if (depth_ == 0) topIsObject_ = false;
        return true;
    }
    bool open(bool object) {
        if (depth_ >= limits_.nesting || !count()) return false;
        if (std::optional<std::string>* slot = member()) slot->reset();
        if (depth_ == 0) topIsObject_ = object;
        ++depth_;
        return true;
    }
    bool close() {
        --depth_;
        return true;
    }

    std::span<const std::string_view> keys_;
    TreeLimits limits_;
    std::vector<std::optional<std::string>> found_;
    std::size_t pending_ = ~std::size_t{0};
    std::size_t depth_ = 0;
    std::size_t values_ = 0;
    bool topIsObject_ = false;
};

// The digits of an integer kept as text (see above), with an optional leading minus.
std::string_view wideDigits(const Json& value) {
    const auto& bytes = value.get_binary();
    return std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size());
}

double wideToDouble(const Json& value) {
    std::string_view text = wideDigits(value);
    double result = 0.0;
    std::from_chars(text.data(), text.data() + text.size(), result);
    return result;
}

std::int32_t low32(std::uint64_t bits) { return static_cast<std::int32_t>(static_cast<std::uint32_t>(bits)); }

}  // namespace

std::optional<Json> parseStrict(std::span<const std::uint8_t> text, const TreeLimits& limits) {
    // nlohmann takes a zero byte for the end of the input and would accept {"a":1} followed by a
    // zero and anything at all. A raw zero byte is never valid JSON (not even inside a string).
    if (std::find(text.begin(), text.end(), std::uint8_t{0}) != text.end()) return std::nullopt;
    try {
        TreeBuilder builder(limits);
        const char* first = reinterpret_cast<const char*>(text.data());
        if (!Json::sax_parse(first, first + text.size(), &builder, Json::input_format_t::json, true, false)) {
            return std::nullopt;
        }
        return std::move(builder.root());
    } catch (const std::exception&) {
        // Only running out of memory gets here; the document is then as good as unreadable.
        return std::nullopt;
    }
}

std::optional<std::vector<std::optional<std::string>>> topStringMembers(std::span<const std::uint8_t> text,
                                                                      std::span<const std::string_view> keys,
                                                                      const TreeLimits& limits) {
    if (std::find(text.begin(), text.end(), std::uint8_t{0}) != text.end()) return std::nullopt;
    try {
        TopMemberReader reader(keys, limits);
        const char* first = reinterpret_cast<const char*>(text.data());
        if (!Json::sax_parse(first, first + text.size(), &reader, Json::input_format_t::json, true, false) ||
            !reader.topIsObject()) {
            return std::nullopt;
        }
        return std::move(reader.found());
    } catch (const std::exception&) {
        return std::nullopt;
    }
}

bool isInteger(const Json& value) { return value.is_number_integer() || value.is_binary(); }

bool isNumber(const Json& value) { return value.is_number() || value.is_binary(); }

std::int32_t integerToI32(const Json& value) {
    if (value.is_number_unsigned()) return low32(value.get<Json::number_unsigned_t>());
    if (value.is_number_integer()) return low32(static_cast<std::uint64_t>(value.get<Json::number_integer_t>()));
    std::string_view text = wideDigits(value);
    bool negative = !text.empty() && text.front() == '-';
    std::uint32_t magnitude = 0;  // arithmetic modulo 2^32 keeps exactly the low 32 bits
    for (char c : text.substr(negative ? 1 : 0)) magnitude = magnitude * 10u + static_cast<std::uint32_t>(c - '0');
    return static_cast<std::int32_t>(negative ? 0u - magnitude : magnitude);
}

std::int32_t numberToI32(const Json& value) {
    if (isInteger(value)) return integerToI32(value);
    double number = value.get<double>();
    if (!std::isfinite(number)) return 0;
    // Truncate, then keep the low 32 bits of the whole number, as for an integer written out.
    double remainder = std::fmod(std::trunc(number), 4294967296.0);  // exact
    if (remainder < 0) remainder += 4294967296.0;
    return static_cast<std::int32_t>(static_cast<std::uint32_t>(remainder));
}

float numberToF32(const Json& value) {
    if (value.is_number_unsigned()) return static_cast<float>(value.get<Json::number_unsigned_t>());
    if (value.is_number_integer()) return static_cast<float>(value.get<Json::number_integer_t>());
    if (value.is_binary()) return nearestFloat(wideToDouble(value));
    return nearestFloat(value.get<double>());
}

double numberToF64(const Json& value) {
    if (value.is_binary()) return wideToDouble(value);
    return value.get<double>();
}

}  // namespace orbi::legacy
