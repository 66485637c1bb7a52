// Strict JSON parser: no duplicate keys, no trailing content, at most 256 nested containers.
// Failures carry one short exact reason; parseDocument turns it into a "document-unreadable" error.
#pragma once

#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "diagnostics/diagnostics.hpp"
#include "json/json_value.hpp"

namespace orbi {

inline constexpr int kJsonMaxDepth = 256;

// Parses a complete text. On failure returns false and sets reason; out is then unspecified.
bool parseJson(std::string_view text, JsonValue& out, std::string& reason);

// Skips a UTF-8 byte order mark, parses, and on failure adds the "document-unreadable" error at path.
std::optional<JsonValue> parseDocument(std::string_view bytes, const std::string& path, DiagnosticList& diagnostics);
std::optional<JsonValue> parseDocument(std::span<const std::uint8_t> bytes, const std::string& path,
                                       DiagnosticList& diagnostics);

}  // namespace orbi
