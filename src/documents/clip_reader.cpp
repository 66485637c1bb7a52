// Reading a clip document: the envelope, then each member in a fixed order so that findings come
// in a stable order. A record that cannot be used is kept whole as read and never played.
#include <algorithm>

#include "documents/clip_document.hpp"
#include "documents/document_texts.hpp"
#include "documents/field_reader.hpp"

namespace orbi {

namespace dt = doctext;

namespace {

std::string wrongTypeMessage(std::string_view description) {
    return std::string(dt::kExpected) + std::string(description) + std::string(dt::kKeptNotApplied);
}

const JsonValue* numberMember(const JsonValue& object, std::string_view key) {
    const JsonValue* v = findMember(object, key);
    return v != nullptr && v->isNumber() ? v : nullptr;
}

TempoChange readTempo(const JsonValue& item, const std::string& path, DiagnosticList& diagnostics) {
    TempoChange tempo;
    tempo.source = item;
    const JsonValue* at = numberMember(item, "at");
    const JsonValue* bpm = numberMember(item, "bpm");
    if (at == nullptr || bpm == nullptr || !(bpm->number() > 0.0)) {
        addWarning(diagnostics, std::string(dt::kBadTempo), path, std::string(dt::kExpectedTempo));
        tempo.kept = true;
        return tempo;
    }
    FieldReader r(item, path, diagnostics);
    tempo.at = *r.getNumber("at");
    tempo.bpm = *r.getNumber("bpm");
    tempo.unread = r.unreadMembers();
    return tempo;
}

MeterChange readMeter(const JsonValue& item, const std::string& path, DiagnosticList& diagnostics) {
    MeterChange meter;
    meter.source = item;
    const JsonValue* at = numberMember(item, "at");
    const JsonValue* num = numberMember(item, "num");
    const JsonValue* den = numberMember(item, "den");
    if (at == nullptr || num == nullptr || den == nullptr || !(num->number() >= 1.0) || !(den->number() >= 1.0)) {
        addWarning(diagnostics, std::string(dt::kBadMeter), path, std::string(dt::kExpectedMeter));
        meter.kept = true;
        return meter;
    }
    FieldReader r(item, path, diagnostics);
    meter.at = *r.getNumber("at");
    meter.num = truncateToInt32(*r.getNumber("num"));
    meter.den = truncateToInt32(*r.getNumber("den"));
    meter.unread = r.unreadMembers();
    return meter;
}

SwingSetting readSwing(const JsonValue& item, const std::string& path, DiagnosticList& diagnostics) {
    SwingSetting swing;
    swing.source = item;
    const JsonValue* grid = findMember(item, "grid");
    const bool gridUnreadable = grid != nullptr && grid->isString() && !parseGrid(grid->string());
    if (numberMember(item, "bar") == nullptr || numberMember(item, "amount") == nullptr || gridUnreadable) {
        addWarning(diagnostics, std::string(dt::kBadSwing), path, std::string(dt::kExpectedSwing));
        swing.kept = true;
        return swing;
    }
    FieldReader r(item, path, diagnostics);
    swing.bar = truncateToInt32(*r.getNumber("bar"));
    swing.amount = *r.getNumber("amount");
    if (auto text = r.getString("grid")) swing.grid = std::move(*text);
    if (auto voice = r.getString("voice")) swing.voice = std::move(*voice);
    swing.unread = r.unreadMembers();
    return swing;
}

ClipExpression readExpression(const JsonValue& value, const std::string& path, DiagnosticList& diagnostics) {
    ClipExpression expression;
    expression.source = value;
    if (value.isNumber()) {
        expression.value = value.number();
        return expression;
    }
    if (!value.isArray()) {
        addWarning(diagnostics, std::string(dt::kBadExpression), path, std::string(dt::kExpectedExpression));
        expression.kept = true;
        return expression;
    }
    expression.isCurve = true;
    expression.points.reserve(value.items().size());
    for (std::size_t i = 0; i < value.items().size(); ++i) {
        const JsonValue& point = value.items()[i];
        if (!point.isArray() || point.items().size() != 2 || !point.items()[0].isNumber() || !point.items()[1].isNumber()) {
            addWarning(diagnostics, std::string(dt::kBadExpression), indexPath(path, i),
                       std::string(dt::kExpectedCurvePoint));
            expression.kept = true;
            expression.points.clear();
            return expression;
        }
        expression.points.emplace_back(point.items()[0].number(), point.items()[1].number());
    }
    return expression;
}

// Members of an object kept in order; a value failing `accept` draws "wrong-type" with `message`.
template <typename Accept>
MemberList readMembers(const JsonValue& object, const std::string& path, Accept accept, std::string_view message,
                       DiagnosticList& diagnostics) {
    MemberList out;
    out.reserve(object.members().size());
    for (const JsonMember& m : object.members()) {
        if (!accept(m.value)) {
            addWarning(diagnostics, std::string(dt::kWrongType), childPath(path, m.key), std::string(message));
        }
        out.push_back(m);  // keys of a JSON object are unique already
    }
    return out;
}

bool isNumber(const JsonValue& v) { return v.isNumber(); }
bool isString(const JsonValue& v) { return v.isString(); }
bool isNumberOrString(const JsonValue& v) { return v.isNumber() || v.isString(); }

ClipRandom readRandom(const JsonValue& object, const std::string& path, DiagnosticList& diagnostics) {
    ClipRandom rand;
    rand.source = object;
    FieldReader r(object, path, diagnostics);
    rand.vel = r.getNumber("vel").value_or(0.0);
    rand.nudge = r.getNumber("nudge").value_or(0.0);
    rand.pan = r.getNumber("pan");
    if (const JsonValue* params = r.getObject("params")) {
        rand.params = readMembers(*params, r.pathOf("params"), isNumber, wrongTypeMessage(dt::kANumber), diagnostics);
    }
    rand.unread = r.unreadMembers();
    return rand;
}

ClipNote readNote(const JsonValue& item, const std::string& path, DiagnosticList& diagnostics) {
    ClipNote note;
    note.source = item;
    if (!item.isObject()) {
        addWarning(diagnostics, std::string(dt::kBadNote), path, std::string(dt::kExpectedNoteObject));
        note.kept = true;
        return note;
    }
    FieldReader r(item, path, diagnostics);
    const auto at = r.getNumber("at");
    if (!at) {
        addWarning(diagnostics, std::string(dt::kNoteWithoutAt), path, std::string(dt::kNoteNeedsAt));
        note.kept = true;
        return note;
    }
    note.at = *at;
    note.nudge = r.getNumber("nudge").value_or(0.0);
    note.len = r.getNumber("len");
    note.vel = r.getNumber("vel").value_or(1.0);
    note.rel = r.getNumber("rel");
    note.pitch = r.getNumber("pitch");
    if (const JsonValue* expr = r.getObject("expr")) {
        const std::string exprPath = r.pathOf("expr");
        note.expr.reserve(expr->members().size());
        for (const JsonMember& m : expr->members()) {
            note.expr.push_back(NamedExpression{m.key, readExpression(m.value, childPath(exprPath, m.key), diagnostics)});
        }
    }
    if (const JsonValue* rand = r.getObject("rand")) note.rand = readRandom(*rand, r.pathOf("rand"), diagnostics);
    if (auto voice = r.getString("voice")) note.voice = std::move(*voice);
    note.tune = r.getNumber("tune");
    if (auto sound = r.getString("sound")) note.sound = std::move(*sound);
    if (const JsonValue* set = r.getObject("set")) {
        note.set = readMembers(*set, r.pathOf("set"), isNumberOrString, wrongTypeMessage(dt::kAValueOrChoiceId),
                               diagnostics);
    }
    if (const JsonValue* add = r.getObject("add")) {
        note.add = readMembers(*add, r.pathOf("add"), isNumber, wrongTypeMessage(dt::kANumber), diagnostics);
    }
    note.slide = r.getBool("slide").value_or(false);
    if (const JsonValue* ext = r.peek("ext")) {
        note.ext = *ext;
        r.markRead("ext");
    }
    note.unread = r.unreadMembers();

    if (!note.voice.empty()) {
        if (note.pitch) {
            addWarning(diagnostics, std::string(dt::kVoicedNoteWithPitch), path, std::string(dt::kVoicedNotePitch));
        }
    } else {
        if (!note.pitch) {
            addWarning(diagnostics, std::string(dt::kNoteWithoutPitch), path, std::string(dt::kUnvoicedNeedsPitch));
        }
        if (note.tune) {
            addWarning(diagnostics, std::string(dt::kTuneWithoutVoice), path, std::string(dt::kTuneBelongsToVoiced));
        }
    }
    return note;
}

LanePoint readLanePoint(const JsonValue& item, const std::string& path, DiagnosticList& diagnostics) {
    LanePoint point;
    point.source = item;
    if (numberMember(item, "at") == nullptr || findMember(item, "v") == nullptr) {
        addWarning(diagnostics, std::string(dt::kBadLanePoint), path, std::string(dt::kExpectedLanePoint));
        point.kept = true;
        return point;
    }
    FieldReader r(item, path, diagnostics);
    point.at = *r.getNumber("at");
    point.v = *r.peek("v");
    r.markRead("v");
    if (auto curve = r.getString("curve")) {
        if (*curve != "step" && *curve != "linear" && *curve != "smooth") {
            addWarning(diagnostics, std::string(dt::kUnknownCurve), r.pathOf("curve"), std::string(dt::kUnknownCurveKept));
        }
        point.curve = std::move(*curve);
    }
    point.unread = r.unreadMembers();
    return point;
}

ClipLane readLane(const JsonValue& item, const std::string& path, DiagnosticList& diagnostics) {
    ClipLane lane;
    lane.source = item;
    const JsonValue* target = findMember(item, "target");
    if (target == nullptr || !target->isString() || target->string().empty()) {
        addWarning(diagnostics, std::string(dt::kBadLane), path, std::string(dt::kLaneNeedsTarget));
        lane.kept = true;
        return lane;
    }
    FieldReader r(item, path, diagnostics);
    lane.target = *r.getString("target");
    if (auto id = r.getString("id")) lane.id = std::move(*id);
    if (auto voice = r.getString("voice")) lane.voice = std::move(*voice);
    if (auto instance = r.getString("instance")) lane.instance = std::move(*instance);
    if (const JsonValue* points = r.getArray("points")) {
        const std::string pointsPath = r.pathOf("points");
        lane.points.reserve(points->items().size());
        for (std::size_t j = 0; j < points->items().size(); ++j) {
            lane.points.push_back(readLanePoint(points->items()[j], indexPath(pointsPath, j), diagnostics));
        }
    }
    lane.unread = r.unreadMembers();
    return lane;
}

template <typename Record, typename ReadOne>
void readArray(FieldReader& r, std::string_view key, std::vector<Record>& out, ReadOne readOne) {
    const JsonValue* array = r.getArray(key);
    if (array == nullptr) return;
    const std::string path = r.pathOf(key);
    out.reserve(array->items().size());
    for (std::size_t i = 0; i < array->items().size(); ++i) {
        out.push_back(readOne(array->items()[i], indexPath(path, i), r.diagnostics()));
    }
}

bool declares(const std::vector<ExtensionId>& declared, std::string_view name) {
    return std::any_of(declared.begin(), declared.end(), [&](const ExtensionId& id) { return id.name == name; });
}

}  // namespace

std::optional<double> parseGrid(std::string_view text) {
    const std::size_t slash = text.find('/');
    if (slash == std::string_view::npos) return std::nullopt;
    const auto n = parseDecimalInt32(text.substr(0, slash));
    const auto d = parseDecimalInt32(text.substr(slash + 1));
    if (!n || !d || *n < 1 || *d < 1) return std::nullopt;
    return static_cast<double>(*n) * 4.0 / static_cast<double>(*d);
}

std::optional<ClipDocument> readClipDocument(const JsonValue& document, DiagnosticList& diagnostics) {
    auto envelope = readEnvelope(document, kClipKind, diagnostics);
    if (!envelope) return std::nullopt;
    ClipDocument clip;
    FieldReader r(document, "", diagnostics);
    r.markRead("kind");
    r.markRead("spec");
    if (envelope->extensionsListed) r.markRead("extensions");
    clip.source = document;
    clip.spec = envelope->spec;
    clip.extensions = std::move(envelope->extensions);
    clip.keptExtensions = std::move(envelope->keptExtensions);

    if (auto id = r.getString("id")) clip.id = std::move(*id);
    if (auto plugin = r.getString("plugin")) clip.plugin = std::move(*plugin);
    if (auto version = r.getNumber("formatVersion")) clip.formatVersion = truncateToInt32(*version);
    clip.seed = readSeedMember(r);
    clip.length = r.getNumber("length").value_or(4.0);
    if (const JsonValue* grid = r.peek("grid")) {
        if (grid->isString() && parseGrid(grid->string())) {
            clip.grid = grid->string();
            r.markRead("grid");
        } else {
            addWarning(diagnostics, std::string(dt::kBadGrid), "/grid", std::string(dt::kUnreadableGrid));
        }
    }
    readArray(r, "tempo", clip.tempo, readTempo);
    readArray(r, "meter", clip.meter, readMeter);
    readArray(r, "swing", clip.swing, readSwing);
    if (const JsonValue* voices = r.getObject("voices")) {
        clip.voices = readMembers(*voices, "/voices", isString, wrongTypeMessage(dt::kAName), diagnostics);
    }
    if (const JsonValue* sounds = r.getObject("sounds")) {
        clip.sounds = readMembers(*sounds, "/sounds", isString, wrongTypeMessage(dt::kAName), diagnostics);
    }
    readArray(r, "notes", clip.notes, readNote);
    readArray(r, "lanes", clip.lanes, readLane);
    if (const JsonValue* source = r.peek("source")) {
        clip.clipSource = *source;
        r.markRead("source");
    }
    if (const JsonValue* ext = r.peek("ext")) {
        clip.ext = *ext;
        r.markRead("ext");
    }
    clip.unread = r.unreadMembers();

    for (const ExtensionId& used : usedExtensions(clip)) {
        if (declares(clip.extensions, used.name)) continue;
        addNote(diagnostics, std::string(dt::kExtensionUndeclared), "/extensions",
                std::string(dt::kClipUsesPrefix) + formatExtensionId(used) + std::string(dt::kUndeclaredSuffix));
    }
    return clip;
}

std::vector<ExtensionId> usedExtensions(const ClipDocument& clip) {
    bool voices = !clip.voices.empty() || !clip.sounds.empty();
    bool perNoteParams = false;
    bool noteRandom = false;
    bool slide = false;
    for (const SwingSetting& s : clip.swing) voices = voices || (!s.kept && !s.voice.empty());
    for (const ClipLane& l : clip.lanes) voices = voices || (!l.kept && !l.voice.empty());
    for (const ClipNote& n : clip.notes) {
        if (n.kept) continue;
        voices = voices || !n.voice.empty() || n.tune.has_value() || !n.sound.empty();
        perNoteParams = perNoteParams || !n.set.empty() || !n.add.empty();
        noteRandom = noteRandom || (n.rand && (n.rand->pan.has_value() || !n.rand->params.empty()));
        slide = slide || n.slide;
    }
    std::vector<ExtensionId> out;
    if (voices) out.push_back(ExtensionId{std::string(kVoicesExtension), 1});
    if (perNoteParams) out.push_back(ExtensionId{std::string(kPerNoteParamsExtension), 1});
    if (noteRandom) out.push_back(ExtensionId{std::string(kNoteRandomExtension), 1});
    if (slide) out.push_back(ExtensionId{std::string(kSlideExtension), 1});
    return out;
}

}  // namespace orbi
