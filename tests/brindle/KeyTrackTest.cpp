// A controller's keys hold what was set whichever way their block grew:
// on the heap, moved to pages of their own, those pages grown in place, and
// edited in the middle at every size; copies and moves keep the keys.
#include <cstdint>
#include <map>
#include <string>
#include <utility>

#include <gtest/gtest.h>

#include "brindle/host/scene/KeyTrack.h"
#include "brindle/sdk/Geometry.h"

namespace {

using namespace brindle::host;

// Each key's value tells its tick, so a key moved to the wrong place shows.
Quat ValueAt(TimeValue t) {
    return Quat(static_cast<float>(t), static_cast<float>(-t), 0.5f, static_cast<float>(t % 7));
}

void ExpectSame(const KeyTrack<Quat>& track, const std::map<TimeValue, Quat>& expected,
                const std::string& step) {
    ASSERT_EQ(track.Size(), expected.size()) << step;
    std::size_t i = 0;
    for (const auto& [time, value] : expected) {
        const auto& key = track[i++];
        ASSERT_EQ(key.time, time) << step << ": key " << i - 1;
        ASSERT_EQ(key.value.x, value.x) << step << ": key " << i - 1;
        ASSERT_EQ(key.value.w, value.w) << step << ": key " << i - 1;
    }
}

TEST(KeyTrack, KeysHoldWhereverTheirBlockGrew) {
    // 20 bytes a key: 6,554 keys fill the heap's share; 40,000 grow mapped
    // pages several times.
    const struct {
        const char* name;
        int keys;
    } cases[] = {{"one key", 1}, {"on the heap", 1000}, {"across to pages", 7000}, {"pages grown", 40000}};
    for (const auto& c : cases) {
        KeyTrack<Quat> track;
        std::map<TimeValue, Quat> expected;
        for (int i = 0; i < c.keys; ++i) {
            const TimeValue t = 2 * i;
            track.Set(t, ValueAt(t));
            expected[t] = ValueAt(t);
        }
        ExpectSame(track, expected, std::string(c.name) + ", appended");
        EXPECT_GE(track.CapacityBytes(), track.Size() * sizeof(Key<Quat>));

        // Between every pair of keys of the first hundred, at the middle
        // and before the first; then the same keys replaced and deleted.
        const TimeValue last = 2 * (c.keys - 1);
        for (TimeValue t : {TimeValue{-1}, TimeValue{1}, last / 2 + 1, last - 1}) {
            if (t >= last || expected.count(t) > 0) continue;
            track.Set(t, ValueAt(t));
            expected[t] = ValueAt(t);
        }
        track.Set(0, ValueAt(5));
        expected[0] = ValueAt(5);
        ExpectSame(track, expected, std::string(c.name) + ", inserted and replaced");

        KeyTrack<Quat> copy = track;
        EXPECT_TRUE(track.Delete(0));
        EXPECT_FALSE(track.Delete(3));
        const auto firstKept = expected;
        expected.erase(0);
        ExpectSame(track, expected, std::string(c.name) + ", deleted");
        ExpectSame(copy, firstKept, std::string(c.name) + ", the copy");

        KeyTrack<Quat> moved = std::move(copy);
        ExpectSame(moved, firstKept, std::string(c.name) + ", moved");
        copy = track;
        ExpectSame(copy, expected, std::string(c.name) + ", assigned over");
    }
}

}  // namespace
