// Inflate. Why it is fast, and what it assumes:
// - A 64-bit bit buffer refilled eight bytes at a time without a branch: the load takes whole
//   bytes, the count only what fits, so after a refill every bit of the buffer is a stream bit.
//   In the fast loop the buffer, its count and both cursors are locals that stay in registers;
//   the count is kept by its low byte, so whole table entries are subtracted from it unmasked.
// - Table entries carry the whole step: a literal's byte, or a length's or distance's base with
//   the bits its code and extra bits take together, so one shift drops them and the extra bits
//   are read from the word before it. Kinds are bit flags: one test tells each common case apart.
//   The literal/length root table takes 11 bits, so nearly every literal is one lookup.
// - The fast loop tests its input and output room once per round: each round may refill twice
//   (15 input bytes) and write two literals and the longest match with its copy's overshoot. It
//   takes up to three literals or one length/distance pair (48 bits) per refill, and looks up
//   the next entry before the refill and the match copy, which then overlap with it. A variant
//   for the last few hundred bytes of the output keeps less room and checks each match instead.
// - Matches copy 16 or 8 bytes at a time when the distance allows, else store a word holding the
//   repeating period at whole-period steps; all overshoot into the room the loop keeps.
// - Built twice, plainly and for BMI2 (shifts and masks by a register in one instruction), and
//   chosen once per process by the processor's features.
// - The output is reserved once: the declared size, never more than the input can unpack to. A
//   reused vector is written over in place; only bytes past its old size are ever zeroed.
// The careful loop handles the rest one symbol at a time, checking every bit it takes. Faults are
// reported exactly where a decoder reading one bit at a time would find them: a code needs only
// its own bits, while "no code matches" needs all 15.
#include "archive/inflate.hpp"

#include <algorithm>
#include <bit>
#include <cstring>
#include <memory>

#include "archive/archive_messages.hpp"
#include "archive/cpu_features.hpp"
#include "archive/huffman_tables.hpp"

namespace orbi {

namespace {

using namespace huffman;
namespace text = archive_text;

constexpr int kMaxMatch = 258;
// A match copy writes up to this many bytes past the match: chunks of up to 16 bytes, two at the least.
constexpr std::size_t kCopyOvershoot = 32;
// What one round of the fast loop may need: two refills of 8 bytes, each advancing up to 7; two
// literals, then the longest match with its overshoot. Near the end of the output the tail's
// variant of the loop keeps only room for three literals or an overshoot, and checks each match.
constexpr std::size_t kFastInputBytes = 15;
constexpr std::size_t kFastOutputRoom = 2 + kMaxMatch + kCopyOvershoot;
constexpr std::size_t kTailOutputRoom = kCopyOvershoot;
constexpr std::size_t kMinimumGrowth = 32 * 1024;
constexpr std::size_t kZeroingStep = 64 * 1024;
// The most output one input byte can give: a 258-byte match coded in two bits.
constexpr std::uint64_t kMaxExpansion = 1032;
constexpr std::uint64_t kLitRootMask = (1u << huffman::kLiteralLengthRootBits) - 1u;
constexpr std::uint64_t kDistRootMask = (1u << huffman::kDistanceRootBits) - 1u;

inline std::uint64_t loadLittleEndian64(const std::uint8_t* p) {
    if constexpr (std::endian::native == std::endian::little) {
        std::uint64_t v;
        std::memcpy(&v, p, 8);
        return v;
    } else {
        std::uint64_t v = 0;
        for (int i = 7; i >= 0; --i) v = (v << 8) | p[i];
        return v;
    }
}

inline std::uint64_t lowBits(std::uint64_t v, unsigned n) { return n >= 64 ? v : v & ((std::uint64_t{1} << n) - 1); }
// The low n bits of v, for n below 64 (an entry's total is at most 28).
inline std::uint64_t lowBitsBelow64(std::uint64_t v, std::uint32_t n) { return v & ((std::uint64_t{1} << n) - 1); }

// Bits above `count` in `buffer` are either zero or the true bits of the bytes not yet counted, so
// looking at more bits than are counted never sees foreign data.
struct BitReader {
    const std::uint8_t* in;
    std::size_t size;
    std::size_t pos = 0;
    std::uint64_t buffer = 0;
    unsigned count = 0;
    bool outOfInput = false;  // sticky, as the format's reads after the end answer 0

