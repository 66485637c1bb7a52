// Zip reading from the central directory: the end record is found by a backward search that
// insists the record ends exactly at the end of the archive; whole-archive faults (split, Zip64,
// limits, a damaged directory) end the read, while each unusable entry is skipped with a warning
// so that one bad entry does not cost the rest. All offsets are checked in 64-bit arithmetic.
#include "archive/zip_reader.hpp"

#include <algorithm>
#include <string>
#include <unordered_set>

#include "archive/archive_messages.hpp"
#include "archive/crc32.hpp"
#include "archive/inflate.hpp"

namespace orbi {

namespace {

namespace text = archive_text;

constexpr std::uint32_t kEndSignature = 0x06054b50u;
constexpr std::uint32_t kCentralSignature = 0x02014b50u;
constexpr std::uint32_t kLocalSignature = 0x04034b50u;
constexpr std::size_t kEndRecordSize = 22;
constexpr std::size_t kMaxCommentLength = 0xFFFF;
constexpr std::size_t kCentralHeaderSize = 46;
constexpr std::size_t kLocalHeaderSize = 30;
constexpr std::uint32_t kZip64Marker32 = 0xFFFFFFFFu;
constexpr std::uint16_t kZip64Marker16 = 0xFFFFu;
// The most output one byte of DEFLATE input can stand for (258-byte matches in 2-bit codes is
// 1032:1); reserving beyond this for a deflated entry would only serve a lying header.
constexpr std::uint64_t kMaxInflateRatio = 1032;
constexpr std::uint64_t kReserveSlack = 1024;

std::uint16_t read16(const std::uint8_t* p) { return static_cast<std::uint16_t>(p[0] | p[1] << 8); }
std::uint32_t read32(const std::uint8_t* p) {
    return std::uint32_t{p[0]} | std::uint32_t{p[1]} << 8 | std::uint32_t{p[2]} << 16 | std::uint32_t{p[3]} << 24;
}

std::string str(std::string_view s) { return std::string(s); }

}  // namespace

bool isSafeEntryName(std::string_view name) {
    if (name.empty() || name.size() > 65535) return false;
    if (name.front() == '/') return false;
    if (name.size() >= 2 && name[1] == ':') return false;
    for (char c : name)
        if (c == '\\' || static_cast<unsigned char>(c) < 0x20) return false;
    std::size_t start = 0;
    for (;;) {
        const std::size_t slash = name.find('/', start);
        const std::string_view segment = name.substr(start, slash == std::string_view::npos ? name.npos : slash - start);
        if (segment == "..") return false;
        if (slash == std::string_view::npos) return true;
        start = slash + 1;
    }
}

std::optional<std::vector<ZipEntry>> readZip(std::span<const std::uint8_t> bytes, const ZipLimits& limits,
                                             ZipEntryFilter wanted, DiagnosticList& diagnostics) {
    MemoryZipSource source(bytes);
    return readZip(source, limits, wanted, diagnostics);
}

std::optional<std::vector<ZipEntry>> readZip(ZipSource& source, const ZipLimits& limits, ZipEntryFilter wanted,
                                             DiagnosticList& diagnostics) {
    const std::uint64_t length = source.size();
    auto fail = [&](std::string_view code, std::string message, std::string path = {}) {
        addError(diagnostics, str(code), std::move(path), std::move(message));
        return std::nullopt;
    };

    if (length < kEndRecordSize) return fail(text::kCodeUnreadable, str(text::kTooShort));
    auto unreadable = [&] { return fail(text::kCodeUnreadable, str(text::kSourceUnreadable)); };

    // The end record, searched from the end; it must end exactly where the archive ends.
    std::optional<std::uint64_t> endPos;
    const std::uint64_t lowest = length > kEndRecordSize + kMaxCommentLength ? length - kEndRecordSize - kMaxCommentLength : 0;
    const std::uint8_t* tail = source.bytesAt(lowest, static_cast<std::size_t>(length - lowest));
    if (tail == nullptr) return unreadable();
    for (std::uint64_t pos = length - kEndRecordSize;; --pos) {
        const std::uint8_t* p = tail + (pos - lowest);
        if (read32(p) == kEndSignature && pos + kEndRecordSize + read16(p + 20) == length) {
            endPos = pos;
            break;
        }
        if (pos == lowest) break;
    }
    if (!endPos) return fail(text::kCodeUnreadable, str(text::kNoEndRecord));

    const std::uint8_t* end = tail + (*endPos - lowest);
    const std::uint16_t thisDisk = read16(end + 4);
    const std::uint16_t directoryDisk = read16(end + 6);
    const std::uint16_t entriesOnDisk = read16(end + 8);
    const std::uint16_t totalEntries = read16(end + 10);
    const std::uint32_t directorySize = read32(end + 12);
    const std::uint32_t directoryOffset = read32(end + 16);
    if (thisDisk != 0 || directoryDisk != 0 || entriesOnDisk != totalEntries)
        return fail(text::kCodeUnsupported, str(text::kSplitArchive));
    if (totalEntries == kZip64Marker16 || directorySize == kZip64Marker32 || directoryOffset == kZip64Marker32)
        return fail(text::kCodeUnsupported, str(text::kZip64Archive));
    if (totalEntries > limits.maxEntries)
        return fail(text::kCodeTooLarge,
                    str(text::kMoreEntriesPrefix) + std::to_string(limits.maxEntries) + str(text::kMoreEntriesSuffix));
    const std::uint64_t directoryEnd = std::uint64_t{directoryOffset} + directorySize;
    if (directoryEnd > *endPos) return fail(text::kCodeUnreadable, str(text::kDirectoryOutOfBounds));
    const std::uint8_t* directory = totalEntries == 0 ? nullptr : source.bytesAt(directoryOffset, directorySize);
    if (totalEntries != 0 && directory == nullptr) return unreadable();

    std::vector<ZipEntry> entries;
    std::unordered_set<std::string> seen;
    std::uint64_t totalUnpacked = 0;
    std::uint64_t at = directoryOffset;
    for (std::uint32_t i = 0; i < totalEntries; ++i) {
        if (at + kCentralHeaderSize > directoryEnd || read32(directory + (at - directoryOffset)) != kCentralSignature)
            return fail(text::kCodeUnreadable, str(text::kDamagedDirectory));
        const std::uint8_t* h = directory + (at - directoryOffset);
        const std::uint16_t nameLength = read16(h + 28);
        if (at + kCentralHeaderSize + nameLength > directoryEnd)
            return fail(text::kCodeUnreadable, str(text::kDamagedDirectory));
        const std::uint16_t flags = read16(h + 8);
        const std::uint16_t method = read16(h + 10);
        const std::uint32_t crc = read32(h + 16);
        const std::uint32_t packedSize = read32(h + 20);
        const std::uint32_t unpackedSize = read32(h + 24);
        const std::uint32_t localOffset = read32(h + 42);
        std::string name(reinterpret_cast<const char*>(h + kCentralHeaderSize), nameLength);
        at += kCentralHeaderSize + nameLength + read16(h + 30) + read16(h + 32);

        const std::string path = "/" + name;
        auto skip = [&](std::string_view code, std::string message) {
            addWarning(diagnostics, str(code), path, std::move(message));
        };

        if (packedSize == kZip64Marker32 || unpackedSize == kZip64Marker32 || localOffset == kZip64Marker32)
            return fail(text::kCodeUnsupported, str(text::kZip64Entry), path);
        totalUnpacked += unpackedSize;
        if (unpackedSize > limits.maxEntrySize || totalUnpacked > limits.maxTotalSize)
            return fail(text::kCodeTooLarge, str(text::kUnpacksTooLarge), path);

        if (!name.empty() && name.back() == '/') continue;  // a directory
        if (!isSafeEntryName(name)) {
            skip(text::kCodeUnsafeName, str(text::kSkipUnsafeName));
            continue;
        }
        if (!seen.insert(name).second) {
            skip(text::kCodeDuplicateName, str(text::kSkipDuplicate));
            continue;
        }
        if ((flags & 1u) != 0) {
            skip(text::kCodeEncrypted, str(text::kSkipEncrypted));
            continue;
        }
        if (method != 0 && method != 8) {
            skip(text::kCodeMethod, str(text::kSkipMethod));
            continue;
        }
        if (wanted != nullptr && !wanted(name)) continue;
        const std::uint8_t* local = nullptr;
        if (std::uint64_t{localOffset} + kLocalHeaderSize <= length) {
            local = source.bytesAt(localOffset, kLocalHeaderSize);
            if (local == nullptr) return unreadable();
        }
        if (local == nullptr || read32(local) != kLocalSignature) {
            skip(text::kCodeDamagedEntry, str(text::kSkipDamagedHeader));
            continue;
        }
        const std::uint64_t dataStart = std::uint64_t{localOffset} + kLocalHeaderSize + read16(local + 26) + read16(local + 28);
        if (dataStart + packedSize > length) {
            skip(text::kCodeDamagedEntry, str(text::kSkipRunsPast));
            continue;
        }
        const std::uint8_t* packedData = source.bytesAt(dataStart, packedSize);
        if (packedData == nullptr) return unreadable();
        const std::span<const std::uint8_t> packed(packedData, packedSize);

        ZipEntry entry;
        entry.name = std::move(name);
        entry.compress = method == 8;
        if (method == 8) {
            entry.data.reserve(static_cast<std::size_t>(
                std::min<std::uint64_t>(unpackedSize, std::uint64_t{packedSize} * kMaxInflateRatio + kReserveSlack)));
            std::string phrase;
            if (!inflateRaw(packed, unpackedSize, entry.data, phrase)) {
                skip(text::kCodeDamagedEntry,
                     str(text::kSkipCannotDecompressPrefix) + phrase + str(text::kSkipCannotDecompressSuffix));
                continue;
            }
            if (entry.data.size() != unpackedSize) {
                skip(text::kCodeDamagedEntry, str(text::kSkipCannotDecompressPrefix) + str(text::kWrongSize) +
                                                  str(text::kSkipCannotDecompressSuffix));
                continue;
            }
        } else {
            if (packedSize != unpackedSize) {
                skip(text::kCodeDamagedEntry, str(text::kSkipStoredSizes));
                continue;
            }
            entry.data.assign(packed.begin(), packed.end());
        }
        if (crc32(entry.data) != crc) {
            skip(text::kCodeChecksum, str(text::kSkipChecksum));
            continue;
        }
        entries.push_back(std::move(entry));
    }
    return entries;
}

}  // namespace orbi
