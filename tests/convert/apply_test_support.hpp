// Helpers of the applying tests: build a package from instance text, apply it, and compare
// findings as compact "<N|W|E> code path | message" lines.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "convert/apply_instance.hpp"
#include "documents/diagnostics.hpp"
#include "json/json_parser.hpp"

namespace orbi::test {

inline JsonValue parseText(std::string_view text) {
    JsonValue value;
    std::string reason;
    EXPECT_TRUE(parseJson(text, value, reason)) << reason << " in " << text;
    return value;
}

// An instance document that draws no finding from the reader, with `members` added after
// kind, spec and plugin (members starts with a comma when not empty).
inline std::string orbitrone(std::string_view members) {
    return std::string(R"({"kind":"instance","spec":"1.0","plugin":"orbitrone")") + std::string(members) + "}";
}

inline std::string line(const Diagnostic& d) {
    const char* severity = d.severity == Severity::Note ? "N" : d.severity == Severity::Warning ? "W" : "E";
    return std::string(severity) + " " + d.code + " " + d.path + " | " + d.message;
}

inline std::vector<std::string> lines(const DiagnosticList& list) {
    std::vector<std::string> out;
    for (const Diagnostic& d : list) out.push_back(line(d));
    return out;
}

struct Applied {
    std::optional<LegacyPreset> preset;
    DiagnosticList diagnostics;
    ApplySideRecord side;
};

inline Applied applyPackage(const Package& package, bool allowSections = false) {
    Applied out;
    out.preset = applyInstanceDocument(out.side, package, allowSections, out.diagnostics);
    return out;
}

inline Applied applyText(std::string_view text, bool allowSections = false) {
    Package package;
    package.document = parseText(text);
    return applyPackage(package, allowSections);
}

// Little-endian byte builders for asset files.
inline void putU32(std::vector<std::uint8_t>& out, std::uint32_t v) {
    for (int i = 0; i < 4; ++i) out.push_back(static_cast<std::uint8_t>(v >> (8 * i)));
}
inline void putFloat(std::vector<std::uint8_t>& out, float f) {
    std::uint32_t bits;
    std::memcpy(&bits, &f, 4);
    putU32(out, bits);
}
inline void putDouble(std::vector<std::uint8_t>& out, double d) {
    std::uint64_t bits;
    std::memcpy(&bits, &d, 8);
    putU32(out, static_cast<std::uint32_t>(bits));
    putU32(out, static_cast<std::uint32_t>(bits >> 32));
}

// An "OSS1" sample file: header as given, then the channels one after the other.
inline std::vector<std::uint8_t> sampleFile(std::int32_t channels, std::int32_t frames, double rate,
                                            const std::vector<std::vector<float>>& data) {
    std::vector<std::uint8_t> out = {'O', 'S', 'S', '1'};
    putU32(out, static_cast<std::uint32_t>(channels));
    putU32(out, static_cast<std::uint32_t>(frames));
    putDouble(out, rate);
    for (const auto& channel : data) {
        for (float f : channel) putFloat(out, f);
    }
    return out;
}

}  // namespace orbi::test
