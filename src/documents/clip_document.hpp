// ClipDocument: a short piece of music for auditioning an instrument (notes on a beat grid,
// tempo/meter/swing changes, automation lanes, voices, per-note expressions). Records that could
// not be used are kept as the JSON value they were read from and written back unchanged.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "diagnostics/diagnostics.hpp"
#include "documents/envelope.hpp"
#include "documents/member_list.hpp"
#include "json/json_value.hpp"

namespace orbi {

// Every record keeps its unread members (an object) and its whole value as read (`source`).
// A record with `kept` set is only its `source`; its other fields are meaningless.

struct TempoChange {
    double at = 0.0;
    double bpm = 120.0;
    JsonValue unread = JsonValue::makeObject();
    JsonValue source;
    bool kept = false;
};

struct MeterChange {
    double at = 0.0;
    std::int32_t num = 4;
    std::int32_t den = 4;
    JsonValue unread = JsonValue::makeObject();
    JsonValue source;
    bool kept = false;
};

struct SwingSetting {
    std::int32_t bar = 0;
    double amount = 0.0;
    std::string grid = "1/16";
    std::string voice;
    JsonValue unread = JsonValue::makeObject();
    JsonValue source;
    bool kept = false;
};

struct ClipExpression {
    bool isCurve = false;
    double value = 0.0;                             // a constant
    std::vector<std::pair<double, double>> points;  // a curve: (beats from note start, value)
    JsonValue source;
    bool kept = false;
};

struct NamedExpression {
    std::string name;
    ClipExpression expression;
};

struct ClipRandom {
    double vel = 0.0;
    double nudge = 0.0;
    std::optional<double> pan;
    MemberList params;
    JsonValue unread = JsonValue::makeObject();
    JsonValue source;
};

struct ClipNote {
    double at = 0.0;
    double nudge = 0.0;
    std::optional<double> len;
    double vel = 1.0;
    std::optional<double> rel;
    std::optional<double> pitch;
    std::vector<NamedExpression> expr;
    std::optional<ClipRandom> rand;
    std::string voice;
    std::optional<double> tune;
    std::string sound;
    MemberList set;
    MemberList add;
    bool slide = false;
    JsonValue ext;
    JsonValue unread = JsonValue::makeObject();
    JsonValue source;
    bool kept = false;
};

struct LanePoint {
    double at = 0.0;
    JsonValue v;
    std::string curve;
    JsonValue unread = JsonValue::makeObject();
    JsonValue source;
    bool kept = false;
};

struct ClipLane {
    std::string id;
    std::string target;
    std::string voice;
    std::string instance;
    std::vector<LanePoint> points;
    JsonValue unread = JsonValue::makeObject();
    JsonValue source;
    bool kept = false;
};

struct ClipDocument {
    SpecVersion spec;
    std::string id;
    std::string plugin;
    std::optional<std::int32_t> formatVersion;
    std::optional<std::uint64_t> seed;
    std::vector<ExtensionId> extensions;
    std::vector<JsonValue> keptExtensions;
    double length = 4.0;
    std::string grid = "1/16";
    std::vector<TempoChange> tempo;
    std::vector<MeterChange> meter;
    std::vector<SwingSetting> swing;
    MemberList voices;
    MemberList sounds;
    std::vector<ClipNote> notes;
    std::vector<ClipLane> lanes;
    JsonValue clipSource;  // the document's own `source` member
    JsonValue ext;
    JsonValue unread = JsonValue::makeObject();
    JsonValue source;  // the whole document as read
};

inline constexpr std::string_view kClipKind = "clip";

inline constexpr std::string_view kVoicesExtension = "com.quillmark.voices";
inline constexpr std::string_view kPerNoteParamsExtension = "com.quillmark.per-note-params";
inline constexpr std::string_view kNoteRandomExtension = "com.quillmark.note-random";
inline constexpr std::string_view kSlideExtension = "com.quillmark.slide";

// Nothing is returned only when the envelope fails (not an object, or kind is not "clip").
std::optional<ClipDocument> readClipDocument(const JsonValue& document, DiagnosticList& diagnostics);

// A grid value "n/d" (both at least 1) as its length in beats: n * 4 / d.
std::optional<double> parseGrid(std::string_view text);

// The extensions the readable content of the clip needs, each version 1, in a fixed order.
std::vector<ExtensionId> usedExtensions(const ClipDocument& clip);

// The clip as a JSON object; kept records come back exactly as read.
JsonValue writeClipDocument(const ClipDocument& clip);

}  // namespace orbi
