// Package: an instance document with its assets, stored as a zip archive or bare JSON.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "json/json_value.hpp"

namespace orbi {

struct PackageAsset {
    std::string name;  // 64 lower-case hex digits of the SHA-256 of data
    std::vector<std::uint8_t> data;
};

struct Package {
    std::string documentName = "instance.json";
    JsonValue document;
    std::vector<PackageAsset> assets;
};

}  // namespace orbi
