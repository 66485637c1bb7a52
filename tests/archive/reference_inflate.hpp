// A deliberately plain inflater for tests: one bit at a time, exactly as the format's decoding
// rules are written (sticky out-of-input flag, reads past the end answer 0, canonical decoding by
// counts). The fast table-driven inflater must give the same bytes and the same phrase everywhere.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace orbi::test {

struct ReferenceResult {
    std::vector<std::uint8_t> output;
    std::string error;  // empty on success
};

inline ReferenceResult referenceInflate(const std::vector<std::uint8_t>& in, std::uint64_t declared) {
    static const int lbase[] = {3,  4,  5,  6,  7,  8,  9,  10, 11,  13,  15,  17,  19,  23, 27,
                                31, 35, 43, 51, 59, 67, 83, 99, 115, 131, 163, 195, 227, 258};
    static const int lext[] = {0, 0, 0, 0, 0, 0, 0, 0, 1, 1, 1, 1, 2, 2, 2, 2, 3, 3, 3, 3, 4, 4, 4, 4, 5, 5, 5, 5, 0};
    static const int dbase[] = {1,   2,   3,   4,   5,   7,    9,    13,   17,   25,   33,   49,   65,    97,    129,
                                193, 257, 385, 513, 769, 1025, 1537, 2049, 3073, 4097, 6145, 8193, 12289, 16385, 24577};
    static const int dext[] = {0, 0, 0, 0, 1, 1, 2, 2, 3, 3, 4, 4, 5, 5, 6, 6, 7, 7, 8, 8, 9, 9, 10, 10, 11, 11, 12, 12, 13, 13};
    static const int order[] = {16, 17, 18, 0, 8, 7, 9, 6, 10, 5, 11, 4, 12, 3, 13, 2, 14, 1, 15};

    struct Code {
        int count[16] = {};
        std::vector<int> symbol;
    };
    std::size_t pos = 0;
    std::uint32_t bitbuf = 0;
    int bitcnt = 0;
    bool out = false;
    ReferenceResult r;

    // Partially loaded bytes stay loaded after a failed read, as in a byte-wise bit reader.
    auto bitsKeep = [&](int need) -> int {
        while (bitcnt < need) {
            if (pos == in.size()) {
                out = true;
                return 0;
            }
            bitbuf |= std::uint32_t{in[pos++]} << bitcnt;
            bitcnt += 8;
        }
        const int v = static_cast<int>(bitbuf & ((1u << need) - 1));
        bitbuf >>= need;
        bitcnt -= need;
        return v;
    };
    auto build = [](Code& h, const int* length, int n) {
        for (int s = 0; s < n; ++s) h.count[length[s]]++;
        int left = 1;
        for (int len = 1; len <= 15; ++len) {
            left <<= 1;
            left -= h.count[len];
            if (left < 0) return left;
        }
        int offs[16] = {};
        for (int len = 1; len < 15; ++len) offs[len + 1] = offs[len] + h.count[len];
        h.symbol.assign(static_cast<std::size_t>(n), 0);
        for (int s = 0; s < n; ++s)
            if (length[s] != 0) h.symbol[static_cast<std::size_t>(offs[length[s]]++)] = s;
        return left;
    };
    auto decode = [&](const Code& h) -> int {
        if (out) return -1;
        int code = 0, first = 0, index = 0;
        for (int len = 1; len <= 15; ++len) {
            code |= bitsKeep(1);
            if (out) return -1;
            const int count = h.count[len];
            if (code - count < first) return h.symbol[static_cast<std::size_t>(index + (code - first))];
            index += count;
            first += count;
            first <<= 1;
            code <<= 1;
        }
        return -2;
    };
    auto fail = [&](const char* e) {
        r.error = e;
        return r;
    };
    auto codes = [&](const Code& lc, const Code& dc) -> const char* {
        for (;;) {
            int sym = decode(lc);
            if (sym < 0) return sym == -1 ? "stream ends early" : "invalid literal/length code";
            if (sym < 256) {
                if (r.output.size() >= declared) return "more data than declared";
                r.output.push_back(static_cast<std::uint8_t>(sym));
            } else if (sym == 256) {
                return nullptr;
            } else {
                sym -= 257;
                if (sym >= 29) return "invalid length symbol";
                const int len = lbase[sym] + bitsKeep(lext[sym]);
                int ds = decode(dc);
                if (ds < 0 || ds > 29) return out ? "stream ends early" : "invalid distance code";
                const std::size_t dist = static_cast<std::size_t>(dbase[ds] + bitsKeep(dext[ds]));
                if (out) return "stream ends early";
                if (dist > r.output.size()) return "distance reaches before the start";
                if (r.output.size() + static_cast<std::size_t>(len) > declared) return "more data than declared";
                for (int i = 0; i < len; ++i) r.output.push_back(r.output[r.output.size() - dist]);
            }
        }
    };

    int last = 0;
    do {
        last = bitsKeep(1);
        const int type = bitsKeep(2);
        if (out) return fail("stream ends early");
        if (type == 0) {
            bitbuf = 0;
            bitcnt = 0;
            if (in.size() - pos < 4) return fail("stream ends early");
            const unsigned len = in[pos] | in[pos + 1] << 8;
            const unsigned nlen = in[pos + 2] | in[pos + 3] << 8;
            pos += 4;
            if (len != (~nlen & 0xFFFFu)) return fail("stored block length does not match its complement");
            if (in.size() - pos < len) return fail("stream ends early");
            if (r.output.size() + len > declared) return fail("more data than declared");
            r.output.insert(r.output.end(), in.begin() + static_cast<long>(pos), in.begin() + static_cast<long>(pos + len));
            pos += len;
        } else if (type == 1) {
            int lengths[320];
            int s = 0;
            for (; s < 144; ++s) lengths[s] = 8;
            for (; s < 256; ++s) lengths[s] = 9;
            for (; s < 280; ++s) lengths[s] = 7;
            for (; s < 288; ++s) lengths[s] = 8;
            Code lc, dc;
            build(lc, lengths, 288);
            for (s = 0; s < 30; ++s) lengths[s] = 5;
            build(dc, lengths, 30);
            if (const char* e = codes(lc, dc)) return fail(e);
        } else if (type == 2) {
            const int nlen = bitsKeep(5) + 257;
            const int ndist = bitsKeep(5) + 1;
            const int ncode = bitsKeep(4) + 4;
            if (out) return fail("stream ends early");
            if (nlen > 286 || ndist > 30) return fail("too many length or distance codes");
            int lengths[320] = {};
            for (int i = 0; i < ncode; ++i) lengths[order[i]] = bitsKeep(3);
            Code cl;
            if (build(cl, lengths, 19) != 0) return fail("incomplete code-length code");
            for (int i = 0; i < 320; ++i) lengths[i] = 0;
            int index = 0;
            while (index < nlen + ndist) {
                int sym = decode(cl);
                if (sym < 0) return fail(sym == -1 ? "stream ends early" : "invalid code-length code");
                if (sym < 16) {
                    lengths[index++] = sym;
                } else {
                    int len = 0;
                    if (sym == 16) {
                        if (index == 0) return fail("repeat with no previous length");
                        len = lengths[index - 1];
                        sym = 3 + bitsKeep(2);
                    } else if (sym == 17) {
                        sym = 3 + bitsKeep(3);
                    } else {
                        sym = 11 + bitsKeep(7);
                    }
                    if (index + sym > nlen + ndist) return fail("too many lengths");
                    while (sym--) lengths[index++] = len;
                }
            }
            if (lengths[256] == 0) return fail("no end-of-block code");
            Code lc, dc;
            auto codesIn = [](const int* l, int n) {
                int c = 0;
                for (int i = 0; i < n; ++i) c += l[i] != 0;
                return c;
            };
            int err = build(lc, lengths, nlen);
            if (err < 0 || (err > 0 && codesIn(lengths, nlen) > 1)) return fail("invalid literal/length code lengths");
            err = build(dc, lengths + nlen, ndist);
            if (err < 0 || (err > 0 && codesIn(lengths + nlen, ndist) > 1)) return fail("invalid distance code lengths");
            if (const char* e = codes(lc, dc)) return fail(e);
        } else {
            return fail("invalid block type");
        }
    } while (!last);
    return r;
}

}  // namespace orbi::test
