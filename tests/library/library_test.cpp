// Packages, the library scan and preset saving as calls over a fresh folder per case
// (data/library.txt; data/links.txt where links are made). Digests are shown as sha(<text>).
#include <gtest/gtest.h>

#include "archive/sha256.hpp"
#include "archive/zip_reader.hpp"
#include "json/json_parser.hpp"
#include "json/json_writer.hpp"
#include "library/library_scan.hpp"
#include "library/preset_saving.hpp"
#include "support/case_file.hpp"
#include "support/host.hpp"
#include "support/zip_builder.hpp"

namespace orbi::test {
namespace {
namespace fs = std::filesystem;

void replaceAll(std::string& s, const std::string& from, const std::string& to) {
    for (std::size_t at = 0; (at = s.find(from, at)) != s.npos; at += to.size()) s.replace(at, from.size(), to);
}

struct Library {
    TempFolder root;
    std::map<std::string, std::string> texts;  // digest -> text

    // "%HH" as the byte, "sha(<text>)" as the text's digest.
    std::string expand(std::string s) {
        s = percentDecoded(s);
        for (std::size_t at, end; (at = s.find("sha(")) != s.npos && (end = s.find(')', at)) != s.npos;)
            s.replace(at, end + 1 - at, sha256Hex(data(s.substr(at + 4, end - at - 4))));
        return s;
    }
    Bytes data(const std::string& text) { return texts[sha256Hex(bytesOf(text))] = text, bytesOf(text); }
    // The folder shown as <root>, digests as sha(<text>), and the reason a system call gave cut
    // off after a path, since it differs between systems.
    std::string show(std::string text, const DiagnosticList& list = {}) {
        const std::string rootText = root.path().string();
        for (const Diagnostic& d : list) {
            const std::size_t at = d.message.find(rootText), colon = d.message.find(": ", at);
            const std::string message = at == d.message.npos || colon == d.message.npos ? d.message : d.message.substr(0, colon + 2) + "<reason>";
            text += (d.severity == Severity::Warning ? "\n  W " : "\n  E ") + d.code + " " + d.path + " | " + message;
        }
        replaceAll(text, rootText, "<root>");
        if (runningOnWindows()) replaceAll(text, "\\", "/");
        for (const auto& [digest, original] : texts) replaceAll(text, digest, "sha(" + original + ")");
        return text;
    }

