// Conversion both ways: legacy documents converted (data/convert.txt), instance documents applied
// (data/apply.txt), and the round trip of generated legacy presets through the package bytes.
#include <gtest/gtest.h>

#include <cstdlib>
#include <iostream>

#include "convert_test_support.hpp"
#include "support/case_file.hpp"
#include "legacy/discovery.hpp"
#include "legacy/legacy_document.hpp"
#include "legacy/preset_text.hpp"
#include "support/host.hpp"
#include "support/temp_folder.hpp"

namespace orbi::test {
namespace {

std::string findings(const DiagnosticList& list) {
    std::string out;
    for (const std::string& line : lines(list)) out += line + "\n";
    return out;
}

TEST(Convert, CaseTable) {
    checkCaseFile(ORBI_CASES "/convert.txt", [](const std::string& text) {
        const Converted converted = convertPreset(readLegacyDocument(text), "case");
        return writeCompact(converted.package.document) + "\n" + findings(converted.diagnostics);
    });
}

TEST(Apply, CaseTable) {
    checkCaseFile(ORBI_CASES "/apply.txt", [](const std::string& text) {
        const bool sections = text.rfind("sections\n", 0) == 0;
        Applied a = applyText(sections ? text.substr(9) : text, sections);
        std::string out = findings(a.diagnostics) + (a.preset ? presetText(*a.preset) : "no preset\n");
        if (!a.preset) return out;
        LegacyPreset motif;
        motif.motif = a.side.auditionMotif;
        return out + "side: \"" + a.side.displayName + "\" \"" + a.side.provenancePreset + "\" " +
               num(int{a.side.provenanceEdited}) + " " + a.side.instance.id + " " + writeCompact(a.side.instance.unread) +
               "\n" + (motif.motif ? "side " + presetText(motif) : "");
    });
}

TEST(Convert, TheMotifBecomesTheAuditionClip) {
    LegacyPreset preset;
    preset.motif = LegacyMotif{4.0f, {{0.0f, 1.0f, 60, 0.8f}, {1.5f, 0.5f, 63, 0.1f}}};
    const Converted converted = convertPreset(preset);
    EXPECT_EQ(writtenMember(converted, "extensions") + writtenMember(converted, "audition"),
              R"(["com.quillmark.audition/1"]{"kind":"clip","spec":"1.0","plugin":"orbitrone","length":4,"grid":"1/16",)"
              R"("notes":[{"at":0,"len":1,"pitch":60,"vel":0.8},{"at":1.5,"len":0.5,"pitch":63,"vel":0.1}]})");
    preset.motif = LegacyMotif{8.0f, {}};  // a loop without notes gives no audition
    EXPECT_EQ(writtenMember(convertPreset(preset), "audition"), "<absent>");
}

// The package of a converted preset, written.
std::vector<std::uint8_t> packageBytes(const LegacyPreset& preset, DiagnosticList& diagnostics) {
    const Converted converted = convertPreset(preset, "round-trip");
    diagnostics.insert(diagnostics.end(), converted.diagnostics.begin(), converted.diagnostics.end());
    return writePackage(converted.package, diagnostics).value_or(std::vector<std::uint8_t>{});
}

// Package bytes read, applied, converted and written again.
std::vector<std::uint8_t> cycle(const std::vector<std::uint8_t>& bytes, DiagnosticList& diagnostics) {
    std::optional<Package> read = readPackage(bytes, "instance.json", ZipLimits{}, diagnostics);
    ApplySideRecord side;
    std::optional<LegacyPreset> applied = read ? applyInstanceDocument(side, *read, true, diagnostics) : std::nullopt;
    return applied ? packageBytes(*applied, diagnostics) : std::vector<std::uint8_t>{};
}

// Applying keeps everything it can hold: once a converted preset has been applied, converting,
// writing, reading and applying it again gives the same package bytes, carried audio included.
TEST(ConvertRoundTrip, GeneratedLegacyPresetsSettleAfterOneApplying) {
    ORBI_SKIP_ON_WINDOWS(::orbi::test::kNeedsPython);
    TempFolder folder;
    const std::string command = std::string("python3 '") + ORBI_SOURCE_DIR + "/tools/make-legacy-corpus.py' '" +
                                (folder / "legacy").string() +
                                "' --count 80 --seed 7 --max-sample-bytes 4096 --max-wavetable-frames 2 > /dev/null";
    ASSERT_EQ(std::system(command.c_str()), 0) << command;
    std::size_t tried = 0, carried = 0, unchanged = 0;
    for (const platform::Path& path : findLegacyPresets(folder / "legacy")) {
        DiagnosticList diagnostics;
        std::optional<LegacyPreset> legacy = readLegacyPresetFile(path, diagnostics);
        if (!legacy) continue;
        ++tried;
        carried += legacy->bundleFiles.empty() ? 0 : 1;
        const std::vector<std::uint8_t> first = packageBytes(*legacy, diagnostics);
        const std::vector<std::uint8_t> second = cycle(first, diagnostics);
        ASSERT_FALSE(second.empty()) << path << ": " << findings(diagnostics);
        unchanged += first == second ? 1 : 0;
        EXPECT_TRUE(cycle(second, diagnostics) == second) << path;
        EXPECT_EQ(firstError(diagnostics), std::nullopt) << path;
    }
    // The folder must hold enough, carried audio among it, to prove much.
    EXPECT_GT(tried, 60u);
    EXPECT_GT(carried, 0u);
    EXPECT_GT(unchanged, 60u);
    std::cout << tried << " presets, " << carried << " with carried audio, " << unchanged << " unchanged by applying\n";
}

}  // namespace
}  // namespace orbi::test
