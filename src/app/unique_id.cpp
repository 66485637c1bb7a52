// Suffixing stops at the first free id; the bank itself never changes.
#include "app/unique_id.hpp"

namespace orbi {

std::string uniquePresetId(const std::string& bank, const std::string& base, const TakenIds& taken) {
    std::string id = base;
    for (unsigned long n = 2; taken.count({bank, id}) != 0; ++n) {
        id = base + "-" + std::to_string(n);
    }
    return id;
}

}  // namespace orbi
