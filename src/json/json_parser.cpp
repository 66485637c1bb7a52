// Strict recursive-descent JSON parser that builds JsonValue trees in place.
// Design: recursion is bounded by the 256-container limit and each frame holds little more than
// one JsonValue. Elements and members of open containers collect on two scratch stacks shared
// by the whole parse and move into an exactly sized vector when the container closes, so each
// container allocates once; the emptied slots stay on the stacks and are reused. String bodies
// are scanned eight bytes at a time for the quote or backslash and copied in runs; objects
// check duplicate keys linearly while small and through an open-addressing index of member
// positions once they grow.
#include "json/json_parser.hpp"

#include <array>
#include <bit>
#include <cstring>
#include <iterator>
#include <vector>

#include "json/json_number.hpp"
#include "json/json_reasons.hpp"

namespace orbi {

namespace {

namespace reason = json_reason;

constexpr std::uint64_t kOnes = 0x0101010101010101ULL;
constexpr std::uint64_t kHighs = 0x8080808080808080ULL;

// High bit set in every byte of w that equals the byte b (exact for the lowest such byte).
constexpr std::uint64_t bytesEqual(std::uint64_t w, unsigned char b) {
    const std::uint64_t x = w ^ (kOnes * b);
    return (x - kOnes) & ~x & kHighs;
}

// The first double quote or backslash in [p, end), or end.
const char* findQuoteOrBackslash(const char* p, const char* end) {
    while (end - p >= 8) {
        std::uint64_t w;
        std::memcpy(&w, p, 8);
        const std::uint64_t hits = bytesEqual(w, '"') | bytesEqual(w, '\\');
        if (hits != 0) {
            if constexpr (std::endian::native == std::endian::little) {
                return p + (std::countr_zero(hits) >> 3);
            } else {
                break;  // the byte loop below finds it within these 8 bytes
            }
        }
        p += 8;
    }
    while (p < end && *p != '"' && *p != '\\') ++p;
    return p;
}

// Space, tab, line feed and carriage return; nothing else counts as whitespace.
constexpr std::array<bool, 256> kWhitespace = [] {
    std::array<bool, 256> t{};
    t[' '] = t['\t'] = t['\n'] = t['\r'] = true;
    return t;
}();

int hexValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

void appendUtf8(std::string& out, std::uint32_t cp) {
    if (cp < 0x80) {
        out += static_cast<char>(cp);
    } else if (cp < 0x800) {
        const char b[2] = {static_cast<char>(0xC0 | (cp >> 6)), static_cast<char>(0x80 | (cp & 0x3F))};
        out.append(b, 2);
    } else if (cp < 0x10000) {
        const char b[3] = {static_cast<char>(0xE0 | (cp >> 12)), static_cast<char>(0x80 | ((cp >> 6) & 0x3F)),
                           static_cast<char>(0x80 | (cp & 0x3F))};
        out.append(b, 3);
    } else {
        const char b[4] = {static_cast<char>(0xF0 | (cp >> 18)), static_cast<char>(0x80 | ((cp >> 12) & 0x3F)),
                           static_cast<char>(0x80 | ((cp >> 6) & 0x3F)), static_cast<char>(0x80 | (cp & 0x3F))};
        out.append(b, 4);
    }
}

// Objects up to this many members are checked for a repeated key by comparing with each.
constexpr std::size_t kLinearKeyLimit = 12;

// Positions of an object's members by key hash: slots hold member index + 1, 0 when empty.
// Members are passed as a pointer each time because the scratch stack may have moved them.
class KeyIndex {
public:
    // True if members[index].key is new (and is then recorded); false if already present.
    bool insert(const JsonMember* members, std::size_t index) {
        if ((index + 1) * 2 > slots_.size()) rebuild(members, index);
        return place(members, index);
    }

private:
    // Mixes the key eight bytes at a time (keys are short; the table only needs spread).
    static std::size_t hashOf(std::string_view key) {
        std::uint64_t h = key.size() * 0x9E3779B97F4A7C15ULL;
        std::size_t i = 0;
        for (; i + 8 <= key.size(); i += 8) {
            std::uint64_t w;
            std::memcpy(&w, key.data() + i, 8);
            h = (h ^ w) * 0xBF58476D1CE4E5B9ULL;
            h ^= h >> 31;
        }
        std::uint64_t tail = 0;
        for (; i < key.size(); ++i) tail = (tail << 8) | static_cast<unsigned char>(key[i]);
        h = (h ^ tail) * 0x94D049BB133111EBULL;
        return static_cast<std::size_t>(h ^ (h >> 29));
    }

