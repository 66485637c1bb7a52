// Inflate. Design: a 64-bit bit buffer and table-driven Huffman decoding (one or two lookups per
// symbol). A fast loop runs while at least 8 input bytes and 266 bytes of output room remain, so
// that one refill covers a whole length/distance pair (at most 15+5+15+13 = 48 bits) and match
// copies may overshoot by up to 7 bytes; the careful loop handles the rest one symbol at a time,
// checking every bit it takes. Faults are reported exactly where a decoder reading one bit at a
// time would find them: a code needs only its own bits, while "no code matches" needs all 15.
#include "archive/inflate.hpp"

#include <algorithm>
#include <bit>
#include <cstring>
#include <memory>

#include "archive/archive_messages.hpp"
#include "archive/huffman_tables.hpp"

namespace orbi {

namespace {

using namespace huffman;
namespace text = archive_text;

constexpr int kMaxMatch = 258;
// Output room the fast loop needs for one symbol: the longest match plus the copy overshoot.
constexpr std::size_t kFastOutputRoom = kMaxMatch + 8;
constexpr std::size_t kFastInputBytes = 8;
constexpr std::size_t kMinimumGrowth = 32 * 1024;
constexpr std::uint64_t kLitRootMask = (1u << huffman::kLiteralLengthRootBits) - 1u;

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

// Bits above `count` in `buffer` are either zero or the true bits of the bytes not yet counted, so
// looking at more bits than are counted never sees foreign data.
struct BitReader {
    const std::uint8_t* in;
    std::size_t size;
    std::size_t pos = 0;
    std::uint64_t buffer = 0;
    unsigned count = 0;
    bool outOfInput = false;  // sticky, as the format's reads after the end answer 0

    bool canRefillFast() const { return size - pos >= kFastInputBytes; }

    // Requires canRefillFast(); leaves at least 56 bits.
    void refillFast() {
        buffer |= loadLittleEndian64(in + pos) << count;
        pos += (63 - count) >> 3;
        count |= 56;
    }