    // Loads whole bytes while there is room and input; afterwards 56 <= count <= 63 unless the
    // input is used up (count stays below 64 so that the fast loop's refill may shift by it).
    void refillCareful() {
        if (size - pos >= 8) {
            // The same bytes the loop below would take, in one load.
            buffer |= loadLittleEndian64(in + pos) << count;
            pos += (63 - count) >> 3;
            count |= 56;
            return;
        }
        while (count <= 55 && pos < size) {
            buffer |= std::uint64_t{in[pos++]} << count;
            count += 8;
        }
    }

    void consume(unsigned n) {
        buffer >>= n;
        count -= n;
    }

    // n <= 16. Answers 0 and sets the flag when the input ends before n bits are held.
    std::uint32_t bits(unsigned n) {
        if (count < n) {
            refillCareful();
            if (count < n) {
                outOfInput = true;
                return 0;
            }
        }
        const auto v = static_cast<std::uint32_t>(lowBits(buffer, n));
        consume(n);
        return v;
    }

    // Continues at the next byte boundary: the partial byte's bits are dropped and whole bytes
    // read ahead go back to the input.
    void alignToByte() {
        pos -= count / 8;
        buffer = 0;
        count = 0;
    }
};

enum class Lookup { Ok, RanOut, NoCode };

// The entry a root entry of kind kLink leads to: its subtable is indexed by the bits after the root.
[[gnu::always_inline]] inline std::uint32_t linkedEntry(const std::uint32_t* table, std::uint32_t link, int rootBits, std::uint64_t bits) {
    return table[entryValue(link) + ((bits >> rootBits) & ((1u << entryExtra(link)) - 1u))];
}

inline std::uint32_t tableEntry(const std::uint32_t* table, int rootBits, std::uint64_t bits) {
    const std::uint32_t e = table[bits & ((1u << rootBits) - 1u)];
    return !isBase(e) && entryKind(e) == kLink ? linkedEntry(table, e, rootBits, bits) : e;
}

// Decodes one symbol taking only bits that exist; consumes the code on success.
inline Lookup decodeCareful(BitReader& br, const std::uint32_t* table, int rootBits, std::uint32_t& entry) {
    br.refillCareful();
    entry = tableEntry(table, rootBits, lowBits(br.buffer, br.count));
    if (entryKind(entry) == kInvalid) return br.count >= kMaxCodeLength ? Lookup::NoCode : Lookup::RanOut;
    if (entryLength(entry) > br.count) return Lookup::RanOut;
    br.consume(entryLength(entry));
    return Lookup::Ok;
}

struct FastRun;
using FastLoop = void (*)(FastRun&, const std::uint32_t*, const std::uint32_t*);
// The fast loop for most of the output, and its variant for the last few hundred bytes.
struct FastLoops {
    FastLoop whole, tail;
};

class Inflater {
public:
    Inflater(std::span<const std::uint8_t> input, std::uint64_t declared, std::vector<std::uint8_t>& out, FastLoops loops)
        : br_{input.data(), input.size()}, out_(out), loops_(loops) {
        // A declared size beyond what memory can hold cannot be reached anyway.
        limit_ = static_cast<std::size_t>(std::min<std::uint64_t>(declared, out_.max_size()));
        // One allocation for an honest stream: the declared size, but never more than the input
        // could possibly unpack to, so a lying header costs no memory.
        const std::uint64_t mostPossible = std::uint64_t{input.size()} * kMaxExpansion + kMaxMatch;
        const auto wanted = static_cast<std::size_t>(std::min<std::uint64_t>(limit_, mostPossible));
        // A reused vector's bytes are overwritten where they stand, so only bytes past them are
        // ever zeroed; finish() cuts the vector to what was decoded. Its old bytes are worth
        // keeping only if no reallocation would copy them.
        if (wanted > out_.capacity()) {
            out_.clear();
            out_.reserve(wanted);
        } else if (out_.size() > limit_) {
            out_.resize(limit_);
        }
    }

