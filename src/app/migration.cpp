// The migration run. Two phases, each read on the workers and decided on this thread in order:
// the target's presets give the taken names and ids, then every legacy file is read, converted
// when it may be migrated, and decided against the taken sets: a name already taken is kept, an
// id already used in its bank gets the next free -2, -3, ... suffix.
#include "app/migration.hpp"

#include <algorithm>
#include <set>
#include <span>
#include <utility>

#include "app/app_messages.hpp"
#include "app/folders.hpp"
#include "app/id_claims.hpp"
#include "app/target_listing.hpp"
#include "convert/convert_legacy.hpp"
#include "diagnostics/diagnostics.hpp"
#include "documents/instance_document.hpp"
#include "legacy/discovery.hpp"
#include "library/package.hpp"
#include "library/preset_saving.hpp"

namespace orbi {

namespace {

// Presets are written to their temporary files in groups and made durable together: one flush
// for the group's files before any of them is renamed, one for the renames after. Syncing each
// file and folder on its own made the disk's flushes, not the work, the cost of a run.
constexpr std::size_t kPresetsPerGroup = 100;

// A legacy file as a worker leaves it: read, and converted under the id its name alone gives
// when it may be migrated under a name the target does not hold. Such a preset's temporary file
// is written ahead where that can be done safely (IdClaims), so that creating and writing files,
// most of a first run's system time, happens on the workers, and this thread is left with the
// renames. Whether a file was staged ahead changes only who writes it: the decisions, the bytes
// and what a failure reports are those of staging here, which is what happens otherwise.
struct Prepared {
    enum class Read { failed, section, preset } read = Read::failed;
    std::string name;
    std::string detail;  // the reason, when the file does not read
    bool converted = false;
    std::string bank;
    std::string provisionalId;
    InstanceDocument instance;
    Package package;
    std::optional<PresetFile> file;  // the package's file under the provisional id
    std::optional<StagedPreset> ahead;  // that file, staged ahead
    DiagnosticList fileDiagnostics;  // what making it found, after `diagnostics`
    DiagnosticList diagnostics;
};

class MigrationRun {
public:
    MigrationRun(platform::Path presetRoot, const MigrationOptions& options)
        : presetRoot_(std::move(presetRoot)), options_(options) {}

    std::vector<MigrationEntry> run(const platform::Path& legacyFolder, const NoteSink& note) {
        settled_ = userPresetFolder(presetRoot_);
        while (!platform::isDirectory(settled_) && settled_.has_relative_path()) settled_ = settled_.parent_path();
        takeTarget(note);
        std::vector<platform::Path> paths = findLegacyPresets(legacyFolder);
        entries_.resize(paths.size());
        for (std::size_t i = 0; i < paths.size(); ++i) entries_[i].sourcePath = std::move(paths[i]);

        auto weigh = [](const Prepared& prepared) {
            std::size_t bytes = 0;
            for (const PackageAsset& asset : prepared.package.assets) bytes += asset.data.size();
            return bytes + (prepared.file ? prepared.file->bytes.size() : 0);
        };
        forEachOrdered(
            entries_.size(), options_.limits, [this](std::size_t index) { return prepare(index); },
            [this](std::size_t index, Prepared prepared) {
                decide(index, prepared);
                decided_ = index + 1;
                if (group_.size() >= kPresetsPerGroup) commitGroup();
            },
            weigh);
        commitGroup();
        return std::move(entries_);
    }

private:
    struct Staged {
        std::size_t entry;
        std::string bank;
        StagedPreset preset;
    };

    // New ids are lower-case slugs, so the target's ids are taken lower-cased: on a file system
    // that ignores case, "Lonely.orbi" is the file a new "lonely.json" would remove. A file the
    // listing left out (damaged, another plugin's, a folder) still holds its id.
    void takeTarget(const NoteSink& note) {
        TargetListing listing = listUserPresets(presetRoot_, options_.limits);
        for (const UserPresetEntry& existing : listing.presets) {
            targetNames_.insert(lowerAscii(existing.name));
            takenIds_.insert({lowerAscii(existing.bank), lowerAscii(existing.id)});
        }
        for (const auto& [bank, id] : listing.occupied) takenIds_.insert({lowerAscii(bank), lowerAscii(id)});
        takenNames_ = targetNames_;
        targetIds_ = takenIds_;
        if (note) {
            for (const std::string& line : listing.notes) note(line);
        }
    }

