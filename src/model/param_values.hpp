// How a parameter value is stored in an instance's params: nothing at the registry default,
// else the choice id when the value has one, else a number made from the float.
#pragma once

#include <cstddef>
#include <optional>

#include "documents/instance_document.hpp"
#include "documents/member_list.hpp"
#include "json/json_value.hpp"

namespace orbi {

// The JSON form of a value of the parameter at index, or nothing when the value equals the
// parameter's default (exact float equality). The value is not clamped.
std::optional<JsonValue> paramValueToJson(std::size_t index, float value);

// Stores the value under the parameter's id: replaces an entry with that id in place or appends
// one. At the default nothing happens; an existing entry is never removed.
void setParamValue(MemberList& params, std::size_t index, float value);
void setParamValue(InstanceDocument& instance, std::size_t index, float value);

}  // namespace orbi
