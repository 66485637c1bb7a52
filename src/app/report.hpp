// The report: one line per legacy file, then the closing count; and the exit status.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "app/migration.hpp"

namespace orbi {

// The last component of a path: the text after the last '\' or '/', never reaching back into a
// drive prefix ("C:") or a network-share prefix ("\\server").
std::string reportFileName(std::string_view utf8Path);

// Every report line and the summary (or "No old presets found.").
std::string formatReport(const std::vector<MigrationEntry>& entries);

// 1 when an entry failed, else 0.
int exitStatusFor(const std::vector<MigrationEntry>& entries);

}  // namespace orbi
