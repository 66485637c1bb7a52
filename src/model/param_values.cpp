// Parameter values in an instance's params, by the default and choice-id rule.
#include "model/param_values.hpp"

#include <string>
#include <utility>

#include "model/choice_lists.hpp"
#include "model/float_number.hpp"
#include "model/parameter_registry.hpp"

namespace orbi {

std::optional<JsonValue> paramValueToJson(std::size_t index, float value) {
    if (value == paramAt(index).defaultValue) return std::nullopt;
    if (const std::optional<std::string_view> choice = choiceIdFor(index, value)) {
        return JsonValue::makeString(std::string(*choice));
    }
    return jsonNumberFromFloat(value);
}

void setParamValue(std::vector<JsonMember>& params, std::size_t index, float value) {
    std::optional<JsonValue> json = paramValueToJson(index, value);
    if (!json) return;
    const std::string_view id = paramAt(index).id;
    for (JsonMember& member : params) {
        if (member.key == id) {
            member.value = std::move(*json);
            return;
        }
    }
    params.push_back(JsonMember{std::string(id), std::move(*json)});
}

void setParamValue(JsonValue& params, std::size_t index, float value) {
    std::optional<JsonValue> json = paramValueToJson(index, value);
    if (!json) return;
    setMember(params, paramAt(index).id, std::move(*json));
}

}  // namespace orbi