    std::string call(const std::vector<std::string>& w) {
        const std::string what = w.at(0), arg = w.size() > 1 ? expand(w[1]) : "";
        auto has = [&](const char* word) { return std::find(w.begin(), w.end(), word) != w.end(); };
        std::string out;
        DiagnosticList list;
        if (what == "file") {  // file <path> <bytes>...
            for (std::size_t k = 2; k < w.size(); ++k) out += (k > 2 ? " " : "") + expand(w[k]);
            return writeFile(root / arg, out), "";
        }
        if (what == "dir") return fs::create_directories(root / arg) ? "" : "not made";
        if (what == "link") return fs::create_symlink(root / w.at(2), root / arg), "";
        if (what == "zip") {  // zip <path> <name>=<text>...: stored entries
            RawArchive archive;
            for (std::size_t k = 2; k < w.size(); ++k) {
                const std::string entry = expand(w[k]), name = entry.substr(0, entry.find('='));
                archive.entries.push_back(storedEntry(name, data(entry.substr(name.size() + 1))));
            }
            return writeFile(root / arg, textOf(buildZip(archive))), "";
        }
        if (what == "write") {  // write <path> [asset:<text> | named:<name>=<text> | other[+]:<name>=<text>]... <document>
            Package p;
            std::string reason;
            EXPECT_TRUE(parseJson(w.back(), p.document, reason)) << reason;
            for (std::size_t k = 2; k + 1 < w.size(); ++k) {
                const std::string kind = w[k].substr(0, w[k].find(':')), rest = expand(w[k].substr(kind.size() + 1));
                const std::string name = rest.substr(0, rest.find('=')), text = kind == "asset" ? rest : rest.substr(name.size() + 1);
                if (kind == "asset" || kind == "named") p.assets.push_back({kind == "asset" ? sha256Hex(data(text)) : name, data(text)});
                if (kind != "asset" && kind != "named") p.otherEntries.push_back({name, data(text), kind == "other+"});
            }
            const auto bytes = writePackage(p, list);
            if (bytes) writeFile(root / arg, textOf(*bytes));
            EXPECT_TRUE(!bytes || isZipSignature(*bytes) || textOf(*bytes) == writeDocument(p.document));  // bare: the document
            return show(!bytes ? "not written" : isZipSignature(*bytes) ? "a zip" : "bare JSON", list);
        }
        if (what == "read" || what == "rewrite") {  // rewrite: written again, the package gives the same bytes
            const Bytes bytes = bytesOf(readFile(root / arg));
            const std::optional<Package> p = readPackage(bytes, "instance.json", ZipLimits{}, list);
            MemoryZipSource source(bytes);
            DiagnosticList ignored;
            const std::optional<Package> alone = readPackageDocument(source, ZipLimits{}, ignored);
            EXPECT_TRUE(p ? alone && alone->document == p->document && alone->assets.empty() : !alone) << arg;
            if (what == "rewrite") return p && writePackage(*p, list) == bytes ? "the same bytes" : show("not the same", list);
            if (!p) return show("nothing read", list);
            out = writeCompact(p->document);
            for (const PackageAsset& a : p->assets) out += ", asset " + a.name + (a.name == sha256Hex(a.data) ? "" : " NOT ITS DIGEST");
            for (const ZipEntry& e : p->otherEntries) out += ", other " + e.name + "=" + textOf(e.data);
            return show(out, list);
        }
        if (what == "entries") {  // the zip's entries in order, by our own reader
            for (const ZipEntry& e : readZip(bytesOf(readFile(root / arg)), ZipLimits{}, list).value_or(std::vector<ZipEntry>{}))
                out += e.name + (e.compress ? " (deflated) " : " ");
            return show(out, list);
        }
        if (what == "scan") {
            for (const LibraryPreset& p : scanLibrary(root / arg, "user", list))
                out += p.reference + " in " + p.bank + " " + p.path.string() + " \"" + stringMemberOr(p.meta, "name", "") + "\"; ";
            return show(out, list);
        }
        if (what == "save") {  // save <bank> <id> [asset] [clip] [no-plugin] [no-root]
            Package p;
            setMember(p.document, "kind", JsonValue::makeString(has("clip") ? "clip" : "instance"));
            setMember(p.document, "id", JsonValue::makeString(w.at(2)));
            if (!has("no-plugin")) setMember(p.document, "plugin", JsonValue::makeString("orbitrone"));
            if (has("asset")) p.assets.push_back({sha256Hex(data("asset")), data("asset")});
            const auto saved = savePreset(has("no-root") ? fs::path() : root.path(), arg, p, list);
            return show(saved ? "saved " + *saved : "not saved", list);
        }
        if (what == "files") {  // every regular file with the start of its digest, then how many entries of any type
            for (const auto& [name, bytes] : filesUnder(root.path())) out += name + " " + sha256Hex(bytesOf(bytes)).substr(0, 8) + ", ";
            return show(out + std::to_string(std::distance(fs::recursive_directory_iterator(root.path()), {})) + " in all");
        }
        for (std::size_t k = 1; k < w.size(); ++k) out += (what == "can-name" ? canNameFile(expand(w[k])) : isLibraryFileName(w[k])) ? "yes " : "no ";
        return out;
    }
};

void check(const std::string& file) {
    checkCaseFile(file, [](const std::string& input) {
        Library library;
        return runCalls(input, [&](const std::vector<std::string>& words) { return library.call(words); });
    });
}

TEST(Library, Calls) { check(ORBI_CASES "/library.txt"); }

TEST(Library, LinksWhereTheyCanBeMade) {
    ORBI_SKIP_ON_WINDOWS(::orbi::test::kNeedsSymlinks);
    check(ORBI_CASES "/links.txt");
}

}  // namespace
}  // namespace orbi::test
