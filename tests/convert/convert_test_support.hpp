// Shared helpers of the conversion tests: a converted preset's written members in compact JSON,
// and applying an instance given as text, with findings as "<N|W|E> code path | message" lines.
#pragma once

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "convert/apply_instance.hpp"
#include "convert/convert_legacy.hpp"
#include "documents/member_list.hpp"
#include "json/json_parser.hpp"
#include "json/json_writer.hpp"

namespace orbi::test {

using Lines = std::vector<std::string>;

struct Converted {
    InstanceDocument instance;
    Package package;
    DiagnosticList diagnostics;
};

inline Converted convertPreset(const LegacyPreset& preset, const std::string& id = "preset-id") {
    Converted out;
    convertLegacyPreset(out.instance, out.package, preset, id, out.diagnostics);
    return out;
}

// One member of the written document (or of its state) in compact form, or "<absent>".
inline std::string writtenMember(const Converted& converted, std::string_view key, bool inState = false) {
    const JsonValue* object = inState ? findMember(converted.package.document, "state") : &converted.package.document;
    const JsonValue* value = object ? findMember(*object, key) : nullptr;
    return value ? writeCompact(*value) : std::string("<absent>");
}
inline std::string writtenState(const Converted& converted, std::string_view key) {
    return writtenMember(converted, key, true);
}

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

inline Lines lines(const DiagnosticList& list) {
    Lines out;
    for (const Diagnostic& d : list) {
        const char* severity = d.severity == Severity::Note ? "N" : d.severity == Severity::Warning ? "W" : "E";
        out.push_back(std::string(severity) + " " + d.code + " " + d.path + " | " + d.message);
    }
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

}  // namespace orbi::test
