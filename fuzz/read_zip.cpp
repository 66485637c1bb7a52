// Fuzzes readZip: an Error exactly when it returns nothing, a filtered read agrees with the whole
// one, and whatever it reads survives writeZip and a second readZip unchanged.
#include <string_view>

#include "archive/zip_reader.hpp"
#include "archive/zip_writer.hpp"
#include "support/fuzz_check.hpp"

using orbi::fuzz::fail;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const orbi::ZipLimits limits;
    orbi::DiagnosticList diagnostics, filteredDiagnostics, writeDiagnostics, again;
    const auto entries = orbi::readZip(std::span(data, size), limits, diagnostics);
    if (entries.has_value() == orbi::firstError(diagnostics).has_value()) fail("a result and an error disagree");

    // A filtered read gives the same verdict on the archive and exactly the entries asked for.
    const auto wanted = [](std::string_view name) { return name.size() % 2 == 0; };
    const auto some = orbi::readZip(std::span(data, size), limits, wanted, filteredDiagnostics);
    if (some.has_value() != entries.has_value() || orbi::firstError(filteredDiagnostics) != orbi::firstError(diagnostics))
        fail("a filtered read differs in its verdict");
    if (!entries) return 0;
    std::size_t next = 0;
    for (const auto& entry : *entries) {
        if (!wanted(entry.name)) continue;
        if (next == some->size() || (*some)[next].name != entry.name || (*some)[next].data != entry.data) fail("a filtered read differs");
        ++next;
    }
    if (next != some->size()) fail("a filtered read has more entries");

    const auto archive = orbi::writeZip(*entries, writeDiagnostics);
    if (!archive || !writeDiagnostics.empty()) fail("what was read cannot be written");
    const auto back = orbi::readZip(*archive, limits, again);
    if (!back || !again.empty() || back->size() != entries->size()) fail("what was written does not read back");
    // A stored entry may come back deflated and the reverse, as deflating pays or not.
    for (std::size_t i = 0; i < back->size(); ++i)
        if ((*entries)[i].name != (*back)[i].name || (*entries)[i].data != (*back)[i].data) fail("an entry changed");
    return 0;
}
