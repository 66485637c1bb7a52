// Fuzzes the clip document reader and writer: any parsed input that reads as a clip is written,
// and reading and writing that text again must give the same text.
#include "documents/clip_document.hpp"
#include "json/json_writer.hpp"
#include "support/fuzz_check.hpp"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    orbi::fuzz::checkWritingIsAFixedPoint(data, size, "a clip", [](const orbi::JsonValue& value, bool& read) {
        orbi::DiagnosticList diagnostics;
        auto clip = orbi::readClipDocument(value, diagnostics);
        read = clip.has_value();
        for (const orbi::Diagnostic& d : diagnostics)  // only the envelope can reject a clip
            if (read && d.severity == orbi::Severity::Error) orbi::fuzz::fail("error finding in a clip that was read", d.code, d.path);
        return read ? orbi::writeDocument(orbi::writeClipDocument(*clip)) : std::string();
    });
    return 0;
}
