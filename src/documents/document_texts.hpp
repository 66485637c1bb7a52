// The exact codes and message phrases of the document readers, in one place so that the readers
// and their tests cannot drift apart. Messages end without a full stop.
#pragma once

#include <string_view>

namespace orbi::doctext {

// Codes.
inline constexpr std::string_view kNotADocument = "not-a-document";
inline constexpr std::string_view kWrongKind = "wrong-kind";
inline constexpr std::string_view kSpecMissing = "spec-missing";
inline constexpr std::string_view kSpecNewerMajor = "spec-newer-major";
inline constexpr std::string_view kBadSpecVersion = "bad-spec-version";
inline constexpr std::string_view kWrongType = "wrong-type";
inline constexpr std::string_view kBadExtensionId = "bad-extension-id";
inline constexpr std::string_view kInstanceWithoutPlugin = "instance-without-plugin";
inline constexpr std::string_view kBadSeed = "bad-seed";
inline constexpr std::string_view kBadAssetRef = "bad-asset-ref";
inline constexpr std::string_view kBadAudition = "bad-audition";
inline constexpr std::string_view kBadGrid = "bad-grid";
inline constexpr std::string_view kBadTempo = "bad-tempo";
inline constexpr std::string_view kBadMeter = "bad-meter";
inline constexpr std::string_view kBadSwing = "bad-swing";
inline constexpr std::string_view kBadNote = "bad-note";
inline constexpr std::string_view kNoteWithoutAt = "note-without-at";
inline constexpr std::string_view kVoicedNoteWithPitch = "voiced-note-with-pitch";
inline constexpr std::string_view kNoteWithoutPitch = "note-without-pitch";
inline constexpr std::string_view kTuneWithoutVoice = "tune-without-voice";
inline constexpr std::string_view kBadExpression = "bad-expression";
inline constexpr std::string_view kBadLane = "bad-lane";
inline constexpr std::string_view kBadLanePoint = "bad-lane-point";
inline constexpr std::string_view kUnknownCurve = "unknown-curve";
inline constexpr std::string_view kExtensionUndeclared = "extension-undeclared";

// Envelope messages and their pieces.
inline constexpr std::string_view kExpectedJsonObject = "Expected a JSON object";
inline constexpr std::string_view kExpectedKindPrefix = "Expected kind ";  // + "K", found "k"
inline constexpr std::string_view kFoundInfix = ", found ";
inline constexpr std::string_view kNoSpecVersionPrefix = "No spec version, read as ";
inline constexpr std::string_view kDocumentUsesSpecPrefix = "Document uses spec ";
inline constexpr std::string_view kNewerThanInfix = ", newer than ";
inline constexpr std::string_view kNewerMajorSuffix = "; known fields are read and the rest is kept";
inline constexpr std::string_view kUnreadableSpecPrefix = "Unreadable spec version, read as ";
inline constexpr std::string_view kExpectedExtensionList = "Expected a list of extension ids; kept as written";
inline constexpr std::string_view kUnreadableExtensionId = "Unreadable extension id, ignored and kept";

// The wrong-type pattern: kExpected + description + kKeptNotApplied.
inline constexpr std::string_view kExpected = "Expected ";
inline constexpr std::string_view kKeptNotApplied = "; kept as written, not applied";
inline constexpr std::string_view kANumber = "a number";
inline constexpr std::string_view kAString = "a string";
inline constexpr std::string_view kAnObject = "an object";
inline constexpr std::string_view kAnArray = "an array";
inline constexpr std::string_view kTrueOrFalse = "true or false";
inline constexpr std::string_view kAName = "a name";
inline constexpr std::string_view kAValueOrChoiceId = "a value or choice id";

// Instance document messages.
inline constexpr std::string_view kInstanceNamesPlugin = "An instance names its plugin";
inline constexpr std::string_view kSeedIs16Hex = "A seed is 16 hex digits; kept as written, not used";
inline constexpr std::string_view kExpectedAssetRef =
    "Expected factory:<name> or asset:<sha256>; kept as written, not loaded";
inline constexpr std::string_view kAuditionNotClip = "The audition is not a clip; kept as written, not offered";

// Clip document messages.
inline constexpr std::string_view kUnreadableGrid = "Unreadable grid; kept as written";
inline constexpr std::string_view kExpectedTempo = "Expected {at, bpm > 0}; kept as written, not used";
inline constexpr std::string_view kExpectedMeter = "Expected {at, num, den}; kept as written, not used";
inline constexpr std::string_view kExpectedSwing =
    "Expected {bar, grid, amount} with a readable grid; kept as written, not used";
inline constexpr std::string_view kExpectedNoteObject = "Expected a note object; kept as written, not played";
inline constexpr std::string_view kNoteNeedsAt = "A note needs `at`; kept as written, not played";
inline constexpr std::string_view kVoicedNotePitch = "A voiced note carries `voice`, never `pitch`; pitch ignored";
inline constexpr std::string_view kUnvoicedNeedsPitch = "An unvoiced note needs `pitch`; not played";
inline constexpr std::string_view kTuneBelongsToVoiced = "`tune` belongs to a voiced note; ignored";
inline constexpr std::string_view kExpectedCurvePoint =
    "Expected [beatsFromNoteStart, value]; the expression is kept as written, not played";
inline constexpr std::string_view kExpectedExpression = "Expected a number or a curve; kept as written, not played";
inline constexpr std::string_view kLaneNeedsTarget = "A lane is an object with a `target`; kept as written, not played";
inline constexpr std::string_view kExpectedLanePoint = "Expected {at, v}; kept as written, not used";
inline constexpr std::string_view kUnknownCurveKept = "Unknown curve, played as step; kept";
inline constexpr std::string_view kClipUsesPrefix = "The clip uses ";
inline constexpr std::string_view kUndeclaredSuffix = " without declaring it; read as declared";

}  // namespace orbi::doctext
