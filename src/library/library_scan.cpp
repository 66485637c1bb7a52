// Library scan. A bank may be a real folder or a link to one; links among a bank's files are
// passed over, as a preset is a real file of the library.
#include "library/library_scan.hpp"

#include <algorithm>

#include "archive/zip_file_source.hpp"
#include "library/library_messages.hpp"

namespace orbi {

namespace msg = library_messages;

namespace {

// The bank folders: immediate children that are folders or links to folders, in path order. A
// folder that cannot be opened has none; an error part-way keeps what was listed.
std::vector<platform::Path> listBankFolders(const platform::Path& folder) {
    std::vector<platform::FolderEntry> children;
    std::string error;
    // A listing that breaks off part-way keeps what it read: the scan goes on with less.
    (void)platform::listFolder(folder, children, error);
    std::vector<platform::Path> out;
    for (platform::FolderEntry& child : children) {
        // A bank may be a link to a folder: presets saved under its name are written through
        // it, so they must be listed through it too, or every run would save them again.
        const bool linkedFolder = child.type == platform::EntryType::Symlink && platform::isDirectory(child.path);
        if (child.type == platform::EntryType::Directory || linkedFolder) out.push_back(std::move(child.path));
    }
    std::sort(out.begin(), out.end());
    return out;
}

}  // namespace

bool isLibraryFileName(std::string_view fileName) {
    std::size_t dot = fileName.rfind('.');
    if (dot == std::string_view::npos || dot == 0) return false;
    std::string_view ext = fileName.substr(dot);
    return ext == ".json" || ext == ".orbi" || ext == ".zip";
}

namespace {

// Why a package's document is no preset of the library; nothing when it is one.
std::optional<std::string_view> notAPreset(const JsonValue& document) {
    if (stringMemberOr(document, "kind", "") != "instance") return msg::kNotAnInstance;
    if (stringMemberOr(document, "id", "").empty()) return msg::kHasNoId;
    return std::nullopt;
}

}  // namespace

std::optional<Package> readLibraryFile(const platform::Path& path, std::string& reason, DiagnosticList& diagnostics) {
    std::vector<std::uint8_t> bytes;
    std::string error;
    if (!platform::readWholeFile(path, bytes, error)) {
        reason = msg::kCannotBeOpened;
        return std::nullopt;
    }
    std::optional<Package> package = readPackage(bytes, std::string(kPackageDocumentName), ZipLimits{}, diagnostics);
    if (!package) {
        reason = diagnostics.empty() ? std::string(msg::kIsUnreadable) : diagnostics.front().message;
        return std::nullopt;
    }
    if (std::optional<std::string_view> why = notAPreset(package->document)) {
        reason = *why;
        return std::nullopt;
    }
    return package;
}

std::optional<Package> readLibraryDocument(const platform::Path& path, std::string& reason,
                                           DiagnosticList& diagnostics) {
    platform::InputFile file;
    std::string error;
    if (file.open(path, error)) {
        ZipFileSource source(std::move(file));
        DiagnosticList found;
        std::optional<Package> package = readPackageDocument(source, ZipLimits{}, found);
        if (package && !notAPreset(package->document)) {
            diagnostics.insert(diagnostics.end(), found.begin(), found.end());
            return package;
        }
    }
    // The reason names the file's first finding, which may be an entry's that was not read.
    return readLibraryFile(path, reason, diagnostics);
}

std::vector<LibraryFile> listLibraryFiles(const platform::Path& folder) {
    std::vector<LibraryFile> files;
    for (const platform::Path& bankFolder : listBankFolders(folder)) {
        std::string bank = platform::pathToUtf8(bankFolder.filename());
        std::vector<platform::FolderEntry> children;
        std::string error;
        (void)platform::listFolder(bankFolder, children, error);
        std::sort(children.begin(), children.end(),
                  [](const platform::FolderEntry& a, const platform::FolderEntry& b) { return a.path < b.path; });
        for (platform::FolderEntry& child : children) {
            if (!isLibraryFileName(platform::pathToUtf8(child.path.filename()))) continue;
            files.push_back({bank, std::move(child.path), child.type == platform::EntryType::File});
        }
    }
    return files;
}

std::optional<LibraryPreset> LibraryScan::take(const LibraryFile& file, const std::optional<Package>& package,
                                               const std::string& reason, DiagnosticList& diagnostics) {
    const std::string filePath = platform::pathToUtf8(file.path);
    if (!package) {
        addWarning(diagnostics, msg::kPresetUnreadableCode, "", filePath + " " + reason);
        return std::nullopt;
    }
    std::string id = stringMemberOr(package->document, "id", "");
    if (!seen_.insert({file.bank, id}).second) {
        addWarning(diagnostics, msg::kPresetDuplicateCode, "",
                   filePath + msg::kRepeatsPreset + file.bank + "/" + id + msg::kFirstFileWins);
        return std::nullopt;
    }
    LibraryPreset preset;
    preset.reference = source_ + ":" + file.bank + "/" + id;
    preset.bank = file.bank;
    preset.id = std::move(id);
    if (const JsonValue* meta = findMember(package->document, "meta")) preset.meta = *meta;
    preset.path = file.path;
    return preset;
}

std::vector<LibraryPreset> scanLibrary(const platform::Path& folder, const std::string& source,
                                       DiagnosticList& diagnostics) {
    std::vector<LibraryPreset> presets;
    LibraryScan scan(source);
    for (const LibraryFile& file : listLibraryFiles(folder)) {
        if (!file.regular) continue;
        DiagnosticList fileDiagnostics;
        std::string reason;
        std::optional<Package> package = readLibraryDocument(file.path, reason, fileDiagnostics);
        if (std::optional<LibraryPreset> preset = scan.take(file, package, reason, diagnostics)) {
            presets.push_back(std::move(*preset));
        }
    }
    return presets;
}

}  // namespace orbi
