// Reading a whole zip archive held in memory into named byte vectors, trusting nothing in it.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string_view>
#include <vector>

#include "archive/zip_entry.hpp"
#include "diagnostics/diagnostics.hpp"

namespace orbi {

using ZipEntryFilter = bool (*)(std::string_view name);

// The entries in central-directory order, or nothing when the archive as a whole cannot be read
// (an Error is then in `diagnostics`). Entries that cannot be used safely are skipped with a
// Warning at path "/" + name. Only stored (method 0) and deflated (method 8) entries are read,
// every one checked against its CRC-32; compress is true exactly for deflated entries.
// With a filter, only the entries whose name `wanted` accepts: every central directory check and
// its finding stays the same, but an entry turned down is left out once its name, flags and
// method have been judged, without looking at its data (so its data's warnings do not arise).
std::optional<std::vector<ZipEntry>> readZip(std::span<const std::uint8_t> bytes, const ZipLimits& limits,
                                             ZipEntryFilter wanted, DiagnosticList& diagnostics);
inline std::optional<std::vector<ZipEntry>> readZip(std::span<const std::uint8_t> bytes, const ZipLimits& limits,
                                                    DiagnosticList& diagnostics) {
    return readZip(bytes, limits, nullptr, diagnostics);
}

// A name that stays inside the archive: 1 to 65,535 bytes, no leading "/", no backslash, no ":"
// as second byte, no ".." segment, no byte below 0x20. Shared by the reader and the writer.
bool isSafeEntryName(std::string_view name);

}  // namespace orbi
