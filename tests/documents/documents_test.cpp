// Documents as case tables: instance and clip texts with every finding and the text written back
// (data/documents.txt), the envelope and the small text forms (data/texts.txt), and FieldReader.
#include <gtest/gtest.h>

#include <cstdio>

#include "documents/clip_document.hpp"
#include "documents/field_reader.hpp"
#include "documents/instance_document.hpp"
#include "json/json_parser.hpp"
#include "json/json_writer.hpp"
#include "support/case_file.hpp"

namespace orbi::test {
namespace {

JsonValue parse(std::string_view text) {
    JsonValue value;
    std::string reason;
    EXPECT_TRUE(parseJson(text, value, reason)) << reason << " in " << text;
    return value;
}

// The document read as the kind and written back in its stored form; "" when nothing was read.
std::string rewrite(bool clip, std::string_view text, DiagnosticList& list) {
    if (clip) { const auto d = readClipDocument(parse(text), list); return d ? writeDocument(writeClipDocument(*d)) : ""; }
    const auto d = readInstanceDocument(parse(text), list);
    return d ? writeDocument(writeInstanceDocument(*d)) : "";
}

// A first line "instance" or "clip" names the reader; then the findings and the written text in
// compact form, or "unchanged" when it is the input byte for byte. Written once more, the text
// must not change: whatever a reader keeps, it keeps in the writer's own form.
TEST(Documents, CaseTable) {
    checkCaseFile(ORBI_CASES "/documents.txt", [](const std::string& input) {
        const bool clip = input.rfind("clip\n", 0) == 0;
        const std::string text = input.substr(input.find('\n') + 1);
        DiagnosticList list;
        const std::string written = rewrite(clip, text, list);
        if (written.empty()) return findings(list) + "nothing read\n";
        DiagnosticList again;
        EXPECT_EQ(rewrite(clip, written, again), written);
        return findings(list) + (written == text + "\n" ? "unchanged" : writeCompact(parse(written))) + "\n";
    });
}

std::string call(const std::vector<std::string>& words) {
    const std::string& what = words.at(0);
    const std::string arg = words.size() > 1 ? words[1] : "";
    if (what == "extension-id") {
        auto id = parseExtensionId(arg);
        return id ? formatExtensionId(*id) : "none";
    }
    if (what == "seed") return parseSeed(arg) ? formatSeed(*parseSeed(arg)) : "none";
    if (what == "grid") {
        char buffer[32];
        return parseGrid(arg) ? std::string(buffer, static_cast<std::size_t>(std::snprintf(buffer, 32, "%.17g", *parseGrid(arg))))
                              : "none";
    }
    if (what == "asset-ref") {
        auto ref = parseAssetRef(arg);
        return ref ? (ref->kind == AssetRefKind::Factory ? "factory " : "asset ") + ref->name : "none";
    }
    // envelope <kind> <document>: what it reads, then its findings indented
    DiagnosticList list;
    auto envelope = readEnvelope(parse(words.at(2)), arg, list);
    std::string out = "none";
    if (envelope) {
        out = "spec " + formatSpecVersion(envelope->spec) + ", ids " + writeCompact(extensionsValue(envelope->extensions, {})) +
              ", kept " + writeCompact(JsonValue::makeArray(envelope->keptExtensions)) +
              (envelope->extensionsListed ? "" : ", not a list");
    }
    const std::string lines = findings(list, "  ");
    return lines.empty() ? out : out + "\n" + lines.substr(0, lines.size() - 1);
}

TEST(Documents, TextForms) { checkCallFile(ORBI_CASES "/texts.txt", call); }

TEST(FieldReader, TypedReadsMarkOnlyWhatWasRead) {
    const JsonValue object = parse(R"({"n":1.5,"s":"x","b":true,"a":[1],"o":{},"w":"1","p":null,"a/b":3})");
    DiagnosticList list;
    FieldReader r(object, "/base", list);
    EXPECT_EQ(r.getNumber("n"), 1.5);
    EXPECT_EQ(r.getString("s"), "x");
    EXPECT_EQ(r.getBool("b"), true);
    EXPECT_NE(r.getArray("a"), nullptr);
    EXPECT_NE(r.getObject("o"), nullptr);
    EXPECT_FALSE(r.getNumber("w") || r.getString("missing") || r.getBool("a/b"));  // missing: silent
    EXPECT_EQ(r.get("p", JsonKind::Object, "a thing"), nullptr);
    ASSERT_NE(r.peek("p"), nullptr);  // peeking does not mark
    r.markRead("s");                  // duplicates are harmless
    EXPECT_EQ(findings(list), "W wrong-type /base/w | Expected a number; kept as written, not applied\n"
                              "W wrong-type /base/a~1b | Expected true or false; kept as written, not applied\n"
                              "W wrong-type /base/p | Expected a thing; kept as written, not applied\n");
    EXPECT_EQ(writeCompact(r.unreadMembers()), R"({"w":"1","p":null,"a/b":3})");
    for (const char* key : {"w", "p", "a/b"}) r.markRead(key);
    EXPECT_EQ(r.unreadMembers(), JsonValue::makeObject());  // an empty object, not null
    const JsonValue array = parse("[1,2]");
    FieldReader onArray(array, "", list);
    EXPECT_EQ(onArray.unreadMembers(), JsonValue::makeObject());
    EXPECT_FALSE(onArray.getNumber("0"));
}

}  // namespace
}  // namespace orbi::test
