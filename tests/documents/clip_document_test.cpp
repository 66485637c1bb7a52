// Clip documents: findings of every record kind with exact paths and texts, the extensions the
// content needs, and writing back with kept records unchanged.
#include <gtest/gtest.h>

#include "documents/clip_document.hpp"
#include "documents/document_test_support.hpp"

namespace orbi {
namespace {

using test::compact;
using test::describe;
using test::parse;
using test::rewriteClip;
using Lines = std::vector<std::string>;

Lines clipFindings(std::string_view text) {
    DiagnosticList list;
    EXPECT_TRUE(readClipDocument(parse(text), list));
    return describe(list);
}

// The body of a clip document with spec 1.0 and the given members.
std::string clip(std::string_view members) {
    return std::string(R"({"kind":"clip","spec":"1.0",)") + std::string(members) + "}";
}

TEST(ClipReading, MinimalClip) {
    DiagnosticList list;
    auto read = readClipDocument(parse(R"({"kind":"clip"})"), list);
    ASSERT_TRUE(read);
    EXPECT_EQ(describe(list), (Lines{"N spec-missing /spec | No spec version, read as 1.0"}));
    EXPECT_EQ(read->length, 4.0);
    EXPECT_EQ(read->grid, "1/16");
    EXPECT_TRUE(read->notes.empty());
    EXPECT_EQ(writeCompact(writeClipDocument(*read)), R"({"kind":"clip","spec":"1.0","length":4,"grid":"1/16","notes":[]})");
    list.clear();
    EXPECT_FALSE(readClipDocument(parse(R"({"kind":"instance"})"), list));
    EXPECT_EQ(describe(list), (Lines{R"(E wrong-kind /kind | Expected kind "clip", found "instance")"}));
}

TEST(ClipReading, Grids) {
    for (const char* bad : {"1/0", "0/4", "1/4x", "1", "/4", "-1/4", "1/-4", "1/4/2", "", " 1/4", "1/2147483648"}) {
        EXPECT_FALSE(parseGrid(bad)) << bad;
        EXPECT_EQ(clipFindings(clip(std::string(R"("grid":")") + bad + "\"")),
                  (Lines{"W bad-grid /grid | Unreadable grid; kept as written"}))
            << bad;
    }
    EXPECT_EQ(clipFindings(clip(R"("grid":16)")), (Lines{"W bad-grid /grid | Unreadable grid; kept as written"}));
    EXPECT_DOUBLE_EQ(*parseGrid("1/12"), 1.0 / 3.0);
    EXPECT_EQ(parseGrid("1/16"), 0.25);
    EXPECT_EQ(parseGrid("3/8"), 1.5);
    EXPECT_EQ(parseGrid("01/4"), 1.0);
    // Kept as written, in place of the default the writer puts there.
    DiagnosticList list;
    EXPECT_EQ(compact(rewriteClip(clip(R"("grid":"1/0","length":"long")"), list)),
              R"({"kind":"clip","spec":"1.0","length":"long","grid":"1/0","notes":[]})");
}

TEST(ClipReading, TempoMeterSwing) {
    const std::string text = clip(R"("tempo":[{"at":0,"bpm":0},{"at":1,"bpm":90.50},[],{"bpm":1}],
        "meter":[{"at":0,"num":3.9,"den":4},{"at":0,"num":0.5,"den":4},{"at":0,"num":3}],
        "swing":[{"bar":1,"amount":0.5},{"bar":1,"amount":0.5,"grid":"1/x"},{"bar":2,"amount":0.1,"grid":8},
                 {"amount":0.5,"grid":8},{"bar":1.7,"amount":0.3,"grid":"1/8","voice":"hat","x":true}])");
    DiagnosticList list;
    auto read = readClipDocument(parse(text), list);
    ASSERT_TRUE(read);
    EXPECT_EQ(describe(list),
              (Lines{"W bad-tempo /tempo/0 | Expected {at, bpm > 0}; kept as written, not used",
                     "W bad-tempo /tempo/2 | Expected {at, bpm > 0}; kept as written, not used",
                     "W bad-tempo /tempo/3 | Expected {at, bpm > 0}; kept as written, not used",
                     "W bad-meter /meter/1 | Expected {at, num, den}; kept as written, not used",
                     "W bad-meter /meter/2 | Expected {at, num, den}; kept as written, not used",
                     "W bad-swing /swing/1 | Expected {bar, grid, amount} with a readable grid; kept as written, not used",
                     "W wrong-type /swing/2/grid | Expected a string; kept as written, not applied",
                     "W bad-swing /swing/3 | Expected {bar, grid, amount} with a readable grid; kept as written, not used",
                     "N extension-undeclared /extensions | The clip uses com.quillmark.voices/1 without declaring it; read as declared"}));
    EXPECT_EQ(read->meter[0].num, 3);
    EXPECT_EQ(read->swing[4].bar, 1);
    EXPECT_EQ(read->swing[2].grid, "1/16");
    EXPECT_TRUE(read->tempo[0].kept);

    const JsonValue written = writeClipDocument(*read);
    EXPECT_EQ(writeCompact(*findMember(written, "tempo")), R"([{"at":0,"bpm":0},{"at":1,"bpm":90.50},[],{"bpm":1}])");
    EXPECT_EQ(writeCompact(*findMember(written, "meter")),
              R"([{"at":0,"num":3,"den":4},{"at":0,"num":0.5,"den":4},{"at":0,"num":3}])");
    EXPECT_EQ(writeCompact(*findMember(written, "swing")),
              R"([{"bar":1,"grid":"1/16","amount":0.5},{"bar":1,"amount":0.5,"grid":"1/x"},)"
              R"({"bar":2,"grid":8,"amount":0.1},{"amount":0.5,"grid":8},)"
              R"({"bar":1,"grid":"1/8","voice":"hat","amount":0.3,"x":true}])");
    EXPECT_EQ(writeCompact(*findMember(written, "extensions")), R"(["com.quillmark.voices/1"])");
}

TEST(ClipReading, NoteFindings) {
    const std::string text = clip(R"("notes":[
        5,
        {"pitch":60},
        {"at":"0","pitch":60},
        {"at":0,"voice":"kick","pitch":60,"tune":1},
        {"at":0,"tune":2},
        {"at":0,"pitch":60,"nudge":"x","len":[],"vel":null,"rel":{},"voice":1,"tune":"t","sound":2,"slide":1,
         "set":{"a":true,"b":"saw-up","c":1},"add":{"a":"1","b":2},"expr":7,"rand":[]},
        {"at":0,"pitch":60,"expr":{"c":0.5,"k/x":[[0,1],[0,"s"]],"n":"x","e":[],"l":[[0,1,2]]},
         "rand":{"vel":"1","params":{"p":"x","q":1}}},
        {"at":1,"voice":"","pitch":61,"slide":false}
      ])");
    EXPECT_EQ(clipFindings(text),
              (Lines{"W bad-note /notes/0 | Expected a note object; kept as written, not played",
                     "W note-without-at /notes/1 | A note needs `at`; kept as written, not played",
                     "W wrong-type /notes/2/at | Expected a number; kept as written, not applied",
                     "W note-without-at /notes/2 | A note needs `at`; kept as written, not played",
                     "W voiced-note-with-pitch /notes/3 | A voiced note carries `voice`, never `pitch`; pitch ignored",
                     "W note-without-pitch /notes/4 | An unvoiced note needs `pitch`; not played",
                     "W tune-without-voice /notes/4 | `tune` belongs to a voiced note; ignored",
                     "W wrong-type /notes/5/nudge | Expected a number; kept as written, not applied",
                     "W wrong-type /notes/5/len | Expected a number; kept as written, not applied",
                     "W wrong-type /notes/5/vel | Expected a number; kept as written, not applied",
                     "W wrong-type /notes/5/rel | Expected a number; kept as written, not applied",
                     "W wrong-type /notes/5/expr | Expected an object; kept as written, not applied",
                     "W wrong-type /notes/5/rand | Expected an object; kept as written, not applied",
                     "W wrong-type /notes/5/voice | Expected a string; kept as written, not applied",
                     "W wrong-type /notes/5/tune | Expected a number; kept as written, not applied",
                     "W wrong-type /notes/5/sound | Expected a string; kept as written, not applied",
                     "W wrong-type /notes/5/set/a | Expected a value or choice id; kept as written, not applied",
                     "W wrong-type /notes/5/add/a | Expected a number; kept as written, not applied",
                     "W wrong-type /notes/5/slide | Expected true or false; kept as written, not applied",
                     "W bad-expression /notes/6/expr/k~1x/1 | Expected [beatsFromNoteStart, value]; the expression is kept as written, not played",
                     "W bad-expression /notes/6/expr/n | Expected a number or a curve; kept as written, not played",
                     "W bad-expression /notes/6/expr/l/0 | Expected [beatsFromNoteStart, value]; the expression is kept as written, not played",
                     "W wrong-type /notes/6/rand/vel | Expected a number; kept as written, not applied",
                     "W wrong-type /notes/6/rand/params/p | Expected a number; kept as written, not applied",
                     "N extension-undeclared /extensions | The clip uses com.quillmark.voices/1 without declaring it; read as declared",
                     "N extension-undeclared /extensions | The clip uses com.quillmark.per-note-params/1 without declaring it; read as declared",
                     "N extension-undeclared /extensions | The clip uses com.quillmark.note-random/1 without declaring it; read as declared"}));
}

TEST(ClipReading, LanesVoicesSounds) {
    const std::string text = clip(R"("voices":{"kick":"Kick","snare":3},"sounds":{"a/b":null},
        "lanes":[{"target":""},{"target":"filt_cutoff","id":5,"voice":"kick","points":[
                   {"at":0,"v":1},{"v":2},{"at":1,"v":"x","curve":"bouncy"},{"at":2,"v":null,"curve":7},
                   {"at":3,"v":0,"curve":"smooth"}]},
                 {"target":"x","points":{}},
                 3])");
    EXPECT_EQ(clipFindings(text),
              (Lines{"W wrong-type /voices/snare | Expected a name; kept as written, not applied",
                     "W wrong-type /sounds/a~1b | Expected a name; kept as written, not applied",
                     "W bad-lane /lanes/0 | A lane is an object with a `target`; kept as written, not played",
                     "W wrong-type /lanes/1/id | Expected a string; kept as written, not applied",
                     "W bad-lane-point /lanes/1/points/1 | Expected {at, v}; kept as written, not used",
                     "W unknown-curve /lanes/1/points/2/curve | Unknown curve, played as step; kept",
                     "W wrong-type /lanes/1/points/3/curve | Expected a string; kept as written, not applied",
                     "W wrong-type /lanes/2/points | Expected an array; kept as written, not applied",
                     "W bad-lane /lanes/3 | A lane is an object with a `target`; kept as written, not played",
                     "N extension-undeclared /extensions | The clip uses com.quillmark.voices/1 without declaring it; read as declared"}));

    DiagnosticList list;
    auto read = readClipDocument(parse(text), list);
    ASSERT_TRUE(read);
    EXPECT_EQ(writeCompact(*findMember(writeClipDocument(*read), "lanes")),
              R"([{"target":""},{"target":"filt_cutoff","voice":"kick","points":[{"at":0,"v":1},{"v":2},)"
              R"({"at":1,"v":"x","curve":"bouncy"},{"at":2,"v":null,"curve":7},{"at":3,"v":0,"curve":"smooth"}],"id":5},)"
              R"({"target":"x","points":{}},3])");
}

TEST(ClipExtensions, UsedByReadableContentOnly) {
    struct Case {
        const char* members;
        Lines used;
    };
    const Case cases[] = {
        {R"("notes":[{"at":0,"pitch":60,"rand":{"vel":0.1,"nudge":0.1}}])", {}},
        {R"("notes":[{"at":0,"pitch":60,"rand":{"pan":0}}])", {"com.quillmark.note-random/1"}},
        {R"("notes":[{"at":0,"pitch":60,"rand":{"params":{"x":1}}}])", {"com.quillmark.note-random/1"}},
        {R"("notes":[{"at":0,"pitch":60,"rand":{"params":{}}}])", {}},
        {R"("notes":[{"at":0,"pitch":60,"slide":true}])", {"com.quillmark.slide/1"}},
        {R"("notes":[{"pitch":60,"slide":true,"voice":"v"},7])", {}},
        {R"("notes":[{"at":0,"pitch":60,"sound":"s"}])", {"com.quillmark.voices/1"}},
        {R"("notes":[{"at":0,"pitch":60,"tune":0}])", {"com.quillmark.voices/1"}},
        {R"("notes":[{"at":0,"pitch":60,"add":{"x":1}}])", {"com.quillmark.per-note-params/1"}},
        {R"("notes":[{"at":0,"pitch":60,"set":{}}])", {}},
        {R"("sounds":{"s":"S"})", {"com.quillmark.voices/1"}},
        {R"("swing":[{"bar":0,"amount":0.5,"voice":"v"}])", {"com.quillmark.voices/1"}},
        {R"("swing":[{"bar":0,"amount":0.5,"grid":"x","voice":"v"}])", {}},
        {R"("lanes":[{"target":"t","voice":"v"}])", {"com.quillmark.voices/1"}},
        {R"("notes":[{"at":0,"voice":"v","slide":true,"set":{"x":1},"rand":{"pan":1}}])",
         {"com.quillmark.voices/1", "com.quillmark.per-note-params/1", "com.quillmark.note-random/1",
          "com.quillmark.slide/1"}},
    };
    for (const Case& c : cases) {
        DiagnosticList list;
        auto read = readClipDocument(parse(clip(c.members)), list);
        ASSERT_TRUE(read) << c.members;
        Lines used;
        for (const ExtensionId& id : usedExtensions(*read)) used.push_back(formatExtensionId(id));
        EXPECT_EQ(used, c.used) << c.members;
    }

    // A declared name silences the note whatever its version; the writer declares only what is missing.
    DiagnosticList list;
    const std::string written = rewriteClip(
        R"({"kind":"clip","spec":"1.0","extensions":[9,"com.quillmark.slide/2"],
            "notes":[{"at":0,"voice":"v","slide":true}]})",
        list);
    EXPECT_EQ(describe(list),
              (Lines{"W bad-extension-id /extensions/0 | Unreadable extension id, ignored and kept",
                     "N extension-undeclared /extensions | The clip uses com.quillmark.voices/1 without declaring it; read as declared"}));
    EXPECT_EQ(writeCompact(*findMember(parse(written), "extensions")),
              R"(["com.quillmark.slide/2","com.quillmark.voices/1",9])");

    list.clear();
    EXPECT_EQ(clipFindings(clip(R"("notes":[{"at":0,"pitch":60,"slide":true}])")),
              (Lines{"N extension-undeclared /extensions | The clip uses com.quillmark.slide/1 without declaring it; read as declared"}));
}

