// InstanceDocument: one instrument instance in memory, read from or written to an instance document.
#pragma once

#include <string>

#include "json/json_value.hpp"

namespace orbi {

struct InstanceDocument {
    std::string id;
    std::string plugin;
    std::string scope = "complete";
};

}  // namespace orbi
