// Strict recursive-descent JSON parser that builds JsonValue trees.
// Design: most of the cost of a tree is writing and freeing its values (32 bytes each, holding a
// number with its spelling, a string or a vector), so each is written once, where it stays. What
// the parse reads waits as a small plain record until the container holding it closes: the
// elements and members of the open containers sit on stacks shared by the whole parse (a
// number as its value and the place of its spelling in the text, a string as the place of its
// bytes, a closed container as its finished vector), and on closing, the container makes its
// vector at the exact size and builds each JsonValue there. Nothing is built aside, moved,
// cleared or regrown. Strings without escapes stay where they are in the text until then; the
// rare ones with escapes are decoded into a buffer that unwinds with the containers.
// Assumes nothing of the text beyond its end; string bodies and indentation are scanned eight
// bytes at a time. Objects check duplicate keys linearly while small and through an
// open-addressing index of member positions beyond.
#include "json/json_parser.hpp"

#include <algorithm>
#include <array>
#include <bit>
#include <cstring>
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

// Where the bytes of a string or a number's spelling are: in the text, or for a string with
// escapes in the decoding buffer (by offset, as the buffer may move).
struct ByteRange {
    std::size_t offset = 0;
    std::size_t length = 0;
    bool decoded = false;
};

// A value read whose JsonValue is not made yet.
struct PendingValue {
    JsonKind kind = JsonKind::Null;
    bool boolean = false;
    double number = 0.0;
    ByteRange bytes;  // string bytes or number spelling; for a closed container, offset is the
                      // position of its finished vector on the parser's stack of them
};

// A member of an open object.
struct PendingMember {
    ByteRange key;
    PendingValue value;
};

// Objects up to this many members are checked for a repeated key by comparing with each.
constexpr std::size_t kLinearKeyLimit = 12;

// Equal keys; most different keys differ in length or first byte, which saves the call.
bool sameKey(std::string_view a, std::string_view b) {
    return a.size() == b.size() && (a.empty() || (a[0] == b[0] && a == b));
}

// Positions of an object's members by key hash: slots hold member index + 1, 0 when empty.
// Keys are looked up through a function of the index, as their records may move.
class KeyIndex {
public:
    // True if key (the key of member `index`) is new, and then records it; false if present.
    template <typename KeyAt>
    bool insert(std::string_view key, std::size_t index, const KeyAt& keyAt) {
        if ((index + 1) * 2 > slots_.size()) rebuild(index, keyAt);
        return place(key, index, keyAt);
    }

private:
    // Mixes the key eight bytes at a time (keys are short; the table only needs spread). A key
    // of eight bytes or more ends with its last eight, overlapping the words before.
    static std::size_t hashOf(std::string_view key) {
        const std::size_t n = key.size();
        std::uint64_t h = n * 0x9E3779B97F4A7C15ULL;
        std::uint64_t w = 0;
        if (n >= 8) {
            for (std::size_t i = 0; i + 8 < n; i += 8) {
                std::memcpy(&w, key.data() + i, 8);
                h = (h ^ w) * 0xBF58476D1CE4E5B9ULL;
                h ^= h >> 31;
            }
            std::memcpy(&w, key.data() + n - 8, 8);
        } else {
            for (std::size_t i = 0; i < n; ++i) w = (w << 8) | static_cast<unsigned char>(key[i]);
        }
        h = (h ^ w) * 0x94D049BB133111EBULL;  // the high bytes of w reach only the high bits here,
        h = (h ^ (h >> 32)) * 0xBF58476D1CE4E5B9ULL;  // so fold them down before the table's mask
        return static_cast<std::size_t>(h ^ (h >> 29));
    }

    template <typename KeyAt>
    bool place(std::string_view key, std::size_t index, const KeyAt& keyAt) {
        const std::size_t mask = slots_.size() - 1;
        std::size_t i = hashOf(key) & mask;
        while (slots_[i] != 0) {
            if (keyAt(slots_[i] - 1) == key) return false;
            i = (i + 1) & mask;
        }
        slots_[i] = static_cast<std::uint32_t>(index + 1);
        return true;
    }

