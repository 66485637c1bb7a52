// Saving one preset under preset root / plugin / bank / id + ".orbi" or ".json". The new bytes
// reach the final name only by renaming a complete, flushed temporary file over it.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "diagnostics/diagnostics.hpp"
#include "library/package.hpp"
#include "platform/platform.hpp"

namespace orbi {

// Not empty, not "." or "..", no byte below 0x20, no 0x7F, none of / \ : * ? " < > |.
bool canNameFile(std::string_view name);

// A preset written to its temporary file (final name + ".tmp"), not yet under its final name.
struct StagedPreset {
    platform::Path folder;     // preset root / plugin / bank
    platform::Path finalPath;  // folder / id + extension
    platform::Path tempPath;
    std::string id;
    std::string extension;  // ".orbi" or ".json"
    std::string reference;  // "user:" + bank + "/" + id
};

// Every check, the package's bytes, the folder and the temporary file; nullopt with exactly one
// Error added (and no temporary file left). Without flush the file's bytes must go through
// platform::syncToDisk before commitPreset, or a power cut could leave a torn file under the final name.
std::optional<StagedPreset> stagePreset(const platform::Path& presetRoot, const std::string& bank,
                                        const Package& package, bool flush, DiagnosticList& diagnostics);

// Staging in two steps, so that a caller saving many presets can make their bytes on any thread
// and write them in order on one: the checks and the file's bytes, touching nothing (nullopt
// with exactly one Error), then the folder and the temporary file, as stagePreset does them.
struct PresetFile {
    std::string plugin, bank, id;
    std::vector<std::uint8_t> bytes;  // the whole file
};
std::optional<PresetFile> presetFileOf(const std::string& bank, const Package& package, DiagnosticList& diagnostics);
std::optional<StagedPreset> stagePresetFile(const platform::Path& presetRoot, const PresetFile& file, bool flush,
                                            DiagnosticList& diagnostics);
// stagePresetFile without flush for a caller that may stage ahead of deciding: only into a folder
// that is there already and only where nothing is at the temporary path. Otherwise, and on any
// failure, it touches nothing and adds nothing, and the caller stages the usual way when it has
// decided (which gives a failure its reason). A file staged so and not used is the caller's to remove.
std::optional<StagedPreset> stageNewPresetFile(const platform::Path& presetRoot, const PresetFile& file);
// Renames the temporary file over the final name and removes the preset's files with the other
// extensions; the reference, or nullopt with exactly one Error added. Syncing the folder is the caller's.
std::optional<std::string> commitPreset(const StagedPreset& staged, DiagnosticList& diagnostics);
// Removes the temporary file of a preset that will not be committed, with the Error of a
// temporary file that could not be written (and the system's reason, when one is given).
void discardStagedPreset(const StagedPreset& staged, const std::string& reason, DiagnosticList& diagnostics);

// Removes the temporary file of a preset staged ahead and not used; reports nothing.
void dropStagedPreset(const StagedPreset& staged);

// Stages with flush, commits and syncs the folder: the reference "user:" + bank + "/" + id, or
// nullopt with exactly one Error added.
std::optional<std::string> savePreset(const platform::Path& presetRoot, const std::string& bank, const Package& package,
                                      DiagnosticList& diagnostics);

}  // namespace orbi
