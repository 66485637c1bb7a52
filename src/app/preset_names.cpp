// Slugs and unique ids. Suffixing stops at the first free id; the bank itself never changes.
#include "app/preset_names.hpp"

namespace orbi {

std::string lowerAscii(std::string_view text) {
    std::string out(text);
    for (char& c : out) {
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    }
    return out;
}

std::string presetSlug(std::string_view text) {
    std::string out(text);
    for (char& c : out) {
        switch (c) {
            case ' ': case '"': case '*': case '/': case ':':
            case '<': case '>': case '?': case '\\': case '|':
                c = '-';
                break;
            default:
                if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
        }
    }
    return out;
}

std::string bankForCategory(std::string_view category) {
    return category.empty() ? std::string("uncategorized") : presetSlug(category);
}

std::string uniquePresetId(const std::string& bank, const std::string& base, const TakenIds& taken) {
    std::string id = base;
    for (unsigned long n = 2; taken.count({bank, id}) != 0; ++n) {
        id = base + "-" + std::to_string(n);
    }
    return id;
}

}  // namespace orbi
