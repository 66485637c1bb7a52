// Envelope reading (kind, spec, extensions), extension ids, seeds, FieldReader and the
// unread-member overlay shared by the document writers.
#include <gtest/gtest.h>

#include "documents/document_texts.hpp"
#include "documents/envelope.hpp"
#include "documents/field_reader.hpp"
#include "documents/document_test_support.hpp"

namespace orbi {
namespace {

using test::describe;
using test::parse;
using Lines = std::vector<std::string>;

Lines envelopeFindings(std::string_view text, std::string_view kind = "instance") {
    DiagnosticList list;
    readEnvelope(parse(text), kind, list);
    return describe(list);
}

TEST(Envelope, WholeDocumentErrorsStopReading) {
    DiagnosticList list;
    EXPECT_FALSE(readEnvelope(parse(R"([{"kind":"instance"}])"), "instance", list));
    EXPECT_EQ(describe(list), (Lines{"E not-a-document  | Expected a JSON object"}));

    EXPECT_EQ(envelopeFindings(R"({"spec":"x"})"), (Lines{R"(E wrong-kind /kind | Expected kind "instance", found "")"}));
    // Nothing after the kind is looked at: the bad spec and extensions draw nothing.
    EXPECT_EQ(envelopeFindings(R"({"kind":"clip","spec":3,"extensions":7})"),
              (Lines{R"(E wrong-kind /kind | Expected kind "instance", found "clip")"}));
    EXPECT_EQ(envelopeFindings(R"({"kind":5})", "clip"), (Lines{R"(E wrong-kind /kind | Expected kind "clip", found "")"}));
}

TEST(Envelope, SpecVersions) {
    struct Case {
        const char* spec;  // the member's JSON text, or nullptr for an absent member
        SpecVersion read;
        Lines findings;
    };
    const Lines bad{"W bad-spec-version /spec | Unreadable spec version, read as 1.0"};
    const Case cases[] = {
        {nullptr, {1, 0}, {"N spec-missing /spec | No spec version, read as 1.0"}},
        {R"("1.7")", {1, 7}, {}},
        {R"("0.3")", {0, 3}, {}},
        {R"("01.00")", {1, 0}, {}},
        {R"("2.0")", {2, 0}, {"W spec-newer-major /spec | Document uses spec 2.0, newer than 1.0; known fields are read and the rest is kept"}},
        {R"("12.05")", {12, 5}, {"W spec-newer-major /spec | Document uses spec 12.05, newer than 1.0; known fields are read and the rest is kept"}},
        {R"("1")", {1, 0}, bad},      {R"("1.0.0")", {1, 0}, bad}, {R"("1.x")", {1, 0}, bad},
        {R"("+1.0")", {1, 0}, bad},   {R"("-1.0")", {1, 0}, bad},  {R"(" 1.0")", {1, 0}, bad},
        {R"(1.0)", {1, 0}, bad},      {R"("1.")", {1, 0}, bad},    {R"(".5")", {1, 0}, bad},
        {R"("1.-2")", {1, 0}, bad},   {R"("2147483648.0")", {1, 0}, bad},
        {R"("1.0 ")", {1, 0}, bad},   {R"(null)", {1, 0}, bad},
    };
    for (const Case& c : cases) {
        const std::string text = c.spec ? std::string(R"({"kind":"clip","spec":)") + c.spec + "}" : R"({"kind":"clip"})";
        DiagnosticList list;
        auto envelope = readEnvelope(parse(text), "clip", list);
        ASSERT_TRUE(envelope) << text;
        EXPECT_EQ(envelope->spec, c.read) << text;
        EXPECT_EQ(describe(list), c.findings) << text;
    }
}

TEST(Envelope, ExtensionsKeepUnreadableEntries) {
    DiagnosticList list;
    auto envelope = readEnvelope(
        parse(R"({"kind":"clip","spec":"1.0","extensions":["com.quillmark.voices/1",5,"noversion","a/b/2"]})"), "clip",
        list);
    ASSERT_TRUE(envelope);
    EXPECT_EQ(envelope->extensions, (std::vector<ExtensionId>{{"com.quillmark.voices", 1}, {"a/b", 2}}));
    EXPECT_EQ(envelope->keptExtensions, (std::vector<JsonValue>{parse("5"), parse(R"("noversion")")}));
    EXPECT_TRUE(envelope->extensionsListed);
    EXPECT_EQ(describe(list), (Lines{"W bad-extension-id /extensions/1 | Unreadable extension id, ignored and kept",
                                     "W bad-extension-id /extensions/2 | Unreadable extension id, ignored and kept"}));

    list.clear();
    envelope = readEnvelope(parse(R"({"kind":"clip","spec":"1.0","extensions":"com.quillmark.voices/1"})"), "clip", list);
    ASSERT_TRUE(envelope);
    EXPECT_FALSE(envelope->extensionsListed);
    EXPECT_TRUE(envelope->extensions.empty());
    EXPECT_EQ(describe(list), (Lines{"W wrong-type /extensions | Expected a list of extension ids; kept as written"}));
}

TEST(Envelope, ExtensionIdAndSeedTexts) {
    for (const char* bad : {"x/0", "/1", "x/", "x/1a", "x", "x/+1", "x/-1", "x/ 1", "x/2147483648", "x/1.0"}) {
        EXPECT_FALSE(parseExtensionId(bad)) << bad;
    }
    EXPECT_EQ(parseExtensionId("a/b/2"), (ExtensionId{"a/b", 2}));
    EXPECT_EQ(parseExtensionId("x/007"), (ExtensionId{"x", 7}));
    EXPECT_EQ(parseExtensionId("x/2147483647"), (ExtensionId{"x", 2147483647}));
    EXPECT_EQ(formatExtensionId({"com.quillmark.slide", 1}), "com.quillmark.slide/1");

    EXPECT_EQ(parseSeed("00000000000000FF"), 255u);
    EXPECT_EQ(formatSeed(255), "00000000000000ff");
    EXPECT_EQ(parseSeed("FfFfFfFfFfFfFfFf"), 0xFFFFFFFFFFFFFFFFull);
    EXPECT_EQ(formatSeed(0x0123456789ABCDEFull), "0123456789abcdef");
    for (const char* bad : {"000000000000000", "00000000000000000", "0000000 0000000f", "000000000000000g"}) {
        EXPECT_FALSE(parseSeed(bad)) << bad;
    }
}

TEST(FieldReader, TypedReadsMarkOnlyWhatWasRead) {
    const JsonValue object = parse(R"({"n":1.5,"s":"x","b":true,"a":[1],"o":{},"w":"1","p":null,"a/b":3})");
    DiagnosticList list;
    FieldReader r(object, "/base", list);
    EXPECT_EQ(r.getNumber("n"), 1.5);
    EXPECT_EQ(r.getString("s"), "x");
    EXPECT_EQ(r.getBool("b"), true);
    EXPECT_NE(r.getArray("a"), nullptr);
    EXPECT_NE(r.getObject("o"), nullptr);
    EXPECT_FALSE(r.getNumber("w"));          // wrong type: reported, not marked
    EXPECT_FALSE(r.getString("missing"));    // absent: silent
    EXPECT_FALSE(r.getBool("a/b"));
    EXPECT_EQ(r.get("p", JsonKind::Object, "a thing"), nullptr);
    ASSERT_NE(r.peek("p"), nullptr);         // peeking does not mark
    r.markRead("s");                         // duplicates are harmless
    EXPECT_EQ(describe(list), (Lines{"W wrong-type /base/w | Expected a number; kept as written, not applied",
                                     "W wrong-type /base/a~1b | Expected true or false; kept as written, not applied",
                                     "W wrong-type /base/p | Expected a thing; kept as written, not applied"}));
    EXPECT_EQ(writeCompact(r.unreadMembers()), R"({"w":"1","p":null,"a/b":3})");
    for (const char* key : {"w", "p", "a/b"}) r.markRead(key);
    EXPECT_EQ(r.unreadMembers(), JsonValue::makeObject());  // an empty object, not null

    const JsonValue notAnObject = parse("[1,2]");
    FieldReader onArray(notAnObject, "", list);
    EXPECT_EQ(onArray.unreadMembers(), JsonValue::makeObject());
    EXPECT_FALSE(onArray.getNumber("0"));
}

TEST(EnvelopeWriting, ExtensionsValueAndOverlay) {
    const std::vector<JsonValue> kept{parse("5"), parse(R"("noversion")")};
    EXPECT_EQ(writeCompact(extensionsValue({{"a/b", 2}, {"c", 1}}, kept)), R"(["a/b/2","c/1",5,"noversion"])");
    EXPECT_EQ(writeCompact(extensionsValue({}, {})), "[]");

    // Unread members replace written ones in place or are appended in their read order; numbers
    // the writer did not change take back their read spelling.
    const JsonValue asRead = parse(R"({"z":"kept","a":1.0,"b":0.10,"c":7,"y":[2.50]})");
    JsonValue written = parse(R"({"a":1,"b":0.2,"c":"x","d":2})");
    written.members[0].value = JsonValue::makeNumber(1.0);
    const JsonValue unread = parse(R"({"z":"kept","c":7,"y":[2.50]})");
    overlayUnread(written, unread, asRead);
    EXPECT_EQ(writeCompact(written), R"({"a":1.0,"b":0.2,"c":7,"d":2,"z":"kept","y":[2.50]})");
}

}  // namespace
}  // namespace orbi
