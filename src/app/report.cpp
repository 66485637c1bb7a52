// Report formatting. Lines are built in memory and printed only after the whole run.
#include "app/report.hpp"

#include "app/app_messages.hpp"

namespace orbi {

namespace msg = app_messages;

namespace {
bool isSeparator(char c) { return c == '/' || c == '\\'; }

// Length of a leading drive ("C:") or share ("\\server") prefix that a file name never reaches into.
std::size_t rootPrefixLength(std::string_view p) {
    if (p.size() >= 2 && p[1] == ':' && ((p[0] >= 'A' && p[0] <= 'Z') || (p[0] >= 'a' && p[0] <= 'z'))) return 2;
    if (p.size() >= 2 && isSeparator(p[0]) && isSeparator(p[1])) {
        std::size_t i = 2;
        while (i < p.size() && !isSeparator(p[i])) ++i;
        return i;
    }
    return 0;
}
}  // namespace

std::string reportFileName(std::string_view utf8Path) {
    std::size_t start = rootPrefixLength(utf8Path);
    for (std::size_t i = utf8Path.size(); i > start; --i) {
        if (isSeparator(utf8Path[i - 1])) return std::string(utf8Path.substr(i));
    }
    return std::string(utf8Path.substr(start));
}

std::string formatReport(const std::vector<MigrationEntry>& entries) {
    std::string out;
    int migrated = 0;
    int failed = 0;
    for (const MigrationEntry& e : entries) {
        switch (e.status) {
            case MigrationStatus::migrated:
                ++migrated;
                out.append(msg::kMigrated).append(e.name).append("  (").append(e.detail).append(")\n");
                break;
            case MigrationStatus::keptExisting:
                out.append(msg::kKept).append(e.name).append(msg::kKeptExistingReason);
                break;
            case MigrationStatus::keptSection:
                out.append(msg::kKept).append(e.name).append(msg::kKeptSectionReason);
                break;
            case MigrationStatus::failed:
                ++failed;
                out.append(msg::kFailed).append(reportFileName(platform::pathToUtf8(e.sourcePath))).append("  (").append(e.detail).append(")\n");
                break;
        }
    }
    if (entries.empty()) {
        out += msg::kNoOldPresets;
    } else {
        int kept = static_cast<int>(entries.size()) - migrated - failed;
        out += '\n';
        out += std::to_string(migrated) + " migrated, " + std::to_string(failed) + " failed, " +
               std::to_string(kept) + " kept.\n";
    }
    return out;
}

int exitStatusFor(const std::vector<MigrationEntry>& entries) {
    for (const MigrationEntry& e : entries) {
        if (e.status == MigrationStatus::failed) return 1;
    }
    return 0;
}

}  // namespace orbi