    template <typename KeyAt>
    void rebuild(std::size_t count, const KeyAt& keyAt) {
        slots_.assign(std::max<std::size_t>(kFirstSlots, std::bit_ceil((count + 1) * 4)), 0);
        for (std::size_t i = 0; i < count; ++i) place(keyAt(i), i, keyAt);
    }

    // Objects that outgrow the linear check are mostly large: start at room for 256 members.
    static constexpr std::size_t kFirstSlots = 512;

    std::vector<std::uint32_t> slots_;
};

bool opensContainer(char c) { return c == '[' || c == '{'; }

class Parser {
public:
    Parser(std::string_view text, std::string& reason)
        : text_(text.data()), p_(text.data()), end_(text.data() + text.size()), reason_(reason) {
        // Room for what a typical document keeps open at once, so that the stacks do not regrow
        // through every small document; past the cap they grow as they need.
        const std::size_t guess = std::min<std::size_t>(text.size() / 32, 1024);
        items_.reserve(guess);
        members_.reserve(guess);
    }

    bool parseTop(JsonValue& out) {
        skipWhitespace();
        if (p_ == end_) return fail(reason::kEmptyDocument);
        PendingValue value;
        if (!parseValue(value)) {
            if (reason_.empty()) reason_ = reason::kParseError;
            return false;
        }
        skipWhitespace();
        if (p_ != end_) return fail(reason::kTrailingContent);
        make(out, value);
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
        // Most tokens follow no whitespace: a byte above the space ends it before the table.
        while (p < end_ && static_cast<unsigned char>(*p) <= ' ' && kWhitespace[static_cast<unsigned char>(*p)]) {
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

    std::string_view bytesOf(const ByteRange& r) const {
        return std::string_view((r.decoded ? decoded_.data() : text_) + r.offset, r.length);
    }

    // Reads the value at the position (whitespace already passed) into out, a default record.
    bool parseValue(PendingValue& out) {
        if (p_ == end_) return fail(reason::kInvalidNumber);
        switch (*p_) {
            case '"':
                out.kind = JsonKind::String;
                return parseString(out.bytes);
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

    bool parseNumber(PendingValue& out) {
        const std::size_t length =
            json_number::readPrefix(std::string_view(p_, static_cast<std::size_t>(end_ - p_)), out.number);
        if (length == 0) return fail(reason::kInvalidNumber);
        out.kind = JsonKind::Number;
        out.bytes = ByteRange{static_cast<std::size_t>(p_ - text_), length, false};
        p_ += length;
        return true;
    }

    // Reads the element at the position (whitespace already passed) onto the item stack. A scalar
    // is read in its slot; a container is read aside first, as its own elements move the stack.
    bool pushItem() {
        if (p_ < end_ && opensContainer(*p_)) {
            PendingValue nested;
            if (!parseValue(nested)) return false;
            items_.push_back(nested);
            return true;
        }
        return parseValue(items_.emplace_back());
    }

    // The same for the value of the member in `slot` of the member stack.
    bool parseMemberValue(std::size_t slot) {
        if (p_ < end_ && opensContainer(*p_)) {
            PendingValue nested;
            if (!parseValue(nested)) return false;
            members_[slot].value = nested;
            return true;
        }
        return parseValue(members_[slot].value);
    }

    bool parseArray(PendingValue& out) {
        ++p_;
        skipWhitespace();
        if (p_ < end_ && *p_ == ']') {
            ++p_;
            return finish(out, std::vector<JsonValue>());
        }
        const Mark mark = markStacks();
        for (;;) {
            if (!pushItem()) return false;
            skipWhitespace();
            if (p_ < end_) {
                if (*p_ == ',') {
                    ++p_;
                    skipWhitespace();
                    continue;
                }
                if (*p_ == ']') {
                    ++p_;
                    break;
                }
            }
            return fail(reason::kExpectedCommaOrBracket);
        }
        std::vector<JsonValue> items;
        items.reserve(items_.size() - mark.items);
        for (std::size_t i = mark.items; i < items_.size(); ++i) make(items.emplace_back(), items_[i]);
        unwind(mark);
        return finish(out, std::move(items));
    }

    bool parseObject(PendingValue& out) {
        ++p_;
        skipWhitespace();
        if (p_ < end_ && *p_ == '}') {
            ++p_;
            return finish(out, std::vector<JsonMember>());
        }
        const Mark mark = markStacks();
        KeyIndex index;
        for (;;) {
            if (p_ == end_ || *p_ != '"') return fail(reason::kExpectedKey);
            const std::size_t slot = members_.size();
            if (!parseString(members_.emplace_back().key)) return false;
            skipWhitespace();
            if (p_ == end_ || *p_ != ':') return fail(reason::kExpectedColon);
            ++p_;
            const std::string_view key = bytesOf(members_[slot].key);
            if (!isNewKey(key, mark.members, slot - mark.members, index)) return fail(reason::duplicateKey(key));
            skipWhitespace();
            if (!parseMemberValue(slot)) return false;
            skipWhitespace();
            if (p_ < end_) {
                if (*p_ == ',') {
                    ++p_;
                    skipWhitespace();
                    continue;
                }
                if (*p_ == '}') {
                    ++p_;
                    break;
                }
            }
            return fail(reason::kExpectedCommaOrBrace);
        }
        std::vector<JsonMember> members;
        members.reserve(members_.size() - mark.members);
        for (std::size_t i = mark.members; i < members_.size(); ++i) {
            JsonMember& member = members.emplace_back();
            member.key.append(bytesOf(members_[i].key));
            make(member.value, members_[i].value);
        }
        unwind(mark);
        return finish(out, std::move(members));
    }

    // Whether key, of the open object's member `count` (the object's members start at `base`
    // on the member stack), differs from the keys of the members before it.
    bool isNewKey(std::string_view key, std::size_t base, std::size_t count, KeyIndex& index) const {
        if (count < kLinearKeyLimit) {
            for (std::size_t i = base; i < base + count; ++i) {
                if (sameKey(bytesOf(members_[i].key), key)) return false;
            }
            return true;
        }
        return index.insert(key, count, [&](std::size_t i) { return bytesOf(members_[base + i].key); });
    }

    // The stack heights when a container opens; it unwinds to them once its vector is made.
    struct Mark {
        std::size_t items, members, arrays, objects, decoded;
    };

    Mark markStacks() const { return Mark{items_.size(), members_.size(), arraysTop_, objectsTop_, decoded_.size()}; }

    void unwind(const Mark& mark) {
        items_.resize(mark.items);
        members_.resize(mark.members);
        arraysTop_ = mark.arrays;
        objectsTop_ = mark.objects;
        decoded_.resize(mark.decoded);
    }

    // Puts a closed container's vector on its stack (into a slot emptied before, if there is
    // one) and makes out refer to it.
    template <typename T>
    static void park(std::vector<std::vector<T>>& stack, std::size_t& top, std::vector<T>&& v, PendingValue& out) {
        if (top == stack.size()) stack.emplace_back();
        stack[top] = std::move(v);
        out.bytes.offset = top++;
    }

    bool finish(PendingValue& out, std::vector<JsonValue>&& items) {
        out.kind = JsonKind::Array;
        park(arrays_, arraysTop_, std::move(items), out);
        return true;
    }

    bool finish(PendingValue& out, std::vector<JsonMember>&& members) {
        out.kind = JsonKind::Object;
        park(objects_, objectsTop_, std::move(members), out);
        return true;
    }

    // Sets an empty text to the bytes of a string or a number's spelling. A short one with room
    // behind it, as most have, is copied as a fixed count of bytes: a few moves, not a call.
    void copyText(JsonText& out, const ByteRange& r) const {
        const std::string_view bytes = bytesOf(r);
        const char* limit = r.decoded ? decoded_.data() + decoded_.size() : end_;
        if (bytes.size() <= JsonText::kInlineCapacity &&
            limit - bytes.data() >= static_cast<std::ptrdiff_t>(JsonText::kInlineCapacity)) {
            out.assignInlineFrom(bytes.data(), bytes.size());
        } else {
            out.assign(bytes.data(), bytes.size());
        }
    }

    // Builds the JsonValue of a record in place (out is a new JsonValue, a null).
    void make(JsonValue& out, const PendingValue& v) {
        switch (v.kind) {
            case JsonKind::Null: break;
            case JsonKind::Boolean: out.setBool(v.boolean); break;
            case JsonKind::Number:
                out.setNumber(v.number);
                copyText(out.editNumberText(), v.bytes);
                break;
            case JsonKind::String: copyText(out.editString(), v.bytes); break;
            case JsonKind::Array: out.setItems(std::move(arrays_[v.bytes.offset])); break;
            case JsonKind::Object: out.setMembers(std::move(objects_[v.bytes.offset])); break;
        }
    }

    // The position is at the opening quote; leaves it after the closing one. A string without
    // escapes is its place in the text; one with escapes is decoded onto the buffer.
    [[gnu::always_inline]] bool parseString(ByteRange& out) {
        const char* start = ++p_;
        p_ = findQuoteOrBackslash(p_, end_);
        if (p_ == end_) return fail(reason::kUnterminatedString);
        if (*p_ == '"') {
            out = ByteRange{static_cast<std::size_t>(start - text_), static_cast<std::size_t>(p_ - start), false};
            ++p_;
            return true;
        }
        return parseEscapedString(start, out);
    }

    // parseString from the first backslash on, kept out of the usual path.
    [[gnu::noinline]] bool parseEscapedString(const char* start, ByteRange& out) {
        const std::size_t first = decoded_.size();
        decoded_.append(start, static_cast<std::size_t>(p_ - start));
        if (!decodeFromEscape()) return false;
        out = ByteRange{first, decoded_.size() - first, true};
        return true;
    }

    // The position is at a backslash inside a string; decodes onto the buffer up to the closing
    // quote and leaves the position after it.
    bool decodeFromEscape() {
        std::string& out = decoded_;
        for (;;) {
            if (++p_ == end_) return fail(reason::kUnterminatedString);
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
            const char* run = p_;
            p_ = findQuoteOrBackslash(p_, end_);
            if (p_ == end_) return fail(reason::kUnterminatedString);
            out.append(run, static_cast<std::size_t>(p_ - run));
            if (*p_ == '"') {
                ++p_;
                return true;
            }
        }
    }

    // Four hex digits at the position; false with the reason set when they are not there.
    bool readHex4(std::uint32_t& unit) {
        if (end_ - p_ < 4) return fail(reason::kTruncatedEscape);
        std::uint32_t value = 0;
        for (int i = 0; i < 4; ++i) {
            const int h = hexValue(p_[i]);
            if (h < 0) return fail(reason::kBadEscape);
            value = (value << 4) | static_cast<std::uint32_t>(h);
        }
        unit = value;
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

    const char* text_;
    const char* p_;
    const char* end_;
    int depth_ = 0;
    std::string& reason_;
    // What the open containers have read, innermost last: elements, members, the finished
    // vectors of closed containers among them, and decoded string bytes.
    std::vector<PendingValue> items_;
    std::vector<PendingMember> members_;
    std::vector<std::vector<JsonValue>> arrays_;  // slots from the top up are empty, kept for reuse
    std::vector<std::vector<JsonMember>> objects_;
    std::size_t arraysTop_ = 0;
    std::size_t objectsTop_ = 0;
    std::string decoded_;
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
