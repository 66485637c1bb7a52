// Bundle entries by exact, case-sensitive name: the document, carried files below wavetables/
// and samples/, and everything else, which is ignored. A later entry of the same name wins.
#include "legacy/legacy_bundle.hpp"

#include <map>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "archive/zip_entry.hpp"
#include "archive/zip_reader.hpp"
#include "legacy/legacy_document.hpp"
#include "legacy/legacy_messages.hpp"

namespace orbi {

namespace {
constexpr std::string_view kWavetableFolder = "wavetables/";
constexpr std::string_view kSampleFolder = "samples/";

// A bare folder name ("samples/") counts too; such an entry is carried like any other.
bool isCarriedFile(std::string_view name) { return name.starts_with(kWavetableFolder) || name.starts_with(kSampleFolder); }

bool isBundleDocument(std::string_view name) { return name == legacy_text::kBundleDocumentName; }
}  // namespace

std::optional<LegacyPreset> readLegacyBundle(std::span<const std::uint8_t> bytes, DiagnosticList& diagnostics) {
    std::optional<std::vector<ZipEntry>> entries = readZip(bytes, ZipLimits{}, diagnostics);
    if (!entries) return std::nullopt;

    std::optional<LegacyPreset> preset;
    std::map<std::string, std::vector<std::uint8_t>> carried;
    for (ZipEntry& entry : *entries) {
        if (isBundleDocument(entry.name)) {
            preset = readLegacyDocument(entry.data);
        } else if (isCarriedFile(entry.name)) {
            carried.insert_or_assign(std::move(entry.name), std::move(entry.data));
        }
    }
    if (!preset) {
        addError(diagnostics, std::string(legacy_text::kNotAPresetCode), "",
                 std::string(legacy_text::kBundleWithoutDocument));
        return std::nullopt;
    }
    preset->bundleFiles = std::move(carried);
    return preset;
}

std::optional<LegacyHeading> readLegacyBundleHeading(ZipSource& source, DiagnosticList& diagnostics) {
    std::optional<std::vector<ZipEntry>> entries = readZip(source, ZipLimits{}, isBundleDocument, diagnostics);
    if (!entries) return std::nullopt;
    if (entries->empty()) {
        addError(diagnostics, std::string(legacy_text::kNotAPresetCode), "",
                 std::string(legacy_text::kBundleWithoutDocument));
        return std::nullopt;
    }
    return readLegacyHeading(entries->front().data);
}

}  // namespace orbi
