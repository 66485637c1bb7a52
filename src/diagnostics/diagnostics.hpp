// Findings of readers and writers: a severity, a stable code, a JSON-pointer path and a message.
// Readers never throw on bad input; they append to a caller-owned DiagnosticList instead.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace orbi {

enum class Severity : std::uint32_t { Note = 0, Warning = 1, Error = 2 };

struct Diagnostic {
    Severity severity = Severity::Note;
    std::string code;     // lower-case hyphenated, e.g. "wrong-type"
    std::string path;     // JSON pointer; empty for the whole document or no document
    std::string message;  // one English sentence without a final full stop

    bool operator==(const Diagnostic&) const = default;
};

using DiagnosticList = std::vector<Diagnostic>;

void addNote(DiagnosticList& list, std::string code, std::string path, std::string message);
void addWarning(DiagnosticList& list, std::string code, std::string path, std::string message);
void addError(DiagnosticList& list, std::string code, std::string path, std::string message);

// "~" becomes "~0" and "/" becomes "~1", in one pass.
std::string escapePointerToken(std::string_view key);

// base + "/" + the escaped key.
std::string childPath(std::string_view base, std::string_view key);

// base + "/" + the decimal index.
std::string indexPath(std::string_view base, std::size_t index);

// The message of the first Error, if any.
std::optional<std::string> firstError(const DiagnosticList& list);

// Appends the findings of an embedded document with `prefix` in front of each path.
void appendPrefixed(DiagnosticList& into, const DiagnosticList& from, std::string_view prefix);

}  // namespace orbi
