// The presets already in one plugin's user preset folder: one subfolder per bank, one file per
// preset, read as packages; unreadable files and repeated ids are reported as warnings.
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "documents/diagnostics.hpp"
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

// Immediate children that are folders or links to folders (foldersOnly), or regular files, in
// ascending path order.
// A folder that cannot be opened has no children; an error part-way keeps what was listed.
std::vector<platform::Path> listFolder(const platform::Path& folder, bool foldersOnly);

// True for ".json", ".orbi" or ".zip" exactly (a name that begins with its only dot has none).
bool isLibraryFileName(std::string_view fileName);

std::optional<Package> readLibraryFile(const platform::Path& path, DiagnosticList& diagnostics, std::string& reason);

// (bank, file name without its extension) of every entry of every bank folder that has a library
// file's name, whatever its type and whether it reads or not: the ids a new preset must not take,
// since saving one would replace or remove a file of that name.
std::vector<std::pair<std::string, std::string>> listOccupiedIds(const platform::Path& folder);

// Called for each preset the scan takes, with the package it read and that file's own findings,
// before the next file is read: a caller that needs the documents gets them without reading every
// file a second time, and only one package is held at a time.
using LibraryVisitor = std::function<void(LibraryPreset& preset, Package& package, const DiagnosticList& findings)>;

std::vector<LibraryPreset> scanLibrary(const platform::Path& folder, const std::string& source,
                                       DiagnosticList& diagnostics, const LibraryVisitor& visit = {});

}  // namespace orbi
