// Preset saving. Order matters for safety: every check happens before the first byte is
// written; the temporary file is removed on every failure after it was created; siblings with
// the other extensions are removed only once the new file is in place.
#include "library/preset_saving.hpp"

#include "library/library_messages.hpp"

namespace orbi {

namespace msg = library_messages;

bool canNameFile(std::string_view name) {
    if (name.empty() || name == "." || name == "..") return false;
    for (char ch : name) {
        auto c = static_cast<unsigned char>(ch);
        if (c < 0x20 || c == 0x7F) return false;
        switch (c) {
            case '/': case '\\': case ':': case '*': case '?': case '"': case '<': case '>': case '|':
                return false;
            default:
                break;
        }
    }
    return true;
}

namespace {

bool checkName(const std::string& value, const char* label, const char* path, DiagnosticList& diagnostics) {
    if (canNameFile(value)) return true;
    addError(diagnostics, "preset-unsaveable", path,
             std::string("The ") + label + " \"" + value + "\"" + msg::kCannotNameFile);
    return false;
}

void removeQuietly(const platform::Path& path) {
    bool existed = false;
    std::string ignored;
    (void)platform::deleteFile(path, existed, ignored);
}

}  // namespace

std::optional<std::string> savePreset(const platform::Path& presetRoot, const std::string& bank, const Package& package,
                                      DiagnosticList& diagnostics) {
    if (presetRoot.empty()) {
        addError(diagnostics, "user-presets-unavailable", "", msg::kNoUserPresetFolder);
        return std::nullopt;
    }
    if (stringMemberOr(package.document, "kind", "") != "instance") {
        addError(diagnostics, "preset-unsaveable", "/kind", msg::kPresetIsInstance);
        return std::nullopt;
    }
    const std::string plugin = stringMemberOr(package.document, "plugin", "");
    const std::string id = stringMemberOr(package.document, "id", "");
    if (!checkName(plugin, "plugin id", "/plugin", diagnostics) || !checkName(bank, "bank", "", diagnostics) ||
        !checkName(id, "preset id", "/id", diagnostics)) {
        return std::nullopt;
    }

    std::optional<std::vector<std::uint8_t>> bytes = writePackage(package, diagnostics);
    if (!bytes) return std::nullopt;

    const platform::Path folder =
        presetRoot / platform::pathFromUtf8(plugin) / platform::pathFromUtf8(bank);
    const char* extension = isZipSignature(*bytes) ? ".orbi" : ".json";
    const platform::Path finalPath = folder / platform::pathFromUtf8(id + extension);
    const platform::Path tempPath = folder / platform::pathFromUtf8(id + extension + ".tmp");

    std::string error;
    if (!platform::createFolders(folder, error)) {
        addError(diagnostics, "preset-unwritable", "", platform::pathToUtf8(folder) + ": " + error);
        return std::nullopt;
    }
    // A link at the temporary path is never written through (writeWholeFile refuses it when it
    // opens the path): what it points at is not ours to overwrite. It is removed like any
    // temporary file that could not be written; removing a link removes the link, not its target.
    if (!platform::writeWholeFile(tempPath, *bytes, error)) {
        removeQuietly(tempPath);
        addError(diagnostics, "preset-unwritable", "", msg::kCouldNotWrite + platform::pathToUtf8(tempPath));
        return std::nullopt;
    }
    if (!platform::renameReplace(tempPath, finalPath, error)) {
        removeQuietly(tempPath);
        addError(diagnostics, "preset-unwritable", "", platform::pathToUtf8(finalPath) + ": " + error);
        return std::nullopt;
    }
    for (const char* other : {".json", ".orbi", ".zip"}) {
        if (std::string_view(other) == extension) continue;
        const platform::Path sibling = folder / platform::pathFromUtf8(id + other);
        bool existed = false;
        if (!platform::deleteFile(sibling, existed, error)) {
            addError(diagnostics, "preset-unwritable", "",
                     msg::kCouldNotRemove + platform::pathToUtf8(sibling) + ": " + error);
            return std::nullopt;
        }
    }
    return "user:" + bank + "/" + id;
}

}  // namespace orbi
