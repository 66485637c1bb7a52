// Builds zip archives field by field for the reader tests, so that every header field can be made
// to lie: sizes, offsets, signatures, flags, methods, extra fields, disk numbers, comments.
#pragma once

#include <optional>
#include <string>

#include "support/bytes.hpp"

namespace orbi::test {

struct RawEntry {
    std::string name;
    Bytes packed;  // the bytes after the local header
    std::uint16_t method = 0, flags = 0;
    std::uint32_t crc = 0, packedSize = 0, unpackedSize = 0;
    Bytes localExtra, centralExtra;
    std::string centralComment;
    std::uint32_t localSignature = 0x04034b50;
    std::optional<std::uint32_t> localOffset;  // override of where the central header points
    bool writeLocal = true;                    // false: only a central header (for sharing data)
};

inline RawEntry storedEntry(std::string name, const Bytes& data) {
    RawEntry e;
    e.name = std::move(name);
    e.packed = data;
    e.crc = static_cast<std::uint32_t>(::crc32(0L, data.data(), static_cast<uInt>(data.size())));
    e.packedSize = e.unpackedSize = static_cast<std::uint32_t>(data.size());
    return e;
}

inline RawEntry deflatedEntry(std::string name, const Bytes& data) {
    RawEntry e = storedEntry(std::move(name), data);
    e.method = 8;
    e.packed = zlibDeflateRaw(data, 6);
    e.packedSize = static_cast<std::uint32_t>(e.packed.size());
    return e;
}

struct RawArchive {
    std::vector<RawEntry> entries;
    std::string comment;
    std::uint16_t thisDisk = 0, directoryDisk = 0;
    std::optional<std::uint16_t> entriesOnDisk, totalEntries;
    std::optional<std::uint32_t> directorySize, directoryOffset;
    Bytes afterComment;
};

inline void put16(Bytes& b, std::uint32_t v) { b.insert(b.end(), {static_cast<std::uint8_t>(v), static_cast<std::uint8_t>(v >> 8)}); }
inline void put32(Bytes& b, std::uint32_t v) { put16(b, v & 0xFFFF), put16(b, v >> 16); }
template <class... Parts> void append(Bytes& b, const Parts&... parts) { (b.insert(b.end(), parts.begin(), parts.end()), ...); }

// The fields a local header and a central record share, from "version needed" to the name's
// length: version 20, flags, method, time 0, date 1980-01-01, CRC, sizes.
inline void putCommonFields(Bytes& b, const RawEntry& e) {
    for (std::uint32_t v : {20u, std::uint32_t{e.flags}, std::uint32_t{e.method}, 0u, 0x21u}) put16(b, v);
    for (std::uint32_t v : {e.crc, e.packedSize, e.unpackedSize}) put32(b, v);
    put16(b, static_cast<std::uint32_t>(e.name.size()));
}

inline Bytes buildZip(const RawArchive& a) {
    Bytes out;
    std::vector<std::uint32_t> offsets;
    for (const RawEntry& e : a.entries) {
        offsets.push_back(static_cast<std::uint32_t>(out.size()));
        if (!e.writeLocal) continue;
        put32(out, e.localSignature);
        putCommonFields(out, e);
        put16(out, static_cast<std::uint32_t>(e.localExtra.size()));
        append(out, e.name, e.localExtra, e.packed);
    }
    const auto directoryStart = static_cast<std::uint32_t>(out.size());
    for (std::size_t i = 0; i < a.entries.size(); ++i) {
        const RawEntry& e = a.entries[i];
        put32(out, 0x02014b50);
        put16(out, 20);  // made by
        putCommonFields(out, e);
        for (std::size_t n : {e.centralExtra.size(), e.centralComment.size()}) put16(out, static_cast<std::uint32_t>(n));
        put32(out, 0), put32(out, 0);  // disk, internal and external attributes
        put32(out, e.localOffset.value_or(offsets[i]));
        append(out, e.name, e.centralExtra, e.centralComment);
    }
    const auto directorySize = static_cast<std::uint32_t>(out.size() - directoryStart);
    const auto count = static_cast<std::uint16_t>(a.entries.size());
    put32(out, 0x06054b50);
    for (std::uint16_t v : {a.thisDisk, a.directoryDisk, a.entriesOnDisk.value_or(count), a.totalEntries.value_or(count)}) put16(out, v);
    put32(out, a.directorySize.value_or(directorySize));
    put32(out, a.directoryOffset.value_or(directoryStart));
    put16(out, static_cast<std::uint32_t>(a.comment.size()));
    append(out, a.comment, a.afterComment);
    return out;
}
inline Bytes buildZip(std::vector<RawEntry> entries) { RawArchive a; a.entries = std::move(entries); return buildZip(a); }

}  // namespace orbi::test
