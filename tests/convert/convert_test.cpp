// Conversion both ways: legacy documents converted (data/convert.txt), instance documents applied
// with the package assets they name (data/apply.txt), and the round trip of generated legacy
// presets through the package bytes.
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <iostream>
#include <sstream>

#include "convert/apply_instance.hpp"
#include "convert/convert_legacy.hpp"
#include "json/json_parser.hpp"
#include "json/json_writer.hpp"
#include "support/bytes.hpp"
#include "support/case_file.hpp"
#include "legacy/discovery.hpp"
#include "legacy/legacy_document.hpp"
#include "legacy/preset_text.hpp"
#include "support/host.hpp"

namespace orbi::test {
namespace {

struct Converted {
    InstanceDocument instance;
    Package package;
    DiagnosticList diagnostics;
};

Converted convertPreset(const LegacyPreset& preset, const std::string& id) {
    Converted out;
    convertLegacyPreset(out.instance, out.package, preset, id, out.diagnostics);
    return out;
}

TEST(Convert, CaseTable) {
    checkCaseFile(ORBI_CASES "/convert.txt", [](const std::string& text) {
        const Converted converted = convertPreset(readLegacyDocument(text), "case");
        return writeCompact(converted.package.document) + "\n" + findings(converted.diagnostics);
    });
}

// The value's 4 or 8 bytes, little-endian.
template <typename T>
void put(Bytes& out, T value) {
    std::conditional_t<sizeof(T) == 8, std::uint64_t, std::uint32_t> bits;
    std::memcpy(&bits, &value, sizeof bits);
    for (std::size_t i = 0; i < sizeof bits; ++i) out.push_back(static_cast<std::uint8_t>(bits >> (8 * i)));
}

// A package asset named by 64 times its letter, from one line of the table:
//   asset <letter> bytes <count>                 that many zero bytes
//   asset <letter> wavetable <frames>           whole frames of 2048 floats
//   asset <letter> sample <channels> <frames> <rate> <values>... [magic <4 letters>] [cut|extra]
// A sample's values are one comma-separated list per channel, "v*n" for n times v; "cut" drops
// its last byte, "extra" adds one.
PackageAsset assetFrom(const std::string& line) {
    std::istringstream words(line.substr(6));
    std::string letter, kind, word;
    words >> letter >> kind;
    PackageAsset asset{std::string(64, letter[0]), {}};
    std::size_t count = 0;
    if (kind == "bytes") words >> count, asset.data.resize(count);
    if (kind == "wavetable") {
        words >> count;
        for (std::size_t i = 0; i < count * 2048; ++i) put(asset.data, static_cast<float>(i % 2048) / 2048.0f);
    }
    if (kind != "sample") return asset;
    std::int32_t channels = 0, frames = 0;
    double rate = 0;
    words >> channels >> frames >> rate;
    asset.data = {'O', 'S', 'S', '1'};
    put(asset.data, channels), put(asset.data, frames), put(asset.data, rate);
    while (words >> word) {
        if (word == "magic") words >> word, std::copy(word.begin(), word.end(), asset.data.begin());
        if (word == "cut" || word == "extra") word == "cut" ? asset.data.pop_back() : asset.data.push_back(0);
        if (word.find_first_of("-0123456789n") != 0) continue;
        std::istringstream values(word);
        while (std::getline(values, word, ',')) {
            const std::size_t star = word.find('*');
            const float value = std::strtof(word.c_str(), nullptr);
            for (std::size_t n = star == word.npos ? 1 : std::stoul(word.substr(star + 1)); n > 0; --n) put(asset.data, value);
        }
    }
    return asset;
}

// Lines before the document: "sections" to allow section scopes, and assets of the package.
// "asset:@x" in the document names the asset of letter x.
TEST(Apply, CaseTable) {
    checkCaseFile(ORBI_CASES "/apply.txt", [](const std::string& text) {
        Package package;
        bool sections = false;
        std::istringstream lines(text);
        std::string line, document;
        while (std::getline(lines, line)) {
            if (line == "sections") sections = true;
            else if (line.rfind("asset ", 0) == 0) package.assets.push_back(assetFrom(line));
            else document += line + "\n";
        }
        for (std::size_t at; (at = document.find("asset:@")) != document.npos;) document.replace(at + 6, 2, std::string(64, document[at + 7]));
        std::string reason;
        EXPECT_TRUE(parseJson(document, package.document, reason)) << reason;
        DiagnosticList diagnostics;
        ApplySideRecord side;
        const std::optional<LegacyPreset> preset = applyInstanceDocument(side, package, sections, diagnostics);
        std::string out = findings(diagnostics) + (preset ? presetText(*preset) : "no preset\n");
        if (!preset) return out;
        for (const auto& [name, bytes] : preset->bundleFiles) {  // carried as the asset's bytes
            const auto asset = std::find_if(package.assets.begin(), package.assets.end(), [&](const PackageAsset& a) { return a.data == bytes; });
            out += name + " carries " + (asset == package.assets.end() ? "no asset's bytes" : "asset " + asset->name.substr(0, 1)) + "\n";
        }
        LegacyPreset motif;
        motif.motif = side.auditionMotif;
        return out + "side: \"" + side.displayName + "\" \"" + side.provenancePreset + "\" " + num(int{side.provenanceEdited}) + " " +
               side.instance.id + " " + writeCompact(side.instance.unread) + "\n" + (motif.motif ? "side " + presetText(motif) : "");
    });
}

TEST(Convert, TheMotifBecomesTheAuditionClip) {
    LegacyPreset preset;
    preset.motif = LegacyMotif{4.0f, {{0.0f, 1.0f, 60, 0.8f}, {1.5f, 0.5f, 63, 0.1f}}};
    const JsonValue document = convertPreset(preset, "motif").package.document;
    EXPECT_EQ(writeCompact(*findMember(document, "extensions")) + writeCompact(*findMember(document, "audition")),
              R"(["com.quillmark.audition/1"]{"kind":"clip","spec":"1.0","plugin":"orbitrone","length":4,"grid":"1/16",)"
              R"("notes":[{"at":0,"len":1,"pitch":60,"vel":0.8},{"at":1.5,"len":0.5,"pitch":63,"vel":0.1}]})");
    preset.motif = LegacyMotif{8.0f, {}};  // a loop without notes gives no audition
    EXPECT_EQ(findMember(convertPreset(preset, "motif").package.document, "audition"), nullptr);
}

// Converting into an instance that holds a state already replaces every member conversion writes.
TEST(Convert, IntoAnInstanceThatHoldsAStateReplacesWhatConversionWrites) {
    LegacyPreset first = readLegacyDocument(R"({"name": "R", "version": 6, "script": "x", "macroNames": ["", "B"],
        "parameters": {"filt_cutoff": 1234}, "modRoutings": [{"source": "lfo1", "target": "filt_cutoff", "depth": 0.5}]})");
    first.motif = LegacyMotif{4.0f, {{0.0f, 1.0f, 60, 0.8f}}};
    first.wavetable1 = "factory:glass";
    Converted reused = convertPreset(first, "r");
    convertLegacyPreset(reused.instance, reused.package, LegacyPreset{}, "r", reused.diagnostics);
    EXPECT_EQ(writeCompact(reused.package.document), writeCompact(convertPreset(LegacyPreset{}, "r").package.document));
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
