// Package reading and writing. Assets are verified by digest on the way in and written stored
// (audio does not deflate usefully) in ascending name order after the document on the way out.
#include "library/package.hpp"

#include <algorithm>

#include "archive/sha256.hpp"
#include "archive/zip_reader.hpp"
#include "archive/zip_writer.hpp"
#include "json/json_parser.hpp"
#include "json/json_writer.hpp"
#include "library/library_messages.hpp"

namespace orbi {

namespace msg = library_messages;

bool isZipSignature(std::span<const std::uint8_t> bytes) {
    return bytes.size() >= 4 && bytes[0] == 'P' && bytes[1] == 'K' &&
           ((bytes[2] == 3 && bytes[3] == 4) || (bytes[2] == 5 && bytes[3] == 6));
}

bool isAssetName(std::string_view name) {
    return name.size() == 64 && std::all_of(name.begin(), name.end(), [](char c) {
               return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f');
           });
}

namespace {

constexpr std::string_view kAssetFolder = "assets/";

std::optional<Package> readBareDocument(std::span<const std::uint8_t> bytes, const std::string& documentName,
                                        DiagnosticList& diagnostics) {
    std::size_t i = 0;
    if (bytes.size() >= 3 && bytes[0] == 0xEF && bytes[1] == 0xBB && bytes[2] == 0xBF) i = 3;
    while (i < bytes.size() && (bytes[i] == ' ' || bytes[i] == '\t' || bytes[i] == '\r' || bytes[i] == '\n')) ++i;
    if (i >= bytes.size() || bytes[i] != '{') {
        addError(diagnostics, msg::kPackageUnreadableCode, "", msg::kPackageUnreadable);
        return std::nullopt;
    }
    std::optional<JsonValue> document = parseDocument(bytes, "", diagnostics);
    if (!document) return std::nullopt;
    Package package;
    package.documentName = documentName;
    package.document = std::move(*document);
    return package;
}

bool isPackageDocument(std::string_view name) { return name == kPackageDocumentName; }

// The package of an archive's entries: the document parsed, the assets checked by digest.
std::optional<Package> packageOfEntries(std::optional<std::vector<ZipEntry>> entries, const std::string& documentName,
                                        DiagnosticList& diagnostics) {
    if (!entries) return std::nullopt;
    Package package;
    package.documentName = documentName;
    bool haveDocument = false;
    for (ZipEntry& entry : *entries) {
        if (entry.name == documentName) {
            std::optional<JsonValue> document = parseDocument(entry.data, "/" + entry.name, diagnostics);
            if (!document) return std::nullopt;
            package.document = std::move(*document);
            haveDocument = true;
            continue;
        }
        std::string_view name = entry.name;
        if (name.size() >= kAssetFolder.size() && name.substr(0, kAssetFolder.size()) == kAssetFolder &&
            isAssetName(name.substr(kAssetFolder.size()))) {
            std::string digest(name.substr(kAssetFolder.size()));
            if (sha256Hex(entry.data) == digest) {
                package.assets.push_back(PackageAsset{std::move(digest), std::move(entry.data)});
            } else {
                addWarning(diagnostics, msg::kAssetCorruptCode, "/" + entry.name, msg::kAssetCorrupt);
            }
            continue;
        }
        package.otherEntries.push_back(std::move(entry));
    }
    if (!haveDocument) {
        addError(diagnostics, msg::kDocumentMissingCode, "/" + documentName, msg::kDocumentMissingPrefix + documentName);
        return std::nullopt;
    }
    return package;
}

}  // namespace

std::optional<Package> readPackage(std::span<const std::uint8_t> bytes, const std::string& documentName,
                                   const ZipLimits& limits, DiagnosticList& diagnostics) {
    if (!isZipSignature(bytes)) return readBareDocument(bytes, documentName, diagnostics);
    return packageOfEntries(readZip(bytes, limits, diagnostics), documentName, diagnostics);
}

std::optional<Package> readPackageDocument(ZipSource& source, const ZipLimits& limits, DiagnosticList& diagnostics) {
    const std::string documentName(kPackageDocumentName);
    const std::size_t head = static_cast<std::size_t>(std::min<std::uint64_t>(source.size(), 4));
    const std::uint8_t* first = source.bytesAt(0, head);
    if (first != nullptr && isZipSignature(std::span(first, head))) {
        return packageOfEntries(readZip(source, limits, isPackageDocument, diagnostics), documentName, diagnostics);
    }
    const std::uint8_t* all = first == nullptr ? nullptr : source.bytesAt(0, static_cast<std::size_t>(source.size()));
    if (all == nullptr) return std::nullopt;
    return readBareDocument(std::span(all, static_cast<std::size_t>(source.size())), documentName, diagnostics);
}

std::optional<std::vector<std::uint8_t>> writePackage(const Package& package, DiagnosticList& diagnostics) {
    std::string text = writeDocument(package.document);
    if (package.assets.empty() && package.otherEntries.empty()) {
        return std::vector<std::uint8_t>(text.begin(), text.end());
    }

    std::vector<const PackageAsset*> sorted;
    sorted.reserve(package.assets.size());
    for (const PackageAsset& asset : package.assets) sorted.push_back(&asset);
    std::stable_sort(sorted.begin(), sorted.end(),
                     [](const PackageAsset* a, const PackageAsset* b) { return a->name < b->name; });
    for (const PackageAsset* asset : sorted) {
        if (!isAssetName(asset->name)) {
            addError(diagnostics, msg::kAssetNameCode, "/" + asset->name, msg::kAssetName);
            return std::nullopt;
        }
    }

    std::vector<std::string> assetNames;
    assetNames.reserve(sorted.size());
    for (const PackageAsset* asset : sorted) assetNames.push_back(std::string(kAssetFolder) + asset->name);
    std::vector<ZipEntryView> entries;
    entries.reserve(1 + sorted.size() + package.otherEntries.size());
    const auto* textBytes = reinterpret_cast<const std::uint8_t*>(text.data());
    entries.push_back({package.documentName, std::span(textBytes, text.size()), true});
    for (std::size_t i = 0; i < sorted.size(); ++i) entries.push_back({assetNames[i], sorted[i]->data, false});
    for (const ZipEntry& other : package.otherEntries) entries.push_back({other.name, other.data, other.compress});
    return writeZip(entries, diagnostics);
}

}  // namespace orbi
