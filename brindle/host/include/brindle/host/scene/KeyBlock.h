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
// value (copied as bytes): a tick and the value keyed at it.
template <typename Key>
class KeyBlock {
    static_assert(std::is_trivially_copyable_v<Key> && std::is_trivially_destructible_v<Key>);
    static_assert(sizeof(Key) <= kLargestKey);

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
            FreeKeyBytes(data_, Bytes(capacity_));
            TakeFrom(other);
        }
        return *this;
    }
    ~KeyBlock() { FreeKeyBytes(data_, Bytes(capacity_)); }

    bool empty() const { return size_ == 0; }
    std::size_t size() const { return size_; }
    std::size_t capacity() const { return capacity_; }
    Key* data() { return data_; }
    const Key* data() const { return data_; }
    Key* begin() { return data_; }
    Key* end() { return data_ + size_; }
    const Key* begin() const { return data_; }
    const Key* end() const { return data_ + size_; }
    Key& operator[](std::size_t i) { return data_[i]; }
    const Key& operator[](std::size_t i) const { return data_[i]; }
    Key& front() { return data_[0]; }
    const Key& front() const { return data_[0]; }
    Key& back() { return data_[size_ - 1]; }
    const Key& back() const { return data_[size_ - 1]; }
    operator std::span<const Key>() const { return {data_, size_}; }

    void reserve(std::size_t count) {
        if (count <= capacity_) return;
        if (count > UINT32_MAX) throw std::bad_alloc();
        std::size_t got = 0;
        data_ = static_cast<Key*>(GrowKeyBytes(data_, Bytes(capacity_), Bytes(count), Bytes(size_), got));
        capacity_ = static_cast<std::uint32_t>(std::min<std::size_t>(got / sizeof(Key), UINT32_MAX));
    }
    // Grows by half its size when full, as appending frame by frame needs.
    void push_back(Key key) {
        if (size_ == capacity_) reserve(std::size_t{size_} + size_ / 2 + 1);
        data_[size_++] = key;
    }
    void insert(std::size_t index, Key key) {
        if (size_ == capacity_) reserve(std::size_t{size_} + size_ / 2 + 1);
        Key* at = data_ + index;
        std::memmove(at + 1, at, (size_ - index) * sizeof(Key));
        *at = key;
        ++size_;
    }
    void erase(std::size_t index) {
        Key* at = data_ + index;
        std::memmove(at, at + 1, (size_ - index - 1) * sizeof(Key));
        --size_;
    }
    // `count` keys; those added are value-initialised.
    void resize(std::size_t count) {
        reserve(count);
        for (std::size_t i = size_; i < count; ++i) data_[i] = Key{};
        size_ = static_cast<std::uint32_t>(count);
    }
    void clear() { size_ = 0; }

private:
    static std::size_t Bytes(std::size_t count) { return count * sizeof(Key); }
    void CopyFrom(std::span<const Key> keys) {
        reserve(keys.size());
        if (!keys.empty()) std::memcpy(data_, keys.data(), Bytes(keys.size()));
        size_ = static_cast<std::uint32_t>(keys.size());
    }
    void TakeFrom(KeyBlock& other) {
        data_ = std::exchange(other.data_, nullptr);
        size_ = std::exchange(other.size_, 0);
        capacity_ = std::exchange(other.capacity_, 0);
    }

    // 16 bytes a block: a scene of a million markers holds three million.
    Key* data_ = nullptr;
    std::uint32_t size_ = 0;
    std::uint32_t capacity_ = 0;
};

}  // namespace brindle::host
