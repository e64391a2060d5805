// The arithmetic the module does for each key of `import-htr` and each
// exported frame of `export-htr`, alone and in this process, on the long
// capture the scene commands are timed on (60 segments over 20,000 frames).
// Its numbers are the module's (every exported and keyed digit depends on
// them), so with the reader floor it is the least either command can take:
// the speed table measures the commands against the floor plus this.
//
// Keying: a key's translation in the host's axes, the frame's rotation
// composed with the base, the axis change and the host quaternion, as the
// importer makes them. Exporting: the node's local matrix from that key,
// its world matrix under its parent's, made relative to the parent again,
// decomposed, the host quaternion's float Euler angles turned back into the
// file's axes, composed with the inverse base and taken apart into the
// file's angles, as the host and the exporter make them.
// Counter: ms, one pass over every key.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <vector>

#include "bench/BenchSupport.h"
#include "brindle/sdk/Geometry.h"
#include "export_htr/ScenePlacement.h"
#include "import_htr/AxisChange.h"
#include "tovfileio/htr/HTRFile.h"

using namespace tovfileio;

namespace {

const HTRFile& Capture() {
    static HTRFile htr;
    if (htr.SegmentCount() == 0) htr.Read(tovbench::Wide(tovbench::HtrFile(60, 20000)));
    return htr;
}

struct Key {
    Point3 position;
    Quat rotation;
};

// Every key of `segment` as the importer makes it.
void KeySegment(const HTRSegment& segment, std::vector<Key>& keys) {
    static const htrimport::RotationChange change;
    const bool root = segment.IsRoot();
    const TOVRotationMatrix3<double> base(segment.BaseRotation());
    for (std::uint32_t j = 0; j < segment.FrameCount(); ++j) {
        const Point3 p = htrimport::HostTranslation(segment.FrameTranslationAbsolute(j), root);
        TOVQuaternion<double> q;
        q.SetFromMatrix(change(htrimport::Matrix(segment.FrameRotationAbsolute(j, base)), root));
        keys.push_back({p, htrimport::HostQuaternion(q)});
    }
}

void BM_KeyingArithmetic(benchmark::State& state) {
    const HTRFile& htr = Capture();
    std::vector<Key> keys;
    double seconds = 0.0;
    for (auto _ : state) {
        keys.clear();
        seconds += tovbench::Seconds([&] {
            for (std::uint32_t s = 0; s < htr.SegmentCount(); ++s) KeySegment(*htr.Segment(s), keys);
        });
        benchmark::DoNotOptimize(keys.data());
    }
    state.counters["ms"] = seconds / static_cast<double>(state.iterations()) * 1000.0;
}
BENCHMARK(BM_KeyingArithmetic)->Unit(benchmark::kMillisecond)->UseRealTime();

// One segment's keys with its parent's place among the segments (-1 for a
// root) and its inverse base rotation.
struct Exported {
    int parent = -1;
    bool root = false;
    std::vector<Key> keys;
    htrexport::Matrix baseInverse;
};

std::vector<Exported> KeyedCapture() {
    const HTRFile& htr = Capture();
    std::vector<Exported> segments(htr.SegmentCount());
    for (std::uint32_t s = 0; s < htr.SegmentCount(); ++s) {
        const HTRSegment& segment = *htr.Segment(s);
        Exported& e = segments[s];
        e.root = segment.IsRoot();
        for (std::uint32_t p = 0; p < s; ++p) {
            if (htr.Segment(p) == segment.GetParent()) e.parent = static_cast<int>(p);
        }
        KeySegment(segment, e.keys);
        e.baseInverse = htrexport::Matrix(segment.BaseRotation()).Transposed();
    }
    return segments;
}

void BM_ExportArithmetic(benchmark::State& state) {
    static const std::vector<Exported> segments = KeyedCapture();
    static const htrexport::AxisReturn axes;
    const std::uint32_t frames = static_cast<std::uint32_t>(segments.front().keys.size());
    std::vector<Matrix3> world(segments.size());
    double seconds = 0.0, sink = 0.0;
    for (auto _ : state) {
        seconds += tovbench::Seconds([&] {
            for (std::uint32_t f = 0; f < frames; ++f) {
                for (std::size_t s = 0; s < segments.size(); ++s) {
                    const Exported& e = segments[s];
                    const Key& key = e.keys[f];
                    const Matrix3 local = QuatMatrix(key.rotation) * TransMatrix(key.position);
                    world[s] = e.parent < 0 ? local : local * world[e.parent];
                    const Matrix3 placed =
                        e.parent < 0 ? world[s] : world[s] * Inverse(world[e.parent]);
                    Point3 t, scale;
                    Quat q;
                    DecomposeMatrix(placed, t, q, scale);
                    const htrexport::Matrix frame = htrexport::Product(axes(q, e.root), e.baseInverse);
                    const TOVEulerRotation<double> angles(frame);
                    sink += angles[0] + t.x + scale.x;
                }
            }
        });
        benchmark::DoNotOptimize(sink);
    }
    state.counters["ms"] = seconds / static_cast<double>(state.iterations()) * 1000.0;
}
BENCHMARK(BM_ExportArithmetic)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace

BENCHMARK_MAIN();
