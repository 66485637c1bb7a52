// The program's own texts: the usage line, the messages that end it early, the report's phrases
// and the notes about the target, kept in one place so the code and its tests cannot drift apart.
#pragma once

#include <string_view>

namespace orbi::app_messages {

inline constexpr std::string_view kUsageLine = "usage: orbitrone-migrate-presets [--from <folder>] [--to <preset root>]\n";
inline constexpr std::string_view kNoPresetRoot = "No user preset folder on this system. Name one with --to.\n";
inline constexpr std::string_view kNoLegacyFolder = "orbitrone: no folder for the old presets: ";
// The last line in a console window of the program's own, which closes when the program ends.
inline constexpr std::string_view kPressEnter = "Press Enter to close this window.\n";

// A failed preset's reason when its list holds no error.
inline constexpr std::string_view kDoesNotRead = "does not read";

// Report lines.
inline constexpr std::string_view kMigrated = "  migrated  ";
inline constexpr std::string_view kKept = "  kept      ";
inline constexpr std::string_view kFailed = "  failed    ";
inline constexpr std::string_view kKeptExistingReason = "  (a preset of that name is already there)\n";
inline constexpr std::string_view kKeptSectionReason = "  (section preset, still listed from the old folder)\n";
inline constexpr std::string_view kNoOldPresets = "No old presets found.\n";

// Notes about the target, for standard error: a file left out (its path and the reason), and a
// finding of the scan itself.
inline constexpr std::string_view kLeftOutLinePrefix = "orbitrone: user preset ";
inline constexpr std::string_view kLeftOutLineMiddle = " left out: ";
inline constexpr std::string_view kScanLinePrefix = "orbitrone: user presets: ";

}  // namespace orbi::app_messages
