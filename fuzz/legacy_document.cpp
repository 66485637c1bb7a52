// Fuzzes the legacy document reader: the version always ends at 6, and the strict parser accepts
// exactly the texts nlohmann's own acceptor accepts, less those holding a zero byte or nested
// deeper than the limit.
#include <nlohmann/json.hpp>

#include "legacy/legacy_document.hpp"
#include "legacy/legacy_json.hpp"
#include "support/fuzz_check.hpp"

using orbi::fuzz::fail;

namespace {

// Deepest nesting of an accepted JSON text (brackets inside strings do not count).
std::size_t nesting(std::string_view text) {
    std::size_t depth = 0, deepest = 0;
    bool inString = false;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (inString && c == '\\') ++i;
        else if (c == '"') inString = !inString;
        else if (!inString && (c == '[' || c == '{')) deepest = std::max(deepest, ++depth);
        else if (!inString && (c == ']' || c == '}')) --depth;
    }
    return deepest;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::span<const std::uint8_t> bytes(data, size);
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    if (orbi::readLegacyDocument(bytes).version != 6) fail("version is not 6 after reading");
    const bool parsed = orbi::legacy::parseStrict(bytes).has_value();
    const bool accepted = text.find('\0') == std::string_view::npos && nlohmann::json::accept(text) && nesting(text) <= orbi::kMaxLegacyNesting;
    if (parsed != accepted) fail(parsed ? "parsed a text nlohmann refuses" : "refused a text nlohmann accepts");
    return 0;
}
