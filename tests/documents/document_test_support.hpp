// Shared helpers of the document tests: parse a text, compare findings as compact tuples, and
// read-write round trips through the stored text form.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <string_view>
#include <vector>

#include "documents/clip_document.hpp"
#include "diagnostics/diagnostics.hpp"
#include "documents/instance_document.hpp"
#include "json/json_parser.hpp"
#include "json/json_writer.hpp"

namespace orbi::test {

inline JsonValue parse(std::string_view text) {
    JsonValue value;
    std::string reason;
    EXPECT_TRUE(parseJson(text, value, reason)) << reason << " in " << text;
    return value;
}

// One finding written as "<N|W|E> code path | message" so that a whole list compares at once.
inline std::string describe(const Diagnostic& d) {
    const char* severity = d.severity == Severity::Note ? "N" : d.severity == Severity::Warning ? "W" : "E";
    return std::string(severity) + " " + d.code + " " + d.path + " | " + d.message;
}

inline std::vector<std::string> describe(const DiagnosticList& list) {
    std::vector<std::string> out;
    for (const Diagnostic& d : list) out.push_back(describe(d));
    return out;
}

// Reads an instance document from text and writes it back in its stored form.
inline std::string rewriteInstance(std::string_view text, DiagnosticList& diagnostics) {
    auto instance = readInstanceDocument(parse(text), diagnostics);
    EXPECT_TRUE(instance.has_value());
    return instance ? writeDocument(writeInstanceDocument(*instance)) : std::string();
}

inline std::string rewriteClip(std::string_view text, DiagnosticList& diagnostics) {
    auto clip = readClipDocument(parse(text), diagnostics);
    EXPECT_TRUE(clip.has_value());
    return clip ? writeDocument(writeClipDocument(*clip)) : std::string();
}

// A stored document text in compact form, for comparing member order, values and spellings on
// one line (the indented layout itself is checked by the fixed-point round trips).
inline std::string compact(std::string_view documentText) { return writeCompact(parse(documentText)); }

// The member keys of an object, in order.
inline std::vector<std::string> keysOf(const JsonValue& object) {
    std::vector<std::string> out;
    for (const JsonMember& m : object.members) out.push_back(m.key);
    return out;
}

}  // namespace orbi::test
