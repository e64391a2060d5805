#include "scene/TrackWriter.h"

#include <algorithm>
#include <cmath>

#include "brindle/host/scene/Base64Floats.h"

namespace brindle::host {
namespace {

constexpr std::size_t kKeysPerString = 4096;

constexpr std::size_t Width(const Point3*) { return 3; }
constexpr std::size_t Width(const Quat*) { return 4; }

void Numbers(const Point3& p, float* out) {
    out[0] = p.x;
    out[1] = p.y;
    out[2] = p.z;
}
void Numbers(const Quat& q, float* out) {
    out[0] = q.x;
    out[1] = q.y;
    out[2] = q.z;
    out[3] = q.w;
}

// Each tick, or a run [first, step, count] where three or more follow at
// one step.
template <typename Value>
void WriteTicks(DocumentText& out, std::span<const Key<Value>> keys, bool runs) {
    out.Key("ticks");
    out.BeginArray(true);
    for (std::size_t i = 0; i < keys.size();) {
        std::size_t end = i + 1;
        if (runs && i + 1 < keys.size()) {
            const long long step = static_cast<long long>(keys[i + 1].time) - keys[i].time;
            while (end < keys.size() &&
                   static_cast<long long>(keys[end].time) - keys[end - 1].time == step) {
                ++end;
            }
        }
        if (end - i >= 3) {
            out.BeginArray(true);
            out.Integer(keys[i].time);
            out.Integer(static_cast<long long>(keys[i + 1].time) - keys[i].time);
            out.Integer(static_cast<long long>(end - i));
            out.EndArray();
            i = end;
        } else {
            out.Integer(keys[i++].time);
        }
    }
    out.EndArray();
}

}  // namespace

template <typename Value>
void TrackWriter::WriteTrack(DocumentText& out, std::span<const Key<Value>> keys) {
    const bool compact = keys.size() > kTrackKeysAsNumbers;
    WriteTicks(out, keys, compact);
    if (compact) return WriteCompactValues(out, keys);
    out.Key("values");
    out.BeginArray(false);
    float numbers[4];
    for (const Key<Value>& key : keys) {
        Numbers(key.value, numbers);
        std::string& row = out.BeginRaw();
        for (std::size_t n = 0; n < Width(&key.value); ++n) {
            if (n > 0) row += ", ";
            if (!DocumentText::AppendFloat(row, numbers[n])) out.NoteNonFinite();
        }
        out.EndRaw();
    }
    out.EndArray();
}

template <typename Value>
void TrackWriter::WriteCompactValues(DocumentText& out, std::span<const Key<Value>> keys) {
    constexpr std::size_t kWidth = Width(static_cast<const Value*>(nullptr));
    out.Key("values");
    out.BeginArray(false);
    for (std::size_t first = 0; first < keys.size(); first += kKeysPerString) {
        const std::size_t count = std::min(kKeysPerString, keys.size() - first);
        staging_.resize(count * kWidth);
        for (std::size_t k = 0; k < count; ++k) Numbers(keys[first + k].value, &staging_[k * kWidth]);
        if (!std::all_of(staging_.begin(), staging_.end(), [](float v) { return std::isfinite(v); })) {
            out.NoteNonFinite();
        }
        std::string& text = out.BeginRaw();
        text += '"';
        AppendBase64Floats(text, staging_.data(), staging_.size());
        text += '"';
        out.EndRaw();
    }
    out.EndArray();
}

void TrackWriter::Write(DocumentText& out, std::span<const Key<Point3>> keys) {
    WriteTrack(out, keys);
}
void TrackWriter::Write(DocumentText& out, std::span<const Key<Quat>> keys) {
    WriteTrack(out, keys);
}

}  // namespace brindle::host
