// Applying an instance document: reading it, refusing other plugins and scopes that may not
// load here, then the parameters and the descriptive data. State and assets have files of
// their own (apply_state.cpp, apply_assets.cpp).
#include "convert/apply_instance.hpp"

#include "convert/apply_internal.hpp"
#include "convert/apply_messages.hpp"
#include "model/choice_lists.hpp"
#include "model/instance_members.hpp"
#include "model/parameter_registry.hpp"
#include "model/plugin_identity.hpp"
#include "model/sections.hpp"

namespace orbi {

namespace text = apply_text;

namespace {

// Member names of provenance, which only applying reads.
constexpr std::string_view kProvenancePreset = "preset";
constexpr std::string_view kProvenanceEdited = "edited";

std::string joined(std::string_view a, std::string_view b) {
    std::string out;
    out.reserve(a.size() + b.size());
    out.append(a).append(b);
    return out;
}

// The scope check: true when the scope may be applied; otherwise the reason is reported.
bool scopeAllowed(const std::string& scope, bool allowSections, DiagnosticList& diagnostics) {
    const int number = sectionNumber(scope);
    if (sectionName(number) != scope) {
        addError(diagnostics, std::string(text::kUnsupportedScope), std::string(text::kScopePath),
                 joined(text::kUnknownScope, scope));
        return false;
    }
    if (number != 0 && !allowSections) {
        addError(diagnostics, std::string(text::kUnsupportedScope), std::string(text::kScopePath),
                 joined(text::kOnlyWholeInstrument, scope));
        return false;
    }
    return true;
}

void applySimpleHint(LegacyPreset& preset, const JsonValue& simple) {
    using apply_detail::boolOr;
    using apply_detail::numberOr;
    using apply_detail::objectMember;
    using apply_detail::stringOr;
    using apply_detail::toFloat;
    preset.timbreName = stringOr(simple, member::kSimpleTimbreName);
    preset.timbreCategory = stringOr(simple, member::kSimpleTimbreCategory);
    if (const JsonValue* character = objectMember(simple, member::kSimpleCharacter)) {
        for (const JsonMember& m : character->members()) {
            preset.metaCharacter.push_back({m.key, m.value.isNumber() ? toFloat(m.value.number()) : 0.5f});
        }
    }
    const JsonValue none;
    const JsonValue* soundMap = objectMember(simple, member::kSimpleSoundMap);
    const JsonValue& map = soundMap != nullptr ? *soundMap : none;
    preset.padX = toFloat(numberOr(map, member::kSoundMapX, 0.5));
    preset.padY = toFloat(numberOr(map, member::kSoundMapY, 0.5));
    preset.padActive = boolOr(map, member::kSoundMapActive, false);
    if (const JsonValue* effects = objectMember(simple, member::kSimpleEffects)) {
        for (const JsonMember& m : effects->members()) {
            preset.metaEffects.push_back({m.key, boolOr(m.value, member::kEffectOn, false),
                                          toFloat(numberOr(m.value, member::kEffectAmount, 0.5)),
                                          toFloat(numberOr(m.value, member::kEffectCharacter, 0.5))});
        }
    }
    preset.hasSimpleMeta = true;
}

}  // namespace

namespace apply_detail {

void applyParams(LegacyPreset& preset, const InstanceDocument& instance, DiagnosticList& diagnostics) {
    for (const JsonMember& entry : instance.params) {
        std::string path = joined(text::kParamsPathPrefix, entry.key);
        const std::size_t index = findParam(entry.key);
        if (index == kUnknownParam) {
            addWarning(diagnostics, std::string(text::kUnknownParam), std::move(path), std::string(text::kNotAParameter));
            continue;
        }
        float value = 0.0f;
        if (entry.value.isString()) {
            auto choice = valueForChoiceId(index, entry.value.string());
            if (!choice) {
                std::string message = "\"";
                message += entry.value.string();
                message += text::kNotOneOfItsChoices;
                addWarning(diagnostics, std::string(text::kUnknownChoice), std::move(path), std::move(message));
                continue;
            }
            value = *choice;
        } else if (entry.value.isNumber()) {
            value = toFloat(entry.value.number());
        } else {
            addWarning(diagnostics, std::string(text::kBadValue), std::move(path),
                       std::string(text::kNeitherNumberNorChoice));
            continue;
        }
        value = clampParamValue(index, value);
        if (const int macro = macroNumberOf(index); macro != 0) {
            preset.macros[static_cast<std::size_t>(macro - 1)] = value;
        } else {
            preset.parameters.push_back({entry.key, value});
        }
    }
}

void applyDescriptive(LegacyPreset& preset, ApplySideRecord& side, const InstanceDocument& instance) {
    side.provenancePreset = stringOr(instance.provenance, kProvenancePreset);
    side.provenanceEdited = boolOr(instance.provenance, kProvenanceEdited, false);

    side.displayName = stringOr(instance.meta, member::kMetaName);
    preset.category = stringOr(instance.meta, member::kMetaCategory);
    preset.complexity = stringOr(instance.meta, member::kMetaComplexity);
    if (const JsonValue* tags = arrayMember(instance.meta, member::kMetaTags)) {
        for (const JsonValue& tag : tags->items()) {
            if (tag.isString()) preset.characterTags.emplace_back(tag.string());
        }
    }

    if (std::string older = stringOr(instance.hints, member::kHintPresetName); !older.empty()) {
        side.displayName = std::move(older);
    }
    // Without simple-mode data (or without hints at all) the preset was last edited in the
    // advanced panel.
    if (const JsonValue* simple = objectMember(instance.hints, member::kHintSimple)) {
        applySimpleHint(preset, *simple);
        preset.savedFromMode = text::kSavedFromBeginner;
    } else {
        preset.savedFromMode = text::kSavedFromAdvanced;
    }

    if (side.displayName.empty()) side.displayName = text::kInitName;
    preset.name = side.displayName;
}

}  // namespace apply_detail

std::optional<LegacyPreset> applyInstanceDocument(ApplySideRecord& side, const Package& package, bool allowSections,
                                                  DiagnosticList& diagnostics) {
    std::optional<InstanceDocument> read = readInstanceDocument(package.document, diagnostics);
    if (!read) return std::nullopt;
    const InstanceDocument& instance = *read;

    if (!instance.plugin.empty() && instance.plugin != kPluginId) {
        addError(diagnostics, std::string(text::kWrongPlugin), std::string(text::kPluginPath),
                 joined(text::kAnInstanceOf, instance.plugin) + std::string(text::kNotOrbitrone));
        return std::nullopt;
    }
    if (!scopeAllowed(instance.scope, allowSections, diagnostics)) return std::nullopt;

    LegacyPreset preset;
    preset.scope = static_cast<std::uint32_t>(sectionNumber(instance.scope));
    apply_detail::applyParams(preset, instance, diagnostics);
    apply_detail::applyState(preset, side, instance, diagnostics);
    apply_detail::applyAssets(preset, instance, package, diagnostics);
    apply_detail::applyDescriptive(preset, side, instance);

    side.instance = std::move(*read);
    side.otherEntries = package.otherEntries;
    return preset;
}

}  // namespace orbi
