// The migration run. The taken sets decide every outcome: a name already taken is kept, an id
// already used in its bank gets the next free -2, -3, ... suffix.
#include "app/migration.hpp"

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <future>
#include <mutex>
#include <set>
#include <utility>

#include "app/folders.hpp"
#include "app/unique_id.hpp"
#include "convert/convert_legacy.hpp"
#include "documents/diagnostics.hpp"
#include "documents/instance_document.hpp"
#include "legacy/discovery.hpp"
#include "legacy/user_presets.hpp"
#include "library/library_scan.hpp"
#include "library/package.hpp"
#include "library/preset_saving.hpp"

namespace orbi {

std::string lowerAscii(std::string_view text) {
    std::string out(text);
    for (char& c : out) {
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    }
    return out;
}

std::string presetSlug(std::string_view text) {
    std::string out(text);
    for (char& c : out) {
        switch (c) {
            case ' ': case '"': case '*': case '/': case ':':
            case '<': case '>': case '?': case '\\': case '|':
                c = '-';
                break;
            default:
                if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
        }
    }
    return out;
}

std::string bankForCategory(std::string_view category) {
    return category.empty() ? std::string("uncategorized") : presetSlug(category);
}

namespace {

std::string reasonOf(const DiagnosticList& diagnostics) {
    return firstError(diagnostics).value_or("does not read");
}

// Presets are written to their temporary files in groups and made durable together: one flush
// for the group's files before any of them is renamed, one for the renames after. Syncing each
// file and folder on its own made the disk's flushes, not the work, the cost of a run.
constexpr std::size_t kPresetsPerGroup = 100;

// The names and ids a new preset may not take: those of the presets already in the target, and
// the file names the target's listing could not read.
struct TakenSets {
    std::set<std::string> names;
    TakenIds ids;
};

TakenSets listTaken(const platform::Path& presetRoot) {
    TakenSets taken;
    // New ids are lower-case slugs, so ids are compared lower-cased: on a file system that
    // ignores case, "Lonely.orbi" is the file a new "lonely.json" would remove.
    for (const UserPresetEntry& existing : listUserPresets(presetRoot)) {
        taken.names.insert(lowerAscii(existing.name));
        taken.ids.insert({lowerAscii(existing.bank), lowerAscii(existing.id)});
    }
    // A file the listing left out (damaged, another plugin's, a folder) still holds its name.
    if (!presetRoot.empty()) {
        for (const auto& [bank, id] : listOccupiedIds(userPresetFolder(presetRoot))) {
            taken.ids.insert({lowerAscii(bank), lowerAscii(id)});
        }
    }
    return taken;
}

class MigrationRun {
public:
    MigrationRun(platform::Path presetRoot, ReadAhead readAhead)
        : presetRoot_(std::move(presetRoot)), readAhead_(readAhead) {}

    // The target is listed on a thread of its own while the legacy files are found and read:
    // the two are independent, and on a rerun each is about half the work. Until the listing is
    // done, a legacy file is read only for what decides its outcome (whether it reads, its name,
    // its scope); after it, a second thread goes on doing that from the last file backwards while
    // this one works from the front. A file read that way which turns out to need migrating is
    // read again in full. The outcome of every file is decided here, in path order, against the
    // taken sets either way, so the report does not depend on which files were read early.
    std::vector<MigrationEntry> run(const platform::Path& legacyFolder) {
        std::future<TakenSets> listing = std::async(std::launch::async, listTaken, presetRoot_);
        std::vector<platform::Path> paths = findLegacyPresets(legacyFolder);
        entries_.resize(paths.size());
        for (std::size_t i = 0; i < paths.size(); ++i) entries_[i].sourcePath = std::move(paths[i]);
        mayMigrate_.assign(entries_.size(), 0);
        readEarly_.assign(entries_.size(), 0);

        std::size_t early = 0;
        auto listingDone = [&] {
            return readAhead_ == ReadAhead::whileListing &&
                   listing.wait_for(std::chrono::seconds(0)) == std::future_status::ready;
        };
        for (; early < entries_.size() && !listingDone(); ++early) readOutcome(early);
        TakenSets taken = listing.get();
        takenNames_ = std::move(taken.names);
        takenIds_ = std::move(taken.ids);

        front_ = early;
        back_ = entries_.size();
        std::future<void> fromBack = std::async(std::launch::async, [this] { readOutcomesFromBack(); });
        for (std::size_t index = 0; index < entries_.size(); ++index) {
            bool readBefore = index < early;
            if (!readBefore) {
                std::unique_lock lock(mutex_);
                if (index < back_) {
                    front_ = index + 1;  // this one is ours
                } else {
                    outcomeRead_.wait(lock, [&] { return readEarly_[index] != 0; });
                    readBefore = true;
                }
            }
            if (!readBefore) {
                migrate(index);
            } else if (mayMigrate_[index] != 0) {
                if (takenNames_.contains(lowerAscii(entries_[index].name))) {
                    entries_[index].status = MigrationStatus::keptExisting;
                } else {
                    migrate(index);
                }
            }
            decided_ = index + 1;
            if (group_.size() >= kPresetsPerGroup) commitGroup();
        }
        commitGroup();
        fromBack.get();
        return std::move(entries_);
    }

private:
    struct Staged {
        std::size_t entry;
        std::string bank;
        StagedPreset preset;
    };

