// Writing a clip document. Kept records go back exactly as read; readable records are written
// from their fields and then get back their unread members and read number spellings.
#include <algorithm>

#include "documents/clip_document.hpp"

namespace orbi {

namespace {

JsonValue number(double v) { return JsonValue::makeNumber(v); }

// Finishes a readable record: its unread members return and unchanged numbers keep their spelling.
JsonValue finish(JsonValue written, const JsonValue& unread, const JsonValue& source) {
    overlayUnread(written, unread, source);
    return written;
}

// One written item per record, in order.
template <typename Record, typename WriteOne>
JsonValue arrayOf(const std::vector<Record>& records, WriteOne writeOne) {
    JsonValue out = JsonValue::makeArray();
    std::vector<JsonValue>& items = out.editItems();
    items.reserve(records.size());
    for (const Record& r : records) items.push_back(writeOne(r));
    return out;
}

JsonValue writeTempo(const TempoChange& t) {
    if (t.kept) return t.source;
    JsonValue out = JsonValue::makeObject();
    setMember(out, "at", number(t.at));
    setMember(out, "bpm", number(t.bpm));
    return finish(std::move(out), t.unread, t.source);
}

JsonValue writeMeter(const MeterChange& m) {
    if (m.kept) return m.source;
    JsonValue out = JsonValue::makeObject();
    setMember(out, "at", number(m.at));
    setMember(out, "num", number(m.num));
    setMember(out, "den", number(m.den));
    return finish(std::move(out), m.unread, m.source);
}

JsonValue writeSwing(const SwingSetting& s) {
    if (s.kept) return s.source;
    JsonValue out = JsonValue::makeObject();
    setMember(out, "bar", number(s.bar));
    setMember(out, "grid", JsonValue::makeString(s.grid));
    if (!s.voice.empty()) setMember(out, "voice", JsonValue::makeString(s.voice));
    setMember(out, "amount", number(s.amount));
    return finish(std::move(out), s.unread, s.source);
}

JsonValue writeExpression(const ClipExpression& e) {
    if (e.kept) return e.source;
    if (!e.isCurve) return number(e.value);
    return arrayOf(e.points, [](const std::pair<double, double>& point) {
        return JsonValue::makeArray({number(point.first), number(point.second)});
    });
}

JsonValue writeRandom(const ClipRandom& r) {
    JsonValue out = JsonValue::makeObject();
    if (r.vel != 0.0) setMember(out, "vel", number(r.vel));
    if (r.nudge != 0.0) setMember(out, "nudge", number(r.nudge));
    if (r.pan) setMember(out, "pan", number(*r.pan));
    if (!r.params.empty()) setMember(out, "params", memberListValue(r.params));
    return finish(std::move(out), r.unread, r.source);
}

bool isFilledObject(const JsonValue& v) { return v.isObject() && !v.members().empty(); }

JsonValue writeNote(const ClipNote& n) {
    if (n.kept) return n.source;
    JsonValue out = JsonValue::makeObject();
    setMember(out, "at", number(n.at));
    if (n.nudge != 0.0) setMember(out, "nudge", number(n.nudge));
    if (!n.voice.empty()) setMember(out, "voice", JsonValue::makeString(n.voice));
    if (n.len) setMember(out, "len", number(*n.len));
    if (n.pitch) setMember(out, "pitch", number(*n.pitch));
    if (n.tune) setMember(out, "tune", number(*n.tune));
    setMember(out, "vel", number(n.vel));
    if (n.rel) setMember(out, "rel", number(*n.rel));
    if (!n.sound.empty()) setMember(out, "sound", JsonValue::makeString(n.sound));
    if (!n.set.empty()) setMember(out, "set", memberListValue(n.set));
    if (!n.add.empty()) setMember(out, "add", memberListValue(n.add));
    if (!n.expr.empty()) {
        JsonValue expr = JsonValue::makeObject();
        std::vector<JsonMember>& members = expr.editMembers();
        members.reserve(n.expr.size());
        for (const NamedExpression& e : n.expr) members.push_back(JsonMember{e.name, writeExpression(e.expression)});
        setMember(out, "expr", std::move(expr));
    }
    if (n.rand) setMember(out, "rand", writeRandom(*n.rand));
    if (n.slide) setMember(out, "slide", JsonValue::makeBool(true));
    if (isFilledObject(n.ext)) setMember(out, "ext", n.ext);
    return finish(std::move(out), n.unread, n.source);
}

JsonValue writeLanePoint(const LanePoint& p) {
    if (p.kept) return p.source;
    JsonValue out = JsonValue::makeObject();
    setMember(out, "at", number(p.at));
    setMember(out, "v", p.v);
    if (!p.curve.empty()) setMember(out, "curve", JsonValue::makeString(p.curve));
    return finish(std::move(out), p.unread, p.source);
}

JsonValue writeLane(const ClipLane& l) {
    if (l.kept) return l.source;
    JsonValue out = JsonValue::makeObject();
    if (!l.id.empty()) setMember(out, "id", JsonValue::makeString(l.id));
    setMember(out, "target", JsonValue::makeString(l.target));
    if (!l.voice.empty()) setMember(out, "voice", JsonValue::makeString(l.voice));
    if (!l.instance.empty()) setMember(out, "instance", JsonValue::makeString(l.instance));
    setMember(out, "points", arrayOf(l.points, writeLanePoint));
    return finish(std::move(out), l.unread, l.source);
}

// The declared ids, then every used id whose name is not declared, in the order of usedExtensions.
std::vector<ExtensionId> declaredAndUsed(const ClipDocument& clip) {
    std::vector<ExtensionId> out = clip.extensions;
    for (ExtensionId& used : usedExtensions(clip)) {
        const bool declared = std::any_of(clip.extensions.begin(), clip.extensions.end(),
                                          [&](const ExtensionId& id) { return id.name == used.name; });
        if (!declared) out.push_back(std::move(used));
    }
    return out;
}

}  // namespace

JsonValue writeClipDocument(const ClipDocument& clip) {
    JsonValue out = JsonValue::makeObject();
    setMember(out, "kind", JsonValue::makeString(kClipKind));
    setMember(out, "spec", JsonValue::makeString(currentSpecText()));
    if (!clip.id.empty()) setMember(out, "id", JsonValue::makeString(clip.id));
    if (!clip.plugin.empty()) setMember(out, "plugin", JsonValue::makeString(clip.plugin));
    if (clip.formatVersion) setMember(out, "formatVersion", number(*clip.formatVersion));
    if (clip.seed) setMember(out, "seed", JsonValue::makeString(formatSeed(*clip.seed)));
    const std::vector<ExtensionId> extensions = declaredAndUsed(clip);
    if (!extensions.empty() || !clip.keptExtensions.empty()) {
        setMember(out, "extensions", extensionsValue(extensions, clip.keptExtensions));
    }
    setMember(out, "length", number(clip.length));
    setMember(out, "grid", JsonValue::makeString(clip.grid));
    if (!clip.tempo.empty()) setMember(out, "tempo", arrayOf(clip.tempo, writeTempo));
    if (!clip.meter.empty()) setMember(out, "meter", arrayOf(clip.meter, writeMeter));
    if (!clip.swing.empty()) setMember(out, "swing", arrayOf(clip.swing, writeSwing));
    if (!clip.voices.empty()) setMember(out, "voices", memberListValue(clip.voices));
    if (!clip.sounds.empty()) setMember(out, "sounds", memberListValue(clip.sounds));
    setMember(out, "notes", arrayOf(clip.notes, writeNote));
    if (!clip.lanes.empty()) setMember(out, "lanes", arrayOf(clip.lanes, writeLane));
    if (!clip.clipSource.isNull()) setMember(out, "source", clip.clipSource);
    if (isFilledObject(clip.ext)) setMember(out, "ext", clip.ext);
    overlayUnread(out, clip.unread, clip.source);
    return out;
}

}  // namespace orbi
