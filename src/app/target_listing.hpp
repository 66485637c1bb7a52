// The presets already in the target's user preset folder, read and applied into the same form as
// legacy presets, so that the run knows which names and ids are taken.
#pragma once

#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "app/ordered_parallel.hpp"
#include "diagnostics/diagnostics.hpp"
#include "legacy/legacy_preset.hpp"
#include "platform/platform.hpp"

namespace orbi {

struct UserPresetEntry {
    std::string name;
    std::string category;
    std::string bank;  // as the library scan gives it
    std::string id;    // as the library scan gives it
};

struct TargetListing {
    std::vector<UserPresetEntry> presets;  // the files that read and apply, in the scan's order
    // (bank, id) of every library-named file, read or not: a new preset may not take these, since
    // saving it would replace or remove the file.
    std::vector<std::pair<std::string, std::string>> occupied;
    std::vector<std::string> notes;  // lines for standard error, in order
};

// Why a preset or file was left out: the first error of its list, or "does not read".
std::string reasonOf(const DiagnosticList& diagnostics);

// Every preset of the user preset folder (preset root / plugin id), files read on the workers and
// decided in the scan's order. Never fails; an empty root gives an empty listing.
TargetListing listUserPresets(const platform::Path& presetRoot, const OrderedLimits& limits = {});

}  // namespace orbi
