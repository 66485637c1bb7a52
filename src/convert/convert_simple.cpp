// The simple-mode panel's data of a legacy preset as the "simple" hint. Presets saved before
// simple-mode data version 2 kept tone and density only as step indices (0 to 4 of five steps);
// they become character values index / 4 unless the character list already names them.
#include <cstddef>
#include <string>
#include <utility>

#include "convert/convert_object_builder.hpp"
#include "convert/convert_state.hpp"
#include "model/float_number.hpp"
#include "model/instance_members.hpp"

namespace orbi {

namespace {

// Block steps that older simple-mode data carried as character values, by block position.
struct LegacyCharacterStep {
    std::size_t block;
    const char* name;
};
constexpr LegacyCharacterStep kLegacyCharacterSteps[] = {{0, "tone"}, {4, "density"}};
constexpr double kLastStepIndex = 4.0;  // five steps, 0 to 4

JsonValue characterToJson(const LegacyPreset& preset) {
    convert_detail::ObjectBuilder character;
    for (const MetaCharacter& entry : preset.metaCharacter) character.set(entry.id, jsonNumberFromFloat(entry.pos));
    if (preset.metaVersion < 2) {
        for (const LegacyCharacterStep& step : kLegacyCharacterSteps) {
            const std::int32_t index = preset.blockSteps[step.block];
            if (index < 0 || character.contains(step.name)) continue;
            character.set(step.name, JsonValue::makeNumber(static_cast<double>(index) / kLastStepIndex));
        }
    }
    return character.take();
}

JsonValue effectsToJson(const std::vector<MetaEffect>& effects) {
    convert_detail::ObjectBuilder object;
    for (const MetaEffect& effect : effects) {
        JsonValue value = JsonValue::makeObject();
        setMember(value, member::kEffectOn, JsonValue::makeBool(effect.on));
        setMember(value, member::kEffectAmount, jsonNumberFromFloat(effect.amount));
        setMember(value, member::kEffectCharacter, jsonNumberFromFloat(effect.character));
        object.set(effect.id, std::move(value));
    }
    return object.take();
}

}  // namespace

JsonValue simpleToJson(const LegacyPreset& preset) {
    JsonValue simple = JsonValue::makeObject();
    setMember(simple, member::kSimpleTimbreName, JsonValue::makeString(preset.timbreName));
    setMember(simple, member::kSimpleTimbreCategory, JsonValue::makeString(preset.timbreCategory));
    setMember(simple, member::kSimpleCharacter, characterToJson(preset));

    JsonValue soundMap = JsonValue::makeObject();
    setMember(soundMap, member::kSoundMapX, jsonNumberFromFloat(preset.padX));
    setMember(soundMap, member::kSoundMapY, jsonNumberFromFloat(preset.padY));
    setMember(soundMap, member::kSoundMapActive, JsonValue::makeBool(preset.padActive));
    setMember(simple, member::kSimpleSoundMap, std::move(soundMap));

    setMember(simple, member::kSimpleEffects, effectsToJson(preset.metaEffects));
    return simple;
}

}  // namespace orbi
