// Listing the target: every library file is read and applied on a worker; the scan's decisions
// (unreadable, repeated id) and the notes are made in listing order on the calling thread.
#include "app/target_listing.hpp"

#include "app/app_messages.hpp"
#include "app/folders.hpp"
#include "convert/apply_instance.hpp"
#include "library/library_scan.hpp"
#include "library/package.hpp"

namespace orbi {

namespace msg = app_messages;

namespace {

// The source prefix of the references the scan gives for the user's own presets.
constexpr std::string_view kUserSource = "user";

// One library file as a worker leaves it: what the scan needs, and the applied preset.
struct ReadFile {
    std::optional<Package> package;  // the document alone
    std::string reason;
    std::optional<LegacyPreset> preset;
    DiagnosticList diagnostics;
};

}  // namespace

std::string reasonOf(const DiagnosticList& diagnostics) {
    return firstError(diagnostics).value_or(std::string(msg::kDoesNotRead));
}

TargetListing listUserPresets(const platform::Path& presetRoot, const OrderedLimits& limits) {
    TargetListing listing;
    if (presetRoot.empty()) return listing;

    const std::vector<LibraryFile> files = listLibraryFiles(userPresetFolder(presetRoot));
    for (const LibraryFile& file : files) {
        std::string name = platform::pathToUtf8(file.path.filename());
        listing.occupied.emplace_back(file.bank, name.substr(0, name.rfind('.')));
    }
    std::vector<const LibraryFile*> regular;
    for (const LibraryFile& file : files) {
        if (file.regular) regular.push_back(&file);
    }

    auto read = [&](std::size_t index) {
        ReadFile read;
        // Taking a preset depends on its document alone: its assets give warnings at most, and
        // the warnings of a file that reads are not shown.
        read.package = readLibraryDocument(regular[index]->path, read.reason, read.diagnostics);
        if (read.package) {
            ApplySideRecord side;
            read.preset = applyInstanceDocument(side, *read.package, false, read.diagnostics);
        }
        return read;
    };
    LibraryScan scan{std::string(kUserSource)};
    DiagnosticList scanDiagnostics;
    auto decide = [&](std::size_t index, ReadFile read) {
        const LibraryFile& file = *regular[index];
        std::optional<LibraryPreset> taken = scan.take(file, read.package, read.reason, scanDiagnostics);
        if (!taken) return;
        if (!read.preset) {
            listing.notes.push_back(std::string(msg::kLeftOutLinePrefix) + platform::pathToUtf8(file.path) +
                                    std::string(msg::kLeftOutLineMiddle) + reasonOf(read.diagnostics) + "\n");
            return;
        }
        listing.presets.push_back({read.preset->name, read.preset->category, taken->bank, taken->id});
    };
    forEachOrdered(regular.size(), limits, read, decide);

    for (const Diagnostic& finding : scanDiagnostics) {
        listing.notes.push_back(std::string(msg::kScanLinePrefix) + finding.message + "\n");
    }
    return listing;
}

}  // namespace orbi