    // Loads whole bytes while there is room and input; afterwards 56 <= count <= 63 unless the
    // input is used up (count stays below 64 so that refillFast may shift by it).
    void refillCareful() {
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

// Canonical decoding one bit at a time, for the code-length code of dynamic blocks.
struct SlowCode {
    int perLength[kMaxCodeLength + 1] = {};
    int symbols[19] = {};
};

int buildSlowCode(const std::uint8_t* lengths, int n, SlowCode& code) {
    for (int s = 0; s < n; ++s) ++code.perLength[lengths[s]];
    int left = 1;
    for (int len = 1; len <= kMaxCodeLength; ++len) {
        left <<= 1;
        left -= code.perLength[len];
        if (left < 0) return left;
    }
    int offset[kMaxCodeLength + 2] = {};
    for (int len = 1; len <= kMaxCodeLength; ++len) offset[len + 1] = offset[len] + code.perLength[len];
    for (int s = 0; s < n; ++s)
        if (lengths[s] != 0) code.symbols[offset[lengths[s]]++] = s;
    return left;
}

constexpr int kRanOut = -1;
constexpr int kNoCode = -2;

int decodeSlow(BitReader& br, const SlowCode& h) {
    if (br.outOfInput) return kRanOut;
    int code = 0, first = 0, index = 0;
    for (int len = 1; len <= kMaxCodeLength; ++len) {
        code |= static_cast<int>(br.bits(1));
        if (br.outOfInput) return kRanOut;
        const int count = h.perLength[len];
        if (code - count < first) return h.symbols[index + (code - first)];
        index += count;
        first = (first + count) << 1;
        code <<= 1;
    }
    return kNoCode;
}

enum class Lookup { Ok, RanOut, NoCode };

inline std::uint32_t tableEntry(const std::uint32_t* table, int rootBits, std::uint64_t bits) {
    std::uint32_t e = table[bits & ((1u << rootBits) - 1u)];
    if (entryKind(e) == kLink) e = table[entryValue(e) + ((bits >> rootBits) & ((1u << entryExtra(e)) - 1u))];
    return e;
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

class Inflater {
public:
    Inflater(std::span<const std::uint8_t> input, std::uint64_t declared, std::vector<std::uint8_t>& out)
        : br_{input.data(), input.size()}, out_(out) {
        out_.clear();
        // A declared size beyond what memory can hold cannot be reached anyway.
        limit_ = static_cast<std::size_t>(std::min<std::uint64_t>(declared, out_.max_size()));
    }

    // Answers nullptr on success, else the fault's phrase.
    const std::string_view* run();

    void finish() { out_.resize(written_); }

private:
    const std::string_view* storedBlock();
    const std::string_view* dynamicTables();
    const std::string_view* huffmanBlock(const std::uint32_t* lit, const std::uint32_t* dist);
    const std::string_view* carefulSymbol(const std::uint32_t* lit, const std::uint32_t* dist, bool& endOfBlock);

    // Makes out_.size() >= needed where possible (needed <= limit_ is the caller's to ensure) and
    // grows geometrically so that the total work stays linear.
    void grow(std::size_t needed) {
        std::size_t target = std::max({needed, out_.size() * 2, kMinimumGrowth});
        target = std::min(target, limit_);
        if (target <= out_.size()) return;
        // Reserving exactly the target keeps the allocation within the declared size.
        if (target > out_.capacity()) out_.reserve(target);
        out_.resize(target);
    }

    bool wouldExceed(std::size_t extra) const { return extra > limit_ - written_; }

    BitReader br_;
    std::vector<std::uint8_t>& out_;
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
    if (out_.size() - written_ < len) grow(written_ + len);
    std::memcpy(out_.data() + written_, in + br_.pos, len);
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
    SlowCode clCode;
    if (buildSlowCode(clLengths, 19, clCode) != 0) return &text::kIncompleteCodeLengthCode;

    std::uint8_t lengths[286 + 30] = {};
    const int total = nlen + ndist;
    for (int index = 0; index < total;) {
        const int symbol = decodeSlow(br_, clCode);
        if (symbol < 0) return symbol == kRanOut ? &text::kStreamEndsEarly : &text::kInvalidCodeLengthCode;
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
        while (repeat-- > 0) lengths[index++] = value;
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
    std::uint8_t* o = out_.data();
    for (std::size_t i = 0; i < length; ++i, ++written_) o[written_] = o[written_ - distance];
    return nullptr;
}

const std::string_view* Inflater::huffmanBlock(const std::uint32_t* lit, const std::uint32_t* dist) {
    for (;;) {
        if (out_.size() - written_ < kFastOutputRoom && out_.size() < limit_) grow(written_ + kFastOutputRoom);

        // Fast loop: enough input for any symbol and enough room for any match plus overshoot,
        // all within the declared size, so only the code and distance checks remain.
        std::uint8_t* const o = out_.data();
        const std::size_t size = out_.size();
        std::size_t w = written_;
        BitReader br = br_;
        const std::string_view* fault = nullptr;
        bool endOfBlock = false;
        while (w + kFastOutputRoom <= size && br.canRefillFast()) {
            br.refillFast();
            std::uint32_t e = lit[br.buffer & kLitRootMask];
            if (entryKind(e) == kLiteral) {
                // Up to three literals per refill: 56 bits hold three codes of up to 15 bits, and
                // the output room covers three bytes.
                br.consume(entryLength(e));
                o[w++] = static_cast<std::uint8_t>(entryValue(e));
                e = lit[br.buffer & kLitRootMask];
                if (entryKind(e) == kLiteral) {
                    br.consume(entryLength(e));
                    o[w++] = static_cast<std::uint8_t>(entryValue(e));
                    e = lit[br.buffer & kLitRootMask];
                    if (entryKind(e) == kLiteral) {
                        br.consume(entryLength(e));
                        o[w++] = static_cast<std::uint8_t>(entryValue(e));
                        continue;
                    }
                }
                if (w + kFastOutputRoom > size || !br.canRefillFast()) break;
                br.refillFast();
            }
            if (entryKind(e) == kLink) {
                e = lit[entryValue(e) + ((br.buffer >> kLiteralLengthRootBits) & ((1u << entryExtra(e)) - 1u))];
                if (entryKind(e) == kLiteral) {
                    br.consume(entryLength(e));
                    o[w++] = static_cast<std::uint8_t>(entryValue(e));
                    continue;
                }
            }
            const std::uint32_t kind = entryKind(e);
            if (kind == kBase) {
                br.consume(entryLength(e));
                const std::size_t length = entryValue(e) + lowBits(br.buffer, entryExtra(e));
                br.consume(entryExtra(e));
                const std::uint32_t d = tableEntry(dist, kDistanceRootBits, br.buffer);
                if (entryKind(d) != kBase) {
                    fault = &text::kInvalidDistanceCode;
                    break;
                }
                br.consume(entryLength(d));
                const std::size_t distance = entryValue(d) + lowBits(br.buffer, entryExtra(d));
                br.consume(entryExtra(d));
                // Needed even here: the distance is the stream's word, not ours.
                if (distance > w) {
                    fault = &text::kDistanceTooFarBack;
                    break;
                }
                std::uint8_t* dst = o + w;
                const std::uint8_t* src = dst - distance;
                if (distance >= 8) {
                    // Chunks of 8 read only bytes already final, so overlap repeats the pattern.
                    for (std::size_t i = 0; i < length; i += 8) std::memcpy(dst + i, src + i, 8);
                } else if (distance == 1) {
                    std::memset(dst, *src, length);
                } else {
                    for (std::size_t i = 0; i < length; ++i) dst[i] = src[i];
                }
                w += length;
                continue;
            }
            if (kind == kEndOfBlock) {
                br.consume(entryLength(e));
                endOfBlock = true;
            } else {
                fault = kind == kBadSymbol ? &text::kInvalidLengthSymbol : &text::kInvalidLiteralLengthCode;
            }
            break;
        }
        br_ = br;
        written_ = w;
        if (fault != nullptr) return fault;
        if (endOfBlock) return nullptr;

        fault = carefulSymbol(lit, dist, endOfBlock);
        if (fault != nullptr) return fault;
        if (endOfBlock) return nullptr;
    }
}

}  // namespace

bool inflateRaw(std::span<const std::uint8_t> input, std::uint64_t declaredSize, std::vector<std::uint8_t>& output,
                std::string& error) {
    auto inflater = std::make_unique<Inflater>(input, declaredSize, output);
    const std::string_view* fault = inflater->run();
    inflater->finish();
    if (fault != nullptr) {
        error.assign(*fault);
        return false;
    }
    return true;
}

}  // namespace orbi
