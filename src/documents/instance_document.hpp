// InstanceDocument: one instrument instance in memory, read from or written to an instance
// document. Open-ended members stay JsonValue trees so that unknown content survives a round trip.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "documents/clip_document.hpp"
#include "diagnostics/diagnostics.hpp"
#include "documents/envelope.hpp"
#include "documents/member_list.hpp"
#include "json/json_value.hpp"

namespace orbi {

inline constexpr std::string_view kInstanceKind = "instance";
inline constexpr std::string_view kAuditionExtension = "com.quillmark.audition";

struct InstanceDocument {
    SpecVersion spec;
    std::string id;
    std::string plugin;
    std::int32_t formatVersion = 1;
    std::string pluginVersion;
    std::string scope = "complete";
    std::optional<std::uint64_t> seed;
    std::vector<ExtensionId> extensions;
    std::vector<JsonValue> keptExtensions;  // unreadable entries of `extensions`
    JsonValue meta;
    JsonValue provenance;
    MemberList params;  // parameter id -> number or choice id string (other values are kept)
    JsonValue state;
    JsonValue hints;
    MemberList assets;  // slot name -> asset reference string
    std::optional<ClipDocument> audition;
    JsonValue ext;
    JsonValue unread = JsonValue::makeObject();  // members not read, in document order
    JsonValue source;                            // the whole document as read
};

enum class AssetRefKind : std::uint32_t { Factory = 0, Asset = 1 };

struct AssetRef {
    AssetRefKind kind = AssetRefKind::Factory;
    std::string name;  // the factory name, or the 64 lower-case hex digits of the SHA-256

    bool operator==(const AssetRef&) const = default;
};

// "factory:" + a non-empty name, or "asset:" + 64 lower-case hex digits.
std::optional<AssetRef> parseAssetRef(std::string_view text);

// Nothing is returned only when the envelope fails (not an object, or kind is not "instance").
std::optional<InstanceDocument> readInstanceDocument(const JsonValue& document, DiagnosticList& diagnostics);

// The instance as a JSON object, members in their fixed order, unread members and read number
// spellings restored.
JsonValue writeInstanceDocument(const InstanceDocument& instance);

}  // namespace orbi
