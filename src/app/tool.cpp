// The program's flow. Usage errors and a missing preset root end it with status 2 before any
// file is read; otherwise the report is printed after the whole run.
#include "app/tool.hpp"

#include <string>

#include "app/app_messages.hpp"
#include "app/command_line.hpp"
#include "app/folders.hpp"
#include "app/migration.hpp"
#include "app/report.hpp"

namespace orbi {

namespace msg = app_messages;

int runTool(const std::vector<std::string>& words, std::ostream& out, std::ostream& err) {
    // Both defaults are settled before the words are read.
    std::string folderError;
    std::optional<platform::Path> legacyFolder = legacyUserFolder(folderError);
    platform::Path presetRoot = defaultPresetRoot();

    std::optional<CommandLine> line = parseCommandLine(words);
    if (!line) {
        err << msg::kUsageLine << std::flush;
        return 2;
    }
    if (line->from) legacyFolder = line->from;
    if (line->to) presetRoot = *line->to;

    if (presetRoot.empty()) {
        err << msg::kNoPresetRoot << std::flush;
        return 2;
    }
    if (!legacyFolder) {
        err << msg::kNoLegacyFolder << folderError << "\n" << std::flush;
        return 2;
    }

    out << "From " << platform::pathToUtf8(*legacyFolder) << "\nTo   "
        << platform::pathToUtf8(userPresetFolder(presetRoot)) << "\n\n"
        << std::flush;

    std::vector<MigrationEntry> entries = runMigration(*legacyFolder, presetRoot, [&err](const std::string& line) { err << line << std::flush; });
    out << formatReport(entries) << std::flush;
    return exitStatusFor(entries);
}

void waitBeforeClosing(std::istream& in, std::ostream& out) {
    out << msg::kPressEnter << std::flush;
    std::string line;
    std::getline(in, line);
}

}  // namespace orbi
