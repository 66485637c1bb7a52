// The exact diagnostic codes, messages and inflater phrases of the archive subsystem, in one
// place so that the code and its tests cannot drift apart.
#pragma once

#include <string_view>

namespace orbi::archive_text {

// Inflater phrases (reported as "Cannot decompress: " + phrase + "; skipped" by the zip reader).
inline constexpr std::string_view kStreamEndsEarly = "stream ends early";
inline constexpr std::string_view kInvalidBlockType = "invalid block type";
inline constexpr std::string_view kStoredLengthMismatch = "stored block length does not match its complement";
inline constexpr std::string_view kMoreDataThanDeclared = "more data than declared";
inline constexpr std::string_view kTooManyLengthOrDistanceCodes = "too many length or distance codes";
inline constexpr std::string_view kIncompleteCodeLengthCode = "incomplete code-length code";
inline constexpr std::string_view kInvalidCodeLengthCode = "invalid code-length code";
inline constexpr std::string_view kRepeatWithNoPreviousLength = "repeat with no previous length";
inline constexpr std::string_view kTooManyLengths = "too many lengths";
inline constexpr std::string_view kNoEndOfBlockCode = "no end-of-block code";
inline constexpr std::string_view kInvalidLiteralLengthCodeLengths = "invalid literal/length code lengths";
inline constexpr std::string_view kInvalidDistanceCodeLengths = "invalid distance code lengths";
inline constexpr std::string_view kInvalidLiteralLengthCode = "invalid literal/length code";
inline constexpr std::string_view kInvalidLengthSymbol = "invalid length symbol";
inline constexpr std::string_view kInvalidDistanceCode = "invalid distance code";
inline constexpr std::string_view kDistanceTooFarBack = "distance reaches before the start";

// Diagnostic codes.
inline constexpr std::string_view kCodeUnreadable = "zip-unreadable";
inline constexpr std::string_view kCodeUnsupported = "zip-unsupported";
inline constexpr std::string_view kCodeTooLarge = "zip-too-large";
inline constexpr std::string_view kCodeUnsafeName = "zip-unsafe-name";
inline constexpr std::string_view kCodeDuplicateName = "zip-duplicate-name";
inline constexpr std::string_view kCodeEncrypted = "zip-encrypted";
inline constexpr std::string_view kCodeMethod = "zip-method";
inline constexpr std::string_view kCodeDamagedEntry = "zip-damaged-entry";
inline constexpr std::string_view kCodeChecksum = "zip-checksum";

// Reader: faults of the whole archive (errors).
inline constexpr std::string_view kTooShort = "Too short to be a zip archive";
inline constexpr std::string_view kNoEndRecord = "No end-of-archive record";
inline constexpr std::string_view kSplitArchive = "Archives split over several files are not supported";
inline constexpr std::string_view kZip64Archive = "Zip64 archives are not supported";
inline constexpr std::string_view kMoreEntriesPrefix = "More entries than allowed (";  // + limit + ")"
inline constexpr std::string_view kMoreEntriesSuffix = ")";
inline constexpr std::string_view kDirectoryOutOfBounds = "Central directory out of bounds";
inline constexpr std::string_view kDamagedDirectory = "Damaged central directory";
inline constexpr std::string_view kZip64Entry = "Zip64 entries are not supported";
inline constexpr std::string_view kUnpacksTooLarge = "The archive unpacks to more than allowed";
inline constexpr std::string_view kSourceUnreadable = "The archive could not be read";

// Reader: skipped entries (warnings).
inline constexpr std::string_view kSkipUnsafeName = "The entry name leaves the archive; skipped";
inline constexpr std::string_view kSkipDuplicate = "A second entry of the same name; skipped";
inline constexpr std::string_view kSkipEncrypted = "Encrypted entries are not supported; skipped";
inline constexpr std::string_view kSkipMethod = "Entries are stored or deflated; skipped";
inline constexpr std::string_view kSkipDamagedHeader = "The entry's header is damaged; skipped";
inline constexpr std::string_view kSkipRunsPast = "The entry runs past the archive; skipped";
inline constexpr std::string_view kSkipCannotDecompressPrefix = "Cannot decompress: ";  // + phrase + suffix
inline constexpr std::string_view kSkipCannotDecompressSuffix = "; skipped";
inline constexpr std::string_view kWrongSize = "wrong size";
inline constexpr std::string_view kSkipStoredSizes = "Stored sizes disagree; skipped";
inline constexpr std::string_view kSkipChecksum = "Checksum mismatch; skipped";

// Writer refusals (errors).
inline constexpr std::string_view kWriteTooManyEntries = "Too many entries for a zip without Zip64";
inline constexpr std::string_view kWriteUnsafeName = "Unsafe entry name";
inline constexpr std::string_view kWriteDuplicate = "Two entries share a name";
inline constexpr std::string_view kWriteTooLarge = "Too large for a zip without Zip64";

}  // namespace orbi::archive_text
