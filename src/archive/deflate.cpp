// Deflate with fixed codes and greedy hash-chain matching. At each position the three bytes there
// are hashed ((b0 << 10) ^ (b1 << 5) ^ b2, 15 bits) and the chain of earlier positions with that
// hash is walked from the most recent: at most 64 candidates, none more than 32,768 bytes back,
// a candidate replacing the best only when strictly longer, stopping at the longest possible
// match. A match of 3 or more is taken at once (no lazy evaluation).
//
// Why this is fast: every position enters the chains whatever the matches are, so a position's
// chain is simply "all earlier positions with its hash" and can be laid out before the search.
// The input is cut into blocks of one window; each is counting-sorted by hash once, so a chain is
// a run of entries in this block's order followed by a run in the previous block's, and the walk
// reads consecutive entries (independent loads the processor overlaps) instead of chasing links.
// An entry carries the 9 bits of the three bytes that the hash loses, so a candidate that cannot
// share them is skipped without touching the input: for data that rarely repeats, most positions
// are settled by one branch-free look at the last few entries of both runs (screen()). Past the
// first match a candidate is checked with one 32-bit comparison of the 4 bytes ending just past
// the best length; matches are measured 8 bytes at a time; codes come from whole-symbol tables
// and go out through a 64-bit bit buffer. None of this changes which match wins: the output is
// the plain walk's, byte for byte.
#include "archive/deflate.hpp"

#include <algorithm>
#include <array>
#include <bit>
#include <cstring>
#include <memory>

#include "archive/huffman_tables.hpp"

