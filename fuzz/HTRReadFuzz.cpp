// Any byte sequence read as an HTR file must give a model or a message, and
// every walk of the model that results must end.
#include <cstddef>
#include <cstdint>

#include "fuzz/FuzzInputFile.h"
#include "htr/HTRFile.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const FuzzInputFile input(".htr");
    input.Write(AsText(data, size));

    HTRFile htr;
    htr.Read(input.WidePath());
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
