// The migration run. The taken sets decide every outcome: a name already taken is kept, an id
// already used in its bank gets the next free -2, -3, ... suffix.
#include "app/migration.hpp"

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
}  // namespace

std::vector<MigrationEntry> runMigration(const platform::Path& legacyFolder, const platform::Path& presetRoot) {
    std::set<std::string> takenNames;
    TakenIds takenIds;
    // New ids are lower-case slugs, so ids are compared lower-cased: on a file system that
    // ignores case, "Lonely.orbi" is the file a new "lonely.json" would remove.
    for (const UserPresetEntry& existing : listUserPresets(presetRoot)) {
        takenNames.insert(lowerAscii(existing.name));
        takenIds.insert({lowerAscii(existing.bank), lowerAscii(existing.id)});
    }
    // A file the listing left out (damaged, another plugin's, a link) still holds its name.
    if (!presetRoot.empty()) {
        for (const auto& [bank, id] : listOccupiedIds(userPresetFolder(presetRoot))) {
            takenIds.insert({lowerAscii(bank), lowerAscii(id)});
        }
    }

    std::vector<MigrationEntry> entries;
    for (const platform::Path& path : findLegacyPresets(legacyFolder)) {
        MigrationEntry& entry = entries.emplace_back();
        entry.sourcePath = path;
        DiagnosticList diagnostics;

        std::optional<LegacyPreset> preset = readLegacyPresetFile(path, diagnostics);
        if (!preset) {
            entry.detail = reasonOf(diagnostics);
            continue;
        }
        entry.name = preset->name;
        if (preset->scope != 0) {
            entry.status = MigrationStatus::keptSection;
            continue;
        }
        std::string lowered = lowerAscii(preset->name);
        if (!takenNames.insert(lowered).second) {
            entry.status = MigrationStatus::keptExisting;
            continue;
        }

        std::string bank = bankForCategory(preset->category);
        std::string id = uniquePresetId(bank, presetSlug(preset->name), takenIds);

        InstanceDocument instance;
        Package package;
        convertLegacyPreset(instance, package, std::move(*preset), id, diagnostics);
        if (std::optional<std::string> reference = savePreset(presetRoot, bank, package, diagnostics)) {
            takenIds.insert({bank, id});
            entry.status = MigrationStatus::migrated;
            entry.detail = std::move(*reference);
        } else {
            takenNames.erase(lowered);
            entry.detail = reasonOf(diagnostics);
        }
    }
    return entries;
}

}  // namespace orbi
