// The parameter table as data: counts per kind and group, ranges, the kind each choice-valued
// parameter uses, and spot checks of single rows. A wrong or shifted row should trip one of these.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cctype>
#include <cmath>
#include <map>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "model/choice_lists.hpp"
#include "model/parameter_registry.hpp"

namespace orbi {
namespace {

TEST(RegistryTable, CountsPerKindAndUnits) {
    ASSERT_EQ(paramCount(), 384u);
    ASSERT_EQ(parameterRegistry().size(), 384u);
    std::map<std::string, int> byKind;
    for (const ParamSpec& row : parameterRegistry()) {
        ASSERT_LE(row.kind, 32u) << row.id;
        const std::string bucket = row.kind >= 4 ? "choice" : std::to_string(row.kind);
        ++byKind[bucket];
        // Kind 2 is exactly the rows that carry a unit.
        EXPECT_EQ(row.kind == 2, std::string(row.unit).size() > 0) << row.id;
    }
    EXPECT_EQ(byKind["0"], 19);
    EXPECT_EQ(byKind["1"], 144);
    EXPECT_EQ(byKind["2"], 94);
    EXPECT_EQ(byKind["3"], 26);
    EXPECT_EQ(byKind["choice"], 101);
}

TEST(RegistryTable, RowsPerGroupInOrderOfFirstAppearance) {
    const std::vector<std::pair<std::string, int>> expected = {
        {"Osc/Osc 1", 32},     {"Osc/Osc 2", 33},       {"Osc/Sub", 2},          {"Osc/Noise", 4},
        {"Envelope/Amp", 9},   {"Master", 2},           {"Filter", 22},          {"FX/Chorus", 5},
        {"FX/Delay", 8},       {"FX/Reverb", 10},       {"FX/EQ", 4},            {"FX/Distortion", 4},
        {"Mod/LFO 1", 11},     {"Mod/LFO 2", 11},       {"Mod/LFO 3", 11},       {"Mod/LFO 4", 11},
        {"Mod/ModEnv 1", 9},   {"Mod/ModEnv 2", 9},     {"Macros", 4},           {"Osc/FM", 25},
        {"FX/Multiband Sat", 10}, {"Arp", 11},          {"Character", 4},        {"FX/AutoFilter", 6},
        {"FX", 1},             {"Character/Breath", 8}, {"Mod/MSEG 1", 3},       {"Mod/MSEG 2", 3},
        {"Mod/Script", 1},     {"FX/Volume Shaper", 5}, {"Osc/Osc 3", 32},       {"FX/Tape", 8},
        {"FX/Phaser", 12},     {"FX/Flanger", 12},      {"Mod/Generative", 1},   {"Mod/Step Seq 1", 1},
        {"Mod/Step Seq 2", 1}, {"FX/Disperser", 10},    {"Perform/Key", 3},      {"Perform/Chord", 5},
        {"FX/Texture", 6},     {"FX/Stutter", 15},
    };
    std::vector<std::pair<std::string, int>> actual;
    for (const ParamSpec& row : parameterRegistry()) {
        auto it = std::find_if(actual.begin(), actual.end(), [&](const auto& g) { return g.first == row.group; });
        if (it == actual.end()) {
            actual.emplace_back(row.group, 1);
        } else {
            ++it->second;
        }
    }
    EXPECT_EQ(actual, expected);
}

TEST(RegistryTable, IdsAreUniqueLowerCaseAndRangesHoldTheirDefaults) {
    std::set<std::string> seen;
    for (const ParamSpec& row : parameterRegistry()) {
        const std::string id = row.id;
        EXPECT_TRUE(seen.insert(id).second) << "duplicate id " << id;
        ASSERT_FALSE(id.empty());
        for (char c : id) {
            EXPECT_TRUE(std::islower(static_cast<unsigned char>(c)) || std::isdigit(static_cast<unsigned char>(c)) ||
                        c == '_')
                << id;
        }
        EXPECT_LT(row.min, row.max) << id;
        EXPECT_LE(row.min, row.defaultValue) << id;
        EXPECT_LE(row.defaultValue, row.max) << id;
        if (row.kind >= 3) {
            // Stepped and choice-valued rows hold whole numbers only.
            EXPECT_EQ(row.min, std::round(row.min)) << id;
            EXPECT_EQ(row.max, std::round(row.max)) << id;
            EXPECT_EQ(row.defaultValue, std::round(row.defaultValue)) << id;
        }
    }
}

TEST(RegistryTable, ChoiceRowsSpanTheirListExceptTheThreeDelayLikeDivisions) {
    const std::set<std::string> limitedDivisions = {"delay_division", "phaser_division", "flanger_division"};
    int limited = 0;
    for (const ParamSpec& row : parameterRegistry()) {
        if (row.kind < 4) continue;
        const ChoiceList list = choiceListFor(row.kind);
        ASSERT_FALSE(list.empty()) << row.id;
        EXPECT_EQ(row.min, 0.0f) << row.id;
        if (limitedDivisions.count(row.id) != 0) {
            ++limited;
            EXPECT_EQ(row.kind, 18u) << row.id;
            EXPECT_EQ(list.size(), 13u);
            EXPECT_EQ(row.max, 9.0f) << row.id;
        } else {
            EXPECT_EQ(row.max, static_cast<float>(list.size() - 1)) << row.id;
        }
    }
    EXPECT_EQ(limited, 3);
}

// Which parameters use each choice list, kind by kind, as the lists are documented.
TEST(RegistryTable, ChoiceKindsMatchTheirParameters) {
    const std::map<ParamKind, std::set<std::string>> expected = {
        {4, {"lfo1_shape", "lfo2_shape", "lfo3_shape", "lfo4_shape"}},
        {5, {"filt_type", "filt2_type"}},
        {6, {"arp_rate"}},
        {7, {"arp_pattern"}},
        {8, {"arp_enabled", "arp_legato", "delay_sync", "lfo1_sync", "lfo2_sync", "lfo3_sync", "lfo4_sync",
             "phaser_sync", "flanger_tzf", "flanger_sync", "midi_out", "reverb_long_mode", "osc1_enabled",
             "osc2_enabled", "osc3_enabled", "chord_enabled", "chord_latch", "mseg1_sync", "mseg2_sync",
             "lfo1_unipolar", "lfo2_unipolar", "lfo3_unipolar", "lfo4_unipolar", "lfo1_oneshot", "lfo2_oneshot",
             "lfo3_oneshot", "lfo4_oneshot", "stutter_hold"}},
        {9, {"filt_bypass", "chorus_bypass", "delay_bypass", "reverb_bypass", "eq_bypass", "dist_bypass",
             "mbsat_bypass", "autofilter_bypass", "filt2_bypass", "volshaper_bypass", "tape_bypass",
             "phaser_bypass", "flanger_bypass", "disperser_bypass", "texture_bypass", "stutter_bypass"}},
        {10, {"osc1_mode", "osc2_mode", "osc3_mode"}},
        {11, {"osc1_gran_source", "osc2_gran_source", "osc3_gran_source"}},
        {12, {"fm_mode"}},
        {13, {"chorus_mode"}},
        {14, {"lfo1_mode", "lfo2_mode", "lfo3_mode", "lfo4_mode"}},
        {15, {"noise_filter_mode"}},
        {16, {"osc1_ks_pick_dir", "osc2_ks_pick_dir", "osc3_ks_pick_dir"}},
        {17, {"voice_mode"}},
        {18, {"delay_division", "lfo1_division", "lfo2_division", "lfo3_division", "lfo4_division",
              "volshaper_division", "phaser_division", "flanger_division", "stepseq1_div", "stepseq2_div",
              "mseg1_division", "mseg2_division", "stutter_grid"}},
        {19, {"filt_routing"}},
        {20, {"osc1_warp_mode", "osc2_warp_mode", "osc3_warp_mode"}},
        {21, {"phaser_mode", "flanger_mode", "disperser_mode"}},
        {22, {"filt_comb_mode", "filt2_comb_mode"}},
        {23, {"dist_mode"}},
        {24, {"fm_algorithm"}},
        {25, {"scale_root"}},
        {26, {"scale_type"}},
        {27, {"tuning_type"}},
        {28, {"chord_type"}},
        {29, {"chord_voicing"}},
        {30, {"stutter_interval"}},
        {31, {"stutter_reverse"}},
        {32, {"stutter_mode"}},
    };
    std::map<ParamKind, std::set<std::string>> actual;
    for (const ParamSpec& row : parameterRegistry()) {
        if (row.kind >= 4) actual[row.kind].insert(row.id);
    }
    EXPECT_EQ(actual, expected);
}

TEST(RegistryTable, MacroSlotsAreTheMacroRows) {
    EXPECT_EQ(kMacroSlots, (std::array<std::size_t, 4>{75, 76, 253, 254}));
    const char* ids[] = {"macro1", "macro2", "macro3", "macro4"};
    for (std::size_t k = 0; k < 4; ++k) {
        EXPECT_STREQ(paramAt(kMacroSlots[k]).id, ids[k]);
        EXPECT_STREQ(paramAt(kMacroSlots[k]).group, "Macros");
        EXPECT_EQ(macroNumberOf(kMacroSlots[k]), static_cast<int>(k) + 1);
    }
    EXPECT_EQ(macroNumberOf(74), 0);
    EXPECT_EQ(macroNumberOf(77), 0);
    EXPECT_EQ(macroNumberOf(kUnknownParam), 0);
}

struct Row {
    std::size_t index;
    const char* id;
    float min, max, defaultValue;
    ParamKind kind;
    const char* unit;
    const char* group;
};

TEST(RegistryTable, SpotChecksOfSingleRows) {
    const Row rows[] = {
        {0, "osc1_wt_pos", 0, 1, 0, 1, "", "Osc/Osc 1"},
        {4, "osc1_unison", 1, 16, 4, 3, "", "Osc/Osc 1"},
        {7, "osc1_drift_rate", 0.01f, 0.5f, 0.12f, 2, " Hz", "Osc/Osc 1"},
        {14, "osc2_unison", 1, 16, 1, 3, "", "Osc/Osc 2"},
        {24, "amp_attack", 0.001f, 10, 0.01f, 2, " s", "Envelope/Amp"},
        {29, "filt_type", 0, 9, 2, 5, "", "Filter"},
        {40, "delay_feedback", 0, 0.95f, 0.4f, 1, "", "FX/Delay"},
        {46, "reverb_pre_delay", 0, 100, 0, 2, " ms", "FX/Reverb"},
        {48, "eq_low_gain", -12, 12, 0, 2, " dB", "FX/EQ"},
        {55, "lfo1_rate", 0.01f, 50, 0.13f, 2, " Hz", "Mod/LFO 1"},
        {58, "lfo2_rate", 0.01f, 50, 0.37f, 2, " Hz", "Mod/LFO 2"},
        {94, "arp_bpm", 40, 300, 120, 2, " BPM", "Arp"},
        {95, "note_bloom_rate", 0.5f, 30, 2, 2, " s", "Character"},
        {107, "autofilter_bypass", 0, 1, 1, 9, "", "FX/AutoFilter"},
        {129, "osc1_ks_pick_pos", 0.02f, 0.5f, 0.25f, 1, "", "Osc/Osc 1"},
        {140, "delay_division", 0, 9, 3, 18, "", "FX/Delay"},
        {151, "fx_chain_order", 0, 719, 0, 3, "", "FX"},
        {152, "filt_dist_order", 0, 1, 0, 3, "", "Filter"},
        {174, "lfo3_division", 0, 12, 6, 18, "", "Mod/LFO 3"},
        {180, "volshaper_position", 0, 6, 6, 3, "", "FX/Volume Shaper"},
        {213, "master_tune", -1200, 1200, 0, 2, " ct", "Master"},
        {215, "reverb_shimmer_pitch", -24, 24, 12, 2, " st", "FX/Reverb"},
        {228, "phaser_feedback", -0.95f, 0.95f, 0, 0, "", "FX/Phaser"},
        {239, "flanger_manual", 0.1f, 10, 1.5f, 2, " ms", "FX/Flanger"},
        {263, "fm_op1_env_a", 0.001f, 10, 0.001f, 2, " s", "Osc/FM"},
        {266, "fm_op1_env_r", 0.001f, 10, 10, 2, " s", "Osc/FM"},
        {279, "fm_ratio_offset", 0.95f, 1.05f, 1, 0, "", "Osc/FM"},
        {280, "fm_op4_ratio", 0.25f, 16, 1, 0, "", "Osc/FM"},
        {284, "osc1_gran_density", 1, 200, 40, 2, " /s", "Osc/Osc 1"},
        {310, "disperser_amount", 1, 32, 12, 3, "", "FX/Disperser"},
        {324, "chord_type", 0, 8, 3, 28, "", "Perform/Chord"},
        {329, "osc2_degree", -7, 7, 0, 3, "", "Osc/Osc 2"},
        {338, "mseg1_division", 0, 12, 11, 18, "", "Mod/MSEG 1"},
        {339, "mseg2_division", 0, 12, 10, 18, "", "Mod/MSEG 2"},
        {371, "stutter_offset", 0, 15, 12, 3, "", "FX/Stutter"},
        {376, "stutter_pitch", -24, 0, 0, 2, " st", "FX/Stutter"},
        {377, "stutter_ramp", 0, 0.75f, 0, 1, "", "FX/Stutter"},
        {380, "stutter_mode", 0, 2, 1, 32, "", "FX/Stutter"},
        {383, "stutter_position", 0, 11, 11, 3, "", "FX/Stutter"},
    };
    for (const Row& r : rows) {
        const ParamSpec& row = paramAt(r.index);
        EXPECT_STREQ(row.id, r.id) << r.index;
        EXPECT_EQ(row.min, r.min) << r.id;
        EXPECT_EQ(row.max, r.max) << r.id;
        EXPECT_EQ(row.defaultValue, r.defaultValue) << r.id;
        EXPECT_EQ(row.kind, r.kind) << r.id;
        EXPECT_STREQ(row.unit, r.unit) << r.id;
        EXPECT_STREQ(row.group, r.group) << r.id;
    }
}

TEST(RegistryTable, QuotedDisplayTexts) {
    EXPECT_STREQ(paramAt(0).name, "Osc1 WT Pos");
    EXPECT_STREQ(paramAt(0).description,
                 "Wavetable position. Sweeps through the loaded wavetable frames to morph the timbre.");
    EXPECT_STREQ(paramAt(29).name, "Filter Type");
    EXPECT_STREQ(paramAt(29).description,
                 "Filter 1 type (Off, LP12, LP24, HP12, HP24, BP, Notch, Comb, Formant, MGLow24).");
    EXPECT_STREQ(paramAt(140).name, "Delay Div");
    EXPECT_STREQ(paramAt(140).description,
                 "Tempo-sync delay division (1/4, 1/8, 1/16 with dotted and triplet variants).");
    EXPECT_STREQ(paramAt(151).name, "FX Chain Order");
    EXPECT_STREQ(paramAt(151).description, "Permutation index controlling the post-mix FX chain order.");
    EXPECT_STREQ(paramAt(213).name, "Master Tune");
    EXPECT_STREQ(paramAt(213).description, "Global tune offset in cents applied to every oscillator and the sub.");
    EXPECT_STREQ(paramAt(257).name, "Step Seq 1 Rate");
    EXPECT_STREQ(paramAt(257).description,
                 "How fast Step Sequencer 1 advances, as a note value synced to host tempo. Route it in the mod "
                 "matrix for per-step parameter changes.");
    EXPECT_STREQ(paramAt(383).name, "Stutter Pos");
    EXPECT_STREQ(paramAt(383).description, "Insert position of the stutter in the post-mix FX chain.");
}

}  // namespace
}  // namespace orbi
