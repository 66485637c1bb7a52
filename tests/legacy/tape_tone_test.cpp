// The tape tone upgrade of documents older than version 6: its values, and which documents it
// touches (by version and scope).
#include <gtest/gtest.h>

#include <cmath>

#include "legacy/document_support.hpp"
#include "legacy/tape_tone.hpp"

namespace orbi::test {
namespace {

// The tape_tone values of a document, which must hold exactly one.
float tapeTone(const LegacyPreset& preset) {
    float value = NAN;
    int count = 0;
    for (const LegacyParameter& p : preset.parameters) {
        if (p.name == "tape_tone") {
            value = p.value;
            ++count;
        }
    }
    EXPECT_EQ(count, 1);
    return value;
}

TEST(TapeTone, OldValuesAreMapped) {
    // A version-3 whole-instrument document without tape_tone gains f(0.5).
    LegacyPreset gained = readText(R"({"name": "N", "version": 3, "parameters": {"a": 1}})");
    ASSERT_EQ(gained.parameters.size(), 2u);
    EXPECT_EQ(gained.parameters[0], (LegacyParameter{"a", 1.0f}));
    EXPECT_EQ(gained.parameters[1].name, "tape_tone");
    EXPECT_NEAR(gained.parameters[1].value, 0.156093, 1e-6);
    EXPECT_EQ(gained.version, 6);

    struct Case {
        const char* old;
        double expected;
    };
    // 0 and below: 0.5; 0.2: the cut-off is about 1423 Hz, not above 2000: 0.
    for (Case c : std::initializer_list<Case>{{"0", 0.5}, {"-1", 0.5}, {"0.2", 0.0}, {"0.5", 0.156093}, {"1.0", 0.314259}}) {
        LegacyPreset preset =
            readText(std::string(R"({"name": "N", "version": 3, "parameters": {"tape_tone": )") + c.old + "}}");
        EXPECT_NEAR(tapeTone(preset), c.expected, 1e-6) << c.old;
    }
    // The result is the nearest f32 of the double result.
    EXPECT_EQ(tapeTone(readText(R"({"name": "N", "parameters": {"tape_tone": 1}})")),
              static_cast<float>(upgradedTapeTone(1.0)));
    EXPECT_EQ(upgradedTapeTone(0.0), 0.5);
    EXPECT_EQ(upgradedTapeTone(0.2), 0.0);
}

TEST(TapeTone, OnlyOldDocumentsOfTheWholeInstrumentOrTheTapeEffect) {
    struct Case {
        const char* members;
        bool upgraded;
    };
    for (Case c : std::initializer_list<Case>{
             {R"("version": 3)", true},
             {R"("version": 5, "scope": "complete")", true},
             {R"("version": 5, "scope": "effects")", true},
             {R"("version": 5, "scope": "effect_tape")", true},
             {R"("version": 5, "scope": "Filter")", true},
             {R"("version": 5, "scope": "filter")", false},
             {R"("version": 5, "scope": "oscillators")", false},
             {R"("version": 5, "scope": "effect_reverb")", false},
             {R"("version": 6)", false},
             {R"("version": 7)", false},
             {R"("version": -1)", true},
             {R"("version": 5.0)", true},
             {R"("version": "6")", true},
         }) {
        LegacyPreset preset =
            readText(std::string(R"({"name": "N", "parameters": {"tape_tone": 0}, )") + c.members + "}");
        ASSERT_EQ(preset.parameters.size(), 1u) << c.members;
        EXPECT_EQ(preset.parameters[0].value, c.upgraded ? 0.5f : 0.0f) << c.members;
        EXPECT_EQ(preset.version, 6) << c.members;
    }
    // A section document that is not upgraded gains nothing either.
    EXPECT_TRUE(readText(R"({"name": "N", "version": 2, "scope": "filter"})").parameters.empty());
}

}  // namespace
}  // namespace orbi::test
