// The platform layer in memory, held to the letter of its durability contract: a file's bytes
// are durable once written with flush or synced, a create, rename, delete or mkdir once its
// folder is synced. Nothing else is: a boot after a power cut may find any mix of the rest
// (sim::crashState). Reading, listing and errors behave as on POSIX. One lock for everything:
// the run reads on worker threads.
#include "support/sim_platform.hpp"

#include <cerrno>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <mutex>
#include <random>
#include <vector>

#include "platform/platform.hpp"

namespace orbi {
namespace {

using platform::EntryType;
using platform::Path;

struct Inode {
    std::string durable, data;  // what a boot finds, what the program reads
    bool dirty = false;         // data written without flush and not synced since
};
using Names = std::map<std::string, std::shared_ptr<Inode>>;  // generic path -> file; null: folder

struct Op {
    enum Kind { add, rename, remove } kind;  // add is a create or a mkdir
    std::string from, to;
    std::shared_ptr<Inode> node;
};

struct Disk {
    std::mutex mutex;
    Names current, durable;  // durable: the names of every folder as of its last sync
    std::map<std::string, std::vector<Op>> pending;  // per folder, in order, since its last sync
    bool writeThrough = false;
    std::size_t operations = 0, cut = SIZE_MAX;
} disk;

std::string key(const Path& path) {
    std::string k = path.lexically_normal().generic_string();
    while (k.size() > 1 && k.back() == '/') k.pop_back();
    return k;
}

std::string parentOf(const std::string& k) {
    const std::size_t slash = k.rfind('/');
    return slash == 0 || slash == std::string::npos ? "/" : k.substr(0, slash);
}

EntryType typeOf(const std::string& k) {
    if (k == "/") return EntryType::Directory;
    auto it = disk.current.find(k);
    if (it == disk.current.end()) return EntryType::Missing;
    return it->second ? EntryType::File : EntryType::Directory;
}

bool fail(std::string& error, int code) {
    error = std::strerror(code);
    return false;
}

// Every mutating operation passes here before it changes anything.
void step() {
    if (++disk.operations > disk.cut) throw sim::PowerLost{};
}

void apply(Names& names, const Op& op) {
    if (op.kind == Op::add) {
        names[op.to] = op.node;
        return;
    }
    auto from = names.find(op.from);
    if (from == names.end()) return;
    std::shared_ptr<Inode> node = from->second;
    names.erase(from);
    if (op.kind == Op::rename) names[op.to] = node;
}

void record(const Op& op) {
    apply(disk.current, op);
    if (disk.writeThrough) {
        apply(disk.durable, op);
    } else {
        disk.pending[parentOf(op.kind == Op::remove ? op.from : op.to)].push_back(op);
    }
}

// A boot finds an entry only through its folders.
bool reachable(const Names& names, const std::string& k) {
    for (std::string p = parentOf(k); p != "/"; p = parentOf(p)) {
        auto it = names.find(p);
        if (it == names.end() || it->second) return false;
    }
    return true;
}

}  // namespace

namespace platform {

std::optional<std::string> environmentNarrow(const char* name) {
    const char* v = std::getenv(name);
    return v != nullptr ? std::optional<std::string>(v) : std::nullopt;
}
std::optional<Path> environmentPath(const char* name) {
    std::optional<std::string> v = environmentNarrow(name);
    return v ? std::optional<Path>(*v) : std::nullopt;
}
std::optional<Path> temporaryFolder(std::string&) { return Path("/tmp"); }
std::optional<Path> userDataFallback() { return std::nullopt; }

Path pathFromNarrow(std::string_view text) { return Path(std::string(text)); }
Path pathFromUtf8(std::string_view utf8) { return Path(std::string(utf8)); }
std::string pathToUtf8(const Path& path) { return path.native(); }

EntryType entryType(const Path& path) {
    std::lock_guard lock(disk.mutex);
    return typeOf(key(path));
}
bool isDirectory(const Path& path) { return entryType(path) == EntryType::Directory; }

bool listFolder(const Path& folder, std::vector<FolderEntry>& out, std::string& error) {
    std::lock_guard lock(disk.mutex);
    const std::string k = key(folder);
    const EntryType type = typeOf(k);
    if (type != EntryType::Directory) return fail(error, type == EntryType::Missing ? ENOENT : ENOTDIR);
    const std::string prefix = k == "/" ? k : k + "/";
    for (auto it = disk.current.lower_bound(prefix); it != disk.current.end() && it->first.starts_with(prefix); ++it) {
        const std::string name = it->first.substr(prefix.size());
        if (name.find('/') != std::string::npos) continue;
        out.push_back({folder / name, it->second ? EntryType::File : EntryType::Directory});
    }
    return true;
}

bool readWholeFile(const Path& path, std::vector<std::uint8_t>& out, std::string& error) {
    out.clear();
    std::lock_guard lock(disk.mutex);
    const std::string k = key(path);
    const EntryType type = typeOf(k);
    if (type != EntryType::File) return fail(error, type == EntryType::Missing ? ENOENT : EISDIR);
    const std::string& data = disk.current[k]->data;
    out.assign(data.begin(), data.end());
    return true;
}

bool writeWholeFile(const Path& path, std::span<const std::uint8_t> bytes, std::string& error, bool flush) {
    std::lock_guard lock(disk.mutex);
    const std::string k = key(path);
    const EntryType parent = typeOf(parentOf(k)), type = typeOf(k);
    if (parent != EntryType::Directory) return fail(error, parent == EntryType::Missing ? ENOENT : ENOTDIR);
    if (type == EntryType::Directory) return fail(error, EISDIR);
    step();
    std::shared_ptr<Inode> node = type == EntryType::File ? disk.current[k] : std::make_shared<Inode>();
    node->data.assign(bytes.begin(), bytes.end());
    node->dirty = !flush;
    if (flush) node->durable = node->data;
    if (type == EntryType::Missing) record({Op::add, "", k, node});
    return true;
}

bool syncToDisk(std::span<const Path> paths, std::string& error) {
    std::lock_guard lock(disk.mutex);
    for (const Path& path : paths) {
        if (typeOf(key(path)) == EntryType::Missing) return fail(error, ENOENT);
    }
    step();
    for (const Path& path : paths) {
        const std::string k = key(path);
        if (typeOf(k) == EntryType::File) {
            disk.current[k]->durable = disk.current[k]->data;
            disk.current[k]->dirty = false;
        } else if (auto ops = disk.pending.find(k); ops != disk.pending.end()) {
            for (const Op& op : ops->second) apply(disk.durable, op);
            disk.pending.erase(ops);
        }
    }
    return true;
}

// Files only: the tool never renames a folder.
bool renameReplace(const Path& from, const Path& to, std::string& error) {
    std::lock_guard lock(disk.mutex);
    const std::string f = key(from), t = key(to);
    const EntryType source = typeOf(f), parent = typeOf(parentOf(t));
    if (source != EntryType::File) return fail(error, source == EntryType::Missing ? ENOENT : EISDIR);
    if (parent != EntryType::Directory) return fail(error, parent == EntryType::Missing ? ENOENT : ENOTDIR);
    if (typeOf(t) == EntryType::Directory) return fail(error, EISDIR);
    if (f == t) return true;
    step();
    record({Op::rename, f, t, nullptr});
    return true;
}

bool createFolders(const Path& folder, std::string& error) {
    std::lock_guard lock(disk.mutex);
    const std::string k = key(folder);
    std::vector<std::string> missing;
    for (std::string p = k; typeOf(p) != EntryType::Directory; p = parentOf(p)) {
        if (typeOf(p) == EntryType::File) return fail(error, p == k ? EEXIST : ENOTDIR);
        missing.push_back(p);
    }
    if (missing.empty()) return true;
    step();
    for (auto p = missing.rbegin(); p != missing.rend(); ++p) record({Op::add, "", *p, nullptr});
    return true;
}

bool deleteFile(const Path& path, bool& existed, std::string& error) {
    existed = false;
    std::lock_guard lock(disk.mutex);
    const std::string k = key(path);
    const EntryType type = typeOf(k);
    if (type == EntryType::Missing) return true;
    if (type == EntryType::Directory) return fail(error, EISDIR);
    step();
    existed = true;
    record({Op::remove, k, "", nullptr});
    return true;
}

std::string systemErrorText(int code) { return std::strerror(code); }
std::vector<std::string> commandLineWords(int argc, char** argv) {
    return argc <= 1 || argv == nullptr ? std::vector<std::string>() : std::vector<std::string>(argv + 1, argv + argc);
}
void prepareStandardStreams() {}
bool ownsConsoleWindow() { return false; }
void keepFreedMemoryForReuse() {}

}  // namespace platform

namespace sim {

void reset(bool writeThrough) {
    load({});
    std::lock_guard lock(disk.mutex);
    disk.writeThrough = writeThrough;
}

void putFile(const std::string& path, const std::string& bytes) {
    std::lock_guard lock(disk.mutex);
    for (std::string p = parentOf(path); p != "/"; p = parentOf(p)) disk.current[p] = disk.durable[p] = nullptr;
    disk.current[path] = disk.durable[path] = std::make_shared<Inode>(Inode{bytes, bytes, false});
}

Tree currentTree() {
    std::lock_guard lock(disk.mutex);
    Tree tree;
    for (const auto& [k, node] : disk.current) tree[k] = node ? std::optional(node->data) : std::nullopt;
    return tree;
}

Tree crashState(unsigned choice, unsigned seed) {
    std::lock_guard lock(disk.mutex);
    std::mt19937 random(seed * 1000003u + choice);
    Names names = disk.durable;
    for (const auto& [folder, ops] : disk.pending) {
        for (const Op& op : ops) {
            if (choice == 1 || (choice > 1 && random() % 2 == 0)) apply(names, op);
        }
    }
    Tree tree;
    for (const auto& [k, node] : names) {
        if (!reachable(names, k)) continue;
        if (!node) {
            tree[k] = std::nullopt;
            continue;
        }
        std::string bytes = node->dirty && choice == 1 ? node->data : node->durable;
        const unsigned pick = node->dirty && choice > 1 ? random() % 3 : 0;
        if (pick > 0) bytes = node->data.substr(0, pick == 1 ? node->data.size() : random() % (node->data.size() + 1));
        tree[k] = std::move(bytes);
    }
    return tree;
}

void load(const Tree& tree) {
    std::lock_guard lock(disk.mutex);
    disk.current.clear();
    for (const auto& [k, bytes] : tree) disk.current[k] = bytes ? std::make_shared<Inode>(Inode{*bytes, *bytes, false}) : nullptr;
    disk.durable = disk.current;
    disk.pending.clear();
    disk.operations = 0;
    disk.cut = SIZE_MAX;
}

std::size_t operations() {
    std::lock_guard lock(disk.mutex);
    return disk.operations;
}

void arm(std::size_t cut) {
    std::lock_guard lock(disk.mutex);
    disk.cut = cut;
}

}  // namespace sim
}  // namespace orbi
