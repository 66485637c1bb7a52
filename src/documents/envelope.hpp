// The envelope shared by every current document (kind, spec, extensions) and the small
// helpers the document readers and writers share: extension ids, seeds, unread-member overlay.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "diagnostics/diagnostics.hpp"
#include "json/json_value.hpp"

namespace orbi {

struct SpecVersion {
    std::uint32_t major = 1;
    std::uint32_t minor = 0;

    bool operator==(const SpecVersion&) const = default;
};

inline constexpr SpecVersion kCurrentSpec{1, 0};

struct ExtensionId {
    std::string name;
    std::int32_t version = 1;  // at least 1

    bool operator==(const ExtensionId&) const = default;
};

struct DocumentEnvelope {
    std::string kind;
    SpecVersion spec;
    std::vector<ExtensionId> extensions;
    std::vector<JsonValue> keptExtensions;  // unreadable entries of `extensions`, unchanged
    bool extensionsListed = true;           // false when `extensions` is present but not an array
};

// Checks kind, spec and extensions of a document. Nothing is returned only when the document is
// not an object or its kind differs from expectedKind (both reported as errors).
std::optional<DocumentEnvelope> readEnvelope(const JsonValue& document, std::string_view expectedKind,
                                             DiagnosticList& diagnostics);

// "1.0": the version this program reads and writes, spelled as the writers spell it.
std::string currentSpecText();
std::string formatSpecVersion(SpecVersion version);

// "name/version", split at the last slash; version a decimal integer of at least 1.
std::optional<ExtensionId> parseExtensionId(std::string_view text);
std::string formatExtensionId(const ExtensionId& id);

// Exactly 16 hex digits (either case), most significant first.
std::optional<std::uint64_t> parseSeed(std::string_view text);
// Exactly 16 lower-case hex digits.
std::string formatSeed(std::uint64_t seed);

// A decimal integer: optional "-", at least one digit, nothing else, within 32 bits signed.
std::optional<std::int32_t> parseDecimalInt32(std::string_view text);

// A double truncated toward zero into 32 bits; out-of-range values saturate and NaN gives 0.
std::int32_t truncateToInt32(double value);

// The ids as text, in order, followed by the kept entries unchanged.
JsonValue extensionsValue(const std::vector<ExtensionId>& extensions, const std::vector<JsonValue>& keptExtensions);

// Puts every unread member back into `written` (in place when the key is already there, else
// appended in read order), then restores read number spellings against `asRead`.
void overlayUnread(JsonValue& written, const JsonValue& unread, const JsonValue& asRead);

}  // namespace orbi
