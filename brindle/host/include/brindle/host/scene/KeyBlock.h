// The storage of a controller's keys: one contiguous block of plain keys
// that grows without copying what it holds where the system allows.
//
// A track keyed frame by frame grows from nothing to its full length one
// key at a time. Moving the keys to a bigger block at every growth would
// touch about three times the keys' own bytes in fresh pages and copy twice
// that; here a block past a size of its own is mapped pages that grow where
// they are (the system moves the page table, not the keys), and a smaller
// one grows by the C library's realloc.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <initializer_list>
#include <span>
#include <new>
#include <type_traits>
#include <utility>

namespace brindle::host {

// The raw storage of a key block: a heap block while small, mapped pages of
// its own from kMappedBytes up. Grows `data`, holding `had` bytes, to at
// least `want` bytes with its first `keep` bytes kept, and gives the bytes
// it holds now in `got`; throws std::bad_alloc when no room is to be had.
inline constexpr std::size_t kMappedBytes = std::size_t{128} << 10;
inline constexpr std::size_t kLargestKey = 64;
void* GrowKeyBytes(void* data, std::size_t had, std::size_t want, std::size_t keep, std::size_t& got);
void FreeKeyBytes(void* data, std::size_t had);

// Keys in one block, in the order they are put there. `Key` is a plain
// value (copied as bytes): a tick and the value keyed at it. A block of at
// most one key holds it in place: most tracks of a marker cloud have one.
template <typename Key>
class KeyBlock {
    static_assert(std::is_trivially_copyable_v<Key> && std::is_trivially_destructible_v<Key>);
    static_assert(sizeof(Key) <= kLargestKey && sizeof(Key) >= sizeof(Key*));

public:
    KeyBlock() = default;
    KeyBlock(std::initializer_list<Key> keys) : KeyBlock(std::span<const Key>(keys.begin(), keys.size())) {}
    explicit KeyBlock(std::span<const Key> keys) { CopyFrom(keys); }
    KeyBlock(const KeyBlock& other) { CopyFrom(other); }
    KeyBlock& operator=(const KeyBlock& other) {
        if (this != &other) {
            size_ = 0;
            CopyFrom(other);
        }
        return *this;
    }
    KeyBlock(KeyBlock&& other) noexcept { TakeFrom(other); }
    KeyBlock& operator=(KeyBlock&& other) noexcept {
        if (this != &other) {
            Free();
            TakeFrom(other);
        }
        return *this;
    }
    ~KeyBlock() { Free(); }

    bool empty() const { return size_ == 0; }
    std::size_t size() const { return size_; }
    std::size_t capacity() const { return capacity_; }
    Key* data() { return InPlace() ? reinterpret_cast<Key*>(one_) : heap_; }
    const Key* data() const { return InPlace() ? reinterpret_cast<const Key*>(one_) : heap_; }
    Key* begin() { return data(); }
    Key* end() { return data() + size_; }
    const Key* begin() const { return data(); }
    const Key* end() const { return data() + size_; }
    Key& operator[](std::size_t i) { return data()[i]; }
    const Key& operator[](std::size_t i) const { return data()[i]; }
    Key& front() { return data()[0]; }
    const Key& front() const { return data()[0]; }
    Key& back() { return data()[size_ - 1]; }
    const Key& back() const { return data()[size_ - 1]; }
    operator std::span<const Key>() const { return {data(), size_}; }

    void reserve(std::size_t count) {
        if (count <= capacity_) return;
        if (count > UINT32_MAX) throw std::bad_alloc();
        std::size_t got = 0;
        if (InPlace()) {
            // The key held in place moves to the block's start.
            Key* grown = static_cast<Key*>(GrowKeyBytes(nullptr, 0, Bytes(count), 0, got));
            if (size_ > 0) std::memcpy(grown, one_, sizeof(Key));
            heap_ = grown;
        } else {
            heap_ = static_cast<Key*>(GrowKeyBytes(heap_, Bytes(capacity_), Bytes(count), Bytes(size_), got));
        }
        capacity_ = static_cast<std::uint32_t>(std::min<std::size_t>(got / sizeof(Key), UINT32_MAX));
    }
    // Grows by half its size when full, as appending frame by frame needs.
    void push_back(Key key) {
        if (size_ == capacity_) reserve(std::size_t{size_} + size_ / 2 + 1);
        data()[size_++] = key;
    }
    void insert(std::size_t index, Key key) {
        if (size_ == capacity_) reserve(std::size_t{size_} + size_ / 2 + 1);
        Key* at = data() + index;
        std::memmove(at + 1, at, (size_ - index) * sizeof(Key));
        *at = key;
        ++size_;
    }
    void erase(std::size_t index) {
        Key* at = data() + index;
        std::memmove(at, at + 1, (size_ - index - 1) * sizeof(Key));
        --size_;
    }
    // `count` keys; those added are value-initialised.
    void resize(std::size_t count) {
        reserve(count);
        Key* keys = data();
        for (std::size_t i = size_; i < count; ++i) keys[i] = Key{};
        size_ = static_cast<std::uint32_t>(count);
    }
    void clear() { size_ = 0; }

private:
    static std::size_t Bytes(std::size_t count) { return count * sizeof(Key); }
    bool InPlace() const { return capacity_ <= 1; }
    void CopyFrom(std::span<const Key> keys) {
        reserve(keys.size());
        if (!keys.empty()) std::memcpy(data(), keys.data(), Bytes(keys.size()));
        size_ = static_cast<std::uint32_t>(keys.size());
    }
    // The bytes of the place hold the key or the block's address.
    void TakeFrom(KeyBlock& other) {
        std::memcpy(one_, other.one_, sizeof one_);
        size_ = std::exchange(other.size_, 0);
        capacity_ = std::exchange(other.capacity_, 1);
    }
    void Free() {
        if (!InPlace()) FreeKeyBytes(heap_, Bytes(capacity_));
    }

    // One key in place, or the block of more.
    union {
        Key* heap_;
        alignas(Key) unsigned char one_[sizeof(Key)] = {};
    };
    std::uint32_t size_ = 0;
    std::uint32_t capacity_ = 1;
};

}  // namespace brindle::host
