// Strict parsing of legacy documents with nlohmann::json, and the typing rules their numbers follow.
// Internal to src/legacy: the only place in the tool that sees nlohmann types.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include <nlohmann/json.hpp>

#include "legacy/legacy_document.hpp"
#include "legacy/nearest_float.hpp"

namespace orbi::legacy {

using Json = nlohmann::json;

// How big a tree may grow: nesting levels (the top value is level 1) and values of any kind.
struct TreeLimits {
    std::size_t nesting = kMaxLegacyNesting;
    std::size_t values = kMaxLegacyValues;
};

// One JSON text (RFC 8259, a UTF-8 byte-order mark allowed) as a tree; nothing when the text does
// not parse, exceeds the limits or cannot be held in memory. Never throws.
// Objects keep the last value of a repeated key and iterate in ascending byte order of their keys.
std::optional<Json> parseStrict(std::span<const std::uint8_t> text, const TreeLimits& limits = {});

// For a text that parseStrict reads into an object: the last value of each of `keys` among its
// top members when that value is a string, as the tree's lookup would find it. Nothing for any
// other text. One pass that builds no tree.
std::optional<std::vector<std::optional<std::string>>> topStringMembers(std::span<const std::uint8_t> text,
                                                                      std::span<const std::string_view> keys,
                                                                      const TreeLimits& limits = {});

// An integer is a number written without fraction or exponent, of any size; a number is any number.
bool isInteger(const Json& value);
bool isNumber(const Json& value);

// An integer's low 32 bits, as i32 (4294967297 gives 1, -1 stays -1). Precondition: isInteger.
std::int32_t integerToI32(const Json& value);
// A number as i32: an integer keeps its low 32 bits; any other number is truncated toward zero
// first. Precondition: isNumber.
std::int32_t numberToI32(const Json& value);
// A number rounded to the nearest f32 (beyond the f32 range: an infinity, as IEEE rounding gives).
// Precondition: isNumber.
float numberToF32(const Json& value);
// A number as f64. Precondition: isNumber.
double numberToF64(const Json& value);

}  // namespace orbi::legacy