namespace orbi {

namespace {

using namespace huffman;

constexpr std::size_t kMinMatch = 3;
constexpr std::size_t kMaxMatch = 258;
constexpr std::size_t kWindow = 32768;
constexpr std::size_t kMaxCandidates = 64;
constexpr std::size_t kHashSize = 1u << 15;
// Positions are sorted in blocks of one window, so a chain spans at most two blocks and every
// offset, bucket bound and rank fits 16 bits.
constexpr std::size_t kBlock = kWindow;
// Candidates of each run checked at once for sharing the first three bytes (see screen()).
constexpr std::size_t kScreen = 8;

// A code ready to write: `bits` go out least significant bit first, `count` of them.
struct Code {
    std::uint32_t bits;
    std::uint32_t count;
};

constexpr std::uint32_t reversed(std::uint32_t code, std::uint32_t length) {
    std::uint32_t r = 0;
    for (std::uint32_t k = 0; k < length; ++k) r |= ((code >> k) & 1u) << (length - 1 - k);
    return r;
}

// The fixed literal/length code (RFC 1951, 3.2.6).
constexpr Code fixedLiteralLengthCode(std::uint32_t symbol) {
    if (symbol < 144) return {reversed(0x30 + symbol, 8), 8};
    if (symbol < 256) return {reversed(0x190 + symbol - 144, 9), 9};
    if (symbol < 280) return {reversed(symbol - 256, 7), 7};
    return {reversed(0xC0 + symbol - 280, 8), 8};
}

constexpr std::size_t kEndOfBlock = 256;
constexpr auto kLiteralCodes = [] {
    std::array<Code, kEndOfBlock + 1> t{};
    for (std::uint32_t s = 0; s <= kEndOfBlock; ++s) t[s] = fixedLiteralLengthCode(s);
    return t;
}();

// For each match length, its symbol's code followed by its extra bits (at most 8 + 5 bits).
constexpr auto kLengthCodes = [] {
    std::array<Code, kMaxMatch + 1> t{};
    for (std::uint32_t len = kMinMatch; len <= kMaxMatch; ++len) {
        std::uint32_t s = 0;
        while (s + 1 < kLengthBase.size() && kLengthBase[s + 1] <= len) ++s;
        const Code c = fixedLiteralLengthCode(257 + s);
        t[len] = {c.bits | (len - kLengthBase[s]) << c.count, c.count + kLengthExtra[s]};
    }
    return t;
}();
static_assert(kLiteralCodes[0].bits == 0x0C && kLiteralCodes[0].count == 8);  // 00110000
static_assert(kLiteralCodes[kEndOfBlock].bits == 0 && kLiteralCodes[kEndOfBlock].count == 7);
static_assert(kLengthCodes[3].bits == 0x40 && kLengthCodes[3].count == 7);  // 0000001
static_assert(kLengthCodes[258].bits == 0xA3 && kLengthCodes[258].count == 8);  // 11000101

// Distance symbol for distance d: kDistanceSymbol[d - 1] for d <= 256, otherwise
// kDistanceSymbol[256 + ((d - 1) >> 7)]: every symbol from 16 (base 257) on spans a multiple
// of 128 distances starting at 1 + 128k.
constexpr std::uint32_t distanceSymbolSlow(std::uint32_t d) {
    std::uint32_t s = 0;
    while (s + 1 < kDistanceBase.size() && kDistanceBase[s + 1] <= d) ++s;
    return s;
}
constexpr auto kDistanceSymbol = [] {
    std::array<std::uint8_t, 512> t{};
    for (std::uint32_t d = 1; d <= 256; ++d) t[d - 1] = static_cast<std::uint8_t>(distanceSymbolSlow(d));
    for (std::uint32_t k = 2; k < 256; ++k) t[256 + k] = static_cast<std::uint8_t>(distanceSymbolSlow(k * 128 + 1));
    return t;
}();

// Each distance symbol's fixed code is the symbol itself in 5 bits, here reversed for writing.
constexpr auto kDistanceSymbolCode = [] {
    std::array<std::uint8_t, kDistanceBase.size()> t{};
    for (std::uint32_t s = 0; s < t.size(); ++s) t[s] = static_cast<std::uint8_t>(reversed(s, 5));
    return t;
}();

static_assert(kDistanceSymbolCode[1] == 0x10 && kDistanceSymbolCode[29] == 0x17);

constexpr std::uint32_t distanceSymbol(std::uint32_t d) {
    return kDistanceSymbol[d <= 256 ? d - 1 : 256 + ((d - 1) >> 7)];
}
constexpr bool checkDistanceSymbols() {
    std::uint32_t s = 0;
    for (std::uint32_t d = 1; d <= kWindow; ++d) {
        while (s + 1 < kDistanceBase.size() && kDistanceBase[s + 1] <= d) ++s;
        if (distanceSymbol(d) != s) return false;
    }
    return true;
}
static_assert(checkDistanceSymbols());

constexpr Code distanceCode(std::uint32_t d) {
    const std::uint32_t s = distanceSymbol(d);
    return {kDistanceSymbolCode[s] | (d - kDistanceBase[s]) << 5, 5u + kDistanceExtra[s]};
}

inline std::uint32_t hash3(const std::uint8_t* p) {
    return ((((std::uint32_t{p[0]} << 5) ^ p[1]) << 5) ^ p[2]) & (kHashSize - 1);
}

inline std::uint32_t load32(const std::uint8_t* p) {
    std::uint32_t v;
    std::memcpy(&v, p, 4);
    if constexpr (std::endian::native == std::endian::big) v = __builtin_bswap32(v);
    return v;
}

inline std::uint32_t load24(const std::uint8_t* p) {
    return std::uint32_t{p[0]} | std::uint32_t{p[1]} << 8 | std::uint32_t{p[2]} << 16;
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

// Bits of the three bytes at p that the hash drops (b0's top three) or mixes away (b0's and b1's
// low three, xored with b1's and b2's high three): with the hash they give back all 24 bits, so two
// positions in one bucket share their first three bytes exactly when their tags are equal.
inline std::uint32_t tag3(const std::uint8_t* p) {
    return std::uint32_t{p[0]} >> 5 | (std::uint32_t{p[1]} & 7u) << 3 | (std::uint32_t{p[0]} & 7u) << 6;
}

// An entry of a sorted block: the position's offset in the block (bits 0-15) and its tag above.
constexpr std::uint32_t entryOffset(std::uint32_t e) { return e & 0xFFFFu; }
constexpr std::uint32_t entryTag(std::uint32_t e) { return e >> 16; }

// Where a position's chain lies in its own block: the `before` entries in front of entries[slot]
// (then comes the previous block's bucket). Worked out while sorting and read in position order.
struct ChainRuns {
    std::uint16_t slot;
    std::uint16_t before;
};

// The hash and tag of each position of a block, eight positions at a time where ten bytes can be
// read, with the compiler's portable vector types (plain SSE2 on x86-64).
struct BlockKeys {
    std::array<std::uint16_t, kBlock> hash;
    std::array<std::uint16_t, kBlock> tag;

    // Needs at[size + 1] readable, as the last position hashes it.
    void compute(const std::uint8_t* at, std::size_t size) {
        using Bytes8 = std::uint8_t __attribute__((vector_size(8)));
        using Words8 = std::uint16_t __attribute__((vector_size(16)));
        const auto widen = [](const std::uint8_t* p) {
            Bytes8 b;
            std::memcpy(&b, p, sizeof b);
            return __builtin_convertvector(b, Words8);
        };
        std::size_t i = 0;
        for (; i + 8 <= size; i += 8) {
            const Words8 b0 = widen(at + i), b1 = widen(at + i + 1), b2 = widen(at + i + 2);
            const Words8 h = ((b0 << 10) ^ (b1 << 5) ^ b2) & static_cast<std::uint16_t>(kHashSize - 1);
            const Words8 t = (b0 >> 5) | (b1 & 7) << 3 | (b0 & 7) << 6;
            std::memcpy(hash.data() + i, &h, sizeof h);
            std::memcpy(tag.data() + i, &t, sizeof t);
        }
        for (; i < size; ++i) {
            hash[i] = static_cast<std::uint16_t>(hash3(at + i));
            tag[i] = static_cast<std::uint16_t>(tag3(at + i));
        }
    }
};

// The hashable positions [base, base + size) of one block, sorted by hash and, within a hash, by
// position: bucket h is entries()[start[h] .. start[h + 1]).
struct SortedBlock {
    std::size_t base = 0;
    std::size_t size = 0;
    std::array<std::uint16_t, kHashSize + 4> start;  // the last three are padding
    // kScreen zero entries in front (see clearPadding), so the screen may look up to kScreen
    // entries before a bucket.
    std::array<std::uint32_t, kScreen + kBlock> storage;

    void clearPadding() { std::fill_n(storage.begin(), kScreen, 0u); }
    std::uint32_t* entries() { return storage.data() + kScreen; }
    const std::uint32_t* entries() const { return storage.data() + kScreen; }

    // Sorts the block and fills runs[i] for each of its positions; keys is scratch room. Only
    // the buckets of the block's own hashes are made right when `last` (no block follows to look
    // further ones up), which spares a small input the sum over all 32,768 of them.
    void sort(const std::uint8_t* in, std::size_t blockBase, std::size_t blockSize, bool last, ChainRuns* runs,
              BlockKeys& keys) {
        base = blockBase;
        size = blockSize;
        keys.compute(in + base, size);
        // Counted into start[h + 1] so that the running sum leaves start[h] at bucket h's beginning.
        std::fill(start.begin(), start.end(), std::uint16_t{0});
        if (last) {
            // used: the groups of four entries of start[] that hold a count or a beginning to be read.
            std::array<std::uint64_t, kStartGroups / 64 + 1> used{};
            const auto mark = [&](std::uint32_t g) { used[g / 64] |= std::uint64_t{1} << (g % 64); };
            for (std::size_t i = 0; i < size; ++i) {
                const std::uint32_t h = keys.hash[i];
                runs[i].before = start[h + 1]++;
                mark(h / 4);
                mark((h + 1) / 4);
            }
            std::uint64_t carry = 0;
            for (std::size_t w = 0; w < used.size(); ++w)
                for (std::uint64_t bits = used[w]; bits != 0; bits &= bits - 1)
                    carry = sumGroup(&start[4 * (64 * w + static_cast<std::size_t>(std::countr_zero(bits)))], carry);
        } else {
            for (std::size_t i = 0; i < size; ++i) runs[i].before = start[keys.hash[i] + 1u]++;
            std::uint64_t carry = 0;
            for (std::size_t g = 0; g < kStartGroups; ++g) carry = sumGroup(start.data() + 4 * g, carry);
        }
        for (std::size_t i = 0; i < size; ++i) {
            const auto s = static_cast<std::uint16_t>(start[keys.hash[i]] + runs[i].before);
            entries()[s] = static_cast<std::uint32_t>(i) | std::uint32_t{keys.tag[i]} << 16;
            runs[i].slot = s;
        }
    }

private:
    // start[] in groups of four (the last holds only start[kHashSize]).
    static constexpr std::size_t kStartGroups = kHashSize / 4 + 1;

    // Turns the counts c[0 .. 3] into running sums that begin at carry, in one 64-bit word: within
    // the word by two shifted adds, then plus carry, the only thing passed from group to group.
    // Answers the carry for the next group. (No sum exceeds kBlock.)
    static std::uint64_t sumGroup(std::uint16_t* c, std::uint64_t carry) {
        std::uint64_t x = 0;
        for (std::size_t k = 0; k < 4; ++k) x |= std::uint64_t{c[k]} << (16 * k);
        x += x << 16;
        x += x << 32;
        const std::uint64_t total = x >> 48;
        x += carry * 0x0001000100010001u;
        for (std::size_t k = 0; k < 4; ++k) c[k] = static_cast<std::uint16_t>(x >> (16 * k));
        return carry + total;
    }
};

struct Match {
    // Only candidates of at least kMinMatch bytes can be taken, and which of them wins does not
    // depend on shorter ones, so every search starts as if a match of 2 were in hand.
    std::size_t length = kMinMatch - 1;
    std::size_t distance = 0;
};

// Four entries at once, with the compiler's portable vector types (plain SSE2 on x86-64).
using Lanes = std::int32_t __attribute__((vector_size(16)));
constexpr std::ptrdiff_t kLanes = 4;

inline bool anyLane(Lanes v) {
    std::uint64_t half[2];
    std::memcpy(half, &v, sizeof half);
    return (half[0] | half[1]) != 0;
}

inline Lanes lanesAt(const std::uint32_t* p) {
    Lanes v;
    std::memcpy(&v, p, sizeof v);
    return v;
}

// The highest index i < count whose entry has `tag` and an offset of at least `lowest`, looking
// no further back than the first entry below `lowest` (the window's end); -1 when there is none.
// Reads up to kLanes - 1 entries in front of entries[0] (see SortedBlock) and ignores them.
inline std::ptrdiff_t lastWithTag(const std::uint32_t* entries, std::ptrdiff_t count, std::uint32_t tag,
                                  std::uint32_t lowest) {
    const Lanes lane = {0, 1, 2, 3};
    const Lanes bit = {1, 2, 4, 8};
    const auto t = static_cast<std::int32_t>(tag);
    const auto low = static_cast<std::int32_t>(lowest);
    for (std::ptrdiff_t first = count - kLanes; first > -kLanes; first -= kLanes) {
        const Lanes v = lanesAt(entries + first);
        const Lanes hit = ((v >> 16) == t) & ((v & 0xFFFF) >= low) & (lane + static_cast<std::int32_t>(first) >= 0);
        const Lanes bits = hit & bit;
        const auto mask = static_cast<std::uint32_t>(bits[0] | bits[1] | bits[2] | bits[3]);
        if (mask != 0) return first + std::bit_width(mask) - 1;
        if (first <= 0 || entryOffset(entries[first]) < lowest) break;
    }
    return -1;
}

// One position's walk down its chain, fed one run of candidates at a time, most recent first.
class ChainWalk {
public:
    // Requires 3 readable bytes at cur, of tag `tag`; longest is how many bytes remain there (at
    // most 258).
    ChainWalk(const std::uint8_t* cur, std::size_t longest, std::uint32_t tag)
        : cur_(cur), longest_(longest), want_(load24(cur)), tag_(tag) {}

    // Visits base + entryOffset(entries[i]) for i = count - 1 down to 0, stopping before an offset
    // below `lowest` (further back than the window). Answers false once the walk is over.
    bool visit(const std::uint8_t* base, const std::uint32_t* entries, std::size_t count, std::size_t lowest) {
        if (count > left_) {  // only the most recent left_ can still be visited
            entries += count - left_;
            count = left_;
        }
        std::size_t i = count;
        if (best_.length < kMinMatch && count > 0 && entryTag(entries[count - 1]) != tag_) {
            // Until a match is found only candidates with the same first three bytes (the same
            // tag) can be one; skip the others a vector at a time, counting them as visited.
            // (Text mostly finds one at once and goes straight to the loop below.)
            const std::ptrdiff_t at =
                lastWithTag(entries, static_cast<std::ptrdiff_t>(count), tag_, static_cast<std::uint32_t>(lowest));
            if (at < 0) {
                left_ -= count;
                return left_ > 0;
            }
            i = static_cast<std::size_t>(at) + 1;
            left_ -= count - i;
        }
        // The run is cut to what may still be visited, so only the window can end it early.
        left_ -= i;
        while (i-- > 0) {
            const std::uint32_t offset = entryOffset(entries[i]);
            if (offset < lowest || !consider(base + offset)) return false;
        }
        return left_ > 0;
    }

    Match best() const { return best_; }

private:
    // A candidate can only be longer if it matches every byte up to best.length and the one after;
    // the 4 bytes ending there (the first 3 while best.length is 2) stand in for all of them in one
    // comparison. They lie inside the input, as cand < cur and best.length < longest.
    bool passes(const std::uint8_t* cand) const { return (load32(cand + probe_) & mask_) == want_; }

    // Measures one candidate if it passes; answers false once nothing longer can be found.
    bool consider(const std::uint8_t* cand) {
        if (!passes(cand)) return true;
        const std::size_t length = matchLength(cand, cur_, longest_);
        if (length <= best_.length) return true;
        best_.length = length;
        best_.distance = static_cast<std::size_t>(cur_ - cand);
        if (length == longest_) return false;
        probe_ = length - 3;
        mask_ = 0xFFFFFFFFu;
        want_ = load32(cur_ + probe_);
        return true;
    }

    const std::uint8_t* cur_;
    std::size_t longest_;
    std::uint32_t want_;
    std::uint32_t tag_;
    std::uint32_t mask_ = 0x00FFFFFFu;
    std::size_t probe_ = 0;
    std::size_t left_ = kMaxCandidates;
    Match best_;
};

// Answers true when no candidate of the chain can share the first three bytes (tag `tag`): both
// runs end within kScreen entries (the previous block's possibly by leaving the window, below
// offset `lowest`) and none of those entries has the tag. Entries in front of a run are masked
// out. One branch-free test, as most positions of data that does not repeat end here.
inline bool screen(std::uint32_t tag, const std::uint32_t* cur, std::ptrdiff_t curCount, const std::uint32_t* prev,
                   std::ptrdiff_t prevCount, std::uint32_t lowest) {
    constexpr auto kWidth = static_cast<std::ptrdiff_t>(kScreen);
    const Lanes lane = {0, 1, 2, 3};
    const auto t = static_cast<std::int32_t>(tag);
    const auto low = static_cast<std::int32_t>(lowest);
    Lanes hits = {0, 0, 0, 0};
    for (std::ptrdiff_t k = kWidth; k > 0; k -= kLanes) {
        const Lanes a = lanesAt(cur + curCount - k);
        const Lanes b = lanesAt(prev + prevCount - k);
        hits |= ((a >> 16) == t) & (lane + static_cast<std::int32_t>(curCount - k) >= 0);
        hits |= ((b >> 16) == t) & ((b & 0xFFFF) >= low) & (lane + static_cast<std::int32_t>(prevCount - k) >= 0);
    }
    const bool curLong = curCount > kWidth;
    const bool prevLong = (prevCount > kWidth) & (entryOffset(prev[prevCount - kWidth]) >= lowest);
    return !(anyLane(hits) | curLong | prevLong);
}

// Packs bits least significant first. Every put stores the whole 64-bit buffer and moves on by
// the bytes it completed, so there is no branch on whether a byte is full; this needs 8 bytes of
// room past the last byte written.
class BitSink {
public:
    explicit BitSink(std::uint8_t* out) : out_(out) {}

    // n <= 32, and value has no bits at or above n.
    void put(std::uint32_t value, unsigned n) {
        acc_ |= std::uint64_t{value} << count_;
        count_ += n;  // at most 7 + 32
        std::uint64_t bytes = acc_;
        if constexpr (std::endian::native == std::endian::big) bytes = __builtin_bswap64(bytes);
        std::memcpy(out_, &bytes, 8);
        out_ += count_ >> 3;
        acc_ >>= count_ & ~7u;
        count_ &= 7;
    }

    // Writes the last partial byte, padded with zero bits; answers the end.
    std::uint8_t* finish() {
        if (count_ > 0) *out_++ = static_cast<std::uint8_t>(acc_);
        return out_;
    }

private:
    std::uint8_t* out_;
    std::uint64_t acc_ = 0;
    unsigned count_ = 0;
};

struct Workspace {
    SortedBlock blocks[2];
    std::array<ChainRuns, kBlock> runs;  // of the current block's positions
    BlockKeys keys;
};

std::size_t compress(const std::uint8_t* in, std::size_t n, std::uint8_t* out) {
    BitSink sink(out);
    sink.put(1, 1);  // final block
    sink.put(1, 2);  // fixed Huffman codes

    // Positions p with p + 2 < n are hashed; they all enter the chains.
    const std::size_t hashable = n >= kMinMatch ? n - 2 : 0;
    auto work = std::make_unique_for_overwrite<Workspace>();  // each entry is written before it is read
    for (SortedBlock& block : work->blocks) block.clearPadding();
    SortedBlock* current = nullptr;
    // The block before the current one. The first block stands in as its own, seen through a
    // window moved one block further back (shift), so that none of it can be reached there.
    const SortedBlock* previous = nullptr;
    std::size_t shift = 0;
    std::size_t sorted = 0;  // positions sorted so far

    std::size_t p = 0;
    while (p < n) {
        Match best;
        if (p < hashable) {
            if (p >= sorted) {
                SortedBlock* const next = current == &work->blocks[0] ? &work->blocks[1] : &work->blocks[0];
                const std::size_t size = std::min(kBlock, hashable - sorted);
                next->sort(in, sorted, size, sorted + size == hashable, work->runs.data(), work->keys);
                previous = current != nullptr ? current : next;
                shift = current != nullptr ? 0 : kBlock;
                current = next;
                sorted += size;
            }
            const std::size_t i = p - current->base;
            const ChainRuns& runs = work->runs[i];
            const std::uint32_t* const curRun = current->entries() + runs.slot - runs.before;
            const std::uint32_t h = work->keys.hash[i];
            const std::uint32_t tag = work->keys.tag[i];
            const std::uint32_t* const prevRun = previous->entries() + previous->start[h];
            const std::size_t prevCount = previous->start[h + 1] - previous->start[h];
            // Offsets in the previous block are i + kBlock back, so the window ends at offset i.
            const auto lowest = static_cast<std::uint32_t>(i + shift);
            // Text mostly has a long chain or repeats the latest candidate's three bytes: no need
            // to screen. (curRun[-1] is readable: an entry of another bucket or padding.)
            const bool likely =
                (runs.before > kScreen) | ((runs.before > 0) & (entryTag(curRun[runs.before - 1]) == tag));
            if (likely || !screen(tag, curRun, runs.before, prevRun, static_cast<std::ptrdiff_t>(prevCount), lowest)) {
                ChainWalk walk(in + p, std::min(n - p, kMaxMatch), tag);
                if (walk.visit(in + current->base, curRun, runs.before, 0))
                    walk.visit(in + previous->base, prevRun, prevCount, lowest);
                best = walk.best();
            }
        }

        if (best.length >= kMinMatch) {
            // At most 13 + 18 bits, so one write takes both.
            const Code length = kLengthCodes[best.length];
            const Code distance = distanceCode(static_cast<std::uint32_t>(best.distance));
            sink.put(length.bits | distance.bits << length.count, length.count + distance.count);
            p += best.length;
        } else {
            const Code literal = kLiteralCodes[in[p]];
            sink.put(literal.bits, literal.count);
            ++p;
        }
    }
    sink.put(kLiteralCodes[kEndOfBlock].bits, kLiteralCodes[kEndOfBlock].count);
    return static_cast<std::size_t>(sink.finish() - out);
}

}  // namespace

std::vector<std::uint8_t> deflateFixed(std::span<const std::uint8_t> input) {
    const std::size_t n = input.size();
    // At most 9 bits per input byte (a literal; a match costs at most 25 bits for 3 bytes), plus
    // the header and end code, plus the 8 bytes the bit sink may store past its end.
    std::vector<std::uint8_t> out(n + n / 8 + 16);
    out.resize(compress(input.data(), n, out.data()));
    return out;
}

}  // namespace orbi
