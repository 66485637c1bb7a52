// Fuzzes the JSON parser and writer: any input parses or fails with one of the known reasons;
// a parsed value written compact and indented parses again and writes back to the same texts.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "json/json_parser.hpp"
#include "json/json_reasons.hpp"
#include "json/json_writer.hpp"

namespace {

bool isKnownReason(std::string_view r) {
    namespace jr = orbi::json_reason;
    for (std::string_view known :
         {jr::kEmptyDocument, jr::kTrailingContent, jr::kNestedTooDeep, jr::kInvalidLiteral, jr::kInvalidNumber,
          jr::kExpectedCommaOrBracket, jr::kExpectedKey, jr::kExpectedColon, jr::kExpectedCommaOrBrace,
          jr::kUnterminatedString, jr::kTruncatedEscape, jr::kBadEscape, jr::kUnpairedSurrogate}) {
        if (r == known) return true;
    }
    return r.size() >= jr::kDuplicateKeyPrefix.size() + 2 && r.substr(0, jr::kDuplicateKeyPrefix.size()) == jr::kDuplicateKeyPrefix &&
           r[jr::kDuplicateKeyPrefix.size()] == '"' && r.back() == '"';
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    orbi::JsonValue value;
    std::string reason;
    if (!orbi::parseJson(text, value, reason)) {
        if (!isKnownReason(reason)) std::abort();
        return 0;
    }
    if (!reason.empty()) std::abort();

    const std::string compact = orbi::writeCompact(value);
    const std::string pretty = orbi::writeDocument(value);
    orbi::JsonValue fromCompact;
    orbi::JsonValue fromPretty;
    if (!orbi::parseJson(compact, fromCompact, reason)) std::abort();
    if (!orbi::parseJson(pretty, fromPretty, reason)) std::abort();
    if (orbi::writeCompact(fromCompact) != compact) std::abort();
    if (orbi::writeCompact(fromPretty) != compact) std::abort();
    if (orbi::writeDocument(fromCompact) != pretty) std::abort();

    // The built-anew path: a copy without spellings adopts them back from the read value.
    orbi::JsonValue built = fromCompact;
    orbi::adoptReadNumbers(built, value);
    orbi::JsonValue again;
    if (!orbi::parseJson(orbi::writeCompact(built), again, reason)) std::abort();
    return 0;
}
