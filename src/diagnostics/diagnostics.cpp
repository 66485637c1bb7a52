// Diagnostics: appending findings and forming JSON-pointer paths.
#include "diagnostics/diagnostics.hpp"

namespace orbi {

namespace {
void add(DiagnosticList& list, Severity severity, std::string&& code, std::string&& path, std::string&& message) {
    list.push_back(Diagnostic{severity, std::move(code), std::move(path), std::move(message)});
}
}  // namespace

void addNote(DiagnosticList& list, std::string code, std::string path, std::string message) {
    add(list, Severity::Note, std::move(code), std::move(path), std::move(message));
}

void addWarning(DiagnosticList& list, std::string code, std::string path, std::string message) {
    add(list, Severity::Warning, std::move(code), std::move(path), std::move(message));
}

void addError(DiagnosticList& list, std::string code, std::string path, std::string message) {
    add(list, Severity::Error, std::move(code), std::move(path), std::move(message));
}

std::string escapePointerToken(std::string_view key) {
    std::string out;
    out.reserve(key.size());
    for (char c : key) {
        if (c == '~') {
            out += "~0";
        } else if (c == '/') {
            out += "~1";
        } else {
            out += c;
        }
    }
    return out;
}

std::string childPath(std::string_view base, std::string_view key) {
    std::string out(base);
    out += '/';
    out += escapePointerToken(key);
    return out;
}

std::string indexPath(std::string_view base, std::size_t index) {
    std::string out(base);
    out += '/';
    out += std::to_string(index);
    return out;
}

std::optional<std::string> firstError(const DiagnosticList& list) {
    for (const Diagnostic& d : list) {
        if (d.severity == Severity::Error) return d.message;
    }
    return std::nullopt;
}

void appendPrefixed(DiagnosticList& into, const DiagnosticList& from, std::string_view prefix) {
    for (const Diagnostic& d : from) {
        into.push_back(Diagnostic{d.severity, d.code, std::string(prefix) + d.path, d.message});
    }
}

}  // namespace orbi
