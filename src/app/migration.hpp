// The migration run: every legacy preset in path order, with the taken names and ids that keep
// a rerun from overwriting or duplicating a preset.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "platform/platform.hpp"

namespace orbi {

enum class MigrationStatus : int { migrated = 0, keptExisting = 1, keptSection = 2, failed = 3 };

struct MigrationEntry {
    platform::Path sourcePath;
    MigrationStatus status = MigrationStatus::failed;
    std::string name;    // as read from the file; empty until read
    std::string detail;  // the reference when migrated, the reason when failed
};

// One byte per byte: space and " * / : < > ? \ | become '-', ASCII upper case is lowered.
std::string presetSlug(std::string_view text);
// "uncategorized" for an empty category, else its slug.
std::string bankForCategory(std::string_view category);
// ASCII-only lower-casing used for names and extensions.
std::string lowerAscii(std::string_view text);

// How the run overlaps listing the target with reading the legacy files. The outcome never
// depends on it; the tests use readAllFirst to take the path of files read before the listing
// is known, which otherwise depends on timing.
enum class ReadAhead { whileListing, readAllFirst };

std::vector<MigrationEntry> runMigration(const platform::Path& legacyFolder, const platform::Path& presetRoot,
                                         ReadAhead readAhead = ReadAhead::whileListing);

}  // namespace orbi
