// Any byte sequence read as an HTR file must give a model or a message, and
// every walk of the model that results must end.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>

#include <unistd.h>

#include "brindle/sdk/TextCodec.h"
#include "htr/HTRFile.h"

namespace {

const std::string& ScratchPath() {
    static const std::string path = "/tmp/fuzz_htr_read." + std::to_string(::getpid()) + ".htr";
    return path;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string& path = ScratchPath();
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (file == nullptr) return 0;
    std::fwrite(data, 1, size, file);
    std::fclose(file);

    HTRFile htr;
    htr.Read(TextCodec::PathToWide(path));
    // Whatever was read, including after a failure, must be safe to walk.
    for (std::uint32_t i = 0; i < htr.SegmentCount(); ++i) {
        HTRSegment* segment = htr.Segment(i);
        segment->FindInSubtree(L"\x1 no such segment");
        segment->FrameRotationAbsolute(0);
        segment->FrameTranslationAbsolute(segment->FrameCount());
    }
    if (HTRSegment* root = htr.RootSegment()) root->FindInSubtree(L"");
    htr.ConvertCalibrationUnits(kUnitsMetres);
    return 0;
}
