// Building canonical Huffman decoding tables (RFC 1951 section 3.2.2) and the fixed codes of
// section 3.2.6. A table answers a whole symbol with one or two lookups; the kinds kInvalid and
// kBadSymbol let the decoder report faults exactly where a bit-at-a-time decoder would.
#include "archive/huffman_tables.hpp"

#include <cstring>
#include <mutex>

namespace orbi::huffman {

namespace {

// A symbol's entry for a code of length 0; a code of length n adds n to the bits taken and n << 8.
constexpr std::uint32_t symbolEntry(int symbol, Alphabet alphabet) {
    const auto value = static_cast<std::uint32_t>(symbol);
    if (alphabet == Alphabet::CodeLength) return makeEntry(0, 0, kLiteral, value);
    if (alphabet == Alphabet::LiteralLength) {
        if (symbol < 256) return makeEntry(0, 0, kLiteral, value);
        if (symbol == 256) return makeEntry(0, 0, kEndOfBlock, 0);
        if (symbol <= 285) return makeEntry(0, kLengthExtra[symbol - 257], kBase, kLengthBase[symbol - 257]);
        return makeEntry(0, 0, kBadSymbol, value);
    }
    if (symbol < kDistanceSymbols) return makeEntry(0, kDistanceExtra[symbol], kBase, kDistanceBase[symbol]);
    return makeEntry(0, 0, kBadSymbol, value);
}

template <Alphabet alphabet, int count>
constexpr std::array<std::uint32_t, count> symbolEntries() {
    std::array<std::uint32_t, count> entries{};
    for (int s = 0; s < count; ++s) entries[static_cast<std::size_t>(s)] = symbolEntry(s, alphabet);
    return entries;
}

constexpr auto kLiteralLengthEntries = symbolEntries<Alphabet::LiteralLength, kLiteralLengthSymbols>();
constexpr auto kDistanceEntries = symbolEntries<Alphabet::Distance, 32>();
constexpr auto kCodeLengthEntries = symbolEntries<Alphabet::CodeLength, 19>();

constexpr std::uint32_t withLength(std::uint32_t entry, int length) { return entry + static_cast<std::uint32_t>(length) * 0x101u; }

constexpr std::array<std::uint8_t, 256> kReversedBytes = [] {
    std::array<std::uint8_t, 256> r{};
    for (unsigned b = 0; b < 256; ++b)
        for (unsigned bit = 0; bit < 8; ++bit)
            if ((b >> bit) & 1u) r[b] = static_cast<std::uint8_t>(r[b] | (0x80u >> bit));
    return r;
}();

// The low `length` bits of code in reverse order: a code as the stream sends it, first bit lowest.
std::uint32_t reverseBits(std::uint32_t code, int length) {
    const std::uint32_t reversed16 = std::uint32_t{kReversedBytes[code & 0xFFu]} << 8 | kReversedBytes[(code >> 8) & 0xFFu];
    return reversed16 >> (16 - length);
}

}  // namespace

// The root table is filled by doubling: after the codes of length n have been put at their own
// (bit-reversed) slots among the first 2^n, those 2^n slots are copied once above themselves, so
// every shorter code reaches all the slots it owns with block copies instead of strided stores.
// Slots no code owns keep the invalid entry the table started from.
CodeShape buildDecodeTable(const std::uint8_t* lengths, int count, Alphabet alphabet, std::uint32_t* table) {
    // Counting and sorting go through four quarters of the symbols side by side: a run of equal
    // lengths would otherwise make each step wait for the counter the step before stored.
    constexpr int kWays = 4;
    int start[kWays + 1];
    for (int q = 0; q <= kWays; ++q) start[q] = q * count / kWays;
    const int common = count / kWays;  // every quarter has at least this many symbols
    int perWay[kWays][kMaxCodeLength + 1] = {};
    for (int j = 0; j < common; ++j)
        for (int q = 0; q < kWays; ++q) ++perWay[q][lengths[start[q] + j]];
    for (int q = 0; q < kWays; ++q)
        for (int s = start[q] + common; s < start[q + 1]; ++s) ++perWay[q][lengths[s]];
    int perLength[kMaxCodeLength + 1];
    for (int len = 0; len <= kMaxCodeLength; ++len) perLength[len] = perWay[0][len] + perWay[1][len] + perWay[2][len] + perWay[3][len];

    CodeShape shape;
    shape.codes = count - perLength[0];
    int left = 1;
    for (int len = 1; len <= kMaxCodeLength; ++len) {
        left <<= 1;
        left -= perLength[len];
        if (left < 0) {
            shape.left = left;
            return shape;
        }
    }
    shape.left = left;

    // Symbols in canonical order (by length, then by symbol), each quarter after the ones before
    // it; symbols without a code go after all of them, so that no symbol needs a test.
    int offset[kWays][kMaxCodeLength + 1];
    for (int len = 0, at = 0; len <= kMaxCodeLength; ++len) {
        const int length = len == kMaxCodeLength ? 0 : len + 1;  // lengths 1..15, then 0
        for (int q = 0; q < kWays; ++q) {
            offset[q][length] = at;
            at += perWay[q][length];
        }
    }
    int sorted[kLiteralLengthSymbols];
    for (int j = 0; j < common; ++j)
        for (int q = 0; q < kWays; ++q) {
            const int s = start[q] + j;
            sorted[offset[q][lengths[s]]++] = s;
        }
    for (int q = 0; q < kWays; ++q)
        for (int s = start[q] + common; s < start[q + 1]; ++s) sorted[offset[q][lengths[s]]++] = s;

    const int root = alphabet == Alphabet::LiteralLength ? kLiteralLengthRootBits
                     : alphabet == Alphabet::Distance    ? kDistanceRootBits
                                                         : kCodeLengthRootBits;
    const std::uint32_t* entries = alphabet == Alphabet::LiteralLength ? kLiteralLengthEntries.data()
                                   : alphabet == Alphabet::Distance    ? kDistanceEntries.data()
                                                                       : kCodeLengthEntries.data();
    const std::uint32_t invalid = makeEntry(0, 0, kInvalid, 0);

    // Canonical codes (most significant bit first, as RFC 1951 writes them) counted up as we go.
    std::uint32_t code = 0;
    int i = 0;
    table[0] = invalid;
    for (int len = 1; len <= root; ++len) {
        // Blocks of eight entries: a copy of unknown size would go through a slow string move.
        const int half = 1 << (len - 1);
        if (half < 8) {
            for (int j = 0; j < half; ++j) table[half + j] = table[j];
        } else {
            for (int j = 0; j < half; j += 8) std::memcpy(table + half + j, table + j, 8 * sizeof(std::uint32_t));
        }
        for (int k = 0; k < perLength[len]; ++k, ++i, ++code) table[reverseBits(code, len)] = withLength(entries[sorted[i]], len);
        code <<= 1;
    }

    // Codes longer than the root share a subtable per root prefix; in canonical order the codes
    // under one prefix are consecutive and the last is the longest.
    std::uint32_t codeOf[kLiteralLengthSymbols];
    int lengthOf[kLiteralLengthSymbols];
    for (int len = root + 1, n = i; len <= kMaxCodeLength; ++len, code <<= 1)
        for (int k = 0; k < perLength[len]; ++k, ++n, ++code) {
            codeOf[n] = code;
            lengthOf[n] = len;
        }
    int next = 1 << root;  // where the next subtable goes
    while (i < shape.codes) {
        const std::uint32_t prefix = codeOf[i] >> (lengthOf[i] - root);
        int end = i;
        while (end < shape.codes && (codeOf[end] >> (lengthOf[end] - root)) == prefix) ++end;
        const int subBits = lengthOf[end - 1] - root;
        std::uint32_t* sub = table + next;
        // A complete code fills every entry itself; only an incomplete one leaves gaps to mark.
        if (left != 0)
            for (int j = 0; j < (1 << subBits); ++j) sub[j] = invalid;
        table[reverseBits(prefix, root)] = makeEntry(0, static_cast<std::uint32_t>(subBits), kLink, static_cast<std::uint32_t>(next));
        next += 1 << subBits;
        for (; i < end; ++i) {
            const int restLength = lengthOf[i] - root;
            const std::uint32_t rest = codeOf[i] & ((1u << restLength) - 1u);
            const std::uint32_t e = withLength(entries[sorted[i]], lengthOf[i]);
            for (std::uint32_t j = reverseBits(rest, restLength); j < (1u << subBits); j += 1u << restLength) sub[j] = e;
        }
    }
    return shape;
}

namespace {

FixedCodes buildFixedCodes() {
    FixedCodes f{};
    std::uint8_t litLengths[kLiteralLengthSymbols];
    for (int s = 0; s < kLiteralLengthSymbols; ++s) litLengths[s] = s < 144 ? 8 : s < 256 ? 9 : s < 280 ? 7 : 8;
    std::uint8_t distLengths[32];
    for (auto& l : distLengths) l = 5;

    // The fixed literal/length code is complete and at most 9 bits long; the fixed distance code
    // gives only its 30 real symbols lengths, leaving two 5-bit codes unused.
    buildDecodeTable(litLengths, kLiteralLengthSymbols, Alphabet::LiteralLength, f.literalLengthTable.data());
    buildDecodeTable(distLengths, kDistanceSymbols, Alphabet::Distance, f.distanceTable.data());
    return f;
}

}  // namespace

const FixedCodes& fixedCodes() {
    static std::once_flag once;
    static FixedCodes codes;
    std::call_once(once, [] { codes = buildFixedCodes(); });
    return codes;
}

}  // namespace orbi::huffman
