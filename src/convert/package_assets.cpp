// One asset per distinct digest: equal bytes used by several slots are stored once.
#include "convert/package_assets.hpp"

#include <algorithm>
#include <utility>

#include "archive/sha256.hpp"
#include "model/asset_slots.hpp"

namespace orbi {

std::string addPackageAsset(Package& package, std::vector<std::uint8_t> bytes) {
    std::string digest = sha256Hex(bytes);
    std::string reference(kAssetRefPrefix);
    reference += digest;
    const bool known = std::any_of(package.assets.begin(), package.assets.end(),
                                   [&](const PackageAsset& asset) { return asset.name == digest; });
    if (!known) package.assets.push_back(PackageAsset{std::move(digest), std::move(bytes)});
    return reference;
}

}  // namespace orbi
