// Command-line parsing: words are taken as UTF-8 bytes and made into paths.
#include "app/command_line.hpp"

namespace orbi {

std::optional<CommandLine> parseCommandLine(const std::vector<std::string>& words) {
    CommandLine result;
    for (std::size_t i = 0; i < words.size(); i += 2) {
        const std::string& word = words[i];
        if ((word != "--from" && word != "--to") || i + 1 >= words.size()) return std::nullopt;
        platform::Path value = platform::pathFromUtf8(words[i + 1]);
        (word == "--from" ? result.from : result.to) = std::move(value);
    }
    return result;
}

}  // namespace orbi
