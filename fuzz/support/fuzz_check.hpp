// How a fuzz target's own check fails (which promise broke on standard error, then abort, which
// libFuzzer keeps the input of), and the read-write-reread check of the document fuzzers.
#pragma once

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "json/json_parser.hpp"

namespace orbi::fuzz {

[[noreturn]] inline void fail(const char* what, const std::string& first = {}, const std::string& second = {}) {
    std::fprintf(stderr, "%s\n--- first ---\n%s\n--- second ---\n%s\n", what, first.c_str(), second.c_str());
    std::abort();
}

// Input that parses as JSON and reads as the document is written; that text must parse, read
// again, and write to the very same text. rewrite(const JsonValue&, bool& read) reads the
// document from the value, sets read, and answers its written text; documentName names it.
template <typename Rewrite>
void checkWritingIsAFixedPoint(const std::uint8_t* data, std::size_t size, const char* documentName, Rewrite rewrite) {
    JsonValue value, again;
    std::string reason;
    bool read = false;
    if (!parseJson(std::string_view(reinterpret_cast<const char*>(data), size), value, reason)) return;
    const std::string first = rewrite(value, read);
    if (!read) return;
    if (!parseJson(first, again, reason)) fail("written text does not parse", first, reason);
    const std::string second = rewrite(again, read);
    if (!read) fail(("written text does not read as " + std::string(documentName)).c_str(), first, second);
    if (first != second) fail("writing is not a fixed point", first, second);
}

}  // namespace orbi::fuzz
