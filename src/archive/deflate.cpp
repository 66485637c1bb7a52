// Deflate with fixed codes and greedy hash-chain matching. At each position the three bytes there
// are hashed ((b0 << 10) ^ (b1 << 5) ^ b2, 15 bits) and the chain of earlier positions with that
// hash is walked from the most recent: at most 64 candidates, none more than 32,768 bytes back,
// a candidate replacing the best only when strictly longer, stopping at the longest possible
// match. A match of 3 or more is taken at once (no lazy evaluation) and every position it covers
// enters the chains. Speed comes from the implementation alone - chains kept in a one-window ring
// (positions further back can never be used), a 32-bit quick reject, word-wide match comparison
// and a 64-bit bit writer - never from choosing other matches.
#include "archive/deflate.hpp"

#include <algorithm>
#include <array>
#include <bit>
#include <cstring>
#include <limits>
#include <memory>

#include "archive/huffman_tables.hpp"

namespace orbi {

namespace {

using namespace huffman;

constexpr std::size_t kMinMatch = 3;
constexpr std::size_t kMaxMatch = 258;
constexpr std::size_t kWindow = 32768;
constexpr int kMaxCandidates = 64;
constexpr std::size_t kHashSize = 1u << 15;

// Length symbol (0-28, i.e. symbol - 257) for each match length 0..258.
constexpr std::array<std::uint8_t, kMaxMatch + 1> makeLengthSymbols() {
    std::array<std::uint8_t, kMaxMatch + 1> t{};
    for (std::size_t len = kMinMatch; len <= kMaxMatch; ++len) {
        std::size_t s = 0;
        while (s + 1 < kLengthBase.size() && kLengthBase[s + 1] <= len) ++s;
        t[len] = static_cast<std::uint8_t>(s);
    }
    return t;
}
constexpr auto kLengthSymbol = makeLengthSymbols();
static_assert(kLengthSymbol[258] == 28 && kLengthSymbol[257] == 27 && kLengthSymbol[3] == 0);

// Distance symbol for distance d: kDistanceSymbolSmall[d - 1] for d <= 256, otherwise
// kDistanceSymbolLarge[(d - 1) >> 7].
constexpr std::uint8_t distanceSymbolSlow(std::size_t d) {
    std::size_t s = 0;
    while (s + 1 < kDistanceBase.size() && kDistanceBase[s + 1] <= d) ++s;
    return static_cast<std::uint8_t>(s);
}
constexpr std::array<std::uint8_t, 256> makeSmallDistanceSymbols() {
    std::array<std::uint8_t, 256> t{};
    for (std::size_t d = 1; d <= 256; ++d) t[d - 1] = distanceSymbolSlow(d);
    return t;
}
constexpr std::array<std::uint8_t, 256> makeLargeDistanceSymbols() {
    std::array<std::uint8_t, 256> t{};
    // Every distance symbol from 16 (base 257) on spans a multiple of 128 distances starting at
    // 1 + 128k, so (d - 1) >> 7 decides it.
    for (std::size_t k = 2; k < 256; ++k) t[k] = distanceSymbolSlow(k * 128 + 1);
    return t;
}
constexpr auto kDistanceSymbolSmall = makeSmallDistanceSymbols();
constexpr auto kDistanceSymbolLarge = makeLargeDistanceSymbols();

constexpr std::uint8_t distanceSymbol(std::size_t d) {
    return d <= 256 ? kDistanceSymbolSmall[d - 1] : kDistanceSymbolLarge[(d - 1) >> 7];
}
constexpr bool checkDistanceSymbols() {
    std::size_t s = 0;
    for (std::size_t d = 1; d <= kWindow; ++d) {
        while (s + 1 < kDistanceBase.size() && kDistanceBase[s + 1] <= d) ++s;
        if (distanceSymbol(d) != s) return false;
    }
    return true;
}
static_assert(checkDistanceSymbols());

inline std::uint32_t hash3(const std::uint8_t* p) {
    return ((((std::uint32_t{p[0]} << 5) ^ p[1]) << 5) ^ p[2]) & (kHashSize - 1);
}

inline std::uint32_t load32(const std::uint8_t* p) {
    std::uint32_t v;
    std::memcpy(&v, p, 4);
    if constexpr (std::endian::native == std::endian::big) v = __builtin_bswap32(v);
    return v;
}

inline std::uint64_t load64(const std::uint8_t* p) {
    std::uint64_t v;
    std::memcpy(&v, p, 8);
    return v;
}

// Bytes equal at a and b, up to limit; both ranges lie inside the input.
inline std::size_t matchLength(const std::uint8_t* a, const std::uint8_t* b, std::size_t limit) {
    std::size_t n = 0;
    if constexpr (std::endian::native == std::endian::little) {
        while (n + 8 <= limit) {
            const std::uint64_t x = load64(a + n) ^ load64(b + n);
            if (x != 0) return n + static_cast<std::size_t>(std::countr_zero(x) >> 3);
            n += 8;
        }
    }
    while (n < limit && a[n] == b[n]) ++n;
    return n;
}

struct Match {
    // Only candidates of at least kMinMatch bytes can be taken, and which of them wins does not
    // depend on shorter ones, so every search starts as if a match of 2 were in hand.
    std::size_t length = kMinMatch - 1;
    std::size_t distance = 0;
};

// Walks the chain from candidate `first` (-1: none); `links` holds, for each position of the
// window, the previous position with the same hash. Requires 4 readable bytes at in + p.
template <typename Index>
inline Match longestMatch(const std::uint8_t* in, std::size_t p, Index first, std::size_t longest, const Index* links) {
    Match best;
    const std::uint8_t* const cur = in + p;
    // Candidates before `lowest` are more than a window back (and -1 is below it too).
    const Index lowest = static_cast<Index>(p > kWindow ? p - kWindow : 0);
    // A candidate can only be longer if it matches every byte up to best.length; one 32-bit
    // comparison of the bytes ending there (the first three while best.length is 2) rejects most
    // of the rest at once.
    std::size_t probe = 0;
    std::uint32_t mask = 0x00FFFFFFu;
    std::uint32_t want = load32(cur) & mask;
    Index candidate = first;
    for (int left = kMaxCandidates; candidate >= lowest && left > 0; --left) {
        const auto c = static_cast<std::size_t>(candidate);
        // Load the next link first: it does not depend on this candidate's outcome.
        const Index next = links[c & (kWindow - 1)];
        const std::uint8_t* const cand = in + c;
        if ((load32(cand + probe) & mask) == want) {
            const std::size_t length = matchLength(cand, cur, longest);
            if (length > best.length) {
                best.length = length;
                best.distance = p - c;
                if (length == longest) break;
                probe = length - 3;
                mask = 0xFFFFFFFFu;
                want = load32(cur + probe);
            }
        }
        candidate = next;
    }
    return best;
}

// The same walk where fewer than 4 bytes remain (then exactly 3).
template <typename Index>
inline Match longestMatchAtTheEnd(const std::uint8_t* in, std::size_t p, Index first, std::size_t longest,
                                  const Index* links) {
    Match best;
    const Index lowest = static_cast<Index>(p > kWindow ? p - kWindow : 0);
    Index candidate = first;
    for (int left = kMaxCandidates; candidate >= lowest && left > 0; --left) {
        const auto c = static_cast<std::size_t>(candidate);
        const std::size_t length = matchLength(in + c, in + p, longest);
        if (length > best.length) {
            best.length = length;
            best.distance = p - c;
            if (length == longest) break;
        }
        candidate = links[c & (kWindow - 1)];
    }
    return best;
}

// Packs bits least significant first; whole 32-bit words go out as they fill.
class BitSink {
public:
    explicit BitSink(std::uint8_t* out) : out_(out) {}

