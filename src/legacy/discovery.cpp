// Legacy discovery: a depth-first walk below the legacy folder that enters real subfolders only
// (links and junctions are neither followed nor kept), keeps regular files with a .obpreset or
// .obsz extension, and sorts them component by component in the platform's code units.
#include "legacy/discovery.hpp"

#include <algorithm>
#include <string>
#include <utility>

#include "archive/zip_file_source.hpp"
#include "legacy/legacy_bundle.hpp"
#include "legacy/legacy_document.hpp"
#include "legacy/legacy_messages.hpp"

namespace orbi {

namespace {

using NativeString = platform::Path::string_type;
using NativeChar = NativeString::value_type;

constexpr NativeChar kDot = static_cast<NativeChar>('.');

// The file name's text from its last dot, lowered (ASCII only); empty when the name has no dot
// or only one in the first position.
NativeString loweredExtension(const platform::Path& path) {
    NativeString name = path.filename().native();
    std::size_t dot = name.rfind(kDot);
    if (dot == NativeString::npos || dot == 0) return {};
    NativeString extension = name.substr(dot);
    for (NativeChar& c : extension) {
        if (c >= static_cast<NativeChar>('A') && c <= static_cast<NativeChar>('Z')) {
            c = static_cast<NativeChar>(c - 'A' + 'a');
        }
    }
    return extension;
}

bool hasExtension(const platform::Path& path, std::string_view asciiExtension) {
    NativeString extension = loweredExtension(path);
    return std::equal(extension.begin(), extension.end(), asciiExtension.begin(), asciiExtension.end(),
                      [](NativeChar a, char b) { return a == static_cast<NativeChar>(b); });
}

bool isLegacyPresetPath(const platform::Path& path) {
    return hasExtension(path, ".obpreset") || isBundlePath(path);
}

// Component by component; each pair compared as native code units (bytes here, UTF-16 units on
// Windows), a shorter component that is a prefix of the other first. So a/ sorts before a-b/.
bool pathOrder(const platform::Path& a, const platform::Path& b) {
    auto ia = a.begin();
    auto ib = b.begin();
    for (; ia != a.end() && ib != b.end(); ++ia, ++ib) {
        int order = ia->native().compare(ib->native());
        if (order != 0) return order < 0;
    }
    return ia == a.end() && ib != b.end();
}

// One folder being walked: its entries as listed, the next one to look at, and whether the
// listing ended with an error (the walk stops once such a folder is done).
struct OpenFolder {
    std::vector<platform::FolderEntry> entries;
    std::size_t next = 0;
    bool failed = false;
};

}  // namespace

bool isBundlePath(const platform::Path& path) { return hasExtension(path, ".obsz"); }

std::vector<platform::Path> findLegacyPresets(const platform::Path& folder) {
    std::vector<platform::Path> found;
    if (!platform::isDirectory(folder)) return found;

    std::vector<OpenFolder> open;
    auto enter = [&open](const platform::Path& path) {
        OpenFolder& opened = open.emplace_back();
        std::string error;
        opened.failed = !platform::listFolder(path, opened.entries, error);
    };
    enter(folder);
    while (!open.empty()) {
        OpenFolder& current = open.back();
        if (current.next == current.entries.size()) {
            if (current.failed) break;  // a walk error: keep what was found so far
            open.pop_back();
            continue;
        }
        platform::FolderEntry entry = std::move(current.entries[current.next++]);
        if (entry.type == platform::EntryType::Directory) {
            enter(entry.path);  // invalidates `current`
        } else if (entry.type == platform::EntryType::File && isLegacyPresetPath(entry.path)) {
            found.push_back(std::move(entry.path));
        }
    }
    std::sort(found.begin(), found.end(), pathOrder);
    return found;
}

std::optional<LegacyPreset> readLegacyPresetFile(const platform::Path& path, DiagnosticList& diagnostics) {
    std::optional<std::vector<std::uint8_t>> bytes = readFileBytes(path, diagnostics);
    if (!bytes) return std::nullopt;
    return readLegacyPreset(path, *bytes, diagnostics);
}

std::optional<LegacyHeading> readLegacyHeadingFile(const platform::Path& path) {
    std::optional<LegacyHeading> heading;
    std::string error;
    if (isBundlePath(path)) {
        platform::InputFile file;
        if (!file.open(path, error)) return std::nullopt;
        ZipFileSource source(std::move(file));
        DiagnosticList findings;
        heading = readLegacyBundleHeading(source, findings);
    } else {
        std::vector<std::uint8_t> bytes;
        if (!platform::readWholeFile(path, bytes, error)) return std::nullopt;
        heading = readLegacyHeading(bytes);
    }
    // Without a name a document is no preset while a bundle is a default one; the full read says.
    if (heading && heading->name.empty()) return std::nullopt;
    return heading;
}

std::optional<LegacyPreset> readLegacyPreset(const platform::Path& path, std::span<const std::uint8_t> bytes,
                                             DiagnosticList& diagnostics) {
    if (isBundlePath(path)) return readLegacyBundle(bytes, diagnostics);

    LegacyPreset preset = readLegacyDocument(bytes);
    if (!preset.name.empty()) return preset;
    addError(diagnostics, std::string(legacy_text::kNotAPresetCode), "",
             platform::pathToUtf8(path.filename()) + std::string(legacy_text::kNotAPresetSuffix));
    return std::nullopt;
}

std::optional<std::vector<std::uint8_t>> readFileBytes(const platform::Path& path, DiagnosticList& diagnostics) {
    std::vector<std::uint8_t> bytes;
    std::string error;
    if (!platform::readWholeFile(path, bytes, error)) {
        addError(diagnostics, std::string(legacy_text::kUnreadableCode), "",
                 std::string(legacy_text::kCouldNotOpen) + platform::pathToUtf8(path));
        return std::nullopt;
    }
    return bytes;
}

}  // namespace orbi
