// Preset saving. Order matters for safety: every check happens before the first byte is
// written; the temporary file is removed on every failure after it was created; siblings with
// the other extensions are removed only once the new file is in place. Staging and committing
// are apart so that a caller saving many presets can flush their files together in between.
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
    addError(diagnostics, msg::kPresetUnsaveableCode, path,
             std::string("The ") + label + " \"" + value + "\"" + msg::kCannotNameFile);
    return false;
}

void removeQuietly(const platform::Path& path) {
    bool existed = false;
    std::string ignored;
    (void)platform::deleteFile(path, existed, ignored);
}

}  // namespace

std::optional<PresetFile> presetFileOf(const std::string& bank, const Package& package, DiagnosticList& diagnostics) {
    if (stringMemberOr(package.document, "kind", "") != "instance") {
        addError(diagnostics, msg::kPresetUnsaveableCode, "/kind", msg::kPresetIsInstance);
        return std::nullopt;
    }
    PresetFile file;
    file.plugin = stringMemberOr(package.document, "plugin", "");
    file.bank = bank;
    file.id = stringMemberOr(package.document, "id", "");
    if (!checkName(file.plugin, "plugin id", "/plugin", diagnostics) || !checkName(bank, "bank", "", diagnostics) ||
        !checkName(file.id, "preset id", "/id", diagnostics)) {
        return std::nullopt;
    }
    std::optional<std::vector<std::uint8_t>> bytes = writePackage(package, diagnostics);
    if (!bytes) return std::nullopt;
    file.bytes = std::move(*bytes);
    return file;
}

namespace {

StagedPreset placeOf(const platform::Path& presetRoot, const PresetFile& file) {
    StagedPreset staged;
    staged.folder = presetRoot / platform::pathFromUtf8(file.plugin) / platform::pathFromUtf8(file.bank);
    staged.extension = isZipSignature(file.bytes) ? ".orbi" : ".json";
    staged.finalPath = staged.folder / platform::pathFromUtf8(file.id + staged.extension);
    staged.tempPath = staged.folder / platform::pathFromUtf8(file.id + staged.extension + ".tmp");
    staged.id = file.id;
    staged.reference = "user:" + file.bank + "/" + file.id;
    return staged;
}

}  // namespace

std::optional<StagedPreset> stagePresetFile(const platform::Path& presetRoot, const PresetFile& file, bool flush,
                                            DiagnosticList& diagnostics) {
    StagedPreset staged = placeOf(presetRoot, file);
    std::string error;
    if (!platform::createFolders(staged.folder, error)) {
        addError(diagnostics, msg::kPresetUnwritableCode, "", platform::pathToUtf8(staged.folder) + ": " + error);
        return std::nullopt;
    }
    // A link at the temporary path is never written through (writeWholeFile refuses it when it
    // opens the path): what it points at is not ours to overwrite. It is removed like any
    // temporary file that could not be written; removing a link removes the link, not its target.
    if (!platform::writeWholeFile(staged.tempPath, file.bytes, error, flush)) {
        discardStagedPreset(staged, "", diagnostics);
        return std::nullopt;
    }
    return staged;
}

std::optional<StagedPreset> stageNewPresetFile(const platform::Path& presetRoot, const PresetFile& file) {
    StagedPreset staged = placeOf(presetRoot, file);
    std::string ignored;
    if (!platform::isDirectory(staged.folder) || !platform::writeNewFile(staged.tempPath, file.bytes, ignored)) {
        return std::nullopt;
    }
    return staged;
}

std::optional<StagedPreset> stagePreset(const platform::Path& presetRoot, const std::string& bank,
                                        const Package& package, bool flush, DiagnosticList& diagnostics) {
    if (presetRoot.empty()) {
        addError(diagnostics, msg::kUserPresetsUnavailableCode, "", msg::kNoUserPresetFolder);
        return std::nullopt;
    }
    std::optional<PresetFile> file = presetFileOf(bank, package, diagnostics);
    if (!file) return std::nullopt;
    return stagePresetFile(presetRoot, *file, flush, diagnostics);
}

void discardStagedPreset(const StagedPreset& staged, const std::string& reason, DiagnosticList& diagnostics) {
    removeQuietly(staged.tempPath);
    addError(diagnostics, msg::kPresetUnwritableCode, "",
             msg::kCouldNotWrite + platform::pathToUtf8(staged.tempPath) + (reason.empty() ? "" : ": " + reason));
}

void dropStagedPreset(const StagedPreset& staged) { removeQuietly(staged.tempPath); }

std::optional<std::string> commitPreset(const StagedPreset& staged, DiagnosticList& diagnostics) {
    std::string error;
    if (!platform::renameReplace(staged.tempPath, staged.finalPath, error)) {
        removeQuietly(staged.tempPath);
        addError(diagnostics, msg::kPresetUnwritableCode, "", platform::pathToUtf8(staged.finalPath) + ": " + error);
        return std::nullopt;
    }
    for (const char* other : {".json", ".orbi", ".zip"}) {
        if (other == staged.extension) continue;
        const platform::Path sibling = staged.folder / platform::pathFromUtf8(staged.id + other);
        bool existed = false;
        if (!platform::deleteFile(sibling, existed, error)) {
            addError(diagnostics, msg::kPresetUnwritableCode, "",
                     msg::kCouldNotRemove + platform::pathToUtf8(sibling) + ": " + error);
            return std::nullopt;
        }
    }
    return staged.reference;
}

std::optional<std::string> savePreset(const platform::Path& presetRoot, const std::string& bank, const Package& package,
                                      DiagnosticList& diagnostics) {
    std::optional<StagedPreset> staged = stagePreset(presetRoot, bank, package, true, diagnostics);
    if (!staged) return std::nullopt;
    std::optional<std::string> reference = commitPreset(*staged, diagnostics);
    if (reference) {
        std::string ignored;  // a folder that cannot be synced is not an error
        (void)platform::syncToDisk(std::span<const platform::Path>(&staged->folder, 1), ignored);
    }
    return reference;
}

}  // namespace orbi
