// Reading an instance document: the envelope, then each member in a fixed order (which is also
// the order of the findings). The reader does not judge ids or values against the registry.
#include "documents/document_texts.hpp"
#include "documents/field_reader.hpp"
#include "documents/instance_document.hpp"

namespace orbi {

namespace dt = doctext;

namespace {

bool isLowerHex(char c) { return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f'); }

// The members of `params` or `assets`, all kept in order; those failing `accept` draw a warning.
template <typename Accept>
MemberList readEntries(const JsonValue& object, std::string_view path, Accept accept, std::string_view code,
                       std::string_view message, DiagnosticList& diagnostics) {
    MemberList out;
    out.reserve(object.members().size());
    for (const JsonMember& m : object.members()) {
        if (!accept(m.value)) addWarning(diagnostics, std::string(code), childPath(path, m.key), std::string(message));
        out.push_back(m);  // keys of a JSON object are unique already
    }
    return out;
}

}  // namespace

std::optional<AssetRef> parseAssetRef(std::string_view text) {
    constexpr std::string_view kFactory = "factory:";
    constexpr std::string_view kAsset = "asset:";
    if (text.starts_with(kFactory)) {
        std::string_view name = text.substr(kFactory.size());
        if (name.empty()) return std::nullopt;
        return AssetRef{AssetRefKind::Factory, std::string(name)};
    }
    if (text.starts_with(kAsset)) {
        std::string_view digest = text.substr(kAsset.size());
        if (digest.size() != 64) return std::nullopt;
        for (char c : digest) {
            if (!isLowerHex(c)) return std::nullopt;
        }
        return AssetRef{AssetRefKind::Asset, std::string(digest)};
    }
    return std::nullopt;
}

std::optional<InstanceDocument> readInstanceDocument(const JsonValue& document, DiagnosticList& diagnostics) {
    auto envelope = readEnvelope(document, kInstanceKind, diagnostics);
    if (!envelope) return std::nullopt;
    InstanceDocument instance;
    FieldReader r(document, "", diagnostics);
    r.markRead("kind");
    r.markRead("spec");
    if (envelope->extensionsListed) r.markRead("extensions");
    instance.spec = envelope->spec;
    instance.extensions = std::move(envelope->extensions);
    instance.keptExtensions = std::move(envelope->keptExtensions);

    if (auto id = r.getString("id")) instance.id = std::move(*id);
    if (auto plugin = r.getString("plugin")) instance.plugin = std::move(*plugin);
    if (instance.plugin.empty()) {
        addWarning(diagnostics, std::string(dt::kInstanceWithoutPlugin), "/plugin", std::string(dt::kInstanceNamesPlugin));
    }
    instance.formatVersion = truncateToInt32(r.getNumber("formatVersion").value_or(1.0));
    if (auto version = r.getString("pluginVersion")) instance.pluginVersion = std::move(*version);
    if (auto scope = r.getString("scope")) instance.scope = std::move(*scope);
    instance.seed = readSeedMember(r);

    // Open members are taken whole, whatever their type.
    for (auto [key, field] : {std::pair{"meta", &instance.meta}, std::pair{"provenance", &instance.provenance},
                              std::pair{"state", &instance.state}, std::pair{"hints", &instance.hints},
                              std::pair{"ext", &instance.ext}}) {
        if (const JsonValue* value = r.peek(key)) {
            *field = *value;
            r.markRead(key);
        }
    }

    if (const JsonValue* params = r.getObject("params")) {
        const std::string message =
            std::string(dt::kExpected) + std::string(dt::kAValueOrChoiceId) + std::string(dt::kKeptNotApplied);
        instance.params = readEntries(
            *params, "/params", [](const JsonValue& v) { return v.isNumber() || v.isString(); }, dt::kWrongType,
            message, diagnostics);
    }
    if (const JsonValue* assets = r.getObject("assets")) {
        instance.assets = readEntries(
            *assets, "/assets", [](const JsonValue& v) { return v.isString() && parseAssetRef(v.string()).has_value(); },
            dt::kBadAssetRef, dt::kExpectedAssetRef, diagnostics);
    }

    if (const JsonValue* audition = r.peek("audition")) {
        // The clip reports into a list of its own; its findings join ours under "/audition".
        DiagnosticList clipDiagnostics;
        auto clip = readClipDocument(*audition, clipDiagnostics);
        appendPrefixed(diagnostics, clipDiagnostics, "/audition");
        if (clip) {
            instance.audition = std::move(*clip);
            r.markRead("audition");
        } else {
            addWarning(diagnostics, std::string(dt::kBadAudition), "/audition", std::string(dt::kAuditionNotClip));
        }
    }

    instance.unread = r.unreadMembers();
    instance.source = document;
    return instance;
}

}  // namespace orbi
