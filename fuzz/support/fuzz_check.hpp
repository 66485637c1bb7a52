// How a fuzz target's own check fails (which promise broke on standard error, then abort, which
// libFuzzer keeps the input of), and the read-write-reread check of documents.
#pragma once

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <string>

#include "json/json_parser.hpp"

namespace orbi::fuzz {

[[noreturn]] inline void fail(const char* what, const std::string& first = {}, const std::string& second = {}) {
    std::fprintf(stderr, "%s\n--- first ---\n%s\n--- second ---\n%s\n", what, first.c_str(), second.c_str());
    std::abort();
}

// A document read from `value` is written; that text must parse, read again, and write to the
// very same text. rewrite(const JsonValue&) answers the written text, or nothing when unread.
template <typename Rewrite>
void checkWritingIsAFixedPoint(const JsonValue& value, const char* documentName, Rewrite rewrite) {
    const std::optional<std::string> first = rewrite(value);
    if (!first) return;
    JsonValue again;
    std::string reason;
    if (!parseJson(*first, again, reason)) fail("written text does not parse", *first, reason);
    const std::optional<std::string> second = rewrite(again);
    if (!second) fail(("written text does not read as " + std::string(documentName)).c_str(), *first);
    if (*first != *second) fail("writing is not a fixed point", *first, *second);
}

}  // namespace orbi::fuzz
