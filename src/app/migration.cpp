// The migration run. The taken sets decide every outcome: a name already taken is kept, an id
// already used in its bank gets the next free -2, -3, ... suffix.
#include "app/migration.hpp"

#include <algorithm>
#include <array>
#include <chrono>
#include <condition_variable>
#include <exception>
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

// How far the second thread may read and convert ahead of the run: converted presets wait in
// memory with their assets until the run saves them.
constexpr std::size_t kPreparedAhead = 8;
constexpr std::size_t kPreparedAheadBytes = std::size_t{16} << 20;

class MigrationRun {
public:
    MigrationRun(platform::Path presetRoot, ReadAhead readAhead)
        : presetRoot_(std::move(presetRoot)), readAhead_(readAhead) {}

    // The target is listed on a thread of its own while the legacy files are found and read:
    // the two are independent, and on a rerun each is about half the work. Until the listing is
    // done, a legacy file is read only for what decides its outcome (whether it reads, its name,
    // its scope), and one that turns out to need migrating is read again in full. After it, a
    // second thread reads and converts the files a few ahead of the run, which saves them. The
    // outcome of every file is decided here, in path order, against the taken sets either way,
    // so the report does not depend on which thread read a file or when.
    std::vector<MigrationEntry> run(const platform::Path& legacyFolder) {
        std::future<TakenSets> listing = std::async(std::launch::async, listTaken, presetRoot_);
        std::vector<platform::Path> paths = findLegacyPresets(legacyFolder);
        entries_.resize(paths.size());
        for (std::size_t i = 0; i < paths.size(); ++i) entries_[i].sourcePath = std::move(paths[i]);
        mayMigrate_.assign(entries_.size(), 0);

        std::size_t early = 0;
        auto listingDone = [&] {
            return readAhead_ == ReadAhead::whileListing &&
                   listing.wait_for(std::chrono::seconds(0)) == std::future_status::ready;
        };
        for (; early < entries_.size() && !listingDone(); ++early) readOutcome(early);
        TakenSets taken = listing.get();
        targetNames_ = taken.names;
        takenNames_ = std::move(taken.names);
        takenIds_ = std::move(taken.ids);

        nextToPrepare_ = early;
        consumed_ = early;
        std::future<void> ahead = std::async(std::launch::async, [this] { prepareAhead(); });
        // Should this thread leave by an exception, the second one must not wait for it forever:
        // the future's destructor waits for the thread.
        struct StopAhead {
            MigrationRun& run;
            ~StopAhead() { run.stopAhead(); }
        } stopAhead{*this};
        for (std::size_t index = 0; index < entries_.size(); ++index) {
            Prepared prepared = index < early ? readBefore(index) : takePrepared(index);
            settle(index, prepared);
            decided_ = index + 1;
            if (group_.size() >= kPresetsPerGroup) commitGroup();
        }
        commitGroup();
        ahead.get();
        return std::move(entries_);
    }

private:
    struct Staged {
        std::size_t entry;
        std::string bank;
        StagedPreset preset;
    };

    // A legacy file read and, when it may be migrated under a name the target does not hold,
    // converted under the id its name alone gives.
    struct Prepared {
        bool mayMigrate = false;
        bool converted = false;
        std::string bank;
        std::string provisionalId;
        InstanceDocument instance;
        Package package;
        DiagnosticList diagnostics;
        std::size_t bytes = 0;  // the assets' bytes held until the preset is saved
        std::exception_ptr failure;  // what preparing threw, to be rethrown by the run
    };

    using FileBytes = std::optional<std::vector<std::uint8_t>>;

    // Reads an entry's legacy file (unless `bytes` holds it already) and records what decides
    // its outcome: a file that does not read has failed and a section preset is kept, whatever
    // the taken sets hold; any other preset is returned, as it may be migrated.
    std::optional<LegacyPreset> readEntry(std::size_t index, FileBytes& bytes, BundleFiles files,
                                          DiagnosticList& diagnostics) {
        MigrationEntry& entry = entries_[index];
        entry.status = MigrationStatus::failed;
        entry.name.clear();
        entry.detail.clear();
        if (!bytes) bytes = readFileBytes(entry.sourcePath, diagnostics);
        std::optional<LegacyPreset> preset;
        if (bytes) preset = readLegacyPreset(entry.sourcePath, *bytes, diagnostics, files);
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
        FileBytes bytes;
        mayMigrate_[index] = readEntry(index, bytes, BundleFiles::skip, diagnostics).has_value() ? 1 : 0;
    }

    // An entry read while the target was listed: only its outcome is known, nothing converted.
    Prepared readBefore(std::size_t index) const {
        Prepared prepared;
        prepared.mayMigrate = mayMigrate_[index] != 0;
        return prepared;
    }

    // Safe on either thread for an entry it owns: it reads only the target's names, which do
    // not change once listed. A name the target holds is kept whatever else happens, so such a
    // preset is not converted, and its bundle's carried files are not needed: when the target
    // holds any names, a bundle is read first without them.
    Prepared prepare(std::size_t index) {
        Prepared prepared;
        FileBytes bytes;
        const bool documentFirst = !targetNames_.empty() && isBundlePath(entries_[index].sourcePath);
        std::optional<LegacyPreset> preset =
            readEntry(index, bytes, documentFirst ? BundleFiles::skip : BundleFiles::read, prepared.diagnostics);
        if (!preset) return prepared;
        if (targetNames_.contains(lowerAscii(preset->name))) {
            prepared.mayMigrate = true;
            return prepared;
        }
        if (documentFirst) {
            prepared.diagnostics.clear();
            preset = readEntry(index, bytes, BundleFiles::read, prepared.diagnostics);
            if (!preset) return prepared;  // the same bytes: the outcome does not change
        }
        prepared.mayMigrate = true;
        prepared.converted = true;
        prepared.bank = bankForCategory(preset->category);
        prepared.provisionalId = presetSlug(preset->name);
        convertLegacyPreset(prepared.instance, prepared.package, std::move(*preset), prepared.provisionalId,
                            prepared.diagnostics);
        for (const PackageAsset& asset : prepared.package.assets) prepared.bytes += asset.data.size();
        return prepared;
    }

