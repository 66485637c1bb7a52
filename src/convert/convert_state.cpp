// Modulation and editor state of a legacy preset as instance-state JSON. Keys that carry a
// number count from 1 (lfo1, mseg1, p1) where the legacy records count from 0; the arithmetic
// is done in 64 bits so that no legacy number can overflow it.
#include "convert/convert_state.hpp"

#include <cstddef>
#include <cstdint>
#include <string>
#include <unordered_map>
#include <utility>

#include "convert/convert_object_builder.hpp"
#include "model/float_number.hpp"
#include "model/instance_members.hpp"
#include "model/parameter_registry.hpp"

namespace orbi {

namespace {

using convert_detail::ObjectBuilder;

JsonValue integer(std::int64_t value) { return JsonValue::makeNumber(static_cast<double>(value)); }

// prefix followed by the zero-based legacy number plus one.
std::string numberedKey(std::string_view prefix, std::int32_t zeroBased) {
    std::string key(prefix);
    key += std::to_string(static_cast<std::int64_t>(zeroBased) + 1);
    return key;
}

}  // namespace

JsonValue routingsToJson(const std::vector<LegacyRouting>& routings) {
    ObjectBuilder object;
    std::unordered_map<std::string, std::size_t> countPerPair;
    for (const LegacyRouting& routing : routings) {
        const std::size_t ordinal = ++countPerPair[member::routingKey(routing.source, routing.target, 1)];

        JsonValue value = JsonValue::makeObject();
        value.editMembers().reserve(6);
        setMember(value, member::kRoutingSource, JsonValue::makeString(routing.source));
        setMember(value, member::kRoutingTarget, JsonValue::makeString(routing.target));
        setMember(value, member::kRoutingDepth, jsonNumberFromFloat(routing.depth));
        setMember(value, member::kRoutingScope,
                  JsonValue::makeString(routing.scope.empty() ? std::string(member::kGlobalRoutingScope)
                                                              : routing.scope));
        if (routing.audioRate) setMember(value, member::kRoutingAudioRate, JsonValue::makeBool(true));
        if (routing.slewMs != 0.0f) setMember(value, member::kRoutingSlewMs, jsonNumberFromFloat(routing.slewMs));

        object.set(member::routingKey(routing.source, routing.target, ordinal), std::move(value));
    }
    return object.take();
}

JsonValue pointsToJson(const std::vector<CurvePoint>& points) {
    JsonValue object = JsonValue::makeObject();
    std::vector<JsonMember>& members = object.editMembers();
    members.reserve(points.size());
    for (std::size_t i = 0; i < points.size(); ++i) {
        JsonValue point = JsonValue::makeObject();
        point.editMembers().reserve(3);
        setMember(point, member::kPointTime, jsonNumberFromFloat(points[i].t));
        setMember(point, member::kPointValue, jsonNumberFromFloat(points[i].v));
        setMember(point, member::kPointCurve, jsonNumberFromFloat(points[i].c));
        // Ids p1, p2, ... are distinct by construction, so no key search is needed.
        members.push_back(JsonMember{member::pointId(i), std::move(point)});
    }
    return object;
}

JsonValue lfoShapesToJson(const std::vector<LegacyLfoShape>& shapes) {
    ObjectBuilder object;
    for (const LegacyLfoShape& shape : shapes) {
        object.set(numberedKey(member::kLfoKeyPrefix, shape.lfo), jsonArrayFromFloats(shape.table));
    }
    return object.take();
}

JsonValue msegsToJson(const std::vector<LegacyMseg>& msegs) {
    ObjectBuilder object;
    for (const LegacyMseg& mseg : msegs) {
        JsonValue value = JsonValue::makeObject();
        setMember(value, member::kMsegPoints, pointsToJson(mseg.points));
        if (mseg.sustain >= 0) {
            setMember(value, member::kMsegSustain,
                      JsonValue::makeString(member::pointId(static_cast<std::size_t>(mseg.sustain))));
        }
        if (mseg.loopStart >= 0 && mseg.loopEnd >= 0) {
            setMember(value, member::kMsegLoopStart,
                      JsonValue::makeString(member::pointId(static_cast<std::size_t>(mseg.loopStart))));
            setMember(value, member::kMsegLoopEnd,
                      JsonValue::makeString(member::pointId(static_cast<std::size_t>(mseg.loopEnd))));
        }
        object.set(numberedKey(member::kMsegKeyPrefix, mseg.mseg), std::move(value));
    }
    return object.take();
}

JsonValue stepSeqsToJson(const std::vector<LegacyStepSeq>& stepSeqs) {
    ObjectBuilder object;
    for (const LegacyStepSeq& stepSeq : stepSeqs) {
        JsonValue value = JsonValue::makeObject();
        setMember(value, member::kStepSeqValues, jsonArrayFromFloats(stepSeq.values));
        setMember(value, member::kStepSeqLength, integer(stepSeq.length));
        object.set(numberedKey(member::kStepSeqKeyPrefix, stepSeq.stepseq), std::move(value));
    }
    return object.take();
}

JsonValue knobMotionsToJson(const std::vector<LegacyKnobMotion>& motions) {
    ObjectBuilder object;
    for (const LegacyKnobMotion& motion : motions) {
        JsonValue value = JsonValue::makeObject();
        setMember(value, member::kMotionLengthSeconds, jsonNumberFromFloat(motion.length));
        setMember(value, member::kMotionAmount, jsonNumberFromFloat(motion.amount));
        setMember(value, member::kMotionPoints, pointsToJson(motion.points));
        object.set(motion.target, std::move(value));
    }
    return object.take();
}

JsonValue macroNamesToJson(const std::array<std::string, 4>& macroNames) {
    JsonValue object = JsonValue::makeObject();
    for (std::size_t k = 0; k < macroNames.size(); ++k) {
        if (!macroNames[k].empty()) setMember(object, paramAt(kMacroSlots[k]).id, JsonValue::makeString(macroNames[k]));
    }
    return object;
}

}  // namespace orbi
