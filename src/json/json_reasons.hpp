// The exact failure reasons of the JSON parser and the error it becomes in a document reader.
// Code and tests both read these constants, so the texts cannot drift apart.
#pragma once

#include <string>
#include <string_view>

namespace orbi::json_reason {

inline constexpr std::string_view kEmptyDocument = "empty document";
inline constexpr std::string_view kTrailingContent = "unexpected content after the document";
inline constexpr std::string_view kNestedTooDeep = "document nested too deep";
inline constexpr std::string_view kInvalidLiteral = "invalid literal";
inline constexpr std::string_view kInvalidNumber = "invalid number";
inline constexpr std::string_view kExpectedCommaOrBracket = "expected ',' or ']'";
inline constexpr std::string_view kExpectedKey = "expected key";
inline constexpr std::string_view kExpectedColon = "expected ':'";
inline constexpr std::string_view kDuplicateKeyPrefix = "duplicate key ";
inline constexpr std::string_view kExpectedCommaOrBrace = "expected ',' or '}'";
inline constexpr std::string_view kUnterminatedString = "unterminated string";
inline constexpr std::string_view kTruncatedEscape = "truncated \\u escape";
inline constexpr std::string_view kBadEscape = "bad \\u escape";
inline constexpr std::string_view kUnpairedSurrogate = "unpaired surrogate";
inline constexpr std::string_view kParseError = "parse error";

// "duplicate key " and the key (unescaped, as read) in double quotes.
inline std::string duplicateKey(std::string_view key) {
    std::string r(kDuplicateKeyPrefix);
    r += '"';
    r += key;
    r += '"';
    return r;
}

// The diagnostic a document reader adds when its text does not parse.
inline constexpr std::string_view kUnreadableCode = "document-unreadable";
inline constexpr std::string_view kUnreadableMessagePrefix = "The document is not valid JSON: ";

}  // namespace orbi::json_reason
