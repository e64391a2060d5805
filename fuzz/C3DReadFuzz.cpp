// Any byte sequence read as a C3D file must give a model or a message, with
// every marker holding one sample per row read. Read again from memory with
// an observer and the rows taken one at a time, it must give the same
// message, header, markers and rows, and a refusal among the findings
// exactly when the file is refused; every finding a C3D file's, with the
// detail its code carries and a sentence. The analog samples kept by the
// first read and those told a sink frame by frame by the second are the
// same, bit for bit, and so are the force platforms.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string_view>
#include <vector>

#include "fuzz/FuzzInputFile.h"
#include "fuzz/MarkerReadTwice.h"
#include "tovfileio/c3d/C3DFile.h"

using namespace tovfileio;

namespace {

class Findings : public fuzzread::Findings<FileKind::kC3d> {
    bool Holds(const ReadFinding& finding) const override {
        return finding.count != 0 && CarriesItsDetail(finding);
    }
};

// Keeps the analog values a sink is told, checking each frame follows the
// last.
class AnalogFrames : public AnalogSink {
public:
    explicit AnalogFrames(const C3DAnalog& analog) : analog_(analog) {}
    void Frame(const AnalogFrame& frame) override {
        if (!samples.empty() && frame.frame != last_ + 1) std::abort();
        last_ = frame.frame;
        const std::size_t values = analog_.samplesPerFrame * analog_.channels.size();
        samples.insert(samples.end(), frame.values, frame.values + values);
    }
    std::vector<double> samples;

private:
    const C3DAnalog& analog_;
    std::int64_t last_ = 0;
};

bool SamePlatforms(const std::vector<ForcePlatform>& a, const std::vector<ForcePlatform>& b) {
    if (a.size() != b.size()) return false;
    for (std::size_t p = 0; p < a.size(); ++p) {
        if (a[p].type != b[p].type || a[p].channels != b[p].channels || a[p].zero != b[p].zero ||
            a[p].calibration.size() != b[p].calibration.size() ||
            a[p].copPolynomial.size() != b[p].copPolynomial.size()) {
            return false;
        }
    }
    return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const FuzzInputFile input(".c3d");
    const std::string_view bytes = AsText(data, size);
    input.Write(bytes);

    TRCFile c3d;
    Findings findings;
    C3DAnalog kept, streamed;
    std::vector<ForcePlatform> platforms, streamedPlatforms;
    AnalogFrames frames(streamed);
    const std::wstring message = fuzzread::ReadMarkersTwice(
        c3d, findings, fuzzread::Refusals::kSameMessage,
        [&](TRCFile& model) {
            C3DReadOptions whole;
            whole.memoryLimit = std::uint64_t{512} << 20;
            whole.analog = &kept;
            whole.platforms = &platforms;
            return ReadC3DFile(input.Path().native(), model, whole);
        },
        [&](TRCFile& model, Findings& observer, TRCRowSink& rows) {
            C3DReadOptions options;
            options.findings = &observer;
            options.rows = &rows;
            options.analog = &streamed;
            options.analogFrames = &frames;
            options.platforms = &streamedPlatforms;
            return ReadC3DMemory(bytes, model, options);
        });
    if (message.empty()) {
        if (kept.channels.size() != streamed.channels.size() || !streamed.samples.empty() ||
            kept.samples.size() != frames.samples.size() ||
            (!kept.samples.empty() && std::memcmp(kept.samples.data(), frames.samples.data(),
                                                  kept.samples.size() * sizeof(double)) != 0) ||
            !SamePlatforms(platforms, streamedPlatforms)) {
            std::abort();
        }
    }
    return 0;
}
