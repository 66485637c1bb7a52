// Library scan. A bank may be a real folder or a link to one; links among a bank's files are
// passed over, as a preset is a real file of the library.
#include "library/library_scan.hpp"

#include <algorithm>
#include <set>

#include "library/library_messages.hpp"

namespace orbi {

namespace msg = library_messages;

std::vector<platform::Path> listFolder(const platform::Path& folder, bool foldersOnly) {
    std::vector<platform::FolderEntry> children;
    std::string error;
    // A listing that breaks off part-way keeps what it read: the scan goes on with less.
    (void)platform::listFolder(folder, children, error);
    std::vector<platform::Path> out;
    const platform::EntryType wanted = foldersOnly ? platform::EntryType::Directory : platform::EntryType::File;
    for (platform::FolderEntry& child : children) {
        // A bank may be a link to a folder: presets saved under its name are written through
        // it, so they must be listed through it too, or every run would save them again.
        const bool linkedFolder =
            foldersOnly && child.type == platform::EntryType::Symlink && platform::isDirectory(child.path);
        if (child.type == wanted || linkedFolder) out.push_back(std::move(child.path));
    }
    std::sort(out.begin(), out.end());
    return out;
}

bool isLibraryFileName(std::string_view fileName) {
    std::size_t dot = fileName.rfind('.');
    if (dot == std::string_view::npos || dot == 0) return false;
    std::string_view ext = fileName.substr(dot);
    return ext == ".json" || ext == ".orbi" || ext == ".zip";
}

std::optional<Package> readLibraryFile(const platform::Path& path, DiagnosticList& diagnostics, std::string& reason) {
    std::vector<std::uint8_t> bytes;
    std::string error;
    if (!platform::readWholeFile(path, bytes, error)) {
        reason = msg::kCannotBeOpened;
        return std::nullopt;
    }
    std::optional<Package> package = readPackage(bytes, "instance.json", diagnostics, ZipLimits{});
    if (!package) {
        reason = diagnostics.empty() ? std::string(msg::kIsUnreadable) : diagnostics.front().message;
        return std::nullopt;
    }
    if (stringMemberOr(package->document, "kind", "") != "instance") {
        reason = msg::kNotAnInstance;
        return std::nullopt;
    }
    if (stringMemberOr(package->document, "id", "").empty()) {
        reason = msg::kHasNoId;
        return std::nullopt;
    }
    return package;
}

std::vector<std::pair<std::string, std::string>> listOccupiedIds(const platform::Path& folder) {
    std::vector<std::pair<std::string, std::string>> occupied;
    for (const platform::Path& bankFolder : listFolder(folder, true)) {
        std::string bank = platform::pathToUtf8(bankFolder.filename());
        std::vector<platform::FolderEntry> children;
        std::string error;
        (void)platform::listFolder(bankFolder, children, error);
        for (const platform::FolderEntry& child : children) {
            std::string name = platform::pathToUtf8(child.path.filename());
            if (!isLibraryFileName(name)) continue;
            occupied.emplace_back(bank, name.substr(0, name.rfind('.')));
        }
    }
    return occupied;
}

std::vector<LibraryPreset> scanLibrary(const platform::Path& folder, const std::string& source,
                                       DiagnosticList& diagnostics, const LibraryVisitor& visit) {
    std::vector<LibraryPreset> presets;
    for (const platform::Path& bankFolder : listFolder(folder, true)) {
        std::string bank = platform::pathToUtf8(bankFolder.filename());
        std::set<std::string> seen;
        for (const platform::Path& file : listFolder(bankFolder, false)) {
            if (!isLibraryFileName(platform::pathToUtf8(file.filename()))) continue;
            std::string filePath = platform::pathToUtf8(file);
            DiagnosticList fileDiagnostics;
            std::string reason;
            std::optional<Package> package = readLibraryFile(file, fileDiagnostics, reason);
            if (!package) {
                addWarning(diagnostics, "preset-unreadable", "", filePath + " " + reason);
                continue;
            }
            std::string id = stringMemberOr(package->document, "id", "");
            if (!seen.insert(id).second) {
                addWarning(diagnostics, "preset-duplicate", "",
                           filePath + msg::kRepeatsPreset + bank + "/" + id + msg::kFirstFileWins);
                continue;
            }
            LibraryPreset preset;
            preset.reference = source + ":" + bank + "/" + id;
            preset.bank = bank;
            preset.id = id;
            if (const JsonValue* meta = findMember(package->document, "meta")) preset.meta = *meta;
            preset.path = file;
            if (visit) visit(preset, *package, fileDiagnostics);
            presets.push_back(std::move(preset));
        }
    }
    return presets;
}

}  // namespace orbi
