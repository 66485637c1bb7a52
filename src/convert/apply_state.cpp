// Applying an instance's `state`: routings, drawn shapes, envelopes, step sequencers, knob
// motions, macro names and the smaller members, and the two forms of the audition motif.
// Each member is read only when it has its expected shape; anything else is passed over.
#include <algorithm>
#include <cmath>
#include <limits>

#include "convert/apply_internal.hpp"
#include "convert/apply_messages.hpp"
#include "model/instance_members.hpp"
#include "model/parameter_registry.hpp"

namespace orbi::apply_detail {

namespace text = apply_text;

namespace {

// How many numbered LFOs, MSEGs and step sequencers a preset has.
constexpr int kLfoCount = 4;
constexpr int kMsegCount = 2;
constexpr int kStepSeqCount = 2;
constexpr std::size_t kStepCount = 16;

// Members of the older audition form, state "auditionMotif".
constexpr std::string_view kMotifLoopBeats = "loopBeats";
constexpr std::string_view kMotifNotes = "notes";
constexpr std::string_view kNoteStartBeat = "startBeat";
constexpr std::string_view kNoteLengthBeats = "lengthBeats";
constexpr std::string_view kNotePitch = "note";
constexpr std::string_view kNoteVelocity = "velocity";

// A motif loops over 1 to 32 beats and plays MIDI pitches below 128.
constexpr double kMinLoopBeats = 1.0;
constexpr double kMaxLoopBeats = 32.0;
constexpr double kPitchLimit = 128.0;

std::int32_t saturatedInt32(double whole) {
    if (whole <= -2147483648.0) return std::numeric_limits<std::int32_t>::min();
    if (whole >= 2147483647.0) return std::numeric_limits<std::int32_t>::max();
    return static_cast<std::int32_t>(whole);
}

// The four conditions under which a motif note plays inside its loop. `pitch` is the whole
// number before it is narrowed, so a pitch far out of range is refused rather than wrapped.
bool keepsNote(const LegacyMotifNote& note, double pitch, float loopBeats) {
    const double start = note.startBeat;
    const double length = note.lengthBeats;
    return start >= 0.0 && length > 0.0 && start + length < static_cast<double>(loopBeats) && pitch < kPitchLimit;
}

float loopLength(double beats) { return toFloat(std::clamp(beats, kMinLoopBeats, kMaxLoopBeats)); }

// Position of `id` among the sorted point ids, or -1.
std::int32_t pointIndex(const std::vector<std::string>& ids, const JsonValue& mseg, std::string_view key) {
    const JsonValue* value = findMember(mseg, key);
    if (value == nullptr || !value->isString()) return -1;
    auto it = std::find(ids.begin(), ids.end(), value->string());
    return it == ids.end() ? -1 : static_cast<std::int32_t>(it - ids.begin());
}

void applyRoutings(LegacyPreset& preset, const JsonValue& routings, DiagnosticList& diagnostics) {
    for (const JsonMember& m : routings.members()) {
        LegacyRouting routing;
        routing.source = stringOr(m.value, member::kRoutingSource);
        routing.target = stringOr(m.value, member::kRoutingTarget);
        if (modulationSourceNumber(routing.source) == kNotAModulationSource ||
            findParam(routing.target) == kUnknownParam) {
            std::string path(text::kRoutingsPathPrefix);
            path += m.key;
            addWarning(diagnostics, std::string(text::kUnknownRouting), std::move(path),
                       std::string(text::kRoutingNotInBuild));
            continue;
        }
        routing.depth = toFloat(numberOr(m.value, member::kRoutingDepth, 0.0));
        routing.scope = stringOr(m.value, member::kRoutingScope, member::kGlobalRoutingScope);
        routing.audioRate = boolOr(m.value, member::kRoutingAudioRate, false);
        routing.slewMs = toFloat(numberOr(m.value, member::kRoutingSlewMs, 0.0));
        preset.modRoutings.push_back(std::move(routing));
    }
}

void applyLfoShapes(LegacyPreset& preset, const JsonValue& shapes) {
    for (const JsonMember& m : shapes.members()) {
        const int lfo = parseNumberedKey(m.key, member::kLfoKeyPrefix, kLfoCount);
        if (lfo < 0 || !m.value.isArray()) continue;
        preset.lfoShapes.push_back({lfo, floatsOf(m.value)});
    }
}

void applyMsegs(LegacyPreset& preset, const JsonValue& msegs) {
    for (const JsonMember& m : msegs.members()) {
        const int index = parseNumberedKey(m.key, member::kMsegKeyPrefix, kMsegCount);
        const JsonValue* points = objectMember(m.value, member::kMsegPoints);
        if (index < 0 || points == nullptr) continue;
        PointSet set = readPointSet(*points);
        LegacyMseg mseg;
        mseg.mseg = index;
        mseg.points = std::move(set.points);
        mseg.sustain = pointIndex(set.ids, m.value, member::kMsegSustain);
        mseg.loopStart = pointIndex(set.ids, m.value, member::kMsegLoopStart);
        mseg.loopEnd = pointIndex(set.ids, m.value, member::kMsegLoopEnd);
        if (mseg.loopStart < 0 || mseg.loopEnd < 0) mseg.loopStart = mseg.loopEnd = -1;
        preset.msegs.push_back(std::move(mseg));
    }
}

void applyStepSeqs(LegacyPreset& preset, const JsonValue& stepSeqs) {
    for (const JsonMember& m : stepSeqs.members()) {
        const int index = parseNumberedKey(m.key, member::kStepSeqKeyPrefix, kStepSeqCount);
        if (index < 0) continue;
        LegacyStepSeq seq;
        seq.stepseq = index;
        if (const JsonValue* values = arrayMember(m.value, member::kStepSeqValues)) {
            const std::size_t used = std::min(values->items().size(), kStepCount);
            for (std::size_t i = 0; i < used; ++i) {
                const JsonValue& v = values->items()[i];
                seq.values[i] = v.isNumber() ? toFloat(v.number()) : 0.0f;
            }
        }
        const double length = std::trunc(numberOr(m.value, member::kStepSeqLength, 16.0));
        seq.length = static_cast<std::int32_t>(std::clamp(length, 1.0, static_cast<double>(kStepCount)));
        preset.stepSeqs.push_back(seq);
    }
}

void applyKnobMotions(LegacyPreset& preset, const JsonValue& motions) {
    for (const JsonMember& m : motions.members()) {
        LegacyKnobMotion motion;
        motion.target = m.key;
        motion.length = toFloat(numberOr(m.value, member::kMotionLengthSeconds, 1.0));
        motion.amount = toFloat(numberOr(m.value, member::kMotionAmount, 1.0));
        if (const JsonValue* points = objectMember(m.value, member::kMotionPoints)) {
            motion.points = readPointSet(*points).points;
        }
        preset.knobMotions.push_back(std::move(motion));
    }
}

void applyMacroNames(LegacyPreset& preset, const JsonValue& names) {
    for (std::size_t k = 0; k < kMacroSlots.size(); ++k) {
        preset.macroNames[k] = stringOr(names, paramAt(kMacroSlots[k]).id);
    }
}

}  // namespace

LegacyMotif motifFromAuditionMotif(const JsonValue& object) {
    LegacyMotif motif;
    motif.loopBeats = loopLength(numberOr(object, kMotifLoopBeats, 4.0));
    const JsonValue* notes = objectMember(object, kMotifNotes);
    if (notes == nullptr) return motif;
    for (const JsonMember& m : notes->members()) {
        if (!m.value.isObject()) continue;
        LegacyMotifNote note;
        note.startBeat = toFloat(numberOr(m.value, kNoteStartBeat, 0.0));
        note.lengthBeats = toFloat(numberOr(m.value, kNoteLengthBeats, 1.0));
        const double pitch = std::trunc(numberOr(m.value, kNotePitch, 60.0));
        note.velocity = toFloat(std::clamp(numberOr(m.value, kNoteVelocity, 0.8), 0.0, 1.0));
        if (!keepsNote(note, pitch, motif.loopBeats)) continue;
        note.pitch = saturatedInt32(pitch);
        motif.notes.push_back(note);
    }
    return motif;
}

std::optional<LegacyMotif> motifFromClip(const ClipDocument& clip) {
    LegacyMotif motif;
    motif.loopBeats = loopLength(clip.length);
    for (const ClipNote& clipNote : clip.notes) {
        if (clipNote.kept || !clipNote.len || !clipNote.pitch) continue;
        LegacyMotifNote note;
        note.startBeat = toFloat(clipNote.at + clipNote.nudge);
        note.lengthBeats = toFloat(*clipNote.len);
        const double pitch = std::round(*clipNote.pitch);  // halves away from zero
        note.velocity = toFloat(std::clamp(clipNote.vel, 0.0, 1.0));
        if (!keepsNote(note, pitch, motif.loopBeats)) continue;
        note.pitch = saturatedInt32(pitch);
        motif.notes.push_back(note);
    }
    if (motif.notes.empty()) return std::nullopt;
    return motif;
}

void applyState(LegacyPreset& preset, ApplySideRecord& side, const InstanceDocument& instance,
                DiagnosticList& diagnostics) {
    const JsonValue& state = instance.state;
    if (const JsonValue* routings = objectMember(state, member::kStateRoutings)) {
        applyRoutings(preset, *routings, diagnostics);
    }
    if (const JsonValue* shapes = objectMember(state, member::kStateLfoShapes)) applyLfoShapes(preset, *shapes);
    if (const JsonValue* msegs = objectMember(state, member::kStateMsegs)) applyMsegs(preset, *msegs);
    if (const JsonValue* seqs = objectMember(state, member::kStateStepSeqs)) applyStepSeqs(preset, *seqs);
    if (const JsonValue* motions = objectMember(state, member::kStateKnobMotions)) applyKnobMotions(preset, *motions);
    if (const JsonValue* names = objectMember(state, member::kStateMacroNames)) applyMacroNames(preset, *names);
    preset.script = stringOr(state, member::kStateScript);
    if (const JsonValue* shaper = arrayMember(state, member::kStateVolumeShaper)) {
        preset.volumeShaperTable = floatsOf(*shaper);
    }
    preset.mpeEnabled = boolOr(state, member::kStateMpe, false);
    preset.effectTarget = stringOr(state, member::kStateEffectTarget);
    if (const JsonValue* older = objectMember(state, member::kStateAuditionMotif)) {
        side.auditionMotif = motifFromAuditionMotif(*older);
    }
    if (instance.audition) preset.motif = motifFromClip(*instance.audition);
}

}  // namespace orbi::apply_detail
