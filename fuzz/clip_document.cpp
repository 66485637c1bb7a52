// Fuzzes the clip document reader (and its writer): any parsed input that reads as a clip is
// written, and reading and writing that text again must give the same text.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

#include "documents/clip_document.hpp"
#include "json/json_parser.hpp"
#include "json/json_writer.hpp"

namespace {

[[noreturn]] void fail(const char* what, const std::string& a, const std::string& b) {
    std::fprintf(stderr, "%s\n--- first ---\n%s\n--- second ---\n%s\n", what, a.c_str(), b.c_str());
    std::abort();
}

std::string rewrite(const orbi::JsonValue& value, bool& read) {
    orbi::DiagnosticList diagnostics;
    auto clip = orbi::readClipDocument(value, diagnostics);
    read = clip.has_value();
    for (const orbi::Diagnostic& d : diagnostics) {
        // Only the envelope can reject a clip; every other finding lets reading go on.
        if (read && d.severity == orbi::Severity::Error) fail("error finding in a clip that was read", d.code, d.path);
    }
    return read ? orbi::writeDocument(orbi::writeClipDocument(*clip)) : std::string();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    orbi::JsonValue value;
    std::string reason;
    if (!orbi::parseJson(text, value, reason)) return 0;
    bool read = false;
    const std::string first = rewrite(value, read);
    if (!read) return 0;

    orbi::JsonValue again;
    if (!orbi::parseJson(first, again, reason)) fail("written text does not parse", first, reason);
    const std::string second = rewrite(again, read);
    if (!read) fail("written text does not read as a clip", first, second);
    if (first != second) fail("writing is not a fixed point", first, second);
    return 0;
}
