// Inputs for the archive benchmarks: instance-like JSON text and 32-bit float audio, the two
// kinds of data packages carry, made deterministically.
#pragma once

#include <cmath>
#include <cstdint>
#include <cstring>
#include <random>
#include <string>
#include <vector>

namespace orbi::bench {

inline std::vector<std::uint8_t> instanceJson(std::size_t n, std::uint32_t seed = 7) {
    std::mt19937 rng(seed);
    static const char* keys[] = {"osc1_wt_pos", "filter_cutoff", "env1_attack", "lfo2_rate", "fx_reverb_mix",
                                 "osc2_semitone", "amp_level", "mod_depth", "env2_release", "unison_detune"};
    std::string s = "{\n  \"kind\": \"instance\",\n  \"spec\": \"1.0\",\n  \"params\": {\n";
    while (s.size() < n) {
        s += "    \"";
        s += keys[rng() % 10];
        if (rng() % 3 == 0) s += std::to_string(rng() % 8);
        s += "\": ";
        if (rng() % 4 == 0) {
            s += "\"saw-up\"";
        } else {
            s += std::to_string(static_cast<double>(rng() % 1000000) / 9973.0);
        }
        s += ",\n";
    }
    s.resize(n);
    return {s.begin(), s.end()};
}

inline std::vector<std::uint8_t> floatAudio(std::size_t bytes) {
    std::mt19937 rng(8);
    std::normal_distribution<float> noise(0.0f, 0.002f);
    std::vector<std::uint8_t> out(bytes / 4 * 4);
    double phase = 0;
    for (std::size_t i = 0; i < out.size() / 4; ++i) {
        phase += 2 * 3.14159265358979 * 110.0 / 48000.0;
        const float v = static_cast<float>(0.6 * std::sin(phase) + 0.2 * std::sin(3 * phase)) + noise(rng);
        std::memcpy(out.data() + i * 4, &v, 4);
    }
    return out;
}

inline std::vector<std::uint8_t> randomBytes(std::size_t n) {
    std::mt19937 rng(9);
    std::vector<std::uint8_t> out(n);
    for (auto& b : out) b = static_cast<std::uint8_t>(rng());
    return out;
}

}  // namespace orbi::bench