    // n <= 32, and value has no bits at or above n.
    void put(std::uint32_t value, unsigned n) {
        acc_ |= std::uint64_t{value} << count_;
        count_ += n;
        if (count_ >= 32) {
            const auto word = static_cast<std::uint32_t>(acc_);
            out_[0] = static_cast<std::uint8_t>(word);
            out_[1] = static_cast<std::uint8_t>(word >> 8);
            out_[2] = static_cast<std::uint8_t>(word >> 16);
            out_[3] = static_cast<std::uint8_t>(word >> 24);
            out_ += 4;
            acc_ >>= 32;
            count_ -= 32;
        }
    }

    // Writes the remaining bits, the last byte padded with zero bits; answers the end.
    std::uint8_t* finish() {
        while (count_ > 0) {
            *out_++ = static_cast<std::uint8_t>(acc_);
            acc_ >>= 8;
            count_ = count_ > 8 ? count_ - 8 : 0;
        }
        return out_;
    }

private:
    std::uint8_t* out_;
    std::uint64_t acc_ = 0;
    unsigned count_ = 0;
};

template <typename Index>
std::size_t compress(const std::uint8_t* in, std::size_t n, std::uint8_t* out) {
    const FixedCodes& codes = fixedCodes();
    BitSink sink(out);
    sink.put(1, 1);  // final block
    sink.put(1, 2);  // fixed Huffman codes

    auto head = std::make_unique<Index[]>(kHashSize);
    std::fill_n(head.get(), kHashSize, Index{-1});
    // The chains in a ring of one window: the entry of position q (at q mod 32,768) is the
    // previous position with the same hash, or -1. While position p is searched, the ring holds
    // exactly the entries of p - 32,768 .. p - 1, the only positions a match may come from, and a
    // link to anything older ends the walk.
    auto links = std::make_unique_for_overwrite<Index[]>(kWindow);  // each entry is written before it is read

    auto insert = [&](std::size_t q, std::uint32_t h) {
        links[q & (kWindow - 1)] = head[h];
        head[h] = static_cast<Index>(q);
    };

    std::size_t p = 0;
    while (p < n) {
        Match best;
        std::uint32_t h = 0;
        const bool hashable = p + 2 < n;
        if (hashable) {
            h = hash3(in + p);
            const std::size_t longest = std::min(n - p, kMaxMatch);
            best = p + 4 <= n ? longestMatch(in, p, head[h], longest, links.get())
                              : longestMatchAtTheEnd(in, p, head[h], longest, links.get());
        }
        const std::size_t bestLength = best.length;
        const std::size_t bestDistance = best.distance;

        if (bestLength >= kMinMatch) {
            const unsigned ls = kLengthSymbol[bestLength];
            const unsigned sym = 257 + ls;
            const unsigned lbits = codes.literalLengthBits[sym];
            const std::uint32_t lengthField =
                codes.literalLengthCode[sym] | static_cast<std::uint32_t>(bestLength - kLengthBase[ls]) << lbits;
            const unsigned ds = distanceSymbol(bestDistance);
            const std::uint32_t distanceField =
                codes.distanceCode[ds] | static_cast<std::uint32_t>(bestDistance - kDistanceBase[ds]) << 5;
            sink.put(lengthField, lbits + kLengthExtra[ls]);
            sink.put(distanceField, 5u + kDistanceExtra[ds]);

            insert(p, h);
            const std::size_t end = p + bestLength;
            const std::size_t lastHashable = n >= 3 ? n - 3 : 0;  // q + 2 < n
            for (std::size_t q = p + 1; q < end && q <= lastHashable; ++q) insert(q, hash3(in + q));
            p = end;
        } else {
            const std::uint8_t b = in[p];
            sink.put(codes.literalLengthCode[b], codes.literalLengthBits[b]);
            if (hashable) insert(p, h);
            ++p;
        }
    }
    sink.put(codes.literalLengthCode[256], codes.literalLengthBits[256]);
    return static_cast<std::size_t>(sink.finish() - out);
}

}  // namespace

std::vector<std::uint8_t> deflateFixed(std::span<const std::uint8_t> input) {
    const std::size_t n = input.size();
    // At most 9 bits per input byte (a literal; a match costs at most 25 bits for 3 bytes), plus
    // the header and end code, plus room for one whole 32-bit word written at the end.
    std::vector<std::uint8_t> out(n + n / 8 + 16);
    std::size_t size = 0;
    if (n < static_cast<std::size_t>(std::numeric_limits<std::int32_t>::max()))
        size = compress<std::int32_t>(input.data(), n, out.data());
    else
        size = compress<std::int64_t>(input.data(), n, out.data());
    out.resize(size);
    return out;
}

}  // namespace orbi
