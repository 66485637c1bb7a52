// Instance documents: every finding with its exact path and text, the fixed member order of the
// writer, and round trips that keep unknown members, wrong-typed values and number spellings.
#include <gtest/gtest.h>

#include "documents/document_test_support.hpp"
#include "documents/instance_document.hpp"

namespace orbi {
namespace {

using test::compact;
using test::describe;
using test::keysOf;
using test::parse;
using test::rewriteInstance;
using Lines = std::vector<std::string>;

const std::string kHexA(64, 'a');

TEST(InstanceReading, MinimalDocumentAndDefaults) {
    DiagnosticList list;
    auto instance = readInstanceDocument(parse(R"({"kind":"instance"})"), list);
    ASSERT_TRUE(instance);
    EXPECT_EQ(describe(list), (Lines{"N spec-missing /spec | No spec version, read as 1.0",
                                     "W instance-without-plugin /plugin | An instance names its plugin"}));
    EXPECT_EQ(instance->scope, "complete");
    EXPECT_EQ(instance->formatVersion, 1);
    EXPECT_FALSE(instance->seed);
    EXPECT_TRUE(instance->unread.isObject() && instance->unread.members.empty());

    list.clear();
    EXPECT_FALSE(readInstanceDocument(parse(R"({"kind":"clip","plugin":"x"})"), list));
    EXPECT_EQ(describe(list), (Lines{R"(E wrong-kind /kind | Expected kind "instance", found "clip")"}));
}

TEST(InstanceReading, ScalarMembers) {
    struct Case {
        const char* version;
        std::int32_t read;
    };
    // Truncated toward zero; out-of-range values saturate rather than overflow.
    for (const Case& c : {Case{"2.9", 2}, Case{"-1.5", -1}, Case{"1e300", 2147483647}, Case{"-1e300", -2147483647 - 1}}) {
        DiagnosticList list;
        auto instance = readInstanceDocument(
            parse(std::string(R"({"kind":"instance","spec":"1.0","plugin":"p","formatVersion":)") + c.version + "}"),
            list);
        ASSERT_TRUE(instance);
        EXPECT_EQ(instance->formatVersion, c.read) << c.version;
        EXPECT_TRUE(list.empty()) << c.version;
    }

    DiagnosticList list;
    auto instance = readInstanceDocument(parse(R"({"kind":"instance","spec":"1.0","id":7,"plugin":true,
        "formatVersion":"2","pluginVersion":[],"scope":{},"seed":"00000000000000FF","meta":"just text"})"),
                                         list);
    ASSERT_TRUE(instance);
    EXPECT_EQ(describe(list), (Lines{"W wrong-type /id | Expected a string; kept as written, not applied",
                                     "W wrong-type /plugin | Expected a string; kept as written, not applied",
                                     "W instance-without-plugin /plugin | An instance names its plugin",
                                     "W wrong-type /formatVersion | Expected a number; kept as written, not applied",
                                     "W wrong-type /pluginVersion | Expected a string; kept as written, not applied",
                                     "W wrong-type /scope | Expected a string; kept as written, not applied"}));
    EXPECT_EQ(instance->formatVersion, 1);
    EXPECT_EQ(instance->scope, "complete");
    EXPECT_EQ(instance->seed, 255u);
    EXPECT_EQ(instance->meta.string, "just text");
    EXPECT_EQ(keysOf(instance->unread), (Lines{"id", "plugin", "formatVersion", "pluginVersion", "scope"}));

    list.clear();
    instance = readInstanceDocument(parse(R"({"kind":"instance","spec":"1.0","plugin":"","seed":255,"foo":{"x":1}})"), list);
    ASSERT_TRUE(instance);
    EXPECT_EQ(describe(list), (Lines{"W instance-without-plugin /plugin | An instance names its plugin",
                                     "W bad-seed /seed | A seed is 16 hex digits; kept as written, not used"}));
    EXPECT_EQ(keysOf(instance->unread), (Lines{"seed", "foo"}));

