// Byte helpers shared by the suites: hex and byte conversions, seeded test data, and zlib as an
// independent control for raw DEFLATE.
#pragma once

#include <zlib.h>

#include <cctype>
#include <cstdint>
#include <random>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace orbi::test {

using Bytes = std::vector<std::uint8_t>;

// Hex digits in pairs; anything else (spaces for readability) is skipped.
inline Bytes fromHex(std::string_view hex) {
    std::string digits;
    for (char c : hex) if (std::isxdigit(static_cast<unsigned char>(c))) digits += c;
    Bytes out;
    for (std::size_t i = 0; i + 1 < digits.size(); i += 2) out.push_back(static_cast<std::uint8_t>(std::stoi(digits.substr(i, 2), nullptr, 16)));
    return out;
}

template <typename Range>  // lower-case hex pairs
std::string toHex(const Range& bytes) {
    std::string out;
    for (const auto c : bytes) out += {"0123456789abcdef"[static_cast<std::uint8_t>(c) >> 4], "0123456789abcdef"[c & 15]};
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

// JSON-like text of `n` bytes with the repetition of real instance documents.
inline Bytes jsonLike(std::size_t n, std::uint32_t seed) {
    std::mt19937 rng(seed);
    static const char* keys[] = {"osc1_wt_pos", "filter_cutoff", "env1_attack", "lfo2_rate"};
    std::string s = "{\n  \"kind\": \"instance\",\n  \"params\": {\n";
    while (s.size() < n)
        s += "    \"" + std::string(keys[rng() % 4]) + std::to_string(rng() % 40) + "\": " + std::to_string(rng() % 100000) + ",\n";
    s.resize(n);
    return bytesOf(s);
}

// zlib as the control: raw DEFLATE (windowBits -15).
inline void zlibStream(z_stream& z, const Bytes& in, Bytes& out) {
    z.next_in = const_cast<Bytef*>(in.data()), z.avail_in = static_cast<uInt>(in.size());
    z.next_out = out.data(), z.avail_out = static_cast<uInt>(out.size());
}

inline Bytes zlibDeflateRaw(const Bytes& in, int level, int strategy = Z_DEFAULT_STRATEGY) {
    z_stream z{};
    if (deflateInit2(&z, level, Z_DEFLATED, -15, 8, strategy) != Z_OK) throw std::runtime_error("deflateInit2");
    Bytes out(deflateBound(&z, static_cast<uLong>(in.size())) + 16);
    zlibStream(z, in, out);
    const int rc = deflate(&z, Z_FINISH);
    deflateEnd(&z);
    if (rc != Z_STREAM_END) throw std::runtime_error("deflate");
    out.resize(z.total_out);
    return out;
}

// Answers true and the output when zlib decodes the whole stream into at most `expected` + 1
// bytes; on false `out` holds what zlib decoded before it stopped and `message` zlib's reason
// ("end" when the input ran out).
inline bool zlibInflateRaw(const Bytes& in, Bytes& out, std::size_t expected, std::string* message = nullptr) {
    z_stream z{};
    if (inflateInit2(&z, -15) != Z_OK) return false;
    out.assign(expected + 1, 0);
    zlibStream(z, in, out);
    const int rc = inflate(&z, Z_FINISH);
    out.resize(z.total_out);
    if (message) *message = rc == Z_STREAM_END ? "" : z.msg ? z.msg : "end";
    inflateEnd(&z);
    return rc == Z_STREAM_END;
}

}  // namespace orbi::test
