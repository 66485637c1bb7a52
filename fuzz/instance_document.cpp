// Fuzzes the instance document reader and writer: any parsed input that reads as an instance is
// written, and reading and writing that text again must give the same text (a fixed point).
#include "documents/instance_document.hpp"
#include "json/json_writer.hpp"
#include "support/fuzz_check.hpp"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    orbi::fuzz::checkWritingIsAFixedPoint(data, size, "an instance", [](const orbi::JsonValue& value, bool& read) {
        orbi::DiagnosticList diagnostics;
        auto instance = orbi::readInstanceDocument(value, diagnostics);
        read = instance.has_value();
        return read ? orbi::writeDocument(orbi::writeInstanceDocument(*instance)) : std::string();
    });
    return 0;
}
