// Shared readers of applying: point sets, numbered keys, the modulation sources, and the
// tolerant member readers every step uses.
#include <algorithm>
#include <array>
#include <cmath>
#include <limits>
#include <numeric>

#include "convert/apply_internal.hpp"
#include "model/instance_members.hpp"

namespace orbi {

namespace {

// Index = legacy source number.
constexpr std::array<std::string_view, kModulationSourceCount> kModulationSources = {
    "lfo1",          "lfo2",         "lfo3",          "lfo4",          "modenv1",         "modenv2",
    "macro1",        "macro2",       "sample_and_hold", "velocity",    "mod_wheel",       "aftertouch",
    "pitch_bend",    "mpe_pressure", "mpe_slide",     "mpe_glide",     "chord_complexity", "note_bloom",
    "repetition_bloom", "random_voice1", "random_voice2", "mseg1",     "mseg2",           "keytrack",
    "macro3",        "macro4",       "stepseq1",      "stepseq2",      "note_length",
};

}  // namespace

int modulationSourceNumber(std::string_view name) {
    for (std::size_t i = 0; i < kModulationSources.size(); ++i) {
        if (kModulationSources[i] == name) return static_cast<int>(i);
    }
    return kNotAModulationSource;
}

int parseNumberedKey(std::string_view key, std::string_view prefix, int count) {
    if (key.size() <= prefix.size() || !key.starts_with(prefix)) return -1;
    std::int64_t n = 0;
    for (char c : key.substr(prefix.size())) {
        if (c < '0' || c > '9') return -1;
        n = n * 10 + (c - '0');
        if (n > std::numeric_limits<std::int32_t>::max()) return -1;
    }
    if (n < 1 || n > count) return -1;
    return static_cast<int>(n - 1);
}

PointSet readPointSet(const JsonValue& object) {
    using apply_detail::numberOr;
    using apply_detail::toFloat;
    std::vector<CurvePoint> points;
    points.reserve(object.members().size());
    for (const JsonMember& m : object.members()) {
        points.push_back({toFloat(numberOr(m.value, member::kPointTime, 0.0)),
                          toFloat(numberOr(m.value, member::kPointValue, 0.0)),
                          toFloat(numberOr(m.value, member::kPointCurve, 0.0))});
    }
    std::vector<std::size_t> order(points.size());
    std::iota(order.begin(), order.end(), std::size_t{0});
    // A NaN time cannot come from JSON text, but a strict weak order must hold for any float.
    auto before = [&](std::size_t a, std::size_t b) {
        const float ta = points[a].t;
        const float tb = points[b].t;
        if (std::isnan(ta) || std::isnan(tb)) return !std::isnan(ta) && std::isnan(tb);
        return ta < tb;
    };
    std::stable_sort(order.begin(), order.end(), before);
    PointSet set;
    set.ids.reserve(order.size());
    set.points.reserve(order.size());
    for (std::size_t i : order) {
        set.ids.push_back(object.members()[i].key);
        set.points.push_back(points[i]);
    }
    return set;
}

namespace apply_detail {

float toFloat(double value) {
    // The double halfway between the largest float and 2^128: from here on IEEE rounding
    // (ties to even) gives infinity; below it, anything past the largest float rounds down to it.
    constexpr double kOverflow = 0x1.ffffffp127;
    constexpr double kLargest = std::numeric_limits<float>::max();
    if (std::isnan(value)) return std::numeric_limits<float>::quiet_NaN();
    if (value >= kOverflow) return std::numeric_limits<float>::infinity();
    if (value <= -kOverflow) return -std::numeric_limits<float>::infinity();
    if (value > kLargest) return std::numeric_limits<float>::max();
    if (value < -kLargest) return -std::numeric_limits<float>::max();
    return static_cast<float>(value);
}

double numberOr(const JsonValue& v, std::string_view key, double fallback) {
    const JsonValue* m = findMember(v, key);
    return m != nullptr && m->isNumber() ? m->number() : fallback;
}

std::string stringOr(const JsonValue& v, std::string_view key, std::string_view fallback) {
    return stringMemberOr(v, key, fallback);
}

bool boolOr(const JsonValue& v, std::string_view key, bool fallback) {
    const JsonValue* m = findMember(v, key);
    return m != nullptr && m->isBool() ? m->boolean() : fallback;
}

const JsonValue* objectMember(const JsonValue& v, std::string_view key) {
    const JsonValue* m = findMember(v, key);
    return m != nullptr && m->isObject() ? m : nullptr;
}

const JsonValue* arrayMember(const JsonValue& v, std::string_view key) {
    const JsonValue* m = findMember(v, key);
    return m != nullptr && m->isArray() ? m : nullptr;
}

std::vector<float> floatsOf(const JsonValue& array) {
    std::vector<float> out;
    out.reserve(array.items().size());
    for (const JsonValue& item : array.items()) out.push_back(item.isNumber() ? toFloat(item.number()) : 0.0f);
    return out;
}

}  // namespace apply_detail

}  // namespace orbi
