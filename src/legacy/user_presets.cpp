// Listing the target: scan the user preset folder, read each preset file as a package, apply
// its instance, and say on standard error what had to be left out.
#include "legacy/user_presets.hpp"

#include <iostream>

#include "convert/apply_instance.hpp"
#include "convert/apply_messages.hpp"
#include "legacy/discovery.hpp"
#include "library/library_scan.hpp"
#include "library/package.hpp"

namespace orbi {

namespace {

// The source prefix of the references the scan gives for the user's own presets.
constexpr std::string_view kUserSource = "user";
constexpr std::string_view kDocumentName = "instance.json";

}  // namespace

std::optional<LegacyPreset> readPresetPackageFile(const platform::Path& path, DiagnosticList& diagnostics) {
    std::optional<std::vector<std::uint8_t>> bytes = readFileBytes(path, diagnostics);
    if (!bytes) return std::nullopt;
    ApplySideRecord side;
    std::optional<Package> package =
        readPackage(std::span<const std::uint8_t>(*bytes), std::string(kDocumentName), diagnostics, ZipLimits{});
    if (!package) return std::nullopt;
    return applyInstanceDocument(side, *package, false, diagnostics);
}

std::vector<UserPresetEntry> listUserPresets(const platform::Path& presetRoot) {
    std::vector<UserPresetEntry> entries;
    if (presetRoot.empty()) return entries;

    DiagnosticList scanDiagnostics;
    const platform::Path folder = presetRoot / platform::pathFromUtf8(apply_text::kPluginId);
    // Each package is applied as the scan reads it, so every file is read and checked once.
    auto apply = [&entries](LibraryPreset& libraryPreset, Package& package, const DiagnosticList& findings) {
        DiagnosticList fileDiagnostics = findings;
        ApplySideRecord side;
        std::optional<LegacyPreset> preset = applyInstanceDocument(side, package, false, fileDiagnostics);
        if (!preset) {
            std::string line(kLeftOutLinePrefix);
            line += platform::pathToUtf8(libraryPreset.path);
            line += kLeftOutLineMiddle;
            line += firstError(fileDiagnostics).value_or(std::string(kDoesNotRead));
            line += '\n';
            std::cerr << line << std::flush;
            return;
        }
        preset->bundleFiles.clear();
        UserPresetEntry entry;
        entry.name = preset->name;
        entry.category = preset->category;
        entry.preset = std::move(*preset);
        entry.bank = libraryPreset.bank;
        entry.id = libraryPreset.id;
        entries.push_back(std::move(entry));
    };
    (void)scanLibrary(folder, std::string(kUserSource), scanDiagnostics, apply);

    for (const Diagnostic& finding : scanDiagnostics) {
        std::string line(kScanLinePrefix);
        line += finding.message;
        line += '\n';
        std::cerr << line << std::flush;
    }
    return entries;
}

}  // namespace orbi
