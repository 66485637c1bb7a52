// Internal: builds a JSON object from keys that may repeat (a later value replaces the earlier
// one in place) in time linear in the member count. setMember searches linearly, which turns
// quadratic on a legacy document holding many thousands of routings or motions.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <unordered_map>
#include <utility>

#include "json/json_value.hpp"

namespace orbi::convert_detail {

class ObjectBuilder {
public:
    void set(std::string key, JsonValue value) {
        const auto [found, inserted] = positions_.try_emplace(key, object_.members().size());
        if (!inserted) {
            object_.editMembers()[found->second].value = std::move(value);
            return;
        }
        object_.editMembers().push_back(JsonMember{std::move(key), std::move(value)});
    }

    bool contains(const std::string& key) const { return positions_.count(key) != 0; }
    bool empty() const { return object_.members().empty(); }

    JsonValue take() {
        positions_.clear();
        return std::exchange(object_, JsonValue::makeObject());
    }

private:
    JsonValue object_ = JsonValue::makeObject();
    std::unordered_map<std::string, std::size_t> positions_;
};

}  // namespace orbi::convert_detail
