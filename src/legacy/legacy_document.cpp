// The legacy document format, key by key. Each key is read only when its value has the JSON
// type the format gives it; anything else is passed over silently. Strings are moved out of the
// parsed tree, which is dropped at the end, so large texts are not copied again.
// Tables ("lfoShapes" tables, "volumeShaper" table) hold numbers, or booleans read as 1 and 0;
// a table with any other element is left out whole.
#include "legacy/legacy_document.hpp"

#include <cstddef>
#include <exception>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "legacy/legacy_json.hpp"
#include "legacy/tape_tone.hpp"
#include "model/sections.hpp"

namespace orbi {

namespace {

using legacy::Json;

constexpr std::size_t kStepValues = 16;
constexpr std::size_t kBlockSteps = 5;
constexpr std::size_t kMacros = 4;
constexpr std::size_t kMinimumPoints = 2;

Json* member(Json& object, const char* key) {
    auto it = object.find(key);
    return it == object.end() ? nullptr : &*it;
}

Json::array_t* arrayMember(Json& object, const char* key) {
    Json* value = member(object, key);
    return value != nullptr && value->is_array() ? &value->get_ref<Json::array_t&>() : nullptr;
}

Json* objectMember(Json& object, const char* key) {
    Json* value = member(object, key);
    return value != nullptr && value->is_object() ? value : nullptr;
}

void readString(Json& object, const char* key, std::string& out) {
    Json* value = member(object, key);
    if (value != nullptr && value->is_string()) out = std::move(value->get_ref<std::string&>());
}

void readBool(Json& object, const char* key, bool& out) {
    Json* value = member(object, key);
    if (value != nullptr && value->is_boolean()) out = value->get<bool>();
}

void readIntegerI32(Json& object, const char* key, std::int32_t& out) {
    Json* value = member(object, key);
    if (value != nullptr && legacy::isInteger(*value)) out = legacy::integerToI32(*value);
}

void readNumberI32(Json& object, const char* key, std::int32_t& out) {
    Json* value = member(object, key);
    if (value != nullptr && legacy::isNumber(*value)) out = legacy::numberToI32(*value);
}

void readNumberF32(Json& object, const char* key, float& out) {
    Json* value = member(object, key);
    if (value != nullptr && legacy::isNumber(*value)) out = legacy::numberToF32(*value);
}

void readNumberF64(Json& object, const char* key, double& out) {
    Json* value = member(object, key);
    if (value != nullptr && legacy::isNumber(*value)) out = legacy::numberToF64(*value);
}

// One point per object element; other elements are skipped.
std::vector<CurvePoint> readPoints(Json::array_t& elements) {
    std::vector<CurvePoint> points;
    for (Json& element : elements) {
        if (!element.is_object()) continue;
        CurvePoint& point = points.emplace_back();
        readNumberF32(element, "t", point.t);
        readNumberF32(element, "v", point.v);
        readNumberF32(element, "c", point.c);
    }
    return points;
}

// Nothing when an element is neither a number nor a boolean.
std::optional<std::vector<float>> readTable(const Json::array_t& elements) {
    std::vector<float> table;
    table.reserve(elements.size());
    for (const Json& element : elements) {
        if (element.is_boolean()) {
            table.push_back(element.get<bool>() ? 1.0f : 0.0f);
        } else if (legacy::isNumber(element)) {
            table.push_back(legacy::numberToF32(element));
        } else {
            return std::nullopt;
        }
    }
    return table;
}

void readTags(Json& document, LegacyPreset& preset) {
    Json* tags = objectMember(document, "tags");
    if (tags == nullptr) return;
    readString(*tags, "category", preset.category);
    readString(*tags, "complexity", preset.complexity);
    if (Json::array_t* character = arrayMember(*tags, "character")) {
        for (Json& element : *character) {
            if (element.is_string()) preset.characterTags.push_back(std::move(element.get_ref<std::string&>()));
        }
    }
}

void readBundledRecords(Json& document, LegacyPreset& preset) {
    if (Json::array_t* wavetables = arrayMember(document, "bundledWavetables")) {
        for (Json& element : *wavetables) {
            if (!element.is_object()) continue;
            WavetableRecord& record = preset.bundledWavetables.emplace_back();
            readString(element, "path", record.path);
            readString(element, "name", record.name);
            readString(element, "sourceFile", record.sourceFile);
            readNumberI32(element, "frameCount", record.frameCount);
            readNumberI32(element, "frameSize", record.frameSize);
        }
    }
    if (Json::array_t* samples = arrayMember(document, "bundledSamples")) {
        for (Json& element : *samples) {
            if (!element.is_object()) continue;
            SampleRecord& record = preset.bundledSamples.emplace_back();
            readString(element, "path", record.path);
            readString(element, "name", record.name);
            readString(element, "sourceFile", record.sourceFile);
            readNumberI32(element, "length", record.length);
            readNumberI32(element, "channels", record.channels);
            readNumberF64(element, "sourceRate", record.sourceRate);
        }
    }
}

void readParameters(Json& document, LegacyPreset& preset) {
    Json* parameters = objectMember(document, "parameters");
    if (parameters == nullptr) return;
    // The tree's objects iterate in ascending byte order of their keys.
    for (auto& [name, value] : parameters->get_ref<Json::object_t&>()) {
        if (legacy::isNumber(value)) preset.parameters.push_back({name, legacy::numberToF32(value)});
    }
}

void readRoutings(Json& document, LegacyPreset& preset) {
    Json::array_t* routings = arrayMember(document, "modRoutings");
    if (routings == nullptr) return;
    for (Json& element : *routings) {
        if (!element.is_object()) continue;
        LegacyRouting& routing = preset.modRoutings.emplace_back();
        readString(element, "source", routing.source);
        readString(element, "target", routing.target);
        readNumberF32(element, "depth", routing.depth);
        readString(element, "scope", routing.scope);
        if (routing.scope.empty()) routing.scope = "global";
        readBool(element, "audioRate", routing.audioRate);
        readNumberF32(element, "slewMs", routing.slewMs);
    }
}

void readLfoShapes(Json& document, LegacyPreset& preset) {
    Json::array_t* shapes = arrayMember(document, "lfoShapes");
    if (shapes == nullptr) return;
    for (Json& element : *shapes) {
        if (!element.is_object()) continue;
        LegacyLfoShape shape;
        readIntegerI32(element, "lfo", shape.lfo);
        Json::array_t* table = arrayMember(element, "table");
        if (table == nullptr) continue;
        std::optional<std::vector<float>> values = readTable(*table);
        if (!values || values->empty()) continue;
        shape.table = std::move(*values);
        preset.lfoShapes.push_back(std::move(shape));
    }
}

void readMsegs(Json& document, LegacyPreset& preset) {
    Json::array_t* msegs = arrayMember(document, "msegs");
    if (msegs == nullptr) return;
    for (Json& element : *msegs) {
        if (!element.is_object()) continue;
        LegacyMseg mseg;
        readIntegerI32(element, "mseg", mseg.mseg);
        readIntegerI32(element, "sustain", mseg.sustain);
        readIntegerI32(element, "loopStart", mseg.loopStart);
        readIntegerI32(element, "loopEnd", mseg.loopEnd);
        if (Json::array_t* points = arrayMember(element, "points")) mseg.points = readPoints(*points);
        if (mseg.points.size() >= kMinimumPoints) preset.msegs.push_back(std::move(mseg));
    }
}

void readStepSeqs(Json& document, LegacyPreset& preset) {
    Json::array_t* stepSeqs = arrayMember(document, "stepSeqs");
    if (stepSeqs == nullptr) return;
    for (Json& element : *stepSeqs) {
        if (!element.is_object()) continue;
        LegacyStepSeq& stepSeq = preset.stepSeqs.emplace_back();
        readIntegerI32(element, "stepseq", stepSeq.stepseq);
        readIntegerI32(element, "length", stepSeq.length);
        if (Json::array_t* values = arrayMember(element, "values")) {
            for (std::size_t i = 0; i < values->size() && i < kStepValues; ++i) {
                if (legacy::isNumber((*values)[i])) stepSeq.values[i] = legacy::numberToF32((*values)[i]);
            }
        }
    }
}

void readKnobMotions(Json& document, LegacyPreset& preset) {
    Json::array_t* motions = arrayMember(document, "knobMotions");
    if (motions == nullptr) return;
    for (Json& element : *motions) {
        if (!element.is_object()) continue;
        LegacyKnobMotion motion;
        readString(element, "target", motion.target);
        readNumberF32(element, "length", motion.length);
        readNumberF32(element, "amount", motion.amount);
        if (Json::array_t* points = arrayMember(element, "points")) motion.points = readPoints(*points);
        if (motion.points.size() >= kMinimumPoints) preset.knobMotions.push_back(std::move(motion));
    }
}

void readMacros(Json& document, LegacyPreset& preset) {
    if (Json::array_t* macros = arrayMember(document, "macros")) {
        // Pairs only: two values set macros 1 and 2, four set all; a third value alone is unused.
        std::size_t used = macros->size() >= 4 ? 4 : macros->size() >= 2 ? 2 : 0;
        for (std::size_t i = 0; i < used; ++i) {
            if (legacy::isNumber((*macros)[i])) preset.macros[i] = legacy::numberToF32((*macros)[i]);
        }
    }
    if (Json::array_t* names = arrayMember(document, "macroNames")) {
        for (std::size_t i = 0; i < names->size() && i < kMacros; ++i) {
            Json& name = (*names)[i];
            if (name.is_string()) preset.macroNames[i] = std::move(name.get_ref<std::string&>());
        }
    }
}

void readSimpleMeta(Json& document, LegacyPreset& preset) {
    Json* meta = objectMember(document, "simpleMeta");
    if (meta == nullptr) return;
    preset.hasSimpleMeta = true;
    readString(*meta, "timbreName", preset.timbreName);
    readString(*meta, "timbreCategory", preset.timbreCategory);
    if (Json::array_t* steps = arrayMember(*meta, "blockSteps")) {
        for (std::size_t i = 0; i < steps->size() && i < kBlockSteps; ++i) {
            if (legacy::isInteger((*steps)[i])) preset.blockSteps[i] = legacy::integerToI32((*steps)[i]);
        }
    }
    // Simple-mode data written without a version of its own is of the first version.
    preset.metaVersion = 1;
    readIntegerI32(*meta, "metaVersion", preset.metaVersion);
    if (Json::array_t* character = arrayMember(*meta, "character")) {
        for (Json& element : *character) {
            if (!element.is_object()) continue;
            Json* id = member(element, "id");
            if (id == nullptr || !id->is_string()) continue;
            MetaCharacter& value = preset.metaCharacter.emplace_back();
            value.id = std::move(id->get_ref<std::string&>());
            readNumberF32(element, "pos", value.pos);
        }
    }
    readNumberF32(*meta, "padX", preset.padX);
    readNumberF32(*meta, "padY", preset.padY);
    readBool(*meta, "padActive", preset.padActive);
    if (Json::array_t* effects = arrayMember(*meta, "effects")) {
        for (Json& element : *effects) {
            if (!element.is_object()) continue;
            Json* id = member(element, "id");
            if (id == nullptr || !id->is_string()) continue;
            MetaEffect& effect = preset.metaEffects.emplace_back();
            effect.id = std::move(id->get_ref<std::string&>());
            readBool(element, "on", effect.on);
            readNumberF32(element, "amount", effect.amount);
            readNumberF32(element, "character", effect.character);
        }
    }
}

void readDocument(Json& document, LegacyPreset& preset) {
    readString(document, "name", preset.name);
    readIntegerI32(document, "version", preset.version);
    if (Json* scope = member(document, "scope"); scope != nullptr && scope->is_string()) {
        preset.scope = static_cast<std::uint32_t>(sectionNumber(scope->get_ref<const std::string&>()));
    }
    readString(document, "effectTarget", preset.effectTarget);
    readTags(document, preset);
    readString(document, "wavetable1", preset.wavetable1);
    readString(document, "wavetable2", preset.wavetable2);
    readString(document, "sample1", preset.sample1);
    readString(document, "sample2", preset.sample2);
    readString(document, "sample3", preset.sample3);
    readBundledRecords(document, preset);
    readParameters(document, preset);
    readRoutings(document, preset);
    readLfoShapes(document, preset);
    readMsegs(document, preset);
    readStepSeqs(document, preset);
    readKnobMotions(document, preset);
    readMacros(document, preset);
    readBool(document, "mpeEnabled", preset.mpeEnabled);
    if (Json* shaper = objectMember(document, "volumeShaper")) {
        if (Json::array_t* table = arrayMember(*shaper, "table")) {
            if (std::optional<std::vector<float>> values = readTable(*table)) preset.volumeShaperTable = std::move(*values);
        }
    }
    readString(document, "savedFromMode", preset.savedFromMode);
    readString(document, "script", preset.script);
    readSimpleMeta(document, preset);
}

}  // namespace

LegacyPreset readLegacyDocument(std::span<const std::uint8_t> text) {
    constexpr std::int32_t kCurrentVersion = 6;
    constexpr std::int32_t kUnversioned = 1;
    std::optional<Json> document = legacy::parseStrict(text);
    if (!document || !document->is_object()) return LegacyPreset{};
    try {
        LegacyPreset preset;
        preset.version = kUnversioned;
        readDocument(*document, preset);
        applyTapeToneUpgrade(preset);
        preset.version = kCurrentVersion;
        return preset;
    } catch (const std::exception&) {
        // Out of memory while copying out of the tree: as unreadable as a text that does not parse.
        return LegacyPreset{};
    }
}

LegacyHeading readLegacyHeading(std::span<const std::uint8_t> text) {
    static constexpr std::string_view kKeys[] = {"name", "scope"};
    LegacyHeading heading;
    if (std::optional<std::vector<std::optional<std::string>>> found = legacy::topStringMembers(text, kKeys)) {
        if ((*found)[0]) heading.name = std::move(*(*found)[0]);
        if ((*found)[1]) heading.scope = static_cast<std::uint32_t>(sectionNumber(*(*found)[1]));
    }
    return heading;
}

LegacyHeading readLegacyHeading(std::string_view text) {
    return readLegacyHeading(std::span(reinterpret_cast<const std::uint8_t*>(text.data()), text.size()));
}

LegacyPreset readLegacyDocument(std::string_view text) {
    return readLegacyDocument(std::span(reinterpret_cast<const std::uint8_t*>(text.data()), text.size()));
}

}  // namespace orbi
