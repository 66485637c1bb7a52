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

// Where an archive's bytes come from: memory, or a file read range by range, so that with a
// filter only the end record, the directory and the wanted entries are ever read.
class ZipSource {
public:
    virtual ~ZipSource() = default;
    virtual std::uint64_t size() const = 0;
    // `length` bytes from `offset`, a range inside size(); valid until the source is destroyed.
    // Nothing when they cannot be read.
    virtual const std::uint8_t* bytesAt(std::uint64_t offset, std::size_t length) = 0;
};

class MemoryZipSource final : public ZipSource {
public:
    explicit MemoryZipSource(std::span<const std::uint8_t> bytes) : bytes_(bytes) {}
    std::uint64_t size() const override { return bytes_.size(); }
    const std::uint8_t* bytesAt(std::uint64_t offset, std::size_t) override {
        static constexpr std::uint8_t kNothing = 0;  // an empty span may have no data pointer
        return bytes_.empty() ? &kNothing : bytes_.data() + static_cast<std::size_t>(offset);
    }

private:
    std::span<const std::uint8_t> bytes_;
};

// The entries in central-directory order, or nothing when the archive as a whole cannot be read
// (an Error is then in `diagnostics`). Entries that cannot be used safely are skipped with a
// Warning at path "/" + name. Only stored (method 0) and deflated (method 8) entries are read,
// every one checked against its CRC-32; compress is true exactly for deflated entries.
// With a filter, only the entries whose name `wanted` accepts: every central directory check and
// its finding stays the same, but an entry turned down is left out once its name, flags and
// method have been judged, without looking at its data (so its data's warnings do not arise).
std::optional<std::vector<ZipEntry>> readZip(std::span<const std::uint8_t> bytes, const ZipLimits& limits,
                                             ZipEntryFilter wanted, DiagnosticList& diagnostics);
// The same from any source; a range the source cannot give fails the whole archive with an Error.
std::optional<std::vector<ZipEntry>> readZip(ZipSource& source, const ZipLimits& limits, ZipEntryFilter wanted,
                                             DiagnosticList& diagnostics);
inline std::optional<std::vector<ZipEntry>> readZip(std::span<const std::uint8_t> bytes, const ZipLimits& limits,
                                                    DiagnosticList& diagnostics) {
    return readZip(bytes, limits, nullptr, diagnostics);
}

// A name that stays inside the archive: 1 to 65,535 bytes, no leading "/", no backslash, no ":"
// as second byte, no ".." segment, no byte below 0x20. Shared by the reader and the writer.
bool isSafeEntryName(std::string_view name);

}  // namespace orbi
