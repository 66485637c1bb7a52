// Key builders for routings and point sets.
#include "model/instance_members.hpp"

namespace orbi::member {

std::string routingKey(std::string_view source, std::string_view target, std::size_t ordinal) {
    std::string key;
    key.reserve(source.size() + target.size() + 8);
    key.append(source).append(">").append(target);
    if (ordinal >= 2) key.append("#").append(std::to_string(ordinal));
    return key;
}

std::string pointId(std::size_t position) {
    // Appended rather than "p" + ...: GCC 12 warns falsely (-Wrestrict) on that form at -O3.
    std::string id = "p";
    id += std::to_string(position + 1);
    return id;
}

}  // namespace orbi::member