    bool place(const JsonMember* members, std::size_t index) {
        const std::string& key = members[index].key;
        const std::size_t mask = slots_.size() - 1;
        std::size_t i = hashOf(key) & mask;
        while (slots_[i] != 0) {
            if (members[slots_[i] - 1].key == key) return false;
            i = (i + 1) & mask;
        }
        slots_[i] = static_cast<std::uint32_t>(index + 1);
        return true;
    }

    void rebuild(const JsonMember* members, std::size_t count) {
        slots_.assign(std::bit_ceil((count + 1) * 4), 0);
        for (std::size_t i = 0; i < count; ++i) place(members, i);
    }

    std::vector<std::uint32_t> slots_;
};

bool opensContainer(char c) { return c == '[' || c == '{'; }

// Makes a reused (moved-from) slot a plain null again.
void clearSlot(JsonValue& v) {
    v.kind = JsonKind::Null;
    v.boolean = false;
    v.number = 0.0;
    v.numberText.clear();
    v.string.clear();
    v.items.clear();
    v.members.clear();
}

class Parser {
public:
    Parser(std::string_view text, std::string& reason)
        : p_(text.data()), end_(text.data() + text.size()), reason_(reason) {}

    bool parseTop(JsonValue& out) {
        skipWhitespace();
        if (p_ == end_) return fail(reason::kEmptyDocument);
        if (!parseValue(out)) {
            if (reason_.empty()) reason_ = reason::kParseError;
            return false;
        }
        skipWhitespace();
        if (p_ != end_) return fail(reason::kTrailingContent);
        return true;
    }

private:
    bool fail(std::string_view why) {
        reason_.assign(why);
        return false;
    }

    // Indented documents put a line feed and a run of spaces before most tokens; the run is
    // passed eight bytes at a time.
    void skipWhitespace() {
        const char* p = p_;  // a local cursor: stores into strings could alias the member
        while (p < end_ && kWhitespace[static_cast<unsigned char>(*p)]) {
            ++p;
            while (end_ - p >= 8) {
                std::uint64_t w;
                std::memcpy(&w, p, 8);
                const std::uint64_t other = w ^ (kOnes * ' ');
                if (other == 0) {
                    p += 8;
                    continue;
                }
                if constexpr (std::endian::native == std::endian::little) p += std::countr_zero(other) >> 3;
                break;
            }
        }
        p_ = p;
    }

    bool startsWith(std::string_view word) const {
        return static_cast<std::size_t>(end_ - p_) >= word.size() && std::memcmp(p_, word.data(), word.size()) == 0;
    }

    bool parseValue(JsonValue& out) {
        skipWhitespace();
        if (p_ == end_) return fail(reason::kInvalidNumber);
        switch (*p_) {
            case '"':
                out.kind = JsonKind::String;
                return parseString(out.string);
            case '[':
                if (++depth_ > kJsonMaxDepth) return fail(reason::kNestedTooDeep);
                if (!parseArray(out)) return false;
                --depth_;
                return true;
            case '{':
                if (++depth_ > kJsonMaxDepth) return fail(reason::kNestedTooDeep);
                if (!parseObject(out)) return false;
                --depth_;
                return true;
            case 't':
            case 'f':
                out.kind = JsonKind::Boolean;
                if (startsWith("true")) {
                    out.boolean = true;
                    p_ += 4;
                    return true;
                }
                if (startsWith("false")) {
                    out.boolean = false;
                    p_ += 5;
                    return true;
                }
                return fail(reason::kInvalidLiteral);
            case 'n':
                if (startsWith("null")) {
                    out.kind = JsonKind::Null;
                    p_ += 4;
                    return true;
                }
                return fail(reason::kInvalidLiteral);
            default:
                return parseNumber(out);
        }
    }