    // Reads an entry's legacy file and records what decides its outcome: a file that does not
    // read has failed and a section preset is kept, whatever the taken sets hold; any other
    // preset is returned, as it may be migrated.
    std::optional<LegacyPreset> readEntry(std::size_t index, DiagnosticList& diagnostics) {
        MigrationEntry& entry = entries_[index];
        entry.status = MigrationStatus::failed;
        entry.name.clear();
        entry.detail.clear();
        std::optional<LegacyPreset> preset = readLegacyPresetFile(entry.sourcePath, diagnostics);
        if (!preset) {
            entry.detail = reasonOf(diagnostics);
            return std::nullopt;
        }
        entry.name = preset->name;
        if (preset->scope != 0) {
            entry.status = MigrationStatus::keptSection;
            return std::nullopt;
        }
        return preset;
    }

    // Reads a legacy file for what decides its outcome, and drops the rest.
    void readOutcome(std::size_t index) {
        DiagnosticList diagnostics;
        mayMigrate_[index] = readEntry(index, diagnostics).has_value() ? 1 : 0;
    }

    // The second thread: claims files from the back until it meets the front, which the run
    // claims as it goes; an entry belongs to exactly one of them.
    void readOutcomesFromBack() {
        for (;;) {
            std::size_t index = 0;
            {
                std::lock_guard lock(mutex_);
                if (back_ <= front_) return;
                index = --back_;
            }
            readOutcome(index);
            {
                std::lock_guard lock(mutex_);
                readEarly_[index] = 1;
            }
            outcomeRead_.notify_all();
        }
    }

    void migrate(std::size_t index) {
        DiagnosticList diagnostics;
        std::optional<LegacyPreset> preset = readEntry(index, diagnostics);
        if (!preset) return;
        MigrationEntry& entry = entries_[index];
        std::string lowered = lowerAscii(preset->name);
        if (!takenNames_.insert(lowered).second) {
            entry.status = MigrationStatus::keptExisting;
            return;
        }

        std::string bank = bankForCategory(preset->category);
        std::string id = uniquePresetId(bank, presetSlug(preset->name), takenIds_);

        InstanceDocument instance;
        Package package;
        convertLegacyPreset(instance, package, std::move(*preset), id, diagnostics);
        std::optional<StagedPreset> staged = stagePreset(presetRoot_, bank, package, diagnostics, false);
        if (!staged) {
            takenNames_.erase(lowered);
            entry.detail = reasonOf(diagnostics);
            return;
        }
        takenIds_.insert({bank, id});
        group_.push_back({index, std::move(bank), std::move(*staged)});
    }

    // Flushes the group's temporary files, renames each over its final name in run order, then
    // flushes the renames. A preset whose save fails frees its name, and a later preset of the
    // group that was kept because of that name is tried again.
    void commitGroup() {
        while (!group_.empty()) {
            std::vector<platform::Path> temporary;
            for (const Staged& staged : group_) temporary.push_back(staged.preset.tempPath);
            std::string flushError;
            const bool flushed = platform::syncToDisk(temporary, flushError);

            std::vector<platform::Path> folders;
            std::vector<std::size_t> freed;
            for (Staged& staged : group_) {
                MigrationEntry& entry = entries_[staged.entry];
                DiagnosticList diagnostics;
                std::optional<std::string> reference;
                if (flushed) {
                    reference = commitPreset(staged.preset, diagnostics);
                } else {
                    discardStagedPreset(staged.preset, diagnostics);
                }
                if (reference) {
                    entry.status = MigrationStatus::migrated;
                    entry.detail = std::move(*reference);
                    if (std::find(folders.begin(), folders.end(), staged.preset.folder) == folders.end()) {
                        folders.push_back(staged.preset.folder);
                    }
                } else {
                    entry.detail = reasonOf(diagnostics);
                    takenNames_.erase(lowerAscii(entry.name));
                    takenIds_.erase({staged.bank, staged.preset.id});
                    freed.push_back(staged.entry);
                }
            }
            group_.clear();
            std::string ignored;
            (void)platform::syncToDisk(folders, ignored);

            for (std::size_t failed : freed) {
                const std::string lowered = lowerAscii(entries_[failed].name);
                // Only entries already decided: those further on may still be being read.
                for (std::size_t k = failed + 1; k < decided_; ++k) {
                    if (entries_[k].status == MigrationStatus::keptExisting && lowerAscii(entries_[k].name) == lowered) {
                        migrate(k);
                    }
                }
            }
        }
    }

    platform::Path presetRoot_;
    ReadAhead readAhead_;
    // Per entry; written by whichever thread owns the entry, read by the run once readEarly_ says so.
    std::vector<char> mayMigrate_;
    std::mutex mutex_;  // guards front_, back_ and readEarly_
    std::condition_variable outcomeRead_;
    std::size_t front_ = 0;  // entries below are claimed by the run
    std::size_t back_ = 0;   // entries from here on are claimed by the second thread
    std::vector<char> readEarly_;
    std::size_t decided_ = 0;  // entries below have their outcome (or are in the group)
    std::set<std::string> takenNames_;
    TakenIds takenIds_;
    std::vector<MigrationEntry> entries_;
    std::vector<Staged> group_;
};

}  // namespace

std::vector<MigrationEntry> runMigration(const platform::Path& legacyFolder, const platform::Path& presetRoot,
                                         ReadAhead readAhead) {
    return MigrationRun(presetRoot, readAhead).run(legacyFolder);
}

}  // namespace orbi
