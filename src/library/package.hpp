// Package: an instance document with the assets it refers to by digest. On disk either a zip
// archive (the document entry, then "assets/<sha256>" entries) or, with nothing else, bare JSON.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "archive/zip_entry.hpp"
#include "archive/zip_reader.hpp"
#include "diagnostics/diagnostics.hpp"
#include "json/json_value.hpp"

namespace orbi {

struct PackageAsset {
    std::string name;  // 64 lower-case hex digits: the SHA-256 of data
    std::vector<std::uint8_t> data;
};

// The instance document's entry in a package.
inline constexpr std::string_view kPackageDocumentName = "instance.json";

struct Package {
    std::string documentName = std::string(kPackageDocumentName);
    JsonValue document;
    std::vector<PackageAsset> assets;
    std::vector<ZipEntry> otherEntries;  // carried through unchanged, written after the assets
};

// True for at least 4 bytes starting "PK" 3 4 or "PK" 5 6.
bool isZipSignature(std::span<const std::uint8_t> bytes);

// True for exactly 64 characters of "0123456789abcdef".
bool isAssetName(std::string_view name);

std::optional<Package> readPackage(std::span<const std::uint8_t> bytes, const std::string& documentName,
                                   const ZipLimits& limits, DiagnosticList& diagnostics);

// The document alone, with readPackage's answer: an archive's other entries are not read at all,
// so their findings (damaged or corrupt assets) do not arise and the package holds no assets. A
// bare document is read whole. Every caller passes the document name instance.json. Nothing, too,
// when the source cannot give its bytes.
std::optional<Package> readPackageDocument(ZipSource& source, const ZipLimits& limits, DiagnosticList& diagnostics);

// The file's complete contents, or nullopt with the reason added.
std::optional<std::vector<std::uint8_t>> writePackage(const Package& package, DiagnosticList& diagnostics);

}  // namespace orbi
