// Byte helpers shared by the suites: hex and byte conversions, a test corpus, zlib used as an
// independent control, and a bit writer for hand-made DEFLATE streams.
#pragma once

#include <zlib.h>

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <cstdlib>
#include <random>
#include <stdexcept>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace orbi::test {

using Bytes = std::vector<std::uint8_t>;

inline Bytes fromHex(std::string_view hex) {
    Bytes out;
    int pending = -1;
    for (char c : hex) {
        int v = -1;
        if (c >= '0' && c <= '9') v = c - '0';
        if (c >= 'a' && c <= 'f') v = c - 'a' + 10;
        if (c >= 'A' && c <= 'F') v = c - 'A' + 10;
        if (v < 0) continue;  // spaces for readability
        if (pending < 0) {
            pending = v;
        } else {
            out.push_back(static_cast<std::uint8_t>(pending * 16 + v));
            pending = -1;
        }
    }
    return out;
}

inline Bytes bytesOf(std::string_view s) { return Bytes(s.begin(), s.end()); }
inline std::string textOf(const Bytes& b) { return std::string(b.begin(), b.end()); }

inline Bytes randomBytes(std::size_t n, std::uint32_t seed) {
    std::mt19937 rng(seed);
    Bytes out(n);
    for (auto& b : out) b = static_cast<std::uint8_t>(rng());
    return out;
}

// JSON-like text of roughly `n` bytes with the repetition of real instance documents.
inline Bytes jsonLike(std::size_t n, std::uint32_t seed) {
    std::mt19937 rng(seed);
    static const char* keys[] = {"osc1_wt_pos", "filter_cutoff", "env1_attack", "lfo2_rate", "fx_reverb_mix",
                                 "osc2_semitone", "amp_level", "mod_depth"};
    std::string s = "{\n  \"kind\": \"instance\",\n  \"params\": {\n";
    while (s.size() < n) {
        s += "    \"";
        s += keys[rng() % 8];
        s += std::to_string(rng() % 40);
        s += "\": ";
        s += std::to_string(static_cast<double>(rng() % 100000) / 977.0);
        s += ",\n";
    }
    s.resize(n);
    return bytesOf(s);
}

// 32-bit float audio: a decaying sine with a little noise.
inline Bytes floatAudio(std::size_t samples, std::uint32_t seed) {
    std::mt19937 rng(seed);
    std::normal_distribution<float> noise(0.0f, 0.001f);
    Bytes out(samples * 4);
    double phase = 0;
    for (std::size_t i = 0; i < samples; ++i) {
        phase += 2 * 3.14159265358979 * 220.0 / 48000.0;
        const float v = static_cast<float>(std::sin(phase) * std::exp(-static_cast<double>(i) / 40000.0)) + noise(rng);
        std::memcpy(out.data() + i * 4, &v, 4);
    }
    return out;
}

// Named inputs covering the shapes the coder meets: empty, tiny, runs, text, noise, large.
inline std::vector<std::pair<std::string, Bytes>> corpus() {
    std::vector<std::pair<std::string, Bytes>> c;
    c.emplace_back("empty", Bytes{});
    c.emplace_back("one byte", Bytes{0x41});
    c.emplace_back("two bytes", Bytes{0x00, 0xFF});
    c.emplace_back("three bytes", Bytes{1, 2, 3});
    c.emplace_back("three equal", Bytes{7, 7, 7});
    c.emplace_back("four equal", Bytes{7, 7, 7, 7});
    c.emplace_back("run of 1000", Bytes(1000, 'a'));
    c.emplace_back("run of 100000", Bytes(100000, 0));
    c.emplace_back("pattern", [] {
        Bytes b;
        for (int i = 0; i < 5000; ++i) b.push_back(static_cast<std::uint8_t>("abcab"[i % 5]));
        return b;
    }());
    c.emplace_back("text", bytesOf("The quick brown fox jumps over the lazy dog. The quick brown fox jumps over the lazy cat."));
    c.emplace_back("json 40k", jsonLike(40000, 1));
    c.emplace_back("random 3000", randomBytes(3000, 2));
    c.emplace_back("audio", floatAudio(50000, 3));
    c.emplace_back("far repeat", [] {
        Bytes b = randomBytes(40000, 4);
        Bytes head(b.begin(), b.begin() + 1000);
        b.insert(b.end(), head.begin(), head.end());  // a repeat from 40,000 bytes back
        return b;
    }());
    c.emplace_back("json 1.5 MiB", jsonLike(1536 * 1024 + 17, 5));
    return c;
}

