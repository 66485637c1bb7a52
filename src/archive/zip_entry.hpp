// One named byte vector of a zip archive, and the limits a reader enforces.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace orbi {

struct ZipEntry {
    std::string name;                // UTF-8 path inside the archive, "/" as separator
    std::vector<std::uint8_t> data;  // unpacked contents
    bool compress = false;           // read: stored deflated; write: the writer may deflate it
};

struct ZipLimits {
    std::uint64_t maxEntries = 10000;
    std::uint64_t maxEntrySize = 1073741824;   // unpacked bytes of one entry (1 GiB)
    std::uint64_t maxTotalSize = 2147483648;   // unpacked bytes of all entries (2 GiB)
};

}  // namespace orbi
