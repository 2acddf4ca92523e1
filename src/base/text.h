// Text and list value types shared by every subsystem of the launcher.
//
// A non-owning view (TextView), owning buffers with one growth rule (ByteBuffer, WideBuffer,
// ItemArray), NUL-terminated strings built on them (TextString, WideString) and a list of
// strings kept in one pool (StringList). Narrow text is ANSI (the process code page) or UTF-8;
// which one a string holds is said by whoever produces it. Lengths and counts are signed
// 32-bit; a count of -1 means "up to the first NUL".
//
// Every operation that changes a length goes through the virtual resize(), so the
// terminated types keep their terminator through all of them. A failed allocation stops the
// process with a message on standard error: no caller ever sees a half-grown buffer.
//
// Platforms: identical on Windows and Linux. UTF-16 is char16_t everywhere (never wchar_t,
// which is 32 bits on Linux); the ANSI conversions go through platform/codepage.h.
#pragma once

#include <cstdarg>
#include <cstdint>
#include <cstdlib>
#include <cstring>

// The capacity that the growth rule gives a buffer of `capacity` elements that needs `need`.
int32_t grownCapacity(int32_t capacity, int32_t need);

// Stops the process: a buffer could not get the memory it needs.
[[noreturn]] void stopOnAllocationFailure();

// A growable block of elements with the shared growth rule. The capacity never shrinks.
template <typename T>
class Buffer {
  public:
    Buffer() = default;
    Buffer(const Buffer& other) { append(other.data_, other.length_); }
    Buffer(Buffer&& other) noexcept { swapWith(other); }
    Buffer& operator=(const Buffer& other) {
        if (this != &other) {
            resize(0);
            append(other.data_, other.length_);
        }
        return *this;
    }
    Buffer& operator=(Buffer&& other) noexcept {
        swapWith(other);
        return *this;
    }
    virtual ~Buffer() { std::free(data_); }

    // Sets the length to n, growing the block by the growth rule when needed.
    virtual void resize(int32_t n) {
        reserveFor(n);
        length_ = n;
    }

    T* data() { return data_; }
    const T* data() const { return data_; }
    int32_t length() const { return length_; }
    int32_t capacity() const { return capacity_; }
    bool empty() const { return length_ == 0; }
    T& operator[](int32_t i) { return data_[i]; }
    const T& operator[](int32_t i) const { return data_[i]; }

    void append(const T* items, int32_t count) {
        if (count <= 0) {
            return;
        }
        int32_t old = length_;
        resize(old + count);
        std::memmove(data_ + old, items, sizeof(T) * static_cast<size_t>(count));
    }
    void append(const T& item) { append(&item, 1); }

    // Makes room for n elements at pos (0 <= pos <= length) and returns a pointer to them.
    T* insertGap(int32_t pos, int32_t n) {
        int32_t old = length_;
        resize(old + n);
        std::memmove(data_ + pos + n, data_ + pos, sizeof(T) * static_cast<size_t>(old - pos));
        return data_ + pos;
    }

    // Removes count elements from start; a range past the end cuts the buffer at start.
    void removeRange(int32_t start, int32_t count) {
        if (start < 0 || start >= length_) {
            return;
        }
        if (count >= 0 && start + count < length_) {
            std::memmove(data_ + start, data_ + start + count,
                         sizeof(T) * static_cast<size_t>(length_ - start - count));
            resize(length_ - count);
        } else {
            resize(start);
        }
    }

    void clear() { resize(0); }

  protected:
    // Grows the block so that it holds at least `need` elements.
    void reserveFor(int32_t need) {
        if (need <= capacity_) {
            return;
        }
        int32_t capacity = grownCapacity(capacity_, need);
        void* block = std::realloc(data_, sizeof(T) * static_cast<size_t>(capacity));
        if (block == nullptr) {
            stopOnAllocationFailure();
        }
        data_ = static_cast<T*>(block);
        capacity_ = capacity;
    }

    void swapWith(Buffer& other) {
        T* d = data_;
        int32_t l = length_, c = capacity_;
        data_ = other.data_;
        length_ = other.length_;
        capacity_ = other.capacity_;
        other.data_ = d;
        other.length_ = l;
        other.capacity_ = c;
    }

    T* data_ = nullptr;
    int32_t length_ = 0;
    int32_t capacity_ = 0;
};

// A buffer that always keeps a zero element after its last one; data() is never null.
template <typename T>
class TerminatedBuffer : public Buffer<T> {
  public:
    TerminatedBuffer() { resize(0); }
    TerminatedBuffer(const T* items, int32_t count) {
        resize(0);
        if (items != nullptr) {
            this->append(items, count < 0 ? unitsUpToZero(items) : count);
        }
    }
    TerminatedBuffer(const TerminatedBuffer& other) : Buffer<T>() {
        resize(0);
        this->append(other.data_, other.length_);
    }
    TerminatedBuffer(TerminatedBuffer&& other) noexcept : Buffer<T>() {
        this->swapWith(other);
        other.resize(0);
    }
    TerminatedBuffer& operator=(const TerminatedBuffer& other) {
        if (this != &other) {
            resize(0);
            this->append(other.data_, other.length_);
        }
        return *this;
    }
    TerminatedBuffer& operator=(TerminatedBuffer&& other) noexcept {
        this->swapWith(other);
        other.resize(0);
        return *this;
    }