    bool parseNumber(JsonValue& out) {
        double value = 0.0;
        const std::size_t length =
            json_number::readPrefix(std::string_view(p_, static_cast<std::size_t>(end_ - p_)), value);
        if (length == 0) return fail(reason::kInvalidNumber);
        out.kind = JsonKind::Number;
        out.number = value;
        out.numberText.assign(p_, length);
        p_ += length;
        return true;
    }

    JsonValue& nextItemSlot() {
        if (itemTop_ == items_.size()) {
            ++itemTop_;
            return items_.emplace_back();
        }
        JsonValue& slot = items_[itemTop_++];
        clearSlot(slot);
        return slot;
    }

    JsonMember& nextMemberSlot() {
        if (memberTop_ == members_.size()) {
            ++memberTop_;
            members_.push_back(JsonMember{});  // aggregate-initialized: no zero fill of the slot
            return members_.back();
        }
        JsonMember& slot = members_[memberTop_++];
        slot.key.clear();
        clearSlot(slot.value);
        return slot;
    }

    // Parses the element at the position onto the item stack. Scalars are built in their slot;
    // a container is built in this frame first, as its own elements may move the stack.
    bool pushItem() {
        skipWhitespace();
        if (p_ < end_ && opensContainer(*p_)) {
            JsonValue nested;
            if (!parseValue(nested)) return false;
            nextItemSlot() = std::move(nested);
            return true;
        }
        return parseValue(nextItemSlot());
    }

    bool parseArray(JsonValue& out) {
        out.kind = JsonKind::Array;
        ++p_;
        skipWhitespace();
        if (p_ < end_ && *p_ == ']') {
            ++p_;
            return true;
        }
        const std::size_t base = itemTop_;
        for (;;) {
            if (!pushItem()) return false;
            skipWhitespace();
            if (p_ < end_) {
                if (*p_ == ',') {
                    ++p_;
                    continue;
                }
                if (*p_ == ']') {
                    ++p_;
                    const auto first = items_.begin() + static_cast<std::ptrdiff_t>(base);
                    const auto last = items_.begin() + static_cast<std::ptrdiff_t>(itemTop_);
                    out.items.assign(std::make_move_iterator(first), std::make_move_iterator(last));
                    itemTop_ = base;
                    return true;
                }
            }
            return fail(reason::kExpectedCommaOrBracket);
        }
    }

    bool parseObject(JsonValue& out) {
        out.kind = JsonKind::Object;
        ++p_;
        skipWhitespace();
        if (p_ < end_ && *p_ == '}') {
            ++p_;
            return true;
        }
        const std::size_t base = memberTop_;
        KeyIndex index;
        for (;;) {
            skipWhitespace();
            if (p_ == end_ || *p_ != '"') return fail(reason::kExpectedKey);
            const std::size_t slot = memberTop_;
            if (!parseString(nextMemberSlot().key)) return false;
            skipWhitespace();
            if (p_ == end_ || *p_ != ':') return fail(reason::kExpectedColon);
            ++p_;
            if (!isNewKey(members_.data() + base, slot - base, index)) {
                return fail(reason::duplicateKey(members_[slot].key));
            }
            skipWhitespace();
            if (p_ < end_ && opensContainer(*p_)) {
                JsonValue nested;
                if (!parseValue(nested)) return false;
                members_[slot].value = std::move(nested);
            } else if (!parseValue(members_[slot].value)) {
                return false;
            }
            skipWhitespace();
            if (p_ < end_) {
                if (*p_ == ',') {
                    ++p_;
                    continue;
                }
                if (*p_ == '}') {
                    ++p_;
                    const auto first = members_.begin() + static_cast<std::ptrdiff_t>(base);
                    const auto last = members_.begin() + static_cast<std::ptrdiff_t>(memberTop_);
                    out.members.assign(std::make_move_iterator(first), std::make_move_iterator(last));
                    memberTop_ = base;
                    return true;
                }
            }
            return fail(reason::kExpectedCommaOrBrace);
        }
    }

