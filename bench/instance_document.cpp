// Reading and writing a realistic instance document (all 384 parameters, routings, MSEGs, step
// sequences, an audition clip): parse + read, write + serialize, and the full round trip, with
// nlohmann::json parsing and dumping the same text as a baseline.
#include <benchmark/benchmark.h>

#include <nlohmann/json.hpp>
#include <string>

#include "documents/instance_document.hpp"
#include "json/json_parser.hpp"
#include "json/json_writer.hpp"
#include "model/parameter_registry.hpp"

namespace {

using orbi::JsonValue;

JsonValue num(double v) { return JsonValue::makeNumber(v); }
JsonValue str(std::string s) { return JsonValue::makeString(std::move(s)); }

// A point set "p1".."pn" of {time, value, curve}.
JsonValue pointSet(int count, int salt) {
    JsonValue points = JsonValue::makeObject();
    for (int k = 0; k < count; ++k) {
        JsonValue p = JsonValue::makeObject();
        orbi::setMember(p, "time", num(k / static_cast<double>(count)));
        orbi::setMember(p, "value", num(((k * 7 + salt) % 11) / 10.0));
        orbi::setMember(p, "curve", num(((k + salt) % 5 - 2) * 0.25));
        orbi::setMember(points, "p" + std::to_string(k + 1), std::move(p));
    }
    return points;
}

std::string makeInstanceText() {
    orbi::InstanceDocument doc;
    doc.id = "wobble-bass";
    doc.plugin = "orbitrone";
    doc.pluginVersion = "0.7.4";
    doc.seed = 0x5eed5eed12345678ull;
    doc.meta = JsonValue::makeObject();
    orbi::setMember(doc.meta, "name", str("Wobble Bass"));
    orbi::setMember(doc.meta, "category", str("Bass"));
    orbi::setMember(doc.meta, "tags", JsonValue::makeArray({str("dark"), str("wide"), str("moving")}));
    orbi::setMember(doc.meta, "complexity", str("advanced"));

    const auto registry = orbi::parameterRegistry();
    for (std::size_t i = 0; i < registry.size(); ++i) {
        const orbi::ParamSpec& p = registry[i];
        JsonValue value = p.kind >= orbi::kFirstChoiceKind
                              ? str("choice-" + std::to_string(i % 7))
                              : num(static_cast<double>(static_cast<float>(p.min + (p.max - p.min) * ((i * 37 % 100) / 100.0))));
        orbi::setEntry(doc.params, p.id, std::move(value));
    }

    JsonValue state = JsonValue::makeObject();
    JsonValue routings = JsonValue::makeObject();
    for (int r = 0; r < 40; ++r) {
        const std::string source = "lfo" + std::to_string(r % 8 + 1);
        const std::string target = registry[static_cast<std::size_t>(r * 9 % 384)].id;
        JsonValue routing = JsonValue::makeObject();
        orbi::setMember(routing, "source", str(source));
        orbi::setMember(routing, "target", str(target));
        orbi::setMember(routing, "depth", num((r % 21 - 10) / 10.0));
        orbi::setMember(routing, "scope", str("global"));
        if (r % 5 == 0) orbi::setMember(routing, "slewMs", num(12.5));
        orbi::setMember(routings, source + ">" + target, std::move(routing));
    }
    orbi::setMember(state, "routings", std::move(routings));
    JsonValue lfoShapes = JsonValue::makeObject();
    for (int l = 1; l <= 2; ++l) {
        JsonValue shape = JsonValue::makeArray();
        for (int k = 0; k < 64; ++k) shape.editItems().push_back(num(((k * l) % 17) / 16.0));
        orbi::setMember(lfoShapes, "lfo" + std::to_string(l), std::move(shape));
    }
    orbi::setMember(state, "lfoShapes", std::move(lfoShapes));
    JsonValue msegs = JsonValue::makeObject();
    for (int m = 1; m <= 4; ++m) {
        JsonValue mseg = JsonValue::makeObject();
        orbi::setMember(mseg, "points", pointSet(16, m));
        orbi::setMember(mseg, "sustain", str("p8"));
        orbi::setMember(msegs, "mseg" + std::to_string(m), std::move(mseg));
    }
    orbi::setMember(state, "msegs", std::move(msegs));
    JsonValue stepSeqs = JsonValue::makeObject();
    for (int s = 1; s <= 4; ++s) {
        JsonValue seq = JsonValue::makeObject();
        JsonValue values = JsonValue::makeArray();
        for (int k = 0; k < 16; ++k) values.editItems().push_back(num(((k * s) % 9) / 8.0));
        orbi::setMember(seq, "values", std::move(values));
        orbi::setMember(seq, "length", num(16));
        orbi::setMember(stepSeqs, "stepseq" + std::to_string(s), std::move(seq));
    }
    orbi::setMember(state, "stepSeqs", std::move(stepSeqs));
    JsonValue macroNames = JsonValue::makeObject();
    orbi::setMember(macroNames, "macro1", str("Wobble"));
    orbi::setMember(macroNames, "macro2", str("Drive"));
    orbi::setMember(state, "macroNames", std::move(macroNames));
    orbi::setMember(state, "script", str("out = lfo1 * 0.5 + env2;\n"));
    doc.state = std::move(state);
    doc.hints = JsonValue::makeObject();
    orbi::setMember(doc.hints, "savedFromMode", str("advanced"));
    orbi::setEntry(doc.assets, "osc1.table", str("factory:analog_stack"));
    orbi::setEntry(doc.assets, "osc2.table", str("asset:" + std::string(64, 'c')));
    orbi::setEntry(doc.assets, "osc1.sample", str("factory:bowed_metal"));

    orbi::ClipDocument clip;
    clip.length = 8;
    orbi::TempoChange tempo;
    tempo.bpm = 140;
    clip.tempo.push_back(tempo);
    for (int n = 0; n < 32; ++n) {
        orbi::ClipNote note;
        note.at = n * 0.25;
        note.len = 0.25;
        note.pitch = 36 + (n * 5) % 12;
        note.vel = 0.6 + (n % 4) * 0.1;
        if (n % 8 == 0) note.expr.push_back({"bend", orbi::ClipExpression{true, 0.0, {{0.0, 0.0}, {0.25, 1.0}}, {}, false}});
        clip.notes.push_back(std::move(note));
    }
    orbi::ClipLane lane;
    lane.target = "filt_cutoff";
    for (int k = 0; k < 8; ++k) {
        orbi::LanePoint point;
        point.at = k;
        point.v = num(k / 8.0);
        point.curve = "linear";
        lane.points.push_back(std::move(point));
    }
    clip.lanes.push_back(std::move(lane));
    doc.audition = std::move(clip);
    return orbi::writeDocument(orbi::writeInstanceDocument(doc));
}

const std::string& instanceText() {
    static const std::string text = makeInstanceText();
    return text;
}

JsonValue parsed(const std::string& text) {
    JsonValue value;
    std::string reason;
    orbi::parseJson(text, value, reason);
    return value;
}

void BM_ParseAndReadInstance(benchmark::State& state) {
    const std::string& text = instanceText();
    for (auto _ : state) {
        orbi::DiagnosticList diagnostics;
        auto value = orbi::parseDocument(std::string_view(text), "", diagnostics);
        auto instance = orbi::readInstanceDocument(*value, diagnostics);
        benchmark::DoNotOptimize(instance);
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * text.size()));
}
BENCHMARK(BM_ParseAndReadInstance);

