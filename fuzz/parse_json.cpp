// Fuzzes the JSON parser and writer: any input parses or fails with one of the known reasons; a
// parsed value written compact and indented parses again and writes back to the same texts.
#include "json/json_reasons.hpp"
#include "json/json_writer.hpp"
#include "support/fuzz_check.hpp"

using orbi::fuzz::fail;

namespace {

bool isKnownReason(std::string_view r) {
    namespace jr = orbi::json_reason;
    for (std::string_view known : {jr::kEmptyDocument, jr::kTrailingContent, jr::kNestedTooDeep, jr::kInvalidLiteral, jr::kInvalidNumber,
                                   jr::kExpectedCommaOrBracket, jr::kExpectedKey, jr::kExpectedColon, jr::kExpectedCommaOrBrace,
                                   jr::kUnterminatedString, jr::kTruncatedEscape, jr::kBadEscape, jr::kUnpairedSurrogate})
        if (r == known) return true;
    const std::size_t n = jr::kDuplicateKeyPrefix.size();
    return r.size() >= n + 2 && r.starts_with(jr::kDuplicateKeyPrefix) && r[n] == '"' && r.back() == '"';
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    orbi::JsonValue value, fromCompact, fromPretty, again;
    std::string reason;
    if (!orbi::parseJson(std::string_view(reinterpret_cast<const char*>(data), size), value, reason)) {
        if (!isKnownReason(reason)) fail("an unknown reason", reason);
        return 0;
    }
    if (!reason.empty()) fail("a reason for a text that parses", reason);
    const std::string compact = orbi::writeCompact(value), pretty = orbi::writeDocument(value);
    if (!orbi::parseJson(compact, fromCompact, reason) || !orbi::parseJson(pretty, fromPretty, reason)) fail("written text does not parse", reason);
    if (orbi::writeCompact(fromCompact) != compact || orbi::writeCompact(fromPretty) != compact || orbi::writeDocument(fromCompact) != pretty)
        fail("written text changed", compact, pretty);
    // The built-anew path: a copy without spellings adopts them back from the read value.
    orbi::JsonValue built = fromCompact;
    orbi::adoptReadNumbers(built, value);
    if (!orbi::parseJson(orbi::writeCompact(built), again, reason)) fail("adopted text does not parse", reason);
    return 0;
}