    void resize(int32_t n) override {
        this->reserveFor(n + 1);
        this->length_ = n;
        this->data_[n] = T(0);
    }

    static int32_t unitsUpToZero(const T* items) {
        int32_t n = 0;
        while (items[n] != T(0)) {
            ++n;
        }
        return n;
    }
};

using ByteBuffer = Buffer<char>;
using WideBuffer = Buffer<char16_t>;

// A growable array of items (integers or pointers); no terminator.
template <typename Item>
using ItemArray = Buffer<Item>;

class TextString;

// A pointer and a length; owns nothing and guarantees no terminator.
struct TextView {
    TextView() = default;
    TextView(const char* text, int32_t count = -1)
        : data(text),
          length(text == nullptr ? 0
                                 : (count < 0 ? static_cast<int32_t>(std::strlen(text)) : count)) {}
    TextView(const ByteBuffer& buffer) : data(buffer.data()), length(buffer.length()) {}

    const char* data = nullptr;
    int32_t length = 0;
};

// The general string type: NUL-terminated bytes, passed and returned by value.
class TextString : public TerminatedBuffer<char> {
  public:
    TextString() = default;
    TextString(const char* text, int32_t count = -1) : TerminatedBuffer<char>(text, count) {}
    TextString(TextView view) : TerminatedBuffer<char>(view.data, view.data ? view.length : 0) {}

    const char* c_str() const { return data_; }
    operator TextView() const { return TextView(data_, length_); }

    using Buffer<char>::append;
    void append(TextView view) { Buffer<char>::append(view.data, view.length); }
    void append(const char* text) { append(TextView(text)); }

    TextString left(int32_t n) const;
    TextString right(int32_t n) const;
    TextString mid(int32_t start, int32_t count) const;
    TextString tail(int32_t start) const;
    static TextString concat(TextView first, TextView second);

    // The byte at i, or fallback when i lies outside the string.
    char byteAt(int32_t i, char fallback) const {
        return (i >= 0 && i < length_) ? data_[i] : fallback;
    }

    // Byte comparisons on signed chars; 0 means equal length and bytes.
    int compare(TextView other) const;
    // Like compare, but bytes that toupper maps to the same value count as equal.
    int compareNoCase(TextView other) const;
    // 0 when other begins with this string (equal texts included).
    int prefixCompare(TextView other) const;
    bool operator==(const char* text) const { return compare(TextView(text)) == 0; }
    bool operator!=(const char* text) const { return !(*this == text); }

    // Replaces the content with printf-style output; results of any length come out whole.
    void format(const char* fmt, ...) __attribute__((format(printf, 2, 3)));
    // The same with the arguments as a va_list.
    void formatList(const char* fmt, va_list args) __attribute__((format(printf, 2, 0)));
};

// NUL-terminated UTF-16.
class WideString : public TerminatedBuffer<char16_t> {
  public:
    WideString() = default;
    WideString(const char16_t* text, int32_t count = -1)
        : TerminatedBuffer<char16_t>(text, count) {}
};

// Strings kept in order, NUL-terminated, in one pool; entries are offsets into the pool, so
// they stay valid when the pool grows. Duplicates are kept.
class StringList {
  public:
    void addString(TextView text) {
        offsets_.append(pool_.length());
        pool_.append(text);
        pool_.Buffer<char>::append('\0');
    }
    const char* stringAt(int32_t i) const { return pool_.data() + offsets_[i]; }
    char* stringAt(int32_t i) { return pool_.data() + offsets_[i]; }
    int32_t count() const { return offsets_.length(); }
    void clear() {
        offsets_.resize(0);
        pool_.resize(0);
    }
    // Drops the string added last (nothing when the list is empty).
    void removeLast() {
        int32_t n = offsets_.length();
        if (n > 0) {
            pool_.resize(offsets_[n - 1]);
            offsets_.resize(n - 1);
        }
    }

  private:
    ItemArray<int32_t> offsets_;
    TextString pool_;
};

// The launcher's own UTF-8 decoder: a four-byte sequence becomes a surrogate pair; a byte that
// starts no valid sequence becomes '?'; a sequence cut off by the end is dropped.
WideString wideFromUtf8(const char* text, int32_t count);
// The byte count (1 to 4) of the well-formed UTF-8 sequence that starts at text, where
// available > 0 bytes can be read; 0 when none starts there (a stray continuation byte, an
// overlong form, a surrogate, a code point above U+10FFFF, or a sequence cut off).
int32_t utf8SequenceLength(const char* text, int32_t available);
// The launcher's own UTF-8 encoder: a surrogate pair becomes one four-byte sequence, a lone
// surrogate its three-byte form; stops at count units or at the first zero unit.
TextString utf8FromWide(const char16_t* text, int32_t count);
