// The presets already in one plugin's user preset folder: one subfolder per bank, one file per
// preset, read as packages; unreadable files and repeated ids are reported as warnings.
#pragma once

#include <optional>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "diagnostics/diagnostics.hpp"
#include "json/json_value.hpp"
#include "library/package.hpp"
#include "platform/platform.hpp"

namespace orbi {

struct LibraryPreset {
    std::string reference;  // source + ":" + bank + "/" + id
    std::string bank;
    std::string id;
    JsonValue meta;  // the document's "meta", or null
    platform::Path path;
};

// True for ".json", ".orbi" or ".zip" exactly (a name that begins with its only dot has none).
bool isLibraryFileName(std::string_view fileName);

// The package of one library file, or nullopt with the reason the scan gives for leaving it out
// (the file's own findings are in `diagnostics`).
std::optional<Package> readLibraryFile(const platform::Path& path, std::string& reason, DiagnosticList& diagnostics);
// The same answer with the document alone: an archive's assets and other entries are not read,
// so the package holds none and `diagnostics` lacks their findings. A file that is no preset is
// read again whole, for readLibraryFile's exact reason.
std::optional<Package> readLibraryDocument(const platform::Path& path, std::string& reason,
                                           DiagnosticList& diagnostics);

// A child of a bank folder that has a library file's name, whatever its type.
struct LibraryFile {
    std::string bank;
    platform::Path path;
    bool regular = false;  // a regular file, the only kind the scan reads
};

// Every library-named child of every bank folder (a folder or a link to one), banks and files in
// ascending path order. The ones that are not regular files cannot be presets, yet they hold
// their names: saving a preset of that id would replace or remove them.
std::vector<LibraryFile> listLibraryFiles(const platform::Path& folder);

// The scan's decisions, made file by file in listing order: an unreadable file is left out and
// of several files with the same id in a bank the first is the preset, each with a Warning.
class LibraryScan {
public:
    explicit LibraryScan(std::string source) : source_(std::move(source)) {}
    // `package` is what readLibraryFile gave for the file, `reason` its reason when it gave nothing.
    std::optional<LibraryPreset> take(const LibraryFile& file, const std::optional<Package>& package,
                                      const std::string& reason, DiagnosticList& diagnostics);

private:
    std::string source_;
    std::set<std::pair<std::string, std::string>> seen_;  // (bank, id)
};

// The presets of a plugin's user preset folder, each file read in turn.
std::vector<LibraryPreset> scanLibrary(const platform::Path& folder, const std::string& source,
                                       DiagnosticList& diagnostics);

}  // namespace orbi