    // Runs on a worker: touches only its own entry's path and the target's names, which do not
    // change once listed. A section, or a preset whose name the target holds, is kept whatever
    // else its file holds, so once the target has names a file's heading is read first, and the
    // rest only for a preset that will be converted.
    Prepared prepare(std::size_t index) const {
        Prepared prepared;
        const platform::Path& path = entries_[index].sourcePath;
        if (!targetNames_.empty()) {
            if (std::optional<LegacyHeading> heading = readLegacyHeadingFile(path)) {
                const bool section = heading->scope != 0;
                if (section || targetNames_.contains(lowerAscii(heading->name))) {
                    prepared.read = section ? Prepared::Read::section : Prepared::Read::preset;
                    prepared.name = std::move(heading->name);
                    return prepared;
                }
            }
        }
        DiagnosticList& diagnostics = prepared.diagnostics;
        std::optional<LegacyPreset> preset = readLegacyPresetFile(path, diagnostics);
        if (!preset) {
            prepared.detail = reasonOf(diagnostics);
            return prepared;
        }
        prepared.name = preset->name;
        if (preset->scope != 0) {
            prepared.read = Prepared::Read::section;
            return prepared;
        }
        prepared.read = Prepared::Read::preset;
        if (targetNames_.contains(lowerAscii(preset->name))) return prepared;
        prepared.converted = true;
        prepared.bank = bankForCategory(preset->category);
        prepared.provisionalId = presetSlug(preset->name);
        convertLegacyPreset(prepared.instance, prepared.package, std::move(*preset), prepared.provisionalId,
                            diagnostics);
        // The file's bytes are made here, off the thread that writes the files in order; they are
        // made again there in the rare case that the id must change.
        prepared.file = presetFileOf(prepared.bank, prepared.package, prepared.fileDiagnostics);
        const IdClaims::Key key{prepared.bank, prepared.provisionalId};
        if (prepared.file && !presetRoot_.empty() && !targetIds_.contains(key) && claims_.claimAhead(key, index)) {
            // Settled on every way out: the deciding thread may be waiting for this claim.
            struct Settle {
                IdClaims& claims;
                const IdClaims::Key& key;
                const std::optional<StagedPreset>& ahead;
                ~Settle() { claims.settle(key, ahead ? ahead->tempPath : platform::Path{}); }
            } settle{claims_, key, prepared.ahead};
            prepared.ahead = stageNewPresetFile(presetRoot_, *prepared.file);
        }
        return prepared;
    }

    // A file staged ahead that its preset will not use (kept, or given another id) is removed.
    void dropAhead(std::size_t index, Prepared& prepared) {
        if (!prepared.ahead) return;
        claims_.takeOver({prepared.bank, prepared.provisionalId}, index);
        prepared.ahead.reset();
    }

    // The rules, in path order: a file that does not read has failed, a section preset is kept,
    // a taken name is kept; any other preset takes its name and a free id and is staged.
    void decide(std::size_t index, Prepared& prepared) {
        MigrationEntry& entry = entries_[index];
        entry.status = MigrationStatus::failed;
        entry.name = prepared.name;
        entry.detail = prepared.detail;
        if (prepared.read == Prepared::Read::failed) return;
        if (prepared.read == Prepared::Read::section) {
            entry.status = MigrationStatus::keptSection;
            return;
        }
        const std::string lowered = lowerAscii(entry.name);
        // Unconverted means the target holds the name, and the target's names never leave the set.
        if (!prepared.converted || !takenNames_.insert(lowered).second) {
            dropAhead(index, prepared);
            entry.status = MigrationStatus::keptExisting;
            return;
        }
        std::string id = uniquePresetId(prepared.bank, prepared.provisionalId, takenIds_);
        std::optional<StagedPreset> staged;
        if (id == prepared.provisionalId && !presetRoot_.empty()) {
            DiagnosticList& diagnostics = prepared.diagnostics;
            diagnostics.insert(diagnostics.end(), prepared.fileDiagnostics.begin(), prepared.fileDiagnostics.end());
            if (prepared.ahead && claims_.useAhead({prepared.bank, id}, index)) {
                staged = std::move(prepared.ahead);
            } else if (prepared.file) {
                claims_.takeOver({prepared.bank, id}, index);
                staged = stagePresetFile(presetRoot_, *prepared.file, false, diagnostics);
            }
        } else {
            dropAhead(index, prepared);
            claims_.takeOver({prepared.bank, id}, index);
            if (id != prepared.provisionalId) {
                prepared.instance.id = id;
                prepared.package.document = writeInstanceDocument(prepared.instance);
            }
            staged = stagePreset(presetRoot_, prepared.bank, prepared.package, false, prepared.diagnostics);
        }
        if (!staged) {
            takenNames_.erase(lowered);
            entry.detail = reasonOf(prepared.diagnostics);
            return;
        }
        takenIds_.insert({prepared.bank, id});
        group_.push_back({index, std::move(prepared.bank), std::move(*staged)});
    }

