// Saving one preset under preset root / plugin / bank / id + ".orbi" or ".json". The new bytes
// reach the final name only by renaming a complete, synced temporary file over it.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "documents/diagnostics.hpp"
#include "library/package.hpp"
#include "platform/platform.hpp"

namespace orbi {

// Not empty, not "." or "..", no byte below 0x20, no 0x7F, none of / \ : * ? " < > |.
bool canNameFile(std::string_view name);

// The reference "user:" + bank + "/" + id, or nullopt with exactly one Error added.
std::optional<std::string> savePreset(const platform::Path& presetRoot, const std::string& bank, const Package& package,
                                      DiagnosticList& diagnostics);

}  // namespace orbi
