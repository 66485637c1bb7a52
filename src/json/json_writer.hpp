// JSON writer: compact and two-space indented forms; numbers in their read spelling while
// unchanged, otherwise in the shortest text that reads back to the same double.
#pragma once

#include <string>
#include <string_view>

#include "json/json_value.hpp"

namespace orbi {

std::string writeCompact(const JsonValue& v);
void writePretty(const JsonValue& v, int depth, std::string& out);
// writePretty at depth 0 plus a final line feed: the stored form of every document.
std::string writeDocument(const JsonValue& v);

std::string formatNumber(const JsonValue& number);
// Shortest round-trip text of a double, set by the plain/scientific rule (no spelling involved).
std::string formatDouble(double v);
std::string quoteString(std::string_view bytes);

// Gives each number in `built` the value and spelling of the matching number in `read`
// where the two agree.
void adoptReadNumbers(JsonValue& built, const JsonValue& read);

// Appending forms of the above, for callers that build one large text.
void appendCompact(const JsonValue& v, std::string& out);
void appendNumber(const JsonValue& number, std::string& out);
void appendDouble(double v, std::string& out);
void appendQuoted(std::string_view bytes, std::string& out);

}  // namespace orbi
