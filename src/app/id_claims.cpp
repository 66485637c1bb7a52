// Claims on (bank, id) for staging ahead.
#include "app/id_claims.hpp"

namespace orbi {

bool IdClaims::claimAhead(const Key& key, std::size_t index) {
    std::lock_guard lock(mutex_);
    return claims_.try_emplace(key, Claim{index, false, {}}).second;
}

void IdClaims::settle(const Key& key, platform::Path written) {
    {
        std::lock_guard lock(mutex_);
        Claim& claim = claims_[key];
        claim.settled = true;
        claim.file = std::move(written);
    }
    settled_.notify_all();
}

bool IdClaims::useAhead(const Key& key, std::size_t index) {
    std::lock_guard lock(mutex_);
    auto it = claims_.find(key);
    if (it == claims_.end() || it->second.owner != index || it->second.file.empty()) return false;
    it->second.file.clear();
    return true;
}

void IdClaims::takeOver(const Key& key, std::size_t index) {
    platform::Path stale;
    {
        std::unique_lock lock(mutex_);
        auto [it, added] = claims_.try_emplace(key, Claim{index, true, {}});
        if (added) return;
        Claim& claim = it->second;
        settled_.wait(lock, [&] { return claim.settled; });
        stale = std::move(claim.file);
        claim.file.clear();
        claim.owner = index;
    }
    if (!stale.empty()) {
        bool existed = false;
        std::string ignored;
        (void)platform::deleteFile(stale, existed, ignored);
    }
}

}  // namespace orbi
