// Reads a marker take, runs the low-pass filter over it at a cut-off given in
// Hz, and prints every sample as it was read and as it is filtered, so a
// script can hold the numbers against another implementation:
//
//   rate R
//   filter b0 b1 b2 a0 a1 a2
//   report STRETCHES SHORT_STRETCHES SHORT_SAMPLES
//   marker M NAME
//   x y z fx fy fz      (one line per row; "-" for a dropout)
//
// A sample whose validity the filter changed is printed as such, so the
// script fails on it.
//
// Exit status 2 for a bad command line or an unreadable take.
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "tovfileio/clean/LowPass.h"
#include "tovfileio/convert/Takes.h"
#include "tovfileio/text/FileKinds.h"
#include "tovfileio/text/TextCodec.h"

namespace {

using tovfileio::TRCFile;
using tovfileio::TRCSample;

void PrintSample(const TRCSample& read, const TRCSample& filtered) {
    if (!read.valid) {
        std::printf(filtered.valid ? "- valid\n" : "-\n");
        return;
    }
    if (!filtered.valid) {
        std::printf("%.17g %.17g %.17g dropout\n", read.x, read.y, read.z);
        return;
    }
    std::printf("%.17g %.17g %.17g %.17g %.17g %.17g\n", read.x, read.y, read.z, filtered.x,
                filtered.y, filtered.z);
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: lowpass_probe TAKE CUTOFF_HZ\n");
        return 2;
    }
    const std::string path = argv[1];
    const double cutoff = std::strtod(argv[2], nullptr);

    TRCFile take;
    const std::wstring message = tovfileio::ReadMarkers(path, tovfileio::KindOfTake(path), take);
    if (!message.empty()) {
        std::fprintf(stderr, "%s\n", tovfileio::EncodeUtf8(message).c_str());
        return 2;
    }
    const auto filter = tovfileio::ButterworthLowPass(cutoff, take.GetDataRate());
    if (!filter) {
        std::fprintf(stderr, "no filter at %g Hz for rate %d\n", cutoff, take.GetDataRate());
        return 2;
    }

    std::vector<std::vector<TRCSample>> read;
    for (std::uint32_t m = 0; m < take.GetNumMarkers(); ++m) {
        const auto samples = take.GetMarker(m)->Samples();
        read.emplace_back(samples.begin(), samples.end());
    }
    const tovfileio::LowPassReport report = tovfileio::LowPassTake(take, *filter);

    std::printf("rate %d\n", take.GetDataRate());
    std::printf("filter %.17g %.17g %.17g %.17g %.17g %.17g\n", filter->b[0], filter->b[1],
                filter->b[2], filter->a[0], filter->a[1], filter->a[2]);
    std::printf("report %llu %llu %llu\n", static_cast<unsigned long long>(report.stretches),
                static_cast<unsigned long long>(report.shortStretches),
                static_cast<unsigned long long>(report.shortSamples));
    for (std::uint32_t m = 0; m < take.GetNumMarkers(); ++m) {
        const tovfileio::TRCMarker& marker = *take.GetMarker(m);
        std::printf("marker %u %s\n", m, tovfileio::EncodeUtf8(marker.GetName()).c_str());
        const auto filtered = marker.Samples();
        for (std::size_t i = 0; i < filtered.size(); ++i)
            PrintSample(read[m][i], filtered[i]);
    }
    return 0;
}