    // Whether members[last] has a key different from every earlier member's.
    static bool isNewKey(const JsonMember* members, std::size_t last, KeyIndex& index) {
        if (last < kLinearKeyLimit) {
            const std::string& key = members[last].key;
            for (std::size_t i = 0; i < last; ++i) {
                if (members[i].key == key) return false;
            }
            return true;
        }
        return index.insert(members, last);
    }

    // The position is at the opening quote; leaves it after the closing one.
    bool parseString(std::string& out) {
        ++p_;
        for (;;) {
            const char* run = p_;
            p_ = findQuoteOrBackslash(p_, end_);
            if (p_ == end_) return fail(reason::kUnterminatedString);
            out.append(run, static_cast<std::size_t>(p_ - run));
            if (*p_++ == '"') return true;
            if (p_ == end_) return fail(reason::kUnterminatedString);
            const char c = *p_++;
            switch (c) {
                case 'b': out += '\b'; break;
                case 'f': out += '\f'; break;
                case 'n': out += '\n'; break;
                case 'r': out += '\r'; break;
                case 't': out += '\t'; break;
                case 'u':
                    if (!parseUnicodeEscape(out)) return false;
                    break;
                default: out += c; break;  // \" \\ \/ and any other byte stand for themselves
            }
        }
    }

    // Four hex digits at the position; false with the reason set when they are not there.
    bool readHex4(std::uint32_t& unit) {
        if (end_ - p_ < 4) return fail(reason::kTruncatedEscape);
        unit = 0;
        for (int i = 0; i < 4; ++i) {
            const int h = hexValue(p_[i]);
            if (h < 0) return fail(reason::kBadEscape);
            unit = (unit << 4) | static_cast<std::uint32_t>(h);
        }
        p_ += 4;
        return true;
    }

    // The position is after "\u". A high surrogate directly followed by another "\u" must pair
    // with a low one; a lone surrogate is kept as its own code point.
    bool parseUnicodeEscape(std::string& out) {
        std::uint32_t unit = 0;
        if (!readHex4(unit)) return false;
        if (unit >= 0xD800 && unit <= 0xDBFF && end_ - p_ >= 2 && p_[0] == '\\' && p_[1] == 'u') {
            p_ += 2;
            std::uint32_t low = 0;
            if (!readHex4(low)) return false;
            if (low < 0xDC00 || low > 0xDFFF) return fail(reason::kUnpairedSurrogate);
            unit = 0x10000 + ((unit - 0xD800) << 10) + (low - 0xDC00);
        }
        appendUtf8(out, unit);
        return true;
    }

    const char* p_;
    const char* end_;
    int depth_ = 0;
    std::string& reason_;
    // Elements and members of the open containers, innermost last; slots at and above the top
    // are emptied leftovers kept for reuse.
    std::vector<JsonValue> items_;
    std::vector<JsonMember> members_;
    std::size_t itemTop_ = 0;
    std::size_t memberTop_ = 0;
};

}  // namespace

bool parseJson(std::string_view text, JsonValue& out, std::string& reason) {
    reason.clear();
    out = JsonValue();
    Parser parser(text, reason);
    return parser.parseTop(out);
}

std::optional<JsonValue> parseDocument(std::string_view bytes, const std::string& path, DiagnosticList& diagnostics) {
    if (bytes.size() >= 3 && static_cast<unsigned char>(bytes[0]) == 0xEF &&
        static_cast<unsigned char>(bytes[1]) == 0xBB && static_cast<unsigned char>(bytes[2]) == 0xBF) {
        bytes.remove_prefix(3);
    }
    JsonValue value;
    std::string why;
    if (!parseJson(bytes, value, why)) {
        std::string message(json_reason::kUnreadableMessagePrefix);
        message += why;
        addError(diagnostics, std::string(json_reason::kUnreadableCode), path, std::move(message));
        return std::nullopt;
    }
    return value;
}

std::optional<JsonValue> parseDocument(std::span<const std::uint8_t> bytes, const std::string& path,
                                       DiagnosticList& diagnostics) {
    return parseDocument(std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()), path,
                         diagnostics);
}

}  // namespace orbi
