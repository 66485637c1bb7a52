// A legacy preset as text: one line per field that differs from a fresh record, so that a case
// table states what a document sets and nothing else. Floats in their shortest exact spelling.
#pragma once

#include <charconv>
#include <string>
#include <utility>
#include <vector>

#include "legacy/legacy_preset.hpp"

namespace orbi::test {

template <typename T>
std::string num(T value) {
    char buffer[40];
    return {buffer, std::to_chars(buffer, buffer + sizeof buffer, value).ptr};
}

template <typename List, typename Each>
std::string list(const List& items, Each each) {
    std::string out;
    for (const auto& item : items) out += (out.empty() ? "" : " ") + each(item);
    return out;
}

inline std::vector<std::pair<std::string, std::string>> fieldTexts(const LegacyPreset& p) {
    auto q = [](const std::string& s) { return "\"" + s + "\""; };
    auto n = [](auto v) { return num(v); };
    auto pointsText = [](const std::vector<CurvePoint>& points) {
        return list(points, [](const CurvePoint& c) { return num(c.t) + "," + num(c.v) + "," + num(c.c); });
    };
    const std::string motif = !p.motif ? "none" : num(p.motif->loopBeats) + ": " + list(p.motif->notes, [](const LegacyMotifNote& m) {
        return num(m.startBeat) + "," + num(m.lengthBeats) + "," + num(m.pitch) + "," + num(m.velocity);
    });
    return {
        {"name", q(p.name)}, {"version", num(p.version)}, {"scope", num(p.scope)}, {"category", q(p.category)},
        {"complexity", q(p.complexity)}, {"tags", list(p.characterTags, q)}, {"effectTarget", q(p.effectTarget)},
        {"assets", list(std::vector<std::string>{p.wavetable1, p.wavetable2, p.sample1, p.sample2, p.sample3}, q)},
        {"params", list(p.parameters, [](const LegacyParameter& x) { return x.name + "=" + num(x.value); })},
        {"routings", list(p.modRoutings, [&](const LegacyRouting& r) {
             return "[" + r.source + ">" + r.target + " " + num(r.depth) + " " + q(r.scope) + " " + num(int{r.audioRate}) +
                    " " + num(r.slewMs) + "]";
         })},
        {"lfoShapes", list(p.lfoShapes, [&](const LegacyLfoShape& s) { return "[" + num(s.lfo) + ": " + list(s.table, n) + "]"; })},
        {"msegs", list(p.msegs, [&](const LegacyMseg& m) {
             return "[" + num(m.mseg) + " s" + num(m.sustain) + " l" + num(m.loopStart) + ".." + num(m.loopEnd) + ": " +
                    pointsText(m.points) + "]";
         })},
        {"stepSeqs", list(p.stepSeqs, [&](const LegacyStepSeq& s) {
             return "[" + num(s.stepseq) + " len" + num(s.length) + ": " + list(s.values, n) + "]";
         })},
        {"knobMotions", list(p.knobMotions, [&](const LegacyKnobMotion& k) {
             return "[" + k.target + " " + num(k.length) + " " + num(k.amount) + ": " + pointsText(k.points) + "]";
         })},
        {"wavetables", list(p.bundledWavetables, [&](const WavetableRecord& w) {
             return "[" + q(w.path) + " " + q(w.name) + " " + q(w.sourceFile) + " " + num(w.frameCount) + " " + num(w.frameSize) + "]";
         })},
        {"samples", list(p.bundledSamples, [&](const SampleRecord& s) {
             return "[" + q(s.path) + " " + q(s.name) + " " + q(s.sourceFile) + " " + num(s.length) + " " + num(s.channels) +
                    " " + num(s.sourceRate) + "]";
         })},
        {"macros", list(p.macros, n)}, {"macroNames", list(p.macroNames, q)}, {"mpe", num(int{p.mpeEnabled})},
        {"metaVersion", num(p.metaVersion)}, {"timbre", q(p.timbreName) + " " + q(p.timbreCategory)},
        {"blockSteps", list(p.blockSteps, n)},
        {"character", list(p.metaCharacter, [](const MetaCharacter& c) { return c.id + "=" + num(c.pos); })},
        {"pad", num(p.padX) + " " + num(p.padY) + " " + num(int{p.padActive})},
        {"effects", list(p.metaEffects, [](const MetaEffect& e) {
             return "[" + e.id + " " + num(int{e.on}) + " " + num(e.amount) + " " + num(e.character) + "]";
         })},
        {"simple", num(int{p.hasSimpleMeta})}, {"savedFromMode", q(p.savedFromMode)}, {"motif", motif},
        {"script", q(p.script)}, {"volumeShaper", list(p.volumeShaperTable, n)},
        {"files", list(p.bundleFiles, [](const auto& f) { return f.first + ":" + num(f.second.size()); })},
    };
}

// "field: value" lines for the fields that differ from a fresh record.
inline std::string presetText(const LegacyPreset& preset) {
    const auto fresh = fieldTexts(LegacyPreset{}), mine = fieldTexts(preset);
    std::string out;
    for (std::size_t i = 0; i < mine.size(); ++i) out += mine[i] == fresh[i] ? "" : mine[i].first + ": " + mine[i].second + "\n";
    return out;
}

}  // namespace orbi::test
