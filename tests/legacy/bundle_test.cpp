// Legacy bundles built by Python's zipfile and by the zip command: the document by its exact
// name, the carried wavetables/ and samples/ files, and the reasons a bundle is no preset.
#include <gtest/gtest.h>

#include <algorithm>

#include "archive/archive_messages.hpp"
#include "legacy/legacy_bundle.hpp"
#include "legacy/legacy_messages.hpp"
#include "legacy/zip_fixtures.hpp"
#include "support/host.hpp"

namespace orbi::test {
namespace {

const std::string kDocument = R"({"name": "Wobble", "version": 6, "wavetable1": "bundled:wavetables/a.wav"})";
// Binary data with every byte value, so nothing is taken as text on the way.
const std::string kWave = [] {
    std::string s;
    for (int i = 0; i < 512; ++i) s += static_cast<char>(i * 7);
    return s;
}();

std::map<std::string, std::vector<std::uint8_t>> files(std::initializer_list<std::pair<std::string, std::string>> list) {
    std::map<std::string, std::vector<std::uint8_t>> out;
    for (const auto& [name, data] : list) out[name] = bytesOf(data);
    return out;
}

TEST(LegacyBundle, CarriesTheFilesOfItsTwoFolders) {
    ORBI_SKIP_ON_WINDOWS(::orbi::test::kNeedsPython);
    for (bool deflate : {true, false}) {
        std::vector<std::uint8_t> zip = pythonZip({{"readme.txt", "hello"},
                                                   {"preset.obpreset", kDocument},
                                                   {"wavetables/a.wav", kWave},
                                                   {"samples/b.wav", "sample bytes"},
                                                   {"samples/deeper/c.raw", ""},
                                                   {"wavetablesX/a.wav", "x"},
                                                   {"sample/b.wav", "x"},
                                                   {"Wavetables/c.wav", "x"},
                                                   {"presets/preset.obpreset", "{\"name\": \"Other\"}"},
                                                   {"wavetables", "x"}},
                                                  deflate);
        ASSERT_FALSE(zip.empty());
        DiagnosticList diagnostics;
        std::optional<LegacyPreset> preset = readLegacyBundle(zip, diagnostics);
        ASSERT_TRUE(preset) << deflate;
        EXPECT_TRUE(diagnostics.empty());
        EXPECT_EQ(preset->name, "Wobble");
        EXPECT_EQ(preset->wavetable1, "bundled:wavetables/a.wav");
        EXPECT_EQ(preset->bundleFiles,
                  files({{"wavetables/a.wav", kWave}, {"samples/b.wav", "sample bytes"}, {"samples/deeper/c.raw", ""}}));
    }
}

TEST(LegacyBundle, ADocumentWithoutNameStillGivesAPreset) {
    ORBI_SKIP_ON_WINDOWS(::orbi::test::kNeedsPython);
    for (std::string document : {std::string(R"({"version": 6})"), std::string("not json"), std::string()}) {
        DiagnosticList diagnostics;
        std::optional<LegacyPreset> preset =
            readLegacyBundle(pythonZip({{"preset.obpreset", document}, {"samples/s.wav", "s"}}), diagnostics);
        ASSERT_TRUE(preset) << document;
        EXPECT_TRUE(diagnostics.empty());
        LegacyPreset expected;
        expected.bundleFiles = files({{"samples/s.wav", "s"}});
        EXPECT_EQ(*preset, expected) << document;
    }
}

TEST(LegacyBundle, RepeatedNamesAreSettledByTheZipReader) {
    ORBI_SKIP_ON_WINDOWS(::orbi::test::kNeedsPython);
    // The zip reader keeps the first entry of a name and skips the rest, so the first document
    // and the first data of a carried file are the ones read.
    DiagnosticList diagnostics;
    std::optional<LegacyPreset> preset = readLegacyBundle(pythonZip({{"preset.obpreset", R"({"name": "First"})"},
                                                                     {"wavetables/a.wav", "one"},
                                                                     {"preset.obpreset", R"({"name": "Second"})"},
                                                                     {"wavetables/a.wav", "two"}}),
                                                          diagnostics);
    ASSERT_TRUE(preset);
    EXPECT_EQ(preset->name, "First");
    EXPECT_EQ(preset->bundleFiles, files({{"wavetables/a.wav", "one"}}));
    EXPECT_EQ(diagnostics.size(), 2u);
    EXPECT_FALSE(firstError(diagnostics));
}

TEST(LegacyBundle, WithoutItsDocumentOrNotAZipItIsNoPreset) {
    ORBI_SKIP_ON_WINDOWS(::orbi::test::kNeedsPython);
    const Diagnostic missing{Severity::Error, std::string(legacy_text::kNotAPresetCode), "",
                             "A .obsz without its preset.obpreset"};
    for (const auto& entries : std::vector<std::vector<std::pair<std::string, std::string>>>{
             {{"Preset.obpreset", kDocument}},
             {{"preset.obpreset.bak", kDocument}, {"wavetables/a.wav", kWave}},
             {{"presets/preset.obpreset", kDocument}},
             {}}) {
        DiagnosticList diagnostics;
        EXPECT_FALSE(readLegacyBundle(pythonZip(entries), diagnostics));
        EXPECT_EQ(diagnostics, DiagnosticList{missing});
    }

    DiagnosticList diagnostics;
    EXPECT_FALSE(readLegacyBundle({}, diagnostics));
    EXPECT_EQ(firstError(diagnostics), std::string(archive_text::kTooShort));
    EXPECT_EQ(firstError(diagnostics), "Too short to be a zip archive");

    diagnostics.clear();
    EXPECT_FALSE(readLegacyBundle(bytesOf(kDocument), diagnostics));
    ASSERT_TRUE(firstError(diagnostics));
    EXPECT_NE(*firstError(diagnostics), missing.message);
}

TEST(LegacyBundle, WithoutItsCarriedFilesItReadsTheSame) {
    ORBI_SKIP_ON_WINDOWS(::orbi::test::kNeedsPython);
    std::vector<std::vector<std::uint8_t>> bundles = {
        pythonZip({{"wavetables/a.wav", kWave}, {"preset.obpreset", kDocument}, {"samples/b.wav", "sample bytes"}}),
        pythonZip({{"preset.obpreset", R"({"name": "First"})"}, {"preset.obpreset", R"({"name": "Second"})"}}),
        pythonZip({{"wavetables/a.wav", kWave}}),
        pythonZip({{"preset.obpreset", "not json"}}),
        bytesOf(kDocument),
    };
    // A carried file whose stored bytes are damaged: the full read skips it with a warning.
    std::vector<std::uint8_t> damaged =
        pythonZip({{"preset.obpreset", kDocument}, {"samples/b.wav", "sample bytes"}}, false);
    const std::string stored = "sample bytes";
    auto at = std::search(damaged.begin(), damaged.end(), stored.begin(), stored.end());
    ASSERT_NE(at, damaged.end());
    *at ^= 0x20;
    bundles.push_back(damaged);

    for (std::size_t i = 0; i < bundles.size(); ++i) {
        DiagnosticList full, documentOnly;
        std::optional<LegacyPreset> all = readLegacyBundle(bundles[i], BundleFiles::read, full);
        std::optional<LegacyPreset> some = readLegacyBundle(bundles[i], BundleFiles::skip, documentOnly);
        ASSERT_EQ(all.has_value(), some.has_value()) << i;
        EXPECT_EQ(firstError(full), firstError(documentOnly)) << i;
        if (!all) continue;
        EXPECT_TRUE(some->bundleFiles.empty()) << i;
        all->bundleFiles.clear();
        EXPECT_EQ(*all, *some) << i;
    }
    DiagnosticList full, documentOnly;
    EXPECT_TRUE(readLegacyBundle(damaged, BundleFiles::read, full));
    EXPECT_TRUE(readLegacyBundle(damaged, BundleFiles::skip, documentOnly));
    EXPECT_EQ(full.size(), 1u);
    EXPECT_TRUE(documentOnly.empty());
}

TEST(LegacyBundle, MadeByTheZipCommand) {
    ORBI_SKIP_ON_WINDOWS(::orbi::test::kNeedsZipTools);
    TempFolder folder;
    writeFile(folder / "preset.obpreset", kDocument);
    writeFile(folder / "wavetables/a.wav", kWave);
    writeFile(folder / "samples/b.wav", "sample bytes");
    writeFile(folder / "notes/readme.txt", "hello");

    // With folder entries (wavetables/, samples/), as zip -r writes them: a folder entry carries
    // no data, and if the zip reader passes it on it is kept under its name like any other.
    std::vector<std::uint8_t> zip = zipCommand(folder.path(), "-r preset.obpreset wavetables samples notes");
    ASSERT_FALSE(zip.empty());
    DiagnosticList diagnostics;
    std::optional<LegacyPreset> preset = readLegacyBundle(zip, diagnostics);
    ASSERT_TRUE(preset);
    EXPECT_EQ(preset->name, "Wobble");
    EXPECT_EQ(preset->bundleFiles.at("wavetables/a.wav"), bytesOf(kWave));
    EXPECT_EQ(preset->bundleFiles.at("samples/b.wav"), bytesOf("sample bytes"));
    for (const auto& [name, data] : preset->bundleFiles) {
        if (name != "wavetables/a.wav" && name != "samples/b.wav") {
            EXPECT_TRUE(name == "wavetables/" || name == "samples/") << name;
            EXPECT_TRUE(data.empty()) << name;
        }
    }

    // The document under a capitalised name is not the document.
    std::filesystem::rename(folder / "preset.obpreset", folder / "Preset.obpreset");
    diagnostics.clear();
    EXPECT_FALSE(readLegacyBundle(zipCommand(folder.path(), "-r -D Preset.obpreset wavetables"), diagnostics));
    EXPECT_EQ(firstError(diagnostics), "A .obsz without its preset.obpreset");
}

}  // namespace
}  // namespace orbi::test
