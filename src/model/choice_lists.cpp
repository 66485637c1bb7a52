// The choice-id tables, one per choice-valued kind, and the value <-> choice id mappings.
// Division lists spell a note value with "-" for "/", a trailing "d" for dotted and "t" for
// triplet; kind 9 is a bypass switch whose value 0 means the effect is active ("on").
#include "model/choice_lists.hpp"

#include <array>
#include <cmath>

#include "model/parameter_registry.hpp"

namespace orbi {

namespace {

using namespace std::string_view_literals;

constexpr std::string_view kLfoShape[] = {"sine"sv, "triangle"sv, "saw-up"sv, "saw-down"sv,
                                          "square"sv, "sample-hold"sv, "custom"sv, "chaos"sv};
constexpr std::string_view kFilterType[] = {"off"sv, "lp12"sv, "lp24"sv, "hp12"sv, "hp24"sv,
                                            "bp"sv, "notch"sv, "comb"sv, "formant"sv, "mg-low24"sv};
constexpr std::string_view kArpRate[] = {"1-4"sv, "1-8"sv, "1-16"sv, "1-8t"sv, "1-16t"sv, "1-32"sv};
constexpr std::string_view kArpPattern[] = {"up"sv,        "down"sv,    "up-down"sv,       "random"sv,
                                            "as-played"sv, "down-up"sv, "random-unique"sv, "chord"sv};
constexpr std::string_view kOffOn[] = {"off"sv, "on"sv};
constexpr std::string_view kBypass[] = {"on"sv, "bypass"sv};
constexpr std::string_view kOscMode[] = {"wavetable"sv, "supersaw"sv, "karplus-strong"sv, "modal"sv,
                                         "granular"sv};
constexpr std::string_view kGrainSource[] = {"wavetable"sv, "sample"sv};
constexpr std::string_view kFmMode[] = {"off"sv, "phase-fm"sv};
constexpr std::string_view kChorusMode[] = {"classic"sv, "ensemble"sv};
constexpr std::string_view kLfoMode[] = {"global"sv, "per-voice"sv};
constexpr std::string_view kNoiseFilter[] = {"lp"sv, "hp"sv, "bp"sv};
constexpr std::string_view kPickDirection[] = {"down"sv, "up"sv};
constexpr std::string_view kVoiceMode[] = {"poly"sv, "mono"sv};
constexpr std::string_view kDivision[] = {"1-4"sv,  "1-4d"sv,  "1-4t"sv, "1-8"sv, "1-8d"sv,
                                          "1-8t"sv, "1-16"sv,  "1-16d"sv, "1-16t"sv, "1-32"sv,
                                          "1-2"sv,  "1-bar"sv, "2-bars"sv};
constexpr std::string_view kFilterRouting[] = {"series"sv, "parallel"sv, "split"sv};
constexpr std::string_view kWarpMode[] = {"off"sv, "bend"sv, "pwm"sv, "sync"sv, "wavefold"sv};
constexpr std::string_view kModulatorCharacter[] = {"classic"sv, "organic"sv};
constexpr std::string_view kCombMode[] = {"open"sv, "closed"sv};
constexpr std::string_view kDistortionMode[] = {"soft-clip"sv, "hard-clip"sv, "fold-back"sv, "bit-crush"sv,
                                                "decimate"sv};
constexpr std::string_view kFmAlgorithm[] = {"off"sv, "two-op-stack"sv, "dual-pair"sv, "stack-of-3"sv,
                                             "dual-to-one"sv};
constexpr std::string_view kScaleRoot[] = {"c"sv,       "c-sharp"sv, "d"sv, "d-sharp"sv, "e"sv,       "f"sv,
                                           "f-sharp"sv, "g"sv,       "g-sharp"sv, "a"sv, "a-sharp"sv, "b"sv};
constexpr std::string_view kScaleType[] = {"chromatic"sv,  "major"sv,    "natural-minor"sv,    "harmonic-minor"sv,
                                           "dorian"sv,     "phrygian"sv, "lydian"sv,           "mixolydian"sv,
                                           "pentatonic-major"sv, "pentatonic-minor"sv, "blues"sv};
constexpr std::string_view kTuning[] = {"equal"sv, "just"sv, "pythagorean"sv, "meantone"sv};
constexpr std::string_view kChordType[] = {"off"sv,     "power"sv, "octave"sv, "triad"sv, "triad-7"sv,
                                           "sus2"sv,    "sus4"sv,  "quartal"sv, "fifths"sv};
constexpr std::string_view kChordVoicing[] = {"close"sv, "open"sv, "drop-2"sv};
constexpr std::string_view kStutterInterval[] = {"1-4"sv, "1-2"sv, "1-bar"sv, "2-bars"sv, "4-bars"sv};
constexpr std::string_view kStutterReverse[] = {"off"sv, "alternate"sv, "all"sv};
constexpr std::string_view kStutterMode[] = {"mix"sv, "insert"sv, "gate"sv};

// Indexed by kind - kFirstChoiceKind.
constexpr std::array<ChoiceList, kLastChoiceKind - kFirstChoiceKind + 1> kListsByKind = {
    ChoiceList(kLfoShape),         // 4
    ChoiceList(kFilterType),       // 5
    ChoiceList(kArpRate),          // 6
    ChoiceList(kArpPattern),       // 7
    ChoiceList(kOffOn),            // 8
    ChoiceList(kBypass),           // 9
    ChoiceList(kOscMode),          // 10
    ChoiceList(kGrainSource),      // 11
    ChoiceList(kFmMode),           // 12
    ChoiceList(kChorusMode),       // 13
    ChoiceList(kLfoMode),          // 14
    ChoiceList(kNoiseFilter),      // 15
    ChoiceList(kPickDirection),    // 16
    ChoiceList(kVoiceMode),        // 17
    ChoiceList(kDivision),         // 18
    ChoiceList(kFilterRouting),    // 19
    ChoiceList(kWarpMode),         // 20
    ChoiceList(kModulatorCharacter),  // 21
    ChoiceList(kCombMode),         // 22
    ChoiceList(kDistortionMode),   // 23
    ChoiceList(kFmAlgorithm),      // 24
    ChoiceList(kScaleRoot),        // 25
    ChoiceList(kScaleType),        // 26
    ChoiceList(kTuning),           // 27
    ChoiceList(kChordType),        // 28
    ChoiceList(kChordVoicing),     // 29
    ChoiceList(kStutterInterval),  // 30
    ChoiceList(kStutterReverse),   // 31
    ChoiceList(kStutterMode),      // 32
};

}  // namespace

ChoiceList choiceListFor(ParamKind kind) {
    if (kind < kFirstChoiceKind || kind > kLastChoiceKind) return {};
    return kListsByKind[kind - kFirstChoiceKind];
}

bool hasChoices(std::size_t index) { return !choiceListFor(paramAt(index).kind).empty(); }

std::optional<std::string_view> choiceIdFor(std::size_t index, float value) {
    const ChoiceList list = choiceListFor(paramAt(index).kind);
    if (list.empty()) return std::nullopt;
    const float rounded = std::round(value);
    // Written so that a NaN fails the test and never reaches the conversion to an index.
    if (!(rounded >= 0.0f && rounded < static_cast<float>(list.size()))) return std::nullopt;
    return list[static_cast<std::size_t>(rounded)];
}

std::optional<float> valueForChoiceId(std::size_t index, std::string_view choiceId) {
    const ChoiceList list = choiceListFor(paramAt(index).kind);
    for (std::size_t i = 0; i < list.size(); ++i) {
        if (list[i] == choiceId) return static_cast<float>(i);
    }
    return std::nullopt;
}

}  // namespace orbi
