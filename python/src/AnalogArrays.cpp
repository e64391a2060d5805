#include "AnalogArrays.h"

#include <span>
#include <string>

#include <pybind11/stl.h>

#include "tovfileio/c3d/ForcePlatforms.h"
#include "tovfileio/text/TextCodec.h"

namespace py = pybind11;
using tovfileio::C3DAnalog;
using tovfileio::ForcePlatform;
using tovfileio::PlatformBaseline;
using tovfileio::PlatformForces;

namespace tovpy {
namespace {

const char* BaselineKeyword(PlatformBaseline baseline) {
    switch (baseline) {
        case PlatformBaseline::kTaken: return "taken";
        case PlatformBaseline::kNoRange: return "no range";
        case PlatformBaseline::kOutsideSamples: return "outside samples";
        case PlatformBaseline::kNotAsked: break;
    }
    return "not asked";
}

py::list Utf8List(const std::vector<tovfileio::AnalogChannel>& channels,
                  std::wstring tovfileio::AnalogChannel::*field) {
    py::list texts;
    for (const auto& channel : channels) texts.append(tovfileio::EncodeUtf8(channel.*field));
    return texts;
}

py::array_t<double> Vectors(const std::vector<tovfileio::Vec3d>& vectors) {
    py::array_t<double> array({vectors.size(), std::size_t{3}});
    double* at = array.mutable_data();
    for (const tovfileio::Vec3d& v : vectors) {
        for (const double value : v) *at++ = value;
    }
    return array;
}

// The loads of one platform at every sample of `analog`, as three arrays
// (samples, 3), filled without the interpreter's lock.
void AddLoads(py::dict& platform, const PlatformForces& forces, const C3DAnalog& analog) {
    const std::size_t samples = analog.SampleCount();
    const std::size_t channels = analog.channels.size();
    py::array_t<double> force({samples, std::size_t{3}});
    py::array_t<double> moment({samples, std::size_t{3}});
    py::array_t<double> cop({samples, std::size_t{3}});
    double* f = force.mutable_data();
    double* m = moment.mutable_data();
    double* c = cop.mutable_data();
    {
        py::gil_scoped_release unlocked;
        for (std::size_t s = 0; s < samples; ++s, f += 3, m += 3, c += 3) {
            const tovfileio::PlatformSample at =
                forces.At(std::span<const double>(analog.samples.data() + s * channels, channels));
            for (std::size_t axis = 0; axis < 3; ++axis) {
                f[axis] = at.force[axis];
                m[axis] = at.moment[axis];
                c[axis] = at.cop[axis];
            }
        }
    }
    platform["forces"] = force;
    platform["moments"] = moment;
    platform["cop"] = cop;
}

py::dict PlatformObject(const ForcePlatform& platform) {
    py::dict fields;
    fields["type"] = platform.type;
    fields["corners"] = Vectors({platform.corners.begin(), platform.corners.end()});
    fields["origin"] = py::array_t<double>(3, platform.origin.data());
    fields["channels"] = platform.channels;
    for (const char* loads : {"forces", "moments", "cop"}) fields[loads] = py::none();
    fields["why"] = py::none();
    fields["baseline"] = BaselineKeyword(PlatformBaseline::kNotAsked);
    return fields;
}

}  // namespace

void AnalogTake::Ask(tovfileio::FileKind kind, tovfileio::MarkerReadOptions& options) {
    if (kind != tovfileio::FileKind::kC3d) return;
    options.analog = analog_.get();
    options.platforms = &platforms_;
}

py::list AnalogTake::PlatformObjects(bool zeroPlates) const {
    tovfileio::PlatformForcesOptions options;
    options.zeroBaseline = zeroPlates;
    py::list objects;
    for (const ForcePlatform& platform : platforms_) {
        py::dict fields = PlatformObject(platform);
        std::wstring why;
        std::optional<PlatformForces> forces =
            PlatformForces::Prepare(platform, analog_->channels.size(), options, why);
        if (forces) {
            fields["baseline"] = BaselineKeyword(forces->SetBaseline(*analog_));
            AddLoads(fields, *forces, *analog_);
        } else {
            fields["why"] = tovfileio::EncodeUtf8(why);
        }
        objects.append(std::move(fields));
    }
    return objects;
}

py::array_t<double> AnalogTake::TakeSamples() {
    C3DAnalog* analog = analog_.release();
    const std::size_t channels = analog->channels.size();
    const std::size_t samples = analog->SampleCount();
    // An empty take keeps a block of its own too, so every array has its base.
    if (analog->samples.empty()) analog->samples.reserve(1);
    py::capsule owner(analog, [](void* held) { delete static_cast<C3DAnalog*>(held); });
    return py::array_t<double>({samples, channels}, analog->samples.data(), owner);
}

void AnalogTake::AddFields(py::dict& fields, bool zeroPlates) {
    fields["analog_labels"] = Utf8List(analog_->channels, &tovfileio::AnalogChannel::label);
    fields["analog_units"] = Utf8List(analog_->channels, &tovfileio::AnalogChannel::units);
    fields["analog_rate"] = analog_->rate;
    fields["analog_samples_per_frame"] = analog_->samplesPerFrame;
    fields["platforms"] = PlatformObjects(zeroPlates);
    fields["analogs"] = TakeSamples();
    analog_ = std::make_unique<C3DAnalog>();
}

}  // namespace tovpy