    // Answers nullptr on success, else the fault's phrase.
    const std::string_view* run();

    void finish() { out_.resize(written_); }

private:
    const std::string_view* storedBlock();
    const std::string_view* dynamicTables();
    const std::string_view* huffmanBlock(const std::uint32_t* lit, const std::uint32_t* dist);
    const std::string_view* carefulSymbol(const std::uint32_t* lit, const std::uint32_t* dist, bool& endOfBlock);

    // Makes out_.size() >= needed where possible (needed <= limit_ is the caller's to ensure).
    // Past the capacity it grows geometrically, so that the total work stays linear; within the
    // capacity it zeroes a cache-sized step at a time, just ahead of the bytes written there.
    std::size_t growthTarget(std::size_t needed) const {
        if (needed <= out_.capacity()) return std::min({std::max(needed, out_.size() + kZeroingStep), out_.capacity(), limit_});
        return std::min(std::max({needed, out_.size() * 2, kMinimumGrowth}), limit_);
    }
    void grow(std::size_t needed) {
        const std::size_t target = growthTarget(needed);
        if (target <= out_.size()) return;
        // Reserving exactly the target keeps the allocation within the declared size.
        if (target > out_.capacity()) out_.reserve(target);
        out_.resize(target);
    }

    bool wouldExceed(std::size_t extra) const { return extra > limit_ - written_; }