    // A wrong-typed formatVersion reads as 1 and goes back out as written, in its place.
    list.clear();
    EXPECT_EQ(writeCompact(parse(rewriteInstance(R"({"kind":"instance","plugin":"p","formatVersion":"2"})", list))),
              R"({"kind":"instance","spec":"1.0","plugin":"p","formatVersion":"2","scope":"complete","params":{},"state":{}})");
}

TEST(InstanceReading, ParamsAssetsAndAudition) {
    DiagnosticList list;
    auto instance = readInstanceDocument(parse(R"({"kind":"instance","spec":"1.0","plugin":"orbitrone",
        "params":{"osc1_level":0.5,"a/b~c":true,"lfo1_shape":"chaos","x":null},
        "assets":{"osc1.table":"factory:analog_stack","osc2.table":"asset:)" + std::string(64, 'A') +
                                                R"(","osc1.sample":"factory:","osc2.sample":"asset:)" + kHexA + R"(",
                  "osc3.sample":7},
        "audition":{"kind":"instance"},
        "zzz":1})"),
                                         list);
    ASSERT_TRUE(instance);
    EXPECT_EQ(describe(list),
              (Lines{"W wrong-type /params/a~1b~0c | Expected a value or choice id; kept as written, not applied",
                     "W wrong-type /params/x | Expected a value or choice id; kept as written, not applied",
                     "W bad-asset-ref /assets/osc2.table | Expected factory:<name> or asset:<sha256>; kept as written, not loaded",
                     "W bad-asset-ref /assets/osc1.sample | Expected factory:<name> or asset:<sha256>; kept as written, not loaded",
                     "W bad-asset-ref /assets/osc3.sample | Expected factory:<name> or asset:<sha256>; kept as written, not loaded",
                     R"(E wrong-kind /audition/kind | Expected kind "clip", found "instance")",
                     "W bad-audition /audition | The audition is not a clip; kept as written, not offered"}));
    EXPECT_EQ(instance->params.size(), 4u);  // the wrong ones are kept in their places
    EXPECT_EQ(instance->params[1].key, "a/b~c");
    EXPECT_EQ(instance->assets.size(), 5u);
    EXPECT_FALSE(instance->audition);
    EXPECT_EQ(keysOf(instance->unread), (Lines{"audition", "zzz"}));
    EXPECT_EQ(firstError(list), R"(Expected kind "clip", found "instance")");

    // A readable audition's own findings come under /audition, between ours.
    list.clear();
    instance = readInstanceDocument(parse(R"({"kind":"instance","plugin":"p","assets":{"s":"x"},
        "audition":{"kind":"clip","notes":[{"at":0},3]}})"),
                                    list);
    ASSERT_TRUE(instance);
    EXPECT_EQ(describe(list),
              (Lines{"N spec-missing /spec | No spec version, read as 1.0",
                     "W bad-asset-ref /assets/s | Expected factory:<name> or asset:<sha256>; kept as written, not loaded",
                     "N spec-missing /audition/spec | No spec version, read as 1.0",
                     "W note-without-pitch /audition/notes/0 | An unvoiced note needs `pitch`; not played",
                     "W bad-note /audition/notes/1 | Expected a note object; kept as written, not played"}));
    ASSERT_TRUE(instance->audition);
    EXPECT_EQ(instance->audition->notes.size(), 2u);
    EXPECT_TRUE(instance->audition->notes[1].kept);
}

TEST(AssetRefs, Forms) {
    EXPECT_EQ(parseAssetRef("factory:analog_stack"), (AssetRef{AssetRefKind::Factory, "analog_stack"}));
    EXPECT_EQ(parseAssetRef("factory:x:y"), (AssetRef{AssetRefKind::Factory, "x:y"}));
    EXPECT_EQ(parseAssetRef("asset:" + kHexA), (AssetRef{AssetRefKind::Asset, kHexA}));
    for (const std::string& bad : {std::string("factory:"), std::string("Factory:x"), std::string("asset:"),
                                   "asset:" + std::string(64, 'A'), "asset:" + std::string(63, 'a'),
                                   "asset:" + std::string(65, 'a'), "asset:" + std::string(63, 'a') + "g",
                                   std::string("factory_sample:x"), std::string("")}) {
        EXPECT_FALSE(parseAssetRef(bad)) << bad;
    }
}

