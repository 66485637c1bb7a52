// The platform layer in memory, held to the letter of its durability contract: a file's bytes
// are durable once written with flush or synced, a create, rename, delete or mkdir once its
// folder is synced. Nothing else is: a boot after a power cut may find any mix of the rest
// (sim::crashState). Reading, listing and errors behave as on POSIX. One lock for everything:
// the run reads on worker threads. It stands in for the POSIX file system only; text, the
// environment and the process come from the platform library.
#include "support/sim_platform.hpp"

#include <cerrno>
#include <cstdint>
#include <cstring>
#include <memory>
#include <mutex>
#include <random>
#include <utility>
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
struct Op {  // a create or mkdir (no from), a delete (no to) or a rename
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
using Lock = std::lock_guard<std::mutex>;

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
    auto it = disk.current.find(k);
    if (it == disk.current.end()) return k == "/" ? EntryType::Directory : EntryType::Missing;
    return it->second ? EntryType::File : EntryType::Directory;
}
bool fail(std::string& error, int code) { error = std::strerror(code); return false; }
// True when k is of the type wanted; else false with the system's error: missing, or otherwise.
bool need(const std::string& k, EntryType want, int otherwise, std::string& error) {
    const EntryType type = typeOf(k);
    return type == want || fail(error, type == EntryType::Missing ? ENOENT : otherwise);
}
// Every mutating operation passes here before it changes anything.
void step() {
    if (++disk.operations > disk.cut) throw sim::PowerLost{};
}
void apply(Names& names, const Op& op) {
    std::shared_ptr<Inode> node = op.node;
    if (!op.from.empty()) {
        auto it = names.find(op.from);
        if (it == names.end()) return;  // its source was lost
        node = it->second;
        names.erase(it);
    }
    if (!op.to.empty()) names[op.to] = node;
}
void record(const Op& op) {
    apply(disk.current, op);
    if (disk.writeThrough) apply(disk.durable, op);
    else disk.pending[parentOf(op.to.empty() ? op.from : op.to)].push_back(op);
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

EntryType entryType(const Path& path) { Lock lock(disk.mutex); return typeOf(key(path)); }
bool isDirectory(const Path& path) { return entryType(path) == EntryType::Directory; }

bool listFolder(const Path& folder, std::vector<FolderEntry>& out, std::string& error) {
    Lock lock(disk.mutex);
    const std::string k = key(folder), prefix = k == "/" ? k : k + "/";
    if (!need(k, EntryType::Directory, ENOTDIR, error)) return false;
    for (auto it = disk.current.lower_bound(prefix); it != disk.current.end() && it->first.starts_with(prefix); ++it) {
        const std::string name = it->first.substr(prefix.size());
        if (name.find('/') == std::string::npos) out.push_back({folder / name, typeOf(it->first)});
    }
    return true;
}

bool readWholeFile(const Path& path, std::vector<std::uint8_t>& out, std::string& error) {
    out.clear();
    Lock lock(disk.mutex);
    const std::string k = key(path);
    if (!need(k, EntryType::File, EISDIR, error)) return false;
    out.assign(disk.current[k]->data.begin(), disk.current[k]->data.end());
    return true;
}

// An open file reads the bytes it had when opened, as a POSIX descriptor would once the name is
// replaced; the handle owns that copy.
InputFile::InputFile(InputFile&& other) noexcept : handle_(std::exchange(other.handle_, -1)), size_(other.size_) {}
InputFile& InputFile::operator=(InputFile&& other) noexcept {
    std::swap(handle_, other.handle_);
    size_ = other.size_;
    return *this;
}
InputFile::~InputFile() { close(); }
void InputFile::close() {
    if (handle_ != -1) delete reinterpret_cast<std::string*>(handle_);
    handle_ = -1;
}
bool InputFile::open(const Path& path, std::string& error) {
    close();
    Lock lock(disk.mutex);
    const std::string k = key(path);
    if (!need(k, EntryType::File, EISDIR, error)) return false;
    handle_ = reinterpret_cast<std::intptr_t>(new std::string(disk.current[k]->data));
    size_ = disk.current[k]->data.size();
    return true;
}
bool InputFile::readAt(std::uint64_t offset, std::span<std::uint8_t> into, std::string& error) const {
    const std::string& data = *reinterpret_cast<const std::string*>(handle_);
    if (offset > data.size() || into.size() > data.size() - offset) return fail(error, EIO);
    std::memcpy(into.data(), data.data() + offset, into.size());
    return true;
}

namespace {
bool writeFile(const Path& path, std::span<const std::uint8_t> bytes, std::string& error, bool flush, bool mustBeNew) {
    Lock lock(disk.mutex);
    const std::string k = key(path);
    const EntryType type = typeOf(k);
    if (mustBeNew && type != EntryType::Missing) return fail(error, EEXIST);
    if (!need(parentOf(k), EntryType::Directory, ENOTDIR, error)) return false;
    if (type == EntryType::Directory) return fail(error, EISDIR);
    step();
    std::shared_ptr<Inode> node = type == EntryType::File ? disk.current[k] : std::make_shared<Inode>();
    node->data.assign(bytes.begin(), bytes.end());
    node->dirty = !flush;
    if (flush) node->durable = node->data;
    if (type == EntryType::Missing) record({"", k, node});
    return true;
}

}  // namespace

bool writeWholeFile(const Path& path, std::span<const std::uint8_t> bytes, std::string& error, bool flush) {
    return writeFile(path, bytes, error, flush, false);
}

bool writeNewFile(const Path& path, std::span<const std::uint8_t> bytes, std::string& error) {
    return writeFile(path, bytes, error, false, true);
}

bool syncToDisk(std::span<const Path> paths, std::string& error) {
    Lock lock(disk.mutex);
    for (const Path& path : paths)
        if (typeOf(key(path)) == EntryType::Missing) return fail(error, ENOENT);
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
    Lock lock(disk.mutex);
    const std::string f = key(from), t = key(to);
    if (!need(f, EntryType::File, EISDIR, error) || !need(parentOf(t), EntryType::Directory, ENOTDIR, error)) return false;
    if (typeOf(t) == EntryType::Directory) return fail(error, EISDIR);
    if (f != t) step(), record({f, t, nullptr});
    return true;
}

bool createFolders(const Path& folder, std::string& error) {
    Lock lock(disk.mutex);
    const std::string k = key(folder);
    std::vector<std::string> missing;
    for (std::string p = k; typeOf(p) != EntryType::Directory; p = parentOf(p)) {
        if (typeOf(p) == EntryType::File) return fail(error, p == k ? EEXIST : ENOTDIR);
        missing.push_back(p);
    }
    if (!missing.empty()) step();
    for (auto p = missing.rbegin(); p != missing.rend(); ++p) record({"", *p, nullptr});
    return true;
}

bool deleteFile(const Path& path, bool& existed, std::string& error) {
    Lock lock(disk.mutex);
    const std::string k = key(path);
    const EntryType type = typeOf(k);
    existed = type == EntryType::File;
    if (type == EntryType::Directory) return fail(error, EISDIR);
    if (existed) step(), record({k, "", nullptr});
    return true;
}

}  // namespace platform

