// The tests' side of the simulated file system (sim_platform.cpp), which stands in for the
// platform layer's file system in a test binary: it keeps apart what a boot would find (durable)
// and what the program sees, and can lose power at any mutating operation.
#pragma once

#include <cstddef>
#include <map>
#include <optional>
#include <string>

namespace orbi::sim {

using Tree = std::map<std::string, std::optional<std::string>>;  // "/a/b" -> bytes; nullopt: folder
struct PowerLost {};  // thrown by every mutating call once the armed cut is passed

// Empties the file system. With writeThrough, every create, rename, delete and mkdir is durable
// the moment it is done, as on NTFS, whose renames are written through; file data still is not.
void reset(bool writeThrough = false);
void putFile(const std::string& path, const std::string& bytes);  // durable, with its folders
Tree currentTree();  // what the program sees now
// What a boot would find after power is lost now: choice 0 loses everything not durable, 1 keeps
// it all, any other is a mix seeded by (seed, choice): each unflushed file holds its durable bytes,
// its new bytes or a prefix of them; each folder operation since the folder's last sync is kept
// or lost, those kept applied in order (one whose source is gone does nothing).
Tree crashState(unsigned choice, unsigned seed = 0);
// Makes tree the durable state with nothing pending; the count of operations restarts, unarmed.
void load(const Tree& tree);
std::size_t operations();  // mutating operations since the last load or reset
void arm(std::size_t cut);  // operations after the cut-th throw PowerLost

}  // namespace orbi::sim
