// JSON parsing and writing speed: orbi::parseJson against nlohmann::json::parse and RapidJSON
// (full-precision numbers) on the same texts: an instance-sized document (about 400 parameters,
// routings, MSEG point sets), 420 such documents one after another, and one library dump of
// about 8.8 MB; writeDocument against nlohmann's dump(2) on the same trees.
#include <benchmark/benchmark.h>
#include <rapidjson/document.h>

#include <nlohmann/json.hpp>
#include <random>
#include <string>

#include "json/json_parser.hpp"
#include "json/json_writer.hpp"

namespace {

using orbi::JsonValue;

JsonValue num(double v) { return JsonValue::makeNumber(v); }
JsonValue str(std::string s) { return JsonValue::makeString(std::move(s)); }

// Parameters with values spelled like a plugin writes them, a modulation matrix and MSEGs.
JsonValue makeInstance(std::mt19937& rng) {
    std::uniform_real_distribution<double> unit(0.0, 1.0);
    JsonValue doc;
    orbi::setMember(doc, "kind", str("instance"));
    orbi::setMember(doc, "spec", str("1.0"));
    orbi::setMember(doc, "plugin", str("orbitrone"));
    orbi::setMember(doc, "pluginVersion", str("0.7.4"));
    JsonValue meta;
    orbi::setMember(meta, "name", str("Wobble Bass \xE2\x80\x94 deep"));
    orbi::setMember(meta, "author", str("Quill \"Q\" Mark"));
    orbi::setMember(meta, "tags", JsonValue::makeArray({str("bass"), str("wobble"), str("dark")}));
    orbi::setMember(doc, "meta", meta);
    JsonValue params;
    for (int i = 0; i < 400; ++i) {
        const std::string id = "osc" + std::to_string(i % 3 + 1) + "_param_" + std::to_string(i);
        if (i % 7 == 0) {
            orbi::setMember(params, id, str(i % 2 == 0 ? "saw-up" : "square"));
        } else if (i % 5 == 0) {
            orbi::setMember(params, id, num(static_cast<double>(rng() % 128)));
        } else {
            orbi::setMember(params, id, num(static_cast<double>(static_cast<float>(unit(rng)))));
        }
    }
    orbi::setMember(doc, "params", params);
    JsonValue routings = JsonValue::makeArray();
    for (int i = 0; i < 32; ++i) {
        JsonValue r;
        orbi::setMember(r, "source", str("lfo" + std::to_string(i % 4 + 1)));
        orbi::setMember(r, "target", str("filter1_cutoff"));
        orbi::setMember(r, "amount", num(unit(rng) * 2 - 1));
        orbi::setMember(r, "bipolar", JsonValue::makeBool(i % 2 == 0));
        routings.editItems().push_back(r);
    }
    JsonValue msegs = JsonValue::makeArray();
    for (int m = 0; m < 8; ++m) {
        JsonValue points = JsonValue::makeArray();
        for (int k = 0; k < 24; ++k) {
            points.editItems().push_back(JsonValue::makeArray({num(k / 24.0), num(unit(rng)), num((k % 5 - 2) * 0.25)}));
        }
        JsonValue mseg;
        orbi::setMember(mseg, "loop", JsonValue::makeArray({num(4), num(20)}));
        orbi::setMember(mseg, "points", points);
        msegs.editItems().push_back(mseg);
    }
    JsonValue state;
    orbi::setMember(state, "routings", routings);
    orbi::setMember(state, "msegs", msegs);
    orbi::setMember(doc, "state", state);
    return doc;
}

const std::string& instanceText() {
    static const std::string text = [] {
        std::mt19937 rng(1);
        return orbi::writeDocument(makeInstance(rng));
    }();
    return text;
}

// A library dump: instances in one array until it holds about 8.8 MB.
const std::string& largeText() {
    static const std::string text = [] {
        std::mt19937 rng(2);
        JsonValue all = JsonValue::makeArray();
        std::size_t size = 0;
        while (size < 8800 * 1000) {
            all.editItems().push_back(makeInstance(rng));
            size += orbi::writeDocument(all.items().back()).size();
        }
        return orbi::writeDocument(all);
    }();
    return text;
}

// 420 instance documents, each parsed on its own as a migration reads them.
const std::vector<std::string>& manyTexts() {
    static const std::vector<std::string> texts = [] {
        std::mt19937 rng(3);
        std::vector<std::string> out;
        for (int i = 0; i < 420; ++i) out.push_back(orbi::writeDocument(makeInstance(rng)));
        return out;
    }();
    return texts;
}

template <typename Parse>
void parseEach(benchmark::State& state, const std::vector<std::string>& texts, Parse parse) {
    std::size_t bytes = 0;
    for (const std::string& text : texts) bytes += text.size();
    for (auto _ : state)
        for (const std::string& text : texts)
            if (!parse(text)) state.SkipWithError("parse failed");
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * bytes));
}

