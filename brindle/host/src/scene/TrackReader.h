// The keys of one controller, taken from the JSON reader's events as the
// document goes by rather than from a tree of it, so that loading holds each
// key once, in the form the scene keeps it. A document spells them in one of
// two ways:
//   "ticks": [tick or [first, step, count], ...] with "values": [number or
//       base64 string, ...], the values' numbers in key order (the form of
//       version 2);
//   "keys": [[tick, x, y, z(, w)], ...] (the form of version 1).
//
// What is wrong with the keys is kept in words ("ticks: item 2 must be ..."),
// to be said when the controller is read and its node's name is known; the
// events after a problem are passed over. Ticks are held as runs of evenly
// spaced ticks while the track is read, and nothing is reserved from a count
// the document states: the keys are made from the values read, and a run's
// count is believed only once the values match it.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "scene/JsonReader.h"
#include "brindle/host/scene/KeyTrack.h"
#include "brindle/sdk/Geometry.h"

namespace brindle::host {

// The fields of a controller that hold its keys.
enum class TrackField { Keys = 1, Ticks = 2, Values = 4 };

class TrackReader {
public:
    // The keys of a new controller, `width` numbers a value (3 or 4).
    void Start(std::size_t width);
    // The array of `field` has started; the events inside it follow, up to
    // the end of that array.
    void StartField(TrackField field);

    // The events within the field's array. EndContainer is true when it
    // closed the field's own array.
    void StartContainer(bool array);
    bool EndContainer();
    void Number(const JsonNumber& number, double value);
    void String(std::string_view utf8);
    // A value of another kind, named as messages name it ("true or false").
    void Other(const char* kind);

    // The keys read, or what is wrong with them.
    void Finish(KeyBlock<Key<Point3>>& keys, std::string& problem);
    void Finish(KeyBlock<Key<Quat>>& keys, std::string& problem);

private:
    // Ticks first, first + step, ... (`count` of them).
    struct TickRun {
        long long first;
        long long step;
        long long count;
    };

    void Problem(const std::string& what);
    std::string Item() const;
    void Element(const JsonNumber* number, double value, const char* kind);
    void KeyElement(const JsonNumber* number, double value, const char* kind);
    void RunElement(const JsonNumber* number);
    void TopItem(const JsonNumber* number, double value, const char* kind);
    void EndItem();
    bool TakeTick(const JsonNumber& number, long long& tick);
    void AddTick(long long tick);
    template <typename Value>
    void Make(KeyBlock<Key<Value>>& keys, std::string& problem);

    std::size_t width_ = 3;
    unsigned given_ = 0;  // the TrackFields seen
    TrackField field_ = TrackField::Keys;
    std::string problem_;
    std::vector<TickRun> runs_;
    std::vector<float> values_;  // `width_` a key
    std::size_t depth_ = 0;      // containers open within the field's array
    std::size_t item_ = 0;       // items of the field's array so far
    // The array within the field being read (a key, or a run of ticks): its
    // elements so far, its integers or numbers, and the first thing wrong.
    std::size_t element_ = 0;
    long long integers_[3] = {};
    float numbers_[4] = {};
    std::string itemProblem_;
};

}  // namespace brindle::host
