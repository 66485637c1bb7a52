// Zip writing: each entry's local header, name and data go to the local part and its central
// header to a separate directory buffer; the archive is the local part, the directory and the end
// record. Every refusal is checked before the entry's bytes are appended, so a failure never
// leaves a partial archive behind.
#include "archive/zip_writer.hpp"

#include <span>
#include <string>
#include <unordered_set>

#include "archive/archive_messages.hpp"
#include "archive/crc32.hpp"
#include "archive/deflate.hpp"
#include "archive/zip_reader.hpp"

namespace orbi {

namespace {

namespace text = archive_text;

constexpr std::uint64_t kZip64Limit = 0xFFFFFFFFu;
constexpr std::size_t kMaxEntries = 65534;
constexpr std::uint64_t kLocalHeaderSize = 30;
constexpr std::uint64_t kCentralHeaderSize = 46;
constexpr std::uint64_t kEndRecordSize = 22;
constexpr std::uint16_t kVersion = 20;
constexpr std::uint16_t kUtf8Flag = 0x0800;
constexpr std::uint16_t kDosTime = 0;       // 00:00:00
constexpr std::uint16_t kDosDate = 0x0021;  // 1980-01-01
constexpr std::uint16_t kStored = 0;
constexpr std::uint16_t kDeflated = 8;

void put16(std::vector<std::uint8_t>& b, std::uint32_t v) {
    b.push_back(static_cast<std::uint8_t>(v));
    b.push_back(static_cast<std::uint8_t>(v >> 8));
}

void put32(std::vector<std::uint8_t>& b, std::uint32_t v) {
    put16(b, v & 0xFFFFu);
    put16(b, v >> 16);
}

}  // namespace

namespace zip_detail {

bool entryFitsWithoutZip64(std::uint64_t unpackedSize, std::uint64_t localOffset, std::uint64_t storedSize) {
    return unpackedSize < kZip64Limit && localOffset < kZip64Limit && localOffset + storedSize < kZip64Limit;
}

bool archiveFitsWithoutZip64(std::uint64_t localAndDirectorySize) { return localAndDirectorySize < kZip64Limit; }

}  // namespace zip_detail

std::optional<std::vector<std::uint8_t>> writeZip(const std::vector<ZipEntry>& entries, DiagnosticList& diagnostics) {
    std::vector<ZipEntryView> views;
    views.reserve(entries.size());
    for (const ZipEntry& entry : entries) views.push_back({entry.name, entry.data, entry.compress});
    return writeZip(views, diagnostics);
}

std::optional<std::vector<std::uint8_t>> writeZip(std::span<const ZipEntryView> entries, DiagnosticList& diagnostics) {
    if (entries.size() > kMaxEntries) {
        addError(diagnostics, std::string(text::kCodeTooLarge), {}, std::string(text::kWriteTooManyEntries));
        return std::nullopt;
    }

    // Room for every entry stored, which a deflated one never exceeds: the bytes are laid down once.
    std::uint64_t room = kEndRecordSize;
    for (const ZipEntryView& entry : entries) room += kLocalHeaderSize + kCentralHeaderSize + 2 * entry.name.size() + entry.data.size();
    std::vector<std::uint8_t> out;
    if (room < kZip64Limit) out.reserve(static_cast<std::size_t>(room));
    std::vector<std::uint8_t> directory;
    std::unordered_set<std::string_view> names;
    for (const ZipEntryView& entry : entries) {
        const std::string path = std::string("/").append(entry.name);
        if (!isSafeEntryName(entry.name)) {
            addError(diagnostics, std::string(text::kCodeUnsafeName), path, std::string(text::kWriteUnsafeName));
            return std::nullopt;
        }
        if (!names.insert(entry.name).second) {
            addError(diagnostics, std::string(text::kCodeDuplicateName), path, std::string(text::kWriteDuplicate));
            return std::nullopt;
        }

        std::vector<std::uint8_t> deflated;
        bool useDeflated = false;
        if (entry.compress) {
            deflated = deflateFixed(entry.data);
            useDeflated = deflated.size() < entry.data.size();
        }
        const std::span<const std::uint8_t> stored = useDeflated ? std::span<const std::uint8_t>(deflated)
                                                                  : std::span<const std::uint8_t>(entry.data);

        const std::uint64_t offset = out.size();
        if (!zip_detail::entryFitsWithoutZip64(entry.data.size(), offset, stored.size())) {
            addError(diagnostics, std::string(text::kCodeTooLarge), path, std::string(text::kWriteTooLarge));
            return std::nullopt;
        }

        const std::uint32_t crc = crc32(entry.data);
        const std::uint16_t method = useDeflated ? kDeflated : kStored;
        const auto nameLength = static_cast<std::uint32_t>(entry.name.size());
        const auto storedSize = static_cast<std::uint32_t>(stored.size());
        const auto unpackedSize = static_cast<std::uint32_t>(entry.data.size());

        put32(out, 0x04034b50u);
        put16(out, kVersion);
        put16(out, kUtf8Flag);
        put16(out, method);
        put16(out, kDosTime);
        put16(out, kDosDate);
        put32(out, crc);
        put32(out, storedSize);
        put32(out, unpackedSize);
        put16(out, nameLength);
        put16(out, 0);
        out.insert(out.end(), entry.name.begin(), entry.name.end());
        out.insert(out.end(), stored.begin(), stored.end());

        put32(directory, 0x02014b50u);
        put16(directory, kVersion);  // made by: version 2.0, upper byte 0
        put16(directory, kVersion);
        put16(directory, kUtf8Flag);
        put16(directory, method);
        put16(directory, kDosTime);
        put16(directory, kDosDate);
        put32(directory, crc);
        put32(directory, storedSize);
        put32(directory, unpackedSize);
        put16(directory, nameLength);
        put16(directory, 0);  // extra field length
        put16(directory, 0);  // comment length
        put16(directory, 0);  // disk number start
        put16(directory, 0);  // internal attributes
        put32(directory, 0);  // external attributes
        put32(directory, static_cast<std::uint32_t>(offset));
        directory.insert(directory.end(), entry.name.begin(), entry.name.end());
    }

    if (!zip_detail::archiveFitsWithoutZip64(std::uint64_t{out.size()} + directory.size())) {
        addError(diagnostics, std::string(text::kCodeTooLarge), {}, std::string(text::kWriteTooLarge));
        return std::nullopt;
    }
    const auto directoryOffset = static_cast<std::uint32_t>(out.size());
    const auto directorySize = static_cast<std::uint32_t>(directory.size());
    const auto count = static_cast<std::uint32_t>(entries.size());
    out.reserve(out.size() + directory.size() + 22);
    out.insert(out.end(), directory.begin(), directory.end());
    put32(out, 0x06054b50u);
    put16(out, 0);  // this disk
    put16(out, 0);  // disk of the central directory
    put16(out, count);
    put16(out, count);
    put32(out, directorySize);
    put32(out, directoryOffset);
    put16(out, 0);  // comment length
    return out;
}

}  // namespace orbi
