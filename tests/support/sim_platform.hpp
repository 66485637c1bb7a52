// The tests' side of the simulated file system (sim_platform.cpp), which stands in for the
// platform layer in a test binary: it keeps apart what a boot would find (durable) and what the
// program sees, and can lose power at any mutating operation.
#pragma once

#include <cstddef>
#include <map>
#include <optional>
#include <string>

namespace orbi::sim {

// Generic absolute path ("/a/b") to a file's bytes; nullopt for a folder.
using Tree = std::map<std::string, std::optional<std::string>>;

// What every mutating call throws once the armed cut is passed.
struct PowerLost {};

// Empties the file system. With writeThrough, every create, rename, delete and mkdir is durable
// the moment it is done, as on NTFS, whose renames are written through; file data still is not.
void reset(bool writeThrough = false);
// A durable file, with its missing folders.
void putFile(const std::string& path, const std::string& bytes);
// What the program sees now.
Tree currentTree();
// What a boot would find after power is lost now: choice 0 loses everything not durable, 1 keeps
// it all, any other is a mix seeded by (seed, choice): each unflushed file holds its durable bytes,
// its new bytes or a prefix of them; each folder operation since the folder's last sync is kept
// or lost, those kept applied in order (one whose source is gone does nothing).
Tree crashState(unsigned choice, unsigned seed = 0);
// Makes tree the durable state with nothing pending; the count of operations restarts, unarmed.
void load(const Tree& tree);
// Mutating operations done since the last load or reset.
std::size_t operations();
// Operations up to the cut-th happen; that one's successor and every later one throw PowerLost.
void arm(std::size_t cut);

}  // namespace orbi::sim
