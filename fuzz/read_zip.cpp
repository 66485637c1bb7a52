// Fuzzes readZip on arbitrary bytes: it must not crash, must report an Error exactly when it
// returns nothing, a filtered read must agree with the whole one, and whatever it reads must
// survive writeZip and a second readZip unchanged.
#include <cstdint>
#include <cstdlib>
#include <span>
#include <string_view>

#include "archive/zip_reader.hpp"
#include "archive/zip_writer.hpp"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    orbi::DiagnosticList diagnostics;
    const orbi::ZipLimits limits;
    const auto entries = orbi::readZip(std::span(data, size), limits, diagnostics);
    if (entries.has_value() == orbi::firstError(diagnostics).has_value()) std::abort();

    // A filtered read gives the same verdict on the archive and exactly the entries asked for.
    orbi::DiagnosticList filteredDiagnostics;
    const auto wanted = [](std::string_view name) { return name.size() % 2 == 0; };
    const auto some = orbi::readZip(std::span(data, size), limits, wanted, filteredDiagnostics);
    if (some.has_value() != entries.has_value()) std::abort();
    if (orbi::firstError(filteredDiagnostics) != orbi::firstError(diagnostics)) std::abort();
    if (some) {
        std::size_t next = 0;
        for (const auto& entry : *entries) {
            if (!wanted(entry.name)) continue;
            if (next == some->size() || (*some)[next].name != entry.name || (*some)[next].data != entry.data) std::abort();
            ++next;
        }
        if (next != some->size()) std::abort();
    }
    if (!entries) return 0;

    orbi::DiagnosticList writeDiagnostics;
    const auto archive = orbi::writeZip(*entries, writeDiagnostics);
    if (!archive || !writeDiagnostics.empty()) std::abort();
    orbi::DiagnosticList again;
    const auto back = orbi::readZip(*archive, limits, again);
    if (!back || !again.empty() || back->size() != entries->size()) std::abort();
    for (std::size_t i = 0; i < back->size(); ++i) {
        const auto& a = (*entries)[i];
        const auto& b = (*back)[i];
        if (a.name != b.name || a.data != b.data) std::abort();
        // A stored entry may come back deflated and the reverse, as deflating pays or not.
    }
    return 0;
}
