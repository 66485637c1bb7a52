// Internal: what the inflater and the deflater share - the RFC 1951 length and distance tables,
// the decoding-table format built from code lengths, and the fixed Huffman codes, which are built
// once per process (under std::call_once) and read-only afterwards; they are the only shared state.
#pragma once

#include <array>
#include <cstdint>

namespace orbi::huffman {

inline constexpr std::array<std::uint16_t, 29> kLengthBase = {3,  4,  5,  6,  7,  8,  9,  10,  11,  13,
                                                              15, 17, 19, 23, 27, 31, 35, 43,  51,  59,
                                                              67, 83, 99, 115, 131, 163, 195, 227, 258};
inline constexpr std::array<std::uint8_t, 29> kLengthExtra = {0, 0, 0, 0, 0, 0, 0, 0, 1, 1, 1, 1, 2, 2, 2,
                                                               2, 3, 3, 3, 3, 4, 4, 4, 4, 5, 5, 5, 5, 0};
inline constexpr std::array<std::uint16_t, 30> kDistanceBase = {
    1,   2,   3,   4,   5,   7,    9,    13,   17,   25,   33,   49,   65,    97,    129,
    193, 257, 385, 513, 769, 1025, 1537, 2049, 3073, 4097, 6145, 8193, 12289, 16385, 24577};
inline constexpr std::array<std::uint8_t, 30> kDistanceExtra = {0, 0, 0, 0, 1, 1, 2, 2,  3,  3,  4,  4,  5,  5,  6,
                                                                6, 7, 7, 8, 8, 9, 9, 10, 10, 11, 11, 12, 12, 13, 13};
// The order in which a dynamic block sends the code-length code lengths.
inline constexpr std::array<std::uint8_t, 19> kCodeLengthOrder = {16, 17, 18, 0, 8,  7, 9,  6, 10, 5,
                                                                  11, 4,  12, 3, 13, 2, 14, 1, 15};

inline constexpr int kMaxCodeLength = 15;
inline constexpr int kLiteralLengthSymbols = 288;  // of which 286 and 287 never occur in valid data
inline constexpr int kDistanceSymbols = 30;        // the fixed code has 32 slots; 30 and 31 are unused

// ---- Decoding tables -------------------------------------------------------------------------
// A table is indexed by the next `rootBits` stream bits (least significant first). An entry either
// decodes a symbol outright or links to a subtable indexed by the bits after the root bits. Entry
// layout (32 bits): bits 0-5 the bits the entry takes in all (its code, then a length's or a
// distance's extra bits; a link's subtable bits), bits 8-11 the code length alone, bits 12-15 the
// kind, bits 16-31 the value (literal byte, length or distance base, or a link's subtable offset).
// The decoder drops a whole length or distance with one shift by the low bits and reads the extra
// bits from the word it had before the shift. The kinds are bit patterns so that the fast loop
// tells a literal, a length or distance, and everything else apart with one test each.
enum EntryKind : std::uint32_t {
    kBase = 0,          // length (literal/length alphabet) or distance (distance alphabet)
    kEndOfBlock = 0x4,  // 0x4 set: none of the common kinds
    kLink = 0x5,
    kInvalid = 0x6,     // no code of up to 15 bits starts with these bits
    kBadSymbol = 0x7,   // a code that decodes to length symbol 286/287 or distance symbol 30/31
    kLiteral = 0x8,
};

constexpr std::uint32_t makeEntry(std::uint32_t length, std::uint32_t extra, std::uint32_t kind, std::uint32_t value) {
    return (length + extra) | (length << 8) | (kind << 12) | (value << 16);
}
constexpr std::uint32_t entryTotal(std::uint32_t e) { return e & 0x3Fu; }
constexpr std::uint32_t entryLength(std::uint32_t e) { return (e >> 8) & 0xFu; }
constexpr std::uint32_t entryExtra(std::uint32_t e) { return entryTotal(e) - entryLength(e); }
constexpr std::uint32_t entryKind(std::uint32_t e) { return (e >> 12) & 0xFu; }
constexpr std::uint32_t entryValue(std::uint32_t e) { return e >> 16; }
constexpr bool isLiteral(std::uint32_t e) { return (e & (kLiteral << 12)) != 0; }
constexpr bool isBase(std::uint32_t e) { return (e & ((kLiteral | kEndOfBlock) << 12)) == 0; }

inline constexpr int kLiteralLengthRootBits = 11;
inline constexpr int kDistanceRootBits = 8;
inline constexpr int kCodeLengthRootBits = 7;  // the longest code-length code: no subtables
// Worst case: every code longer than the root bits sits under its own root prefix and takes a
// full subtable (fewer than 2^(15 - root) entries each).
inline constexpr int kLiteralLengthTableSize = (1 << kLiteralLengthRootBits) + 286 * (1 << (15 - kLiteralLengthRootBits));
inline constexpr int kDistanceTableSize = (1 << kDistanceRootBits) + 30 * (1 << (15 - kDistanceRootBits));

// The code-length code of dynamic blocks decodes to its symbol 0-18 as a literal entry.
enum class Alphabet { LiteralLength, Distance, CodeLength };

struct CodeShape {
    int left = 0;   // 0: complete, > 0: incomplete (code space left over), < 0: over-subscribed
    int codes = 0;  // symbols with a nonzero length
};

// Measures the code described by `lengths` (count entries, each 0-15) and, unless it is
// over-subscribed, fills `table` (of the size above for the alphabet) for decoding.
CodeShape buildDecodeTable(const std::uint8_t* lengths, int count, Alphabet alphabet, std::uint32_t* table);

// ---- Fixed codes -----------------------------------------------------------------------------
// Decoding tables of the fixed codes (the writer spells its fixed codes itself). No fixed code
// is longer than the root bits, so there are no subtables.
struct FixedCodes {
    std::array<std::uint32_t, 1 << kLiteralLengthRootBits> literalLengthTable;
    std::array<std::uint32_t, 1 << kDistanceRootBits> distanceTable;
};

const FixedCodes& fixedCodes();

}  // namespace orbi::huffman
