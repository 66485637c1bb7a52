// JsonText: the bytes of a string value, or the spelling a number was read with. Up to 21 bytes
// are kept inside the object, longer ones on the heap: most strings a document holds (names,
// ids, choices) fit, as does every float's shortest spelling, and a double's unless its 17
// digits come with a sign and leading zeros, or with an exponent. So reading a document
// allocates next to nothing per scalar. The object is 22 bytes with no alignment, so that with
// a number's double it fits in a 32-byte JsonValue.
#pragma once

#include <cstddef>
#include <cstring>
#include <iosfwd>
#include <string>
#include <string_view>

namespace orbi {

class JsonText {
public:
    static constexpr std::size_t kInlineCapacity = 21;

    constexpr JsonText() noexcept : bytes_{} { bytes_[kTag] = kInlineCapacity; }
    explicit JsonText(std::string_view text) { init(text.data(), text.size()); }
    JsonText(const JsonText& o) { init(o.data(), o.size()); }
    JsonText(JsonText&& o) noexcept {
        std::memcpy(bytes_, o.bytes_, sizeof bytes_);
        o.setInline(0);
    }
    ~JsonText() { release(); }

    JsonText& operator=(const JsonText& o) {
        if (this != &o) assign(o.data(), o.size());
        return *this;
    }
    JsonText& operator=(JsonText&& o) noexcept {
        if (this != &o) {
            release();
            std::memcpy(bytes_, o.bytes_, sizeof bytes_);
            o.setInline(0);
        }
        return *this;
    }
    JsonText& operator=(std::string_view text) {
        assign(text.data(), text.size());
        return *this;
    }
    JsonText& operator=(const std::string& text) { return *this = std::string_view(text); }
    JsonText& operator=(const char* text) { return *this = std::string_view(text); }

    // Replaces the bytes (which may lie inside this object; an empty run may be null).
    void assign(const char* text, std::size_t length) {
        if (length <= kInlineCapacity) {
            unsigned char copy[kInlineCapacity];
            if (length != 0) std::memcpy(copy, text, length);
            release();
            std::memcpy(bytes_, copy, length);
            setInline(length);
            return;
        }
        char* copy = new char[length + 1];
        std::memcpy(copy, text, length);
        copy[length] = '\0';
        release();
        setHeap(copy, length);
    }

    // assign() for a run of at most kInlineCapacity bytes that has kInlineCapacity readable
    // bytes from its start (as inside a longer text): copies that fixed count, which compiles to
    // a few moves where an exact-length copy is a call.
    void assignInlineFrom(const char* text, std::size_t length) noexcept {
        release();
        std::memcpy(bytes_, text, kInlineCapacity);
        setInline(length);
    }

    void clear() noexcept {
        release();
        setInline(0);
    }

    bool empty() const noexcept { return size() == 0; }
    std::size_t size() const noexcept { return isHeap() ? heapSize() : kInlineCapacity - bytes_[kTag]; }
    const char* data() const noexcept { return isHeap() ? heapData() : reinterpret_cast<const char*>(bytes_); }
    const char* c_str() const noexcept { return data(); }
    std::string str() const { return std::string(data(), size()); }
    operator std::string_view() const noexcept { return std::string_view(data(), size()); }

    friend bool operator==(const JsonText& a, const JsonText& b) noexcept {
        return std::string_view(a) == std::string_view(b);
    }
    friend bool operator==(const JsonText& a, std::string_view b) noexcept { return std::string_view(a) == b; }

private:
    // Inline: the bytes, a terminating zero, and kInlineCapacity - length in the last byte,
    // which is then the terminating zero of a spelling of full length. Heap: a pointer and a
    // size at the front, kHeapTag in the last byte.
    static constexpr std::size_t kTag = kInlineCapacity;
    static constexpr unsigned char kHeapTag = 0xFF;

    bool isHeap() const noexcept { return bytes_[kTag] == kHeapTag; }

    char* heapData() const noexcept {
        char* p;
        std::memcpy(&p, bytes_, sizeof p);
        return p;
    }
    std::size_t heapSize() const noexcept {
        std::size_t n;
        std::memcpy(&n, bytes_ + sizeof(char*), sizeof n);
        return n;
    }

    void setInline(std::size_t length) noexcept {
        bytes_[length] = 0;
        bytes_[kTag] = static_cast<unsigned char>(kInlineCapacity - length);
    }
    void setHeap(char* p, std::size_t length) noexcept {
        std::memcpy(bytes_, &p, sizeof p);
        std::memcpy(bytes_ + sizeof(char*), &length, sizeof length);
        bytes_[kTag] = kHeapTag;
    }

    void init(const char* text, std::size_t length) {
        setInline(0);
        assign(text, length);
    }

    void release() noexcept {
        if (isHeap()) delete[] heapData();
    }

    unsigned char bytes_[kInlineCapacity + 1];
};

static_assert(sizeof(JsonText) == 22 && alignof(JsonText) == 1);

std::ostream& operator<<(std::ostream& out, const JsonText& text);

}  // namespace orbi
