// Building canonical Huffman decoding tables (RFC 1951 section 3.2.2) and the fixed codes of
// section 3.2.6. A table answers a whole symbol with one or two lookups; the kinds kInvalid and
// kBadSymbol let the decoder report faults exactly where a bit-at-a-time decoder would.
#include "archive/huffman_tables.hpp"

#include <mutex>

namespace orbi::huffman {

namespace {

std::uint32_t symbolEntry(int symbol, int length, Alphabet alphabet) {
    const auto len = static_cast<std::uint32_t>(length);
    if (alphabet == Alphabet::CodeLength) return makeEntry(len, 0, kLiteral, static_cast<std::uint32_t>(symbol));
    if (alphabet == Alphabet::LiteralLength) {
        if (symbol < 256) return makeEntry(len, 0, kLiteral, static_cast<std::uint32_t>(symbol));
        if (symbol == 256) return makeEntry(len, 0, kEndOfBlock, 0);
        if (symbol <= 285)
            return makeEntry(len, kLengthExtra[symbol - 257], kBase, kLengthBase[symbol - 257]);
        return makeEntry(len, 0, kBadSymbol, static_cast<std::uint32_t>(symbol));
    }
    if (symbol < kDistanceSymbols) return makeEntry(len, kDistanceExtra[symbol], kBase, kDistanceBase[symbol]);
    return makeEntry(len, 0, kBadSymbol, static_cast<std::uint32_t>(symbol));
}

}  // namespace

std::uint32_t reverseBits(std::uint32_t code, int length) {
    // Swaps halves of ever larger pieces of the 16-bit word, then drops the bits beyond the length.
    std::uint32_t x = code;
    x = ((x & 0x5555u) << 1) | ((x >> 1) & 0x5555u);
    x = ((x & 0x3333u) << 2) | ((x >> 2) & 0x3333u);
    x = ((x & 0x0F0Fu) << 4) | ((x >> 4) & 0x0F0Fu);
    x = ((x & 0x00FFu) << 8) | ((x >> 8) & 0x00FFu);
    return x >> (16 - length);
}

CodeShape buildDecodeTable(const std::uint8_t* lengths, int count, Alphabet alphabet, std::uint32_t* table) {
    int perLength[kMaxCodeLength + 1] = {};
    for (int s = 0; s < count; ++s) ++perLength[lengths[s]];

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

    // Symbols in canonical order (by length, then by symbol), with their codes (most significant
    // bit first, as RFC 1951 writes them).
    int offset[kMaxCodeLength + 2] = {};
    for (int len = 1; len <= kMaxCodeLength; ++len) offset[len + 1] = offset[len] + perLength[len];
    int sorted[kLiteralLengthSymbols];
    for (int s = 0; s < count; ++s)
        if (lengths[s] != 0) sorted[offset[lengths[s]]++] = s;
    std::uint32_t codeOf[kLiteralLengthSymbols];
    int lengthOf[kLiteralLengthSymbols];
    {
        std::uint32_t code = 0;
        int i = 0;
        for (int len = 1; len <= kMaxCodeLength; ++len) {
            for (int k = 0; k < perLength[len]; ++k, ++i) {
                codeOf[i] = code++;
                lengthOf[i] = len;
            }
            code <<= 1;
        }
    }

    const int root = alphabet == Alphabet::LiteralLength ? kLiteralLengthRootBits
                     : alphabet == Alphabet::Distance    ? kDistanceRootBits
                                                         : kCodeLengthRootBits;
    const std::uint32_t invalid = makeEntry(0, 0, kInvalid, 0);
    // A complete code fills every entry itself; only an incomplete one leaves gaps to mark.
    if (left != 0)
        for (int i = 0; i < (1 << root); ++i) table[i] = invalid;
    int next = 1 << root;  // where the next subtable goes

    for (int i = 0; i < shape.codes;) {
        const int len = lengthOf[i];
        const std::uint32_t entry = symbolEntry(sorted[i], len, alphabet);
        if (len <= root) {
            const std::uint32_t rev = reverseBits(codeOf[i], len);
            for (std::uint32_t j = rev; j < (1u << root); j += 1u << len) table[j] = entry;
            ++i;
            continue;
        }
        // Codes longer than the root share a subtable per root prefix; in canonical order the
        // codes under one prefix are consecutive and the last is the longest.
        const std::uint32_t prefix = codeOf[i] >> (len - root);
        int end = i;
        while (end < shape.codes && lengthOf[end] > root && (codeOf[end] >> (lengthOf[end] - root)) == prefix) ++end;
        const int subBits = lengthOf[end - 1] - root;
        std::uint32_t* sub = table + next;
        if (left != 0)
            for (int j = 0; j < (1 << subBits); ++j) sub[j] = invalid;
        table[reverseBits(prefix, root)] =
            makeEntry(0, static_cast<std::uint32_t>(subBits), kLink, static_cast<std::uint32_t>(next));
        next += 1 << subBits;
        for (; i < end; ++i) {
            const int restLength = lengthOf[i] - root;
            const std::uint32_t rest = codeOf[i] & ((1u << restLength) - 1u);
            const std::uint32_t e = symbolEntry(sorted[i], lengthOf[i], alphabet);
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

    // Canonical codes: count the lengths, next code per length, assign in symbol order.
    std::uint32_t perLength[kMaxCodeLength + 1] = {};
    for (auto l : litLengths) ++perLength[l];
    perLength[0] = 0;
    std::uint32_t nextCode[kMaxCodeLength + 1] = {};
    std::uint32_t code = 0;
    for (int len = 1; len <= kMaxCodeLength; ++len) {
        code = (code + perLength[len - 1]) << 1;
        nextCode[len] = code;
    }
    for (int s = 0; s < kLiteralLengthSymbols; ++s) {
        const int len = litLengths[s];
        f.literalLengthCode[s] = static_cast<std::uint16_t>(reverseBits(nextCode[len]++, len));
        f.literalLengthBits[s] = static_cast<std::uint8_t>(len);
    }
    for (int s = 0; s < kDistanceSymbols; ++s) f.distanceCode[s] = static_cast<std::uint16_t>(reverseBits(static_cast<std::uint32_t>(s), 5));
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