TEST(InstanceWriting, ConvertedInstanceMemberOrder) {
    InstanceDocument instance;
    instance.plugin = "orbitrone";
    instance.pluginVersion = "0.7.4";
    EXPECT_EQ(writeCompact(writeInstanceDocument(instance)),
              R"({"kind":"instance","spec":"1.0","plugin":"orbitrone","formatVersion":1,"pluginVersion":"0.7.4",)"
              R"("scope":"complete","params":{},"state":{}})");
    setEntry(instance.params, "osc1_wt_pos", JsonValue::makeNumber(0.25));
    setEntry(instance.params, "lfo1_shape", JsonValue::makeString("chaos"));
    setEntry(instance.params, "osc1_wt_pos", JsonValue::makeNumber(0.5));  // in place
    setEntry(instance.assets, "osc1.table", JsonValue::makeString("factory:analog_stack"));
    instance.meta = parse(R"({"name":"Wobble"})");
    instance.hints = parse(R"({"savedFromMode":"simple"})");
    instance.provenance = parse(R"({"from":"legacy"})");
    instance.ext = JsonValue::makeObject();  // an empty ext is not written
    instance.seed = 1;
    instance.id = "wobble";
    instance.audition = ClipDocument{};
    const JsonValue written = writeInstanceDocument(instance);
    EXPECT_EQ(keysOf(written), (Lines{"kind", "spec", "id", "plugin", "formatVersion", "pluginVersion", "scope", "seed",
                                      "extensions", "meta", "provenance", "params", "state", "hints", "assets",
                                      "audition"}));
    EXPECT_EQ(writeCompact(*findMember(written, "params")), R"({"osc1_wt_pos":0.5,"lfo1_shape":"chaos"})");
    EXPECT_EQ(writeCompact(*findMember(written, "seed")), R"("0000000000000001")");
    EXPECT_EQ(writeCompact(*findMember(written, "extensions")), R"(["com.quillmark.audition/1"])");
    EXPECT_EQ(writeCompact(*findMember(written, "audition")),
              R"({"kind":"clip","spec":"1.0","length":4,"grid":"1/16","notes":[]})");
}

TEST(InstanceWriting, ExtensionsAndKeptValues) {
    DiagnosticList list;
    // Declared ids first, then the kept entries.
    EXPECT_EQ(compact(rewriteInstance(R"({"kind":"instance","plugin":"p","extensions":[5,"com.quillmark.voices/1"]})", list)),
              R"({"kind":"instance","spec":"1.0","plugin":"p","formatVersion":1,"scope":"complete",)"
              R"("extensions":["com.quillmark.voices/1",5],"params":{},"state":{}})");
    // An "extensions" that was not a list comes back as it was, in place of the written one.
    EXPECT_EQ(compact(rewriteInstance(R"({"kind":"instance","plugin":"p","extensions":"none","audition":{"kind":"clip"}})", list)),
              R"({"kind":"instance","spec":"1.0","plugin":"p","formatVersion":1,"scope":"complete","extensions":"none",)"
              R"("params":{},"state":{},"audition":{"kind":"clip","spec":"1.0","length":4,"grid":"1/16","notes":[]}})");
    // An audition id already declared (any version) is not repeated; the clip declares its own.
    EXPECT_EQ(compact(rewriteInstance(R"({"kind":"instance","plugin":"p","extensions":["com.quillmark.audition/2"],
                                  "audition":{"kind":"clip","spec":"1.0","notes":[{"at":0,"voice":"kick"}]}})", list)),
              R"({"kind":"instance","spec":"1.0","plugin":"p","formatVersion":1,"scope":"complete",)"
              R"("extensions":["com.quillmark.audition/2"],"params":{},"state":{},"audition":{"kind":"clip","spec":"1.0",)"
              R"("extensions":["com.quillmark.voices/1"],"length":4,"grid":"1/16","notes":[{"at":0,"voice":"kick","vel":1}]}})");
}

