// Adding audio files to a package as assets named by the SHA-256 of their bytes.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "library/package.hpp"

namespace orbi {

// Stores the bytes under their 64-digit lower-case SHA-256 unless the package already holds an
// asset of that name, and returns "asset:" + the digest. Pass the bytes by std::move when the
// caller no longer needs them: a multi-megabyte sample is then not copied.
std::string addPackageAsset(Package& package, std::vector<std::uint8_t> bytes);

}  // namespace orbi