void BM_ReadInstanceOnly(benchmark::State& state) {
    const JsonValue value = parsed(instanceText());
    for (auto _ : state) {
        orbi::DiagnosticList diagnostics;
        auto instance = orbi::readInstanceDocument(value, diagnostics);
        benchmark::DoNotOptimize(instance);
    }
}
BENCHMARK(BM_ReadInstanceOnly);

void BM_WriteInstance(benchmark::State& state) {
    orbi::DiagnosticList diagnostics;
    const auto instance = orbi::readInstanceDocument(parsed(instanceText()), diagnostics);
    for (auto _ : state) {
        std::string out = orbi::writeDocument(orbi::writeInstanceDocument(*instance));
        benchmark::DoNotOptimize(out);
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * instanceText().size()));
}
BENCHMARK(BM_WriteInstance);

void BM_RoundTripInstance(benchmark::State& state) {
    const std::string& text = instanceText();
    for (auto _ : state) {
        orbi::DiagnosticList diagnostics;
        auto value = orbi::parseDocument(std::string_view(text), "", diagnostics);
        auto instance = orbi::readInstanceDocument(*value, diagnostics);
        std::string out = orbi::writeDocument(orbi::writeInstanceDocument(*instance));
        benchmark::DoNotOptimize(out);
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * text.size()));
}
BENCHMARK(BM_RoundTripInstance);

// Baseline: a general-purpose JSON library parsing and dumping the same text (no document rules,
// no kept spellings).
void BM_BaselineNlohmannParseDump(benchmark::State& state) {
    const std::string& text = instanceText();
    for (auto _ : state) {
        nlohmann::ordered_json j = nlohmann::ordered_json::parse(text);
        std::string out = j.dump(2);
        benchmark::DoNotOptimize(out);
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * text.size()));
}
BENCHMARK(BM_BaselineNlohmannParseDump);

}  // namespace

BENCHMARK_MAIN();
