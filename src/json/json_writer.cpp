// Compact and two-space indented JSON text. Arrays of scalars stay on one line; objects put
// one member per line. Strings are copied in runs between the bytes that need an escape.
#include "json/json_writer.hpp"

#include <array>

namespace orbi {

namespace {

constexpr char kHexDigits[] = "0123456789abcdef";

// 1 for the bytes quoteString must escape: the quote, the backslash and everything below 20.
constexpr std::array<bool, 256> kNeedsEscape = [] {
    std::array<bool, 256> t{};
    for (int c = 0; c < 0x20; ++c) t[static_cast<std::size_t>(c)] = true;
    t['"'] = true;
    t['\\'] = true;
    return t;
}();

void appendIndent(std::string& out, int depth) {
    if (depth > 0) out.append(static_cast<std::size_t>(depth) * 2, ' ');
}

bool holdsOnlyScalars(const JsonValue& array) {
    for (const JsonValue& item : array.items()) {
        if (item.isArray() || item.isObject()) return false;
    }
    return true;
}

}  // namespace

void appendQuoted(std::string_view bytes, std::string& out) {
    out += '"';
    std::size_t run = 0;
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        const unsigned char c = static_cast<unsigned char>(bytes[i]);
        if (!kNeedsEscape[c]) continue;
        out.append(bytes.data() + run, i - run);
        run = i + 1;
        switch (c) {
            case '"': out += "\\\""; break;
            case '\\': out += "\\\\"; break;
            case '\t': out += "\\t"; break;
            case '\n': out += "\\n"; break;
            case '\r': out += "\\r"; break;
            default: {
                const char esc[6] = {'\\', 'u', '0', '0', kHexDigits[c >> 4], kHexDigits[c & 0xF]};
                out.append(esc, 6);
                break;
            }
        }
    }
    out.append(bytes.data() + run, bytes.size() - run);
    out += '"';
}

std::string quoteString(std::string_view bytes) {
    std::string out;
    out.reserve(bytes.size() + 2);
    appendQuoted(bytes, out);
    return out;
}

void appendCompact(const JsonValue& v, std::string& out) {
    switch (v.kind()) {
        case JsonKind::Boolean: out += v.boolean() ? "true" : "false"; return;
        case JsonKind::Number: appendNumber(v, out); return;
        case JsonKind::String: appendQuoted(v.string(), out); return;
        case JsonKind::Array: {
            out += '[';
            bool first = true;
            for (const JsonValue& item : v.items()) {
                if (!first) out += ',';
                first = false;
                appendCompact(item, out);
            }
            out += ']';
            return;
        }
        case JsonKind::Object: {
            out += '{';
            bool first = true;
            for (const JsonMember& m : v.members()) {
                if (!first) out += ',';
                first = false;
                appendQuoted(m.key, out);
                out += ':';
                appendCompact(m.value, out);
            }
            out += '}';
            return;
        }
        case JsonKind::Null: break;
    }
    out += "null";
}

std::string writeCompact(const JsonValue& v) {
    std::string out;
    appendCompact(v, out);
    return out;
}

void writePretty(const JsonValue& v, int depth, std::string& out) {
    const std::vector<JsonValue>& items = v.items();
    if (!items.empty() && !holdsOnlyScalars(v)) {
        out += "[\n";
        const std::size_t count = items.size();
        for (std::size_t i = 0; i < count; ++i) {
            appendIndent(out, depth + 1);
            writePretty(items[i], depth + 1, out);
            out += i + 1 < count ? ",\n" : "\n";
        }
        appendIndent(out, depth);
        out += ']';
        return;
    }
    const std::vector<JsonMember>& members = v.members();
    if (!members.empty()) {
        out += "{\n";
        const std::size_t count = members.size();
        for (std::size_t i = 0; i < count; ++i) {
            appendIndent(out, depth + 1);
            appendQuoted(members[i].key, out);
            out += ": ";
            writePretty(members[i].value, depth + 1, out);
            out += i + 1 < count ? ",\n" : "\n";
        }
        appendIndent(out, depth);
        out += '}';
        return;
    }
    appendCompact(v, out);  // scalars, empty containers and arrays of scalars
}

std::string writeDocument(const JsonValue& v) {
    std::string out;
    writePretty(v, 0, out);
    out += '\n';
    return out;
}

}  // namespace orbi
