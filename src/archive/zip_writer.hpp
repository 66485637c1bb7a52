// Writing an ordered list of named byte vectors as one zip archive in memory: no Zip64, no
// encryption, no data descriptors, one disk, the fixed time stamp 1980-01-01 00:00.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string_view>
#include <vector>

#include "archive/zip_entry.hpp"
#include "diagnostics/diagnostics.hpp"

namespace orbi {

// The complete archive, or nothing (with an Error in `diagnostics`) when an entry is refused:
// 65,535 or more entries, an unsafe or repeated name, or sizes and offsets that need Zip64.
// An entry with compress set is deflated when that makes it strictly shorter, else stored.
// The same entries always give the same bytes.
std::optional<std::vector<std::uint8_t>> writeZip(const std::vector<ZipEntry>& entries, DiagnosticList& diagnostics);

// An entry to be written, as views of bytes the caller keeps: a package's assets go into the
// archive without a copy of their own on the way.
struct ZipEntryView {
    std::string_view name;
    std::span<const std::uint8_t> data;
    bool compress = false;
};
std::optional<std::vector<std::uint8_t>> writeZip(std::span<const ZipEntryView> entries, DiagnosticList& diagnostics);

namespace zip_detail {
// The size checks of one entry, in the order they apply: unpacked size, local header offset,
// offset plus stored size; each must stay below 0xFFFFFFFF.
bool entryFitsWithoutZip64(std::uint64_t unpackedSize, std::uint64_t localOffset, std::uint64_t storedSize);
// Local part plus central directory must stay below 0xFFFFFFFF.
bool archiveFitsWithoutZip64(std::uint64_t localAndDirectorySize);
}  // namespace zip_detail

}  // namespace orbi
