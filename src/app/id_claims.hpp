// IdClaims: who may write a preset's temporary file under a (bank, id) while workers stage
// converted presets ahead of the thread that decides them.
#pragma once

#include <condition_variable>
#include <cstddef>
#include <map>
#include <mutex>
#include <string>
#include <utility>

#include "platform/platform.hpp"

namespace orbi {

// A worker stages ahead only under an id nobody has claimed, so no two writers ever share a
// temporary path. The deciding thread claims every id it stages under; when a later preset's
// worker holds that id, it waits for the worker's file and removes it first. A claim is never
// given back: an id staged once is staged again only by the deciding thread.
class IdClaims {
public:
    using Key = std::pair<std::string, std::string>;  // bank, id

    // On a worker, for item `index`: true if the key was free and is now the item's.
    bool claimAhead(const Key& key, std::size_t index);
    // On that worker once its attempt is over: the temporary file it left, or an empty path.
    void settle(const Key& key, platform::Path written);
    // On the deciding thread, for item `index` about to use the file it staged ahead under key:
    // true if it is still there to use (from then on the item's staging owns it).
    bool useAhead(const Key& key, std::size_t index);
    // On the deciding thread, before item `index` writes under key, or when it lets go of a file
    // it staged ahead: a file staged ahead under key is waited for and removed.
    void takeOver(const Key& key, std::size_t index);

private:
    struct Claim {
        std::size_t owner = 0;
        bool settled = false;
        platform::Path file;  // staged ahead and not yet used or removed
    };
    std::mutex mutex_;
    std::condition_variable settled_;
    std::map<Key, Claim> claims_;
};

}  // namespace orbi