TEST(InstanceRoundTrip, KeepsWhatItCouldNotUse) {
    DiagnosticList list;
    // Wrong-typed members return in their written places; members the writer never writes (a bad
    // seed, a bad audition, unknown ones) follow at the end in their read order.
    EXPECT_EQ(compact(rewriteInstance(R"({"foo":[1.50],"kind":"instance","spec":"1.3","seed":12,"plugin":"p",
        "formatVersion":1.0,"params":"none","state":null,"audition":{"kind":"instance"},"scope":3,"ext":{"e":0.10}})", list)),
              R"({"kind":"instance","spec":"1.0","plugin":"p","formatVersion":1.0,"scope":3,"params":"none","state":{},)"
              R"("ext":{"e":0.10},"foo":[1.50],"seed":12,"audition":{"kind":"instance"}})");
    // A params entry of the wrong type stays in its place within params.
    EXPECT_EQ(compact(rewriteInstance(R"({"kind":"instance","spec":"1.0","plugin":"p","params":{"a":1.0,"b":false,"c":"saw-up"}})", list)),
              R"({"kind":"instance","spec":"1.0","plugin":"p","formatVersion":1,"scope":"complete",)"
              R"("params":{"a":1.0,"b":false,"c":"saw-up"},"state":{}})");
}

// A document already in the writer's order and form comes back byte for byte.
TEST(InstanceRoundTrip, CanonicalDocumentIsAFixedPoint) {
    const std::string text = R"({
  "kind": "instance",
  "spec": "1.0",
  "id": "wobble",
  "plugin": "orbitrone",
  "formatVersion": 1.0,
  "pluginVersion": "0.7.4",
  "scope": "complete",
  "seed": "00000000deadbeef",
  "extensions": ["com.quillmark.audition/1","org.example.thing/3"],
  "meta": {
    "name": "Wobble",
    "tags": ["dark","wide"]
  },
  "provenance": {
    "from": "legacy"
  },
  "params": {
    "osc1_wt_pos": 0.10,
    "filt_cutoff": 1.0,
    "lfo1_shape": "chaos",
    "filt_reso": 1e-04,
    "amp_gain": -0.0
  },
  "state": {
    "routings": {
      "lfo1>filt_cutoff": {
        "source": "lfo1",
        "target": "filt_cutoff",
        "depth": 0.250,
        "scope": "global"
      }
    },
    "volumeShaper": [0,0.5,1.00]
  },
  "hints": {
    "savedFromMode": "advanced"
  },
  "assets": {
    "osc1.table": "factory:analog_stack"
  },
  "audition": {
    "kind": "clip",
    "spec": "1.0",
    "extensions": ["com.quillmark.voices/1","com.quillmark.per-note-params/1","com.quillmark.note-random/1","com.quillmark.slide/1"],
    "length": 8.0,
    "grid": "1/8",
    "voices": {
      "kick": "Kick"
    },
    "notes": [
      {
        "at": 0.50,
        "nudge": 0.01,
        "voice": "kick",
        "len": 0.25,
        "tune": -1.0,
        "vel": 0.80,
        "set": {
          "filt_cutoff": 0.5
        },
        "rand": {
          "pan": 0.2
        },
        "slide": true,
        "custom": 1.10
      }
    ]
  },
  "ext": {
    "x": 1
  },
  "later": null
}
)";
    DiagnosticList list;
    EXPECT_EQ(rewriteInstance(text, list), text);
    EXPECT_TRUE(list.empty()) << describe(list).front();
}

}  // namespace
}  // namespace orbi
