// The migration run: every legacy preset in path order, with the taken names and ids that keep
// a rerun from overwriting or duplicating a preset.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "app/ordered_parallel.hpp"
#include "app/preset_names.hpp"
#include "platform/platform.hpp"

namespace orbi {

enum class MigrationStatus : int { migrated = 0, keptExisting = 1, keptSection = 2, failed = 3 };

struct MigrationEntry {
    platform::Path sourcePath;
    MigrationStatus status = MigrationStatus::failed;
    std::string name;    // as read from the file; empty until read
    std::string detail;  // the reference when migrated, the reason when failed
};

// How the run spreads its reading over threads. The outcome, report and bytes never depend on it.
// The window is wide so that one large bundle at its head does not leave the other workers idle
// once the small presets behind it are done; the weight (a package's audio counts in its assets
// and again in its file) still bounds the memory.
struct MigrationOptions {
    OrderedLimits limits{defaultWorkerCount(), 32, std::size_t{48} << 20};
};

// Called with each note about the target (a line for standard error), in order, before any
// legacy preset is decided.
using NoteSink = std::function<void(const std::string&)>;

std::vector<MigrationEntry> runMigration(const platform::Path& legacyFolder, const platform::Path& presetRoot,
                                         const NoteSink& note = {}, const MigrationOptions& options = {});

}  // namespace orbi