TEST(ClipWriting, RecordsInTheirFixedFormAndUnreadMembersAfterThem) {
    DiagnosticList list;
    EXPECT_EQ(compact(rewriteClip(clip(R"("notes":[{"pitch":60,"at":0},{"at":1,"nudge":0,"pitch":62,"vel":1.0},
        {"at":2,"nudge":-0.0,"pitch":64,"rand":{"vel":0,"nudge":0.0}},{"at":3},{"at":null,"pitch":1}])"), list)),
              R"({"kind":"clip","spec":"1.0","length":4,"grid":"1/16","notes":[{"at":0,"pitch":60,"vel":1},)"
              R"({"at":1,"pitch":62,"vel":1.0},{"at":2,"pitch":64,"vel":1,"rand":{}},{"at":3,"vel":1},{"at":null,"pitch":1}]})");
    // Every member of a readable note in the writer's order, unread members after them.
    list.clear();
    const std::string written = rewriteClip(
        clip(R"("voices":{"v":"V"},"notes":[{"zz":1,"ext":{"e":1},"slide":true,"rand":{"params":{"p":0.5},"pan":0.1,
            "nudge":0.2,"vel":0.3,"x":0},"expr":{"c":2,"k":[[0,1],[1,0]],"bad":"x"},"add":{"a":1},"set":{"s":"saw-up"},
            "sound":"snd","rel":0.5,"vel":0.9,"tune":3,"len":1,"voice":"v","nudge":0.1,"at":0}],
            "lanes":[{"instance":"i","voice":"v","target":"t","id":"l","points":[{"curve":"linear","v":[1],"at":0}]}],
            "source":{"from":"motif"},"ext":{"k":true},"meter":[{"den":8,"num":6,"at":0}])"),
        list);
    EXPECT_EQ(compact(written),
              R"({"kind":"clip","spec":"1.0","extensions":["com.quillmark.voices/1","com.quillmark.per-note-params/1",)"
              R"("com.quillmark.note-random/1","com.quillmark.slide/1"],"length":4,"grid":"1/16","meter":[{"at":0,"num":6,"den":8}],)"
              R"("voices":{"v":"V"},"notes":[{"at":0,"nudge":0.1,"voice":"v","len":1,"tune":3,"vel":0.9,"rel":0.5,"sound":"snd",)"
              R"("set":{"s":"saw-up"},"add":{"a":1},"expr":{"c":2,"k":[[0,1],[1,0]],"bad":"x"},)"
              R"("rand":{"vel":0.3,"nudge":0.2,"pan":0.1,"params":{"p":0.5},"x":0},"slide":true,"ext":{"e":1},"zz":1}],)"
              R"("lanes":[{"id":"l","target":"t","voice":"v","instance":"i","points":[{"at":0,"v":[1],"curve":"linear"}]}],)"
              R"("source":{"from":"motif"},"ext":{"k":true}})");
    // Written once more, the text does not change.
    list.clear();
    EXPECT_EQ(rewriteClip(written, list), written);
    // Seed in lower case, formatVersion truncated, unread members after the written ones.
    list.clear();
    EXPECT_EQ(compact(rewriteClip(R"({"q":0.10,"kind":"clip","spec":"0.9","plugin":"orbitrone","id":"c","formatVersion":2.5,
                               "seed":"ABCDEF0123456789","voices":[],"source":null,"ext":[],"length":8.00})", list)),
              R"({"kind":"clip","spec":"1.0","id":"c","plugin":"orbitrone","formatVersion":2,"seed":"abcdef0123456789",)"
              R"("length":8.00,"grid":"1/16","notes":[],"q":0.10,"voices":[]})");
    EXPECT_EQ(describe(list), (Lines{"W wrong-type /voices | Expected an object; kept as written, not applied"}));
}

}  // namespace
}  // namespace orbi