bool orbiParses(const std::string& text) {
    JsonValue v;
    std::string reason;
    const bool ok = orbi::parseJson(text, v, reason);
    benchmark::DoNotOptimize(v);
    return ok;
}
bool nlohmannParses(const std::string& text) {
    nlohmann::json v = nlohmann::json::parse(text);
    benchmark::DoNotOptimize(v);
    return true;
}
bool rapidJsonParses(const std::string& text) {
    rapidjson::Document d;
    d.Parse<rapidjson::kParseFullPrecisionFlag>(text.data(), text.size());
    benchmark::DoNotOptimize(d);
    return !d.HasParseError();
}

void parseOrbi(benchmark::State& state, const std::string& text) { parseEach(state, {text}, orbiParses); }
void parseNlohmann(benchmark::State& state, const std::string& text) { parseEach(state, {text}, nlohmannParses); }
void parseRapidJson(benchmark::State& state, const std::string& text) { parseEach(state, {text}, rapidJsonParses); }

void writeOrbi(benchmark::State& state, const std::string& text) {
    JsonValue v;
    std::string reason;
    orbi::parseJson(text, v, reason);
    for (auto _ : state) {
        std::string out = orbi::writeDocument(v);
        benchmark::DoNotOptimize(out);
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * text.size()));
}

void writeNlohmann(benchmark::State& state, const std::string& text) {
    const nlohmann::json v = nlohmann::json::parse(text);
    for (auto _ : state) {
        std::string out = v.dump(2);
        benchmark::DoNotOptimize(out);
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * text.size()));
}

void BM_ParseInstance_Orbi(benchmark::State& s) { parseOrbi(s, instanceText()); }
void BM_ParseInstance_Nlohmann(benchmark::State& s) { parseNlohmann(s, instanceText()); }
void BM_ParseInstance_RapidJson(benchmark::State& s) { parseRapidJson(s, instanceText()); }
void BM_ParseLarge_Orbi(benchmark::State& s) { parseOrbi(s, largeText()); }
void BM_ParseLarge_Nlohmann(benchmark::State& s) { parseNlohmann(s, largeText()); }
void BM_ParseLarge_RapidJson(benchmark::State& s) { parseRapidJson(s, largeText()); }
void BM_ParseMany_Orbi(benchmark::State& s) { parseEach(s, manyTexts(), orbiParses); }
void BM_ParseMany_Nlohmann(benchmark::State& s) { parseEach(s, manyTexts(), nlohmannParses); }
void BM_ParseMany_RapidJson(benchmark::State& s) { parseEach(s, manyTexts(), rapidJsonParses); }
void BM_WriteInstance_Orbi(benchmark::State& s) { writeOrbi(s, instanceText()); }
void BM_WriteInstance_Nlohmann(benchmark::State& s) { writeNlohmann(s, instanceText()); }
void BM_WriteLarge_Orbi(benchmark::State& s) { writeOrbi(s, largeText()); }
void BM_WriteLarge_Nlohmann(benchmark::State& s) { writeNlohmann(s, largeText()); }

BENCHMARK(BM_ParseInstance_Orbi);
BENCHMARK(BM_ParseInstance_Nlohmann);
BENCHMARK(BM_ParseInstance_RapidJson);
BENCHMARK(BM_ParseLarge_Orbi)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ParseLarge_Nlohmann)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ParseLarge_RapidJson)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ParseMany_Orbi)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ParseMany_Nlohmann)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ParseMany_RapidJson)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_WriteInstance_Orbi);
BENCHMARK(BM_WriteInstance_Nlohmann);
BENCHMARK(BM_WriteLarge_Orbi)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_WriteLarge_Nlohmann)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