    BitReader br_;
    std::vector<std::uint8_t>& out_;
    FastLoops loops_;
    std::size_t written_ = 0;
    std::size_t limit_ = 0;
    std::uint32_t litTable_[kLiteralLengthTableSize];
    std::uint32_t distTable_[kDistanceTableSize];
};

const std::string_view* Inflater::run() {
    const FixedCodes& fixed = fixedCodes();
    for (;;) {
        const std::uint32_t final = br_.bits(1);
        const std::uint32_t type = br_.bits(2);
        if (br_.outOfInput) return &text::kStreamEndsEarly;
        const std::string_view* fault = nullptr;
        switch (type) {
            case 0:
                fault = storedBlock();
                break;
            case 1:
                fault = huffmanBlock(fixed.literalLengthTable.data(), fixed.distanceTable.data());
                break;
            case 2:
                fault = dynamicTables();
                if (fault == nullptr) fault = huffmanBlock(litTable_, distTable_);
                break;
            default:
                return &text::kInvalidBlockType;
        }
        if (fault != nullptr) return fault;
        if (final != 0) return nullptr;
    }
}

const std::string_view* Inflater::storedBlock() {
    br_.alignToByte();
    const std::uint8_t* in = br_.in;
    if (br_.size - br_.pos < 4) return &text::kStreamEndsEarly;
    const std::size_t p = br_.pos;
    const std::uint32_t len = in[p] | std::uint32_t{in[p + 1]} << 8;
    const std::uint32_t nlen = in[p + 2] | std::uint32_t{in[p + 3]} << 8;
    br_.pos += 4;
    if (len != (~nlen & 0xFFFFu)) return &text::kStoredLengthMismatch;
    if (br_.size - br_.pos < len) return &text::kStreamEndsEarly;
    if (wouldExceed(len)) return &text::kMoreDataThanDeclared;
    if (len == 0) return nullptr;
    // Copied over the bytes the vector holds, and appended past them: written once, never zeroed.
    const std::uint8_t* src = in + br_.pos;
    const std::size_t inPlace = std::min<std::size_t>(len, out_.size() - written_);
    if (inPlace != 0) std::memcpy(out_.data() + written_, src, inPlace);
    if (inPlace < len) {
        if (out_.capacity() - out_.size() < len - inPlace) out_.reserve(growthTarget(written_ + len));
        out_.insert(out_.end(), src + inPlace, src + len);
    }
    written_ += len;
    br_.pos += len;
    return nullptr;
}

const std::string_view* Inflater::dynamicTables() {
    const std::uint32_t hlit = br_.bits(5);
    const std::uint32_t hdist = br_.bits(5);
    const std::uint32_t hclen = br_.bits(4);
    if (br_.outOfInput) return &text::kStreamEndsEarly;
    const int nlen = static_cast<int>(hlit) + 257;
    const int ndist = static_cast<int>(hdist) + 1;
    if (nlen > 286 || ndist > 30) return &text::kTooManyLengthOrDistanceCodes;

    // Reads past the end give zero lengths here; the sticky flag stops the first decode below.
    std::uint8_t clLengths[19] = {};
    for (std::uint32_t i = 0; i < hclen + 4; ++i) clLengths[kCodeLengthOrder[i]] = static_cast<std::uint8_t>(br_.bits(3));
    std::uint32_t clTable[1 << kCodeLengthRootBits];
    if (buildDecodeTable(clLengths, 19, Alphabet::CodeLength, clTable).left != 0) return &text::kIncompleteCodeLengthCode;

    std::uint8_t lengths[286 + 30] = {};
    const int total = nlen + ndist;
    for (int index = 0; index < total;) {
        // A read past the end (of a repeat count, or of the code lengths above) ends it here.
        std::uint32_t entry = 0;
        if (br_.count >= kCodeLengthRootBits) {
            // The code is complete and no longer than the root: with that many bits held, the
            // entry is a symbol, and the flag is clear (it is set only with fewer bits held).
            entry = clTable[br_.buffer & ((1u << kCodeLengthRootBits) - 1u)];
            br_.consume(entryLength(entry));
        } else {
            const Lookup found = br_.outOfInput ? Lookup::RanOut : decodeCareful(br_, clTable, kCodeLengthRootBits, entry);
            if (found != Lookup::Ok) return found == Lookup::RanOut ? &text::kStreamEndsEarly : &text::kInvalidCodeLengthCode;
        }
        const auto symbol = static_cast<int>(entryValue(entry));
        if (symbol < 16) {
            lengths[index++] = static_cast<std::uint8_t>(symbol);
            continue;
        }
        std::uint8_t value = 0;
        int repeat = 0;
        if (symbol == 16) {
            if (index == 0) return &text::kRepeatWithNoPreviousLength;
            value = lengths[index - 1];
            repeat = 3 + static_cast<int>(br_.bits(2));
        } else if (symbol == 17) {
            repeat = 3 + static_cast<int>(br_.bits(3));
        } else {
            repeat = 11 + static_cast<int>(br_.bits(7));
        }
        if (index + repeat > total) return &text::kTooManyLengths;
        std::memset(lengths + index, value, static_cast<std::size_t>(repeat));
        index += repeat;
    }

    if (lengths[256] == 0) return &text::kNoEndOfBlockCode;
    // An incomplete code is accepted only when it has at most one code.
    const CodeShape lit = buildDecodeTable(lengths, nlen, Alphabet::LiteralLength, litTable_);
    if (lit.left < 0 || (lit.left > 0 && lit.codes > 1)) return &text::kInvalidLiteralLengthCodeLengths;
    const CodeShape dist = buildDecodeTable(lengths + nlen, ndist, Alphabet::Distance, distTable_);
    if (dist.left < 0 || (dist.left > 0 && dist.codes > 1)) return &text::kInvalidDistanceCodeLengths;
    return nullptr;
}

// One symbol with every bit and every byte of room checked.
const std::string_view* Inflater::carefulSymbol(const std::uint32_t* lit, const std::uint32_t* dist,
                                                bool& endOfBlock) {
    std::uint32_t e = 0;
    switch (decodeCareful(br_, lit, kLiteralLengthRootBits, e)) {
        case Lookup::RanOut:
            return &text::kStreamEndsEarly;
        case Lookup::NoCode:
            return &text::kInvalidLiteralLengthCode;
        case Lookup::Ok:
            break;
    }
    const std::uint32_t kind = entryKind(e);
    if (kind == kLiteral) {
        if (wouldExceed(1)) return &text::kMoreDataThanDeclared;
        if (written_ == out_.size()) grow(written_ + 1);
        out_[written_++] = static_cast<std::uint8_t>(entryValue(e));
        return nullptr;
    }
    if (kind == kEndOfBlock) {
        endOfBlock = true;
        return nullptr;
    }
    if (kind == kBadSymbol) return &text::kInvalidLengthSymbol;

    const std::uint32_t extra = br_.bits(entryExtra(e));
    if (br_.outOfInput) return &text::kStreamEndsEarly;
    const std::size_t length = entryValue(e) + extra;

    std::uint32_t d = 0;
    switch (decodeCareful(br_, dist, kDistanceRootBits, d)) {
        case Lookup::RanOut:
            return &text::kStreamEndsEarly;
        case Lookup::NoCode:
            return &text::kInvalidDistanceCode;
        case Lookup::Ok:
            break;
    }
    if (entryKind(d) == kBadSymbol) return &text::kInvalidDistanceCode;
    const std::uint32_t dextra = br_.bits(entryExtra(d));
    if (br_.outOfInput) return &text::kStreamEndsEarly;
    const std::size_t distance = entryValue(d) + dextra;
    if (distance > written_) return &text::kDistanceTooFarBack;
    if (wouldExceed(length)) return &text::kMoreDataThanDeclared;
    if (out_.size() - written_ < length) grow(written_ + length);
    std::uint8_t* o = out_.data() + written_;
    const std::uint8_t* src = o - distance;
    if (distance >= length) {
        std::memcpy(o, src, length);
    } else {
        for (std::size_t i = 0; i < length; ++i) o[i] = src[i];
    }
    written_ += length;
    return nullptr;
}

// The fast loop's state, handed in and out so that the loop can be a function of its own.
struct FastRun {
    BitReader br;
    std::uint8_t* out;         // the output buffer
    std::size_t size;          // its usable size
    std::size_t written;
    const std::string_view* fault = nullptr;
    bool endOfBlock = false;
};

// Copies a match of `length` bytes from `distance` back, writing up to kCopyOvershoot bytes past
// its end. Chunks no longer than the distance read only bytes already final, so an overlap
// repeats the pattern; most matches are short, so the first chunks go without a loop.
[[gnu::always_inline]] inline void copyMatch(std::uint8_t* dst, std::size_t distance, std::size_t length) {
    const std::uint8_t* src = dst - distance;
    if (distance >= 16) {
        std::memcpy(dst, src, 16);
        std::memcpy(dst + 16, src + 16, 16);
        for (std::size_t i = 32; i < length; i += 16) std::memcpy(dst + i, src + i, 16);
    } else if (distance >= 8) {
        std::memcpy(dst, src, 8);
        std::memcpy(dst + 8, src + 8, 8);
        for (std::size_t i = 16; i < length; i += 8) std::memcpy(dst + i, src + i, 8);
    } else if constexpr (std::endian::native == std::endian::little) {
        // A short period is spread over a word once, which is then stored at steps that are whole
        // periods. The bytes loaded past the period are masked off (they are ours, not yet final).
        const auto d = static_cast<unsigned>(distance);
        std::uint64_t word = lowBitsBelow64(loadLittleEndian64(src), 8 * d);
        if (d == 1) {
            word *= 0x0101010101010101u;
        } else {
            word |= word << (8 * d);
            if (d < 4) word |= word << (16 * d);
        }
        const std::size_t step = 8 - 8 % d;
        std::memcpy(dst, &word, 8);
        std::memcpy(dst + step, &word, 8);
        for (std::size_t i = 2 * step; i < length; i += step) std::memcpy(dst + i, &word, 8);
    } else {
        for (std::size_t i = 0; i < length; ++i) dst[i] = src[i];
    }
}

// Decodes symbols while kFastInputBytes of input and kFastOutputRoom bytes of room remain; stops
// at the end of the block, at a fault, or where the careful loop must go on. The bit buffer and
// its count live in locals; the count's low byte alone is meaningful (it stays below 64), so
// whole entries are subtracted from it without masking. After a refill all 64 bits of the buffer
// are stream bits (whole bytes are loaded, only some are counted), and a refill leaves the bits
// below the count alone: so an entry looked up from the front bits stays right across a refill,
// as long as no more than 53 bits were taken since the last one. Each round starts with a refill
// and takes up to three literals (11-bit codes at most, from the root table) or a length and
// distance pair (48 bits at most, after a second refill); the next entry is looked up as soon
// as its bits are in front, before the match is copied.
template <bool tail>
[[gnu::always_inline]] inline void fastLoopBody(FastRun& run, const std::uint32_t* lit, const std::uint32_t* dist) {
    constexpr std::size_t room = tail ? kTailOutputRoom : kFastOutputRoom;
    if (run.size - run.written < room || run.br.size - run.br.pos < kFastInputBytes) return;
    std::uint8_t* const begin = run.out;
    std::uint8_t* o = begin + run.written;
    std::uint8_t* const oEnd = begin + run.size;
    std::uint8_t* const oLast = oEnd - room;
    const std::uint8_t* in = run.br.in + run.br.pos;
    const std::uint8_t* const inLast = run.br.in + run.br.size - kFastInputBytes;
    std::uint64_t buf = run.br.buffer;
    std::uint32_t count = run.br.count;
    const auto refill = [&] {
        buf |= loadLittleEndian64(in) << (count & 63);
        in += 7 - ((count >> 3) & 7);
        count |= 56;
    };
    const auto consume = [&](std::uint32_t e) {
        buf >>= e & 63;
        count -= e;
    };
    const auto literal = [&](std::uint32_t e) {
        consume(e);
        *o++ = static_cast<std::uint8_t>(entryValue(e));
        return lit[buf & kLitRootMask];
    };

    refill();
    std::uint32_t e = lit[buf & kLitRootMask];
    do {
        refill();
        if (isLiteral(e)) {
            e = literal(e);
            if (isLiteral(e)) {
                e = literal(e);
                if (isLiteral(e)) {
                    e = literal(e);
                    continue;
                }
            }
            refill();
        }
        if (!isBase(e)) {
            if (entryKind(e) == kLink) e = linkedEntry(lit, e, kLiteralLengthRootBits, buf);
            if (isLiteral(e)) {
                e = literal(e);
                continue;
            }
            if (!isBase(e)) {
                if (entryKind(e) == kEndOfBlock) {
                    consume(e);
                    run.endOfBlock = true;
                } else {
                    run.fault = entryKind(e) == kBadSymbol ? &text::kInvalidLengthSymbol : &text::kInvalidLiteralLengthCode;
                }
                break;
            }
        }
        // The code and its extra bits go in one shift; the extra bits are read from the word before.
        const std::size_t length = entryValue(e) + (lowBitsBelow64(buf, entryTotal(e)) >> entryLength(e));
        if (tail && static_cast<std::size_t>(oEnd - o) < length + kCopyOvershoot) break;  // the careful loop takes it
        consume(e);
        std::uint32_t d = dist[buf & kDistRootMask];
        if (!isBase(d)) {
            if (entryKind(d) == kLink) d = linkedEntry(dist, d, kDistanceRootBits, buf);
            if (!isBase(d)) {
                run.fault = &text::kInvalidDistanceCode;
                break;
            }
        }
        const std::uint64_t before = buf;
        consume(d);
        const std::size_t distance = entryValue(d) + (lowBitsBelow64(before, entryTotal(d)) >> entryLength(d));
        e = lit[buf & kLitRootMask];
        // Needed even here: the distance is the stream's word, not ours.
        if (distance > static_cast<std::size_t>(o - begin)) {
            run.fault = &text::kDistanceTooFarBack;
            break;
        }
        copyMatch(o, distance, length);
        o += length;
    } while (o <= oLast && in <= inLast);
    run.br.pos = static_cast<std::size_t>(in - run.br.in);
    run.br.buffer = buf;
    run.br.count = count & 63;
    run.written = static_cast<std::size_t>(o - begin);
}

// Aligned to a cache line so that the loop's branches sit alike in every build: the speed of a
// loop this tight depends on where its jumps fall within 32- and 64-byte blocks.
template <bool tail>
[[gnu::aligned(64)]] void fastLoopPlain(FastRun& run, const std::uint32_t* lit, const std::uint32_t* dist) {
    fastLoopBody<tail>(run, lit, dist);
}
constexpr FastLoops kPlainLoops{fastLoopPlain<false>, fastLoopPlain<true>};

#if ORBI_ARCHIVE_X86
// The same loop where the processor has BMI2, whose shifts by a register and low-bit masks are
// single instructions that leave the flags alone: the bit buffer's work in the loop is mostly those.
template <bool tail>
__attribute__((target("bmi2"), aligned(64))) void fastLoopBmi2(FastRun& run, const std::uint32_t* lit, const std::uint32_t* dist) {
    fastLoopBody<tail>(run, lit, dist);
}
FastLoops chooseFastLoops() {
    return cpu::readX86Features().bmi2 ? FastLoops{fastLoopBmi2<false>, fastLoopBmi2<true>} : kPlainLoops;
}
#else
FastLoops chooseFastLoops() { return kPlainLoops; }
#endif

const std::string_view* Inflater::huffmanBlock(const std::uint32_t* lit, const std::uint32_t* dist) {
    for (;;) {
        // Room for the longest match in the fast loop, unless the declared size ends sooner.
        if (out_.size() - written_ < kFastOutputRoom && out_.size() < limit_) grow(written_ + kFastOutputRoom);
        FastRun run{br_, out_.data(), out_.size(), written_};
        (out_.size() - written_ >= kFastOutputRoom ? loops_.whole : loops_.tail)(run, lit, dist);
        br_ = run.br;
        written_ = run.written;
        if (run.fault != nullptr) return run.fault;
        if (run.endOfBlock) return nullptr;

        bool endOfBlock = false;
        const std::string_view* fault = carefulSymbol(lit, dist, endOfBlock);
        if (fault != nullptr) return fault;
        if (endOfBlock) return nullptr;
    }
}

}  // namespace

bool inflateRaw(std::span<const std::uint8_t> input, std::uint64_t declaredSize, std::vector<std::uint8_t>& output,
                std::string& error) {
    return inflate_detail::inflateRawWith(inflate_detail::LoopChoice::chosen, input, declaredSize, output, error);
}

bool inflate_detail::inflateRawWith(LoopChoice choice, std::span<const std::uint8_t> input, std::uint64_t declaredSize,
                                    std::vector<std::uint8_t>& output, std::string& error) {
    static const FastLoops chosen = chooseFastLoops();
    const FastLoops loops = choice == LoopChoice::plain ? kPlainLoops : chosen;
    auto inflater = std::make_unique<Inflater>(input, declaredSize, output, loops);
    const std::string_view* fault = inflater->run();
    inflater->finish();
    if (fault != nullptr) {
        error.assign(*fault);
        return false;
    }
    return true;
}

}  // namespace orbi
