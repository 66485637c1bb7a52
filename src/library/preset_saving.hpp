// Saving one preset under preset root / plugin / bank / id, atomically replacing an older file.
#pragma once

#include <optional>
#include <string>

#include "documents/diagnostics.hpp"
#include "library/package.hpp"
#include "platform/platform.hpp"

namespace orbi {

// The reference "user:" + bank + "/" + id, or nullopt with one Error added.
std::optional<std::string> savePreset(const platform::Path& presetRoot, const std::string& bank, const Package& package,
                                      DiagnosticList& diagnostics);

}  // namespace orbi
