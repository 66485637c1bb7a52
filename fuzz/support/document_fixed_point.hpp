// The read-write-reread check shared by the document fuzzers: input that parses as JSON and reads
// as the document is written; that text must parse, read again, and write to the very same text.
// Any break of that fixed point aborts with both texts on standard error.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

#include "json/json_parser.hpp"

namespace orbi::fuzz {

[[noreturn]] inline void fail(const char* what, const std::string& a, const std::string& b) {
    std::fprintf(stderr, "%s\n--- first ---\n%s\n--- second ---\n%s\n", what, a.c_str(), b.c_str());
    std::abort();
}

// rewrite(const JsonValue&, bool& read) reads the document from the value, sets read, and answers
// its written text (anything when not read). documentName names it in a failure ("a clip").
template <typename Rewrite>
void checkWritingIsAFixedPoint(const std::uint8_t* data, std::size_t size, const char* documentName,
                               Rewrite rewrite) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    JsonValue value;
    std::string reason;
    if (!parseJson(text, value, reason)) return;
    bool read = false;
    const std::string first = rewrite(value, read);
    if (!read) return;

    JsonValue again;
    if (!parseJson(first, again, reason)) fail("written text does not parse", first, reason);
    const std::string second = rewrite(again, read);
    if (!read) fail(("written text does not read as " + std::string(documentName)).c_str(), first, second);
    if (first != second) fail("writing is not a fixed point", first, second);
}

}  // namespace orbi::fuzz