namespace sim {

void reset(bool writeThrough) {
    load({});
    Lock lock(disk.mutex);
    disk.writeThrough = writeThrough;
}

void putFile(const std::string& path, const std::string& bytes) {
    Lock lock(disk.mutex);
    for (std::string p = parentOf(path); p != "/"; p = parentOf(p)) disk.current[p] = disk.durable[p] = nullptr;
    disk.current[path] = disk.durable[path] = std::make_shared<Inode>(Inode{bytes, bytes});
}

Tree currentTree() { return crashState(1); }  // keeping everything not yet durable
Tree crashState(unsigned choice, unsigned seed) {
    Lock lock(disk.mutex);
    std::mt19937 random(seed * 1000003u + choice);
    Names names = disk.durable;
    for (const auto& [folder, ops] : disk.pending)
        for (const Op& op : ops)
            if (choice == 1 || (choice > 1 && random() % 2 == 0)) apply(names, op);
    Tree tree;
    for (const auto& [k, node] : names) {
        if (!reachable(names, k)) continue;
        tree[k] = std::nullopt;
        if (!node) continue;
        // Unflushed bytes: the durable ones, the new ones whole, or the new ones cut short.
        const unsigned pick = !node->dirty ? 0 : choice < 2 ? choice : random() % 3;
        tree[k] = pick == 0 ? node->durable : pick == 1 ? node->data : node->data.substr(0, random() % (node->data.size() + 1));
    }
    return tree;
}

void load(const Tree& tree) {
    Lock lock(disk.mutex);
    disk.current.clear();
    for (const auto& [k, bytes] : tree) disk.current[k] = bytes ? std::make_shared<Inode>(Inode{*bytes, *bytes}) : nullptr;
    disk.durable = disk.current;
    disk.pending.clear();
    disk.operations = 0;
    disk.cut = SIZE_MAX;
}

std::size_t operations() { Lock lock(disk.mutex); return disk.operations; }
void arm(std::size_t cut) { Lock lock(disk.mutex); disk.cut = cut; }

}  // namespace sim
}  // namespace orbi