    // Whether the next entry may be claimed: claimed entries are prepared and held until the run
    // takes them, so both threads stay within a few entries and bytes of the run.
    bool mayClaim() const {
        return nextToPrepare_ < entries_.size() && nextToPrepare_ < consumed_ + kPreparedAhead &&
               bytesAhead_ < kPreparedAheadBytes;
    }

    // Prepares a claimed entry outside the lock and hands it over; called and returns with the lock held.
    void prepareClaimed(std::unique_lock<std::mutex>& lock) {
        const std::size_t index = nextToPrepare_++;
        lock.unlock();
        Prepared prepared;
        try {
            prepared = prepare(index);
        } catch (...) {
            prepared.failure = std::current_exception();
        }
        lock.lock();
        bytesAhead_ += prepared.bytes;
        prepared_[index % kPreparedAhead] = std::move(prepared);
        preparedDone_[index % kPreparedAhead] = 1;
        entryPrepared_.notify_all();
    }

    // The second thread: claims the next entries in path order as long as it may.
    void prepareAhead() {
        std::unique_lock lock(mutex_);
        for (;;) {
            preparedTaken_.wait(lock, [&] { return stopping_ || nextToPrepare_ >= entries_.size() || mayClaim(); });
            if (stopping_ || nextToPrepare_ >= entries_.size()) return;
            prepareClaimed(lock);
        }
    }

    void stopAhead() {
        {
            std::lock_guard lock(mutex_);
            stopping_ = true;
        }
        preparedTaken_.notify_all();
    }

    // The entry, once prepared. While the second thread is still at it, this thread prepares the
    // next unclaimed entry rather than wait, so on a rerun the two share the reading.
    Prepared takePrepared(std::size_t index) {
        std::unique_lock lock(mutex_);
        const std::size_t slot = index % kPreparedAhead;
        while (preparedDone_[slot] == 0) {
            if (mayClaim()) {
                prepareClaimed(lock);
            } else {
                entryPrepared_.wait(lock);
            }
        }
        Prepared prepared = std::move(prepared_[slot]);
        preparedDone_[slot] = 0;
        bytesAhead_ -= prepared.bytes;
        consumed_ = index + 1;
        lock.unlock();
        preparedTaken_.notify_all();
        if (prepared.failure) std::rethrow_exception(prepared.failure);
        return prepared;
    }

    void migrate(std::size_t index) {
        Prepared prepared = prepare(index);
        settle(index, prepared);
    }

    // Decides a prepared entry against the taken sets and stages its preset.
    void settle(std::size_t index, Prepared& prepared) {
        if (!prepared.mayMigrate) return;
        MigrationEntry& entry = entries_[index];
        std::string lowered = lowerAscii(entry.name);
        if (!takenNames_.insert(lowered).second) {
            entry.status = MigrationStatus::keptExisting;
            return;
        }
        if (!prepared.converted) {
            // Read only for its outcome while the target was listed (a preset left unconverted
            // because the target holds its name never gets here: the target's names never leave
            // the taken set). It is read again in full, its name checked again then.
            takenNames_.erase(lowered);
            migrate(index);
            return;
        }

        std::string id = uniquePresetId(prepared.bank, prepared.provisionalId, takenIds_);
        if (id != prepared.provisionalId) {
            prepared.instance.id = id;
            prepared.package.document = writeInstanceDocument(prepared.instance);
        }
        DiagnosticList& diagnostics = prepared.diagnostics;
        std::optional<StagedPreset> staged = stagePreset(presetRoot_, prepared.bank, prepared.package, diagnostics, false);
        if (!staged) {
            takenNames_.erase(lowered);
            entry.detail = reasonOf(diagnostics);
            return;
        }
        takenIds_.insert({prepared.bank, id});
        group_.push_back({index, std::move(prepared.bank), std::move(*staged)});
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
    std::vector<char> mayMigrate_;  // for the entries read while the target was listed
    std::mutex mutex_;  // guards the claims and slots below, down to prepared_
    std::condition_variable entryPrepared_;
    std::condition_variable preparedTaken_;
    std::size_t nextToPrepare_ = 0;  // entries below are claimed by one of the threads
    std::size_t consumed_ = 0;       // entries below are taken by the run
    std::size_t bytesAhead_ = 0;
    bool stopping_ = false;
    // Entries claimed and not yet taken lie in [consumed_, consumed_ + kPreparedAhead), so each
    // has a slot of its own: index % kPreparedAhead.
    std::array<char, kPreparedAhead> preparedDone_{};
    std::array<Prepared, kPreparedAhead> prepared_;  // a slot is written by the thread that claimed its entry
    std::size_t decided_ = 0;  // entries below have their outcome (or are in the group)
    std::set<std::string> targetNames_;  // the target's own, for the second thread
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