    // Flushes the group's temporary files, renames each over its final name in run order, then
    // flushes the renames. A preset whose save fails frees its name, and a later preset already
    // decided as kept because of that name is read and decided again.
    void commitGroup() {
        while (!group_.empty()) {
            std::vector<platform::Path> temporary;
            for (const Staged& staged : group_) temporary.push_back(staged.preset.tempPath);
            std::string ignored;
            const bool flushed = platform::syncToDisk(temporary, ignored);

            std::vector<platform::Path> folders;
            std::vector<std::size_t> freed;
            for (Staged& staged : group_) {
                MigrationEntry& entry = entries_[staged.entry];
                DiagnosticList diagnostics;
                std::optional<std::string> reference;
                // When the group's flush fails, each file is flushed alone: a file another
                // program holds open, or one that cannot be written back, fails only its preset.
                std::string error;
                if (flushed || platform::syncToDisk(std::span(&staged.preset.tempPath, 1), error)) {
                    reference = commitPreset(staged.preset, diagnostics);
                } else {
                    discardStagedPreset(staged.preset, error, diagnostics);
                }
                if (reference) {
                    entry.status = MigrationStatus::migrated;
                    entry.detail = std::move(*reference);
                    // A folder the run created is an entry of the one above it: every folder up
                    // to one that existed before the run is synced, or a power cut could lose a
                    // new bank with all its presets.
                    for (platform::Path folder = staged.preset.folder;; folder = folder.parent_path()) {
                        if (folder.empty() || std::find(folders.begin(), folders.end(), folder) != folders.end()) break;
                        folders.push_back(folder);
                        if (folder == settled_ || !folder.has_relative_path()) break;
                    }
                } else {
                    entry.detail = reasonOf(diagnostics);
                    takenNames_.erase(lowerAscii(entry.name));
                    takenIds_.erase({staged.bank, staged.preset.id});
                    freed.push_back(staged.entry);
                }
            }
            group_.clear();
            (void)platform::syncToDisk(folders, ignored);

            for (std::size_t failed : freed) {
                const std::string lowered = lowerAscii(entries_[failed].name);
                for (std::size_t k = failed + 1; k < decided_; ++k) {
                    if (entries_[k].status == MigrationStatus::keptExisting && lowerAscii(entries_[k].name) == lowered) {
                        Prepared again = prepare(k);
                        decide(k, again);
                    }
                }
            }
        }
    }

    platform::Path presetRoot_;
    MigrationOptions options_;
    std::set<std::string> targetNames_;  // the target's own; read by the workers
    std::set<std::string> takenNames_;
    TakenIds takenIds_;
    TakenIds targetIds_;  // the target's own; read by the workers
    mutable IdClaims claims_;
    std::vector<MigrationEntry> entries_;  // paths read by the workers; the rest by this thread only
    std::vector<Staged> group_;
    std::size_t decided_ = 0;  // entries below have their outcome (or are in the group)
    platform::Path settled_;   // the deepest folder above the banks that existed before the run
};

}  // namespace

std::vector<MigrationEntry> runMigration(const platform::Path& legacyFolder, const platform::Path& presetRoot,
                                         const NoteSink& note, const MigrationOptions& options) {
    return MigrationRun(presetRoot, options).run(legacyFolder, note);
}

}  // namespace orbi
