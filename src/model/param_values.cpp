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
        return JsonValue::makeString(*choice);
    }
    return jsonNumberFromFloat(value);
}

void setParamValue(MemberList& params, std::size_t index, float value) {
    if (std::optional<JsonValue> json = paramValueToJson(index, value)) {
        setEntry(params, paramAt(index).id, std::move(*json));
    }
}

void setParamValue(InstanceDocument& instance, std::size_t index, float value) {
    setParamValue(instance.params, index, value);
}

}  // namespace orbi
