// The document envelope (kind, spec, extensions) and the helpers the readers and writers share.
#include "documents/envelope.hpp"

#include <cmath>
#include <limits>
#include <unordered_map>

#include "documents/document_texts.hpp"
#include "json/json_writer.hpp"

namespace orbi {

namespace dt = doctext;

std::optional<std::int32_t> parseDecimalInt32(std::string_view text) {
    bool negative = false;
    if (!text.empty() && text.front() == '-') {
        negative = true;
        text.remove_prefix(1);
    }
    if (text.empty()) return std::nullopt;
    std::int64_t value = 0;
    const std::int64_t limit = negative ? std::int64_t{1} << 31 : (std::int64_t{1} << 31) - 1;
    for (char c : text) {
        if (c < '0' || c > '9') return std::nullopt;
        value = value * 10 + (c - '0');
        if (value > limit) return std::nullopt;
    }
    return static_cast<std::int32_t>(negative ? -value : value);
}

std::int32_t truncateToInt32(double value) {
    if (std::isnan(value)) return 0;
    if (value >= 2147483647.0) return std::numeric_limits<std::int32_t>::max();
    if (value <= -2147483648.0) return std::numeric_limits<std::int32_t>::min();
    return static_cast<std::int32_t>(value);
}

std::string formatSpecVersion(SpecVersion version) {
    return std::to_string(version.major) + "." + std::to_string(version.minor);
}

std::string currentSpecText() { return formatSpecVersion(kCurrentSpec); }

namespace {

// major "." minor, both non-negative 32-bit decimal integers, the minor running to the end.
std::optional<SpecVersion> parseSpecVersion(std::string_view text) {
    const std::size_t dot = text.find('.');
    if (dot == std::string_view::npos) return std::nullopt;
    const auto major = parseDecimalInt32(text.substr(0, dot));
    const auto minor = parseDecimalInt32(text.substr(dot + 1));
    if (!major || !minor || *major < 0 || *minor < 0) return std::nullopt;
    return SpecVersion{static_cast<std::uint32_t>(*major), static_cast<std::uint32_t>(*minor)};
}

void readSpec(const JsonValue& document, DocumentEnvelope& envelope, DiagnosticList& diagnostics) {
    const JsonValue* spec = findMember(document, "spec");
    if (spec == nullptr) {
        addNote(diagnostics, std::string(dt::kSpecMissing), "/spec",
                std::string(dt::kNoSpecVersionPrefix) + currentSpecText());
        return;
    }
    std::optional<SpecVersion> version;
    if (spec->isString()) version = parseSpecVersion(spec->string());
    if (!version) {
        addWarning(diagnostics, std::string(dt::kBadSpecVersion), "/spec",
                   std::string(dt::kUnreadableSpecPrefix) + currentSpecText());
        return;
    }
    envelope.spec = *version;
    if (version->major >= 2) {
        addWarning(diagnostics, std::string(dt::kSpecNewerMajor), "/spec",
                   std::string(dt::kDocumentUsesSpecPrefix) + std::string(spec->string()) + std::string(dt::kNewerThanInfix) +
                       currentSpecText() + std::string(dt::kNewerMajorSuffix));
    }
}

void readExtensions(const JsonValue& document, DocumentEnvelope& envelope, DiagnosticList& diagnostics) {
    const JsonValue* extensions = findMember(document, "extensions");
    if (extensions == nullptr) return;
    if (!extensions->isArray()) {
        addWarning(diagnostics, std::string(dt::kWrongType), "/extensions", std::string(dt::kExpectedExtensionList));
        envelope.extensionsListed = false;
        return;
    }
    for (std::size_t i = 0; i < extensions->items().size(); ++i) {
        const JsonValue& item = extensions->items()[i];
        std::optional<ExtensionId> id;
        if (item.isString()) id = parseExtensionId(item.string());
        if (id) {
            envelope.extensions.push_back(std::move(*id));
        } else {
            envelope.keptExtensions.push_back(item);
            addWarning(diagnostics, std::string(dt::kBadExtensionId), indexPath("/extensions", i),
                       std::string(dt::kUnreadableExtensionId));
        }
    }
}

}  // namespace

std::optional<DocumentEnvelope> readEnvelope(const JsonValue& document, std::string_view expectedKind,
                                             DiagnosticList& diagnostics) {
    if (!document.isObject()) {
        addError(diagnostics, std::string(dt::kNotADocument), "", std::string(dt::kExpectedJsonObject));
        return std::nullopt;
    }
    DocumentEnvelope envelope;
    envelope.kind = stringMemberOr(document, "kind", "");
    if (envelope.kind != expectedKind) {
        addError(diagnostics, std::string(dt::kWrongKind), "/kind",
                 std::string(dt::kExpectedKindPrefix) + "\"" + std::string(expectedKind) + "\"" +
                     std::string(dt::kFoundInfix) + "\"" + envelope.kind + "\"");
        return std::nullopt;
    }
    readSpec(document, envelope, diagnostics);
    readExtensions(document, envelope, diagnostics);
    return envelope;
}

std::optional<ExtensionId> parseExtensionId(std::string_view text) {
    const std::size_t slash = text.rfind('/');
    if (slash == std::string_view::npos || slash == 0 || slash + 1 == text.size()) return std::nullopt;
    const auto version = parseDecimalInt32(text.substr(slash + 1));
    if (!version || *version < 1) return std::nullopt;
    return ExtensionId{std::string(text.substr(0, slash)), *version};
}

std::string formatExtensionId(const ExtensionId& id) { return id.name + "/" + std::to_string(id.version); }

std::optional<std::uint64_t> parseSeed(std::string_view text) {
    if (text.size() != 16) return std::nullopt;
    std::uint64_t value = 0;
    for (char c : text) {
        unsigned digit = 0;
        if (c >= '0' && c <= '9') {
            digit = static_cast<unsigned>(c - '0');
        } else if (c >= 'a' && c <= 'f') {
            digit = static_cast<unsigned>(c - 'a' + 10);
        } else if (c >= 'A' && c <= 'F') {
            digit = static_cast<unsigned>(c - 'A' + 10);
        } else {
            return std::nullopt;
        }
        value = (value << 4) | digit;
    }
    return value;
}

std::string formatSeed(std::uint64_t seed) {
    static constexpr char kHex[] = "0123456789abcdef";
    std::string out(16, '0');
    for (int i = 15; i >= 0; --i) {
        out[static_cast<std::size_t>(i)] = kHex[seed & 0xF];
        seed >>= 4;
    }
    return out;
}

JsonValue extensionsValue(const std::vector<ExtensionId>& extensions, const std::vector<JsonValue>& keptExtensions) {
    JsonValue out = JsonValue::makeArray();
    std::vector<JsonValue>& items = out.editItems();
    items.reserve(extensions.size() + keptExtensions.size());
    for (const ExtensionId& id : extensions) items.push_back(JsonValue::makeString(formatExtensionId(id)));
    for (const JsonValue& kept : keptExtensions) items.push_back(kept);
    return out;
}

void overlayUnread(JsonValue& written, const JsonValue& unread, const JsonValue& asRead) {
    if (unread.isObject() && !unread.members().empty()) {
        std::vector<JsonMember>& members = written.editMembers();  // an object from here on
        // Index the written keys once so that many unread members do not cost a scan each. The
        // reserve comes first: the index holds views into the keys, which must not move.
        members.reserve(members.size() + unread.members().size());
        std::unordered_map<std::string_view, std::size_t> index;
        for (std::size_t i = 0; i < members.size(); ++i) index.emplace(members[i].key, i);
        for (const JsonMember& m : unread.members()) {
            auto it = index.find(m.key);
            if (it != index.end()) {
                members[it->second].value = m.value;
            } else {
                // Unread members come from one object, so their keys are unique among themselves.
                members.push_back(m);
            }
        }
    }
    adoptReadNumbers(written, asRead);
}

}  // namespace orbi
