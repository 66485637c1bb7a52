// ParamSpec: one row of the compiled-in parameter registry, and the kind numbers that say how a
// row's value is interpreted (continuous, stepped, or an index into a choice list).
#pragma once

#include <cstdint>

namespace orbi {

// Kinds 0, 1 and 2 are continuous (clamped only; the three differ only in what they describe),
// kind 3 is stepped (clamped and rounded, no choice ids), kinds 4 to 32 are choice-valued
// (clamped and rounded to an index into the kind's choice list).
using ParamKind = std::uint32_t;

inline constexpr ParamKind kKindBipolar = 0;
inline constexpr ParamKind kKindLevel = 1;
inline constexpr ParamKind kKindWithUnit = 2;
inline constexpr ParamKind kKindStepped = 3;
inline constexpr ParamKind kFirstChoiceKind = 4;
inline constexpr ParamKind kLastChoiceKind = 32;

struct ParamSpec {
    const char* id;           // lower case with underscores; the key in an instance's params
    const char* name;         // display name
    float min;
    float max;
    float defaultValue;       // the value the parameter has when nothing sets it
    ParamKind kind;
    const char* unit;         // display unit with a leading blank (" Hz"), or empty
    const char* group;        // display group path ("Osc/Osc 1")
    const char* description;  // help text
};

}  // namespace orbi
