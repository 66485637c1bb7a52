// A legacy audition motif as an audition clip. Clip fields are doubles, so the float spellings
// of the motif's numbers ride along in each record's `source`: the clip writer gives every
// number that still has its source value the source's spelling (0.1, not 0.10000000149011612).
#include <utility>

#include "convert/convert_identity.hpp"
#include "convert/convert_state.hpp"
#include "model/float_number.hpp"

namespace orbi {

namespace {

constexpr const char* kMotifGrid = "1/16";

}  // namespace

ClipDocument motifToClip(const LegacyMotif& motif) {
    ClipDocument clip;
    clip.spec = kCurrentSpec;
    clip.plugin = kPluginId;
    clip.length = static_cast<double>(motif.loopBeats);
    clip.grid = kMotifGrid;
    clip.source = JsonValue::makeObject();
    setMember(clip.source, "length", jsonNumberFromFloat(motif.loopBeats));

    clip.notes.reserve(motif.notes.size());
    for (const LegacyMotifNote& motifNote : motif.notes) {
        ClipNote& note = clip.notes.emplace_back();
        note.at = static_cast<double>(motifNote.startBeat);
        note.nudge = 0.0;
        note.len = static_cast<double>(motifNote.lengthBeats);
        note.pitch = static_cast<double>(motifNote.pitch);
        note.vel = static_cast<double>(motifNote.velocity);

        note.source = JsonValue::makeObject();
        setMember(note.source, "at", jsonNumberFromFloat(motifNote.startBeat));
        setMember(note.source, "len", jsonNumberFromFloat(motifNote.lengthBeats));
        setMember(note.source, "pitch", JsonValue::makeNumber(static_cast<double>(motifNote.pitch)));
        setMember(note.source, "vel", jsonNumberFromFloat(motifNote.velocity));
    }
    return clip;
}

}  // namespace orbi
