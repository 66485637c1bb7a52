// Shared helpers of the conversion tests: a converted preset in compact JSON, member by member.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <string_view>

#include "convert/convert_legacy.hpp"
#include "documents/member_list.hpp"
#include "json/json_writer.hpp"

namespace orbi::test {

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

// One member of the written document in compact form, or "<absent>".
inline std::string writtenMember(const Converted& converted, std::string_view key) {
    const JsonValue* value = findMember(converted.package.document, key);
    return value ? writeCompact(*value) : std::string("<absent>");
}

// One member of the written document's state, or "<absent>".
inline std::string writtenState(const Converted& converted, std::string_view key) {
    const JsonValue* state = findMember(converted.package.document, "state");
    const JsonValue* value = state ? findMember(*state, key) : nullptr;
    return value ? writeCompact(*value) : std::string("<absent>");
}

inline std::string compactParams(const MemberList& params) { return writeCompact(memberListValue(params)); }

}  // namespace orbi::test
