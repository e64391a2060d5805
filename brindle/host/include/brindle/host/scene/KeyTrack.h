// Keys of one controller, held in time order: a value per tick that has a
// key. Appending after the last key is amortised constant time (the block
// grows by half its size, so it never holds more than about 1.5 times the
// keys' own size, and a large one grows in place); any other change finds
// its place by binary search, and a deletion at a time without a key
// changes nothing.
#pragma once

#include <algorithm>
#include <cstddef>
#include <span>

#include "brindle/host/scene/KeyBlock.h"
#include "brindle/sdk/Animation.h"

namespace brindle::host {

template <typename Value>
struct Key {
    TimeValue time;
    Value value;
};

template <typename Value>
class KeyTrack {
public:
    using KeyType = Key<Value>;
    using Block = KeyBlock<KeyType>;

    bool Empty() const { return keys_.empty(); }
    std::size_t Size() const { return keys_.size(); }
    const KeyType& operator[](std::size_t i) const { return keys_[i]; }
    std::span<const KeyType> Keys() const { return keys_; }
    // Bytes the track holds, spare room included.
    std::size_t CapacityBytes() const { return keys_.capacity() * sizeof(KeyType); }

    // Makes or replaces the key at `time`.
    void Set(TimeValue time, const Value& value) {
        if (keys_.empty() || time > keys_.back().time) {
            keys_.push_back({time, value});
            return;
        }
        const auto at = LowerBound(time);
        if (at != keys_.end() && at->time == time) {
            at->value = value;
            return;
        }
        keys_.insert(static_cast<std::size_t>(at - keys_.begin()), {time, value});
    }

    // Removes the key at `time`; false when there is none.
    bool Delete(TimeValue time) {
        if (keys_.empty() || time < keys_.front().time || time > keys_.back().time) return false;
        const auto at = LowerBound(time);
        if (at == keys_.end() || at->time != time) return false;
        keys_.erase(static_cast<std::size_t>(at - keys_.begin()));
        return true;
    }

    // The keys around `time`: the index of the last key at or before it
    // (-1 when none) and whether that key is exactly at `time`.
    std::ptrdiff_t Before(TimeValue time, bool& exact) const {
        const auto at = std::upper_bound(
            keys_.begin(), keys_.end(), time,
            [](TimeValue t, const KeyType& key) { return t < key.time; });
        const std::ptrdiff_t index = (at - keys_.begin()) - 1;
        exact = index >= 0 && keys_[static_cast<std::size_t>(index)].time == time;
        return index;
    }

    // Applies `change` to every key's value.
    template <typename Change>
    void ForEachValue(Change&& change) {
        for (KeyType& key : keys_) change(key.value);
    }

    void Assign(Block keys) { keys_ = std::move(keys); }
    void Reserve(std::size_t count) { keys_.reserve(count); }

private:
    KeyType* LowerBound(TimeValue time) {
        return std::lower_bound(keys_.begin(), keys_.end(), time,
                                [](const KeyType& key, TimeValue t) { return key.time < t; });
    }
    Block keys_;
};

}  // namespace brindle::host