// zlib as the control: raw DEFLATE (windowBits -15).
inline Bytes zlibDeflateRaw(const Bytes& in, int level, int strategy = Z_DEFAULT_STRATEGY) {
    z_stream z{};
    if (deflateInit2(&z, level, Z_DEFLATED, -15, 8, strategy) != Z_OK) throw std::runtime_error("deflateInit2");
    Bytes out(deflateBound(&z, static_cast<uLong>(in.size())) + 16);
    z.next_in = const_cast<Bytef*>(in.data());
    z.avail_in = static_cast<uInt>(in.size());
    z.next_out = out.data();
    z.avail_out = static_cast<uInt>(out.size());
    const int rc = deflate(&z, Z_FINISH);
    deflateEnd(&z);
    if (rc != Z_STREAM_END) throw std::runtime_error("deflate");
    out.resize(z.total_out);
    return out;
}

// Answers true and the output when zlib decodes the whole stream.
inline bool zlibInflateRaw(const Bytes& in, Bytes& out, std::size_t expected) {
    z_stream z{};
    if (inflateInit2(&z, -15) != Z_OK) return false;
    out.assign(expected + 1, 0);
    z.next_in = const_cast<Bytef*>(in.data());
    z.avail_in = static_cast<uInt>(in.size());
    z.next_out = out.data();
    z.avail_out = static_cast<uInt>(out.size());
    const int rc = inflate(&z, Z_FINISH);
    out.resize(z.total_out);
    inflateEnd(&z);
    return rc == Z_STREAM_END;
}

// Writes DEFLATE bit fields: values least significant bit first, Huffman codes most significant
// bit first.
class BitWriter {
public:
    void put(std::uint32_t value, int n) {
        for (int i = 0; i < n; ++i) bits_.push_back((value >> i) & 1u);
    }
    void code(std::uint32_t code, int n) {
        for (int i = n - 1; i >= 0; --i) bits_.push_back((code >> i) & 1u);
    }
    void fixedSymbol(int sym) {
        if (sym < 144) code(0x30u + static_cast<std::uint32_t>(sym), 8);
        else if (sym < 256) code(0x190u + static_cast<std::uint32_t>(sym - 144), 9);
        else if (sym < 280) code(static_cast<std::uint32_t>(sym - 256), 7);
        else code(0xC0u + static_cast<std::uint32_t>(sym - 280), 8);
    }
    std::size_t bitCount() const { return bits_.size(); }
    Bytes bytes() const {
        Bytes out((bits_.size() + 7) / 8, 0);
        for (std::size_t i = 0; i < bits_.size(); ++i) out[i / 8] |= static_cast<std::uint8_t>(bits_[i] << (i % 8));
        return out;
    }

private:
    std::vector<std::uint32_t> bits_;
};

// A final dynamic block header whose code lengths are sent plainly: the code-length code gives
// the symbols 0-15 four bits each (so symbol k is sent as the 4-bit code k).
inline void dynamicHeader(BitWriter& w, const std::vector<int>& lit, const std::vector<int>& dist) {
    static const int order[] = {16, 17, 18, 0, 8, 7, 9, 6, 10, 5, 11, 4, 12, 3, 13, 2, 14, 1, 15};
    w.put(1, 1);
    w.put(2, 2);
    w.put(static_cast<std::uint32_t>(lit.size() - 257), 5);
    w.put(static_cast<std::uint32_t>(dist.size() - 1), 5);
    w.put(15, 4);
    for (int s : order) w.put(s >= 16 ? 0 : 4, 3);
    for (int l : lit) w.code(static_cast<std::uint32_t>(l), 4);
    for (int l : dist) w.code(static_cast<std::uint32_t>(l), 4);
}

}  // namespace orbi::test
