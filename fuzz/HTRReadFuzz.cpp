// Any byte sequence read as an HTR file must give a model or a message, and
// every walk of the model that results must end. Read again from memory
// with an observer that wants every refusal, it must give the same message,
// and a refusal among the findings exactly when the file is refused; every
// finding an HTR file's, with the detail its code carries and a sentence.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "fuzz/FuzzInputFile.h"
#include "fuzz/ReadTwice.h"
#include "tovfileio/htr/HTRFile.h"
#include "tovfileio/text/TextReader.h"

using namespace tovfileio;

namespace {

class Findings : public fuzzread::Findings<FileKind::kHtr> {
public:
    bool WantsEveryRefusal() const override { return true; }
};

void Walk(HTRFile& htr) {
    // Whatever was read, including after a failure, must be safe to walk.
    for (std::uint32_t i = 0; i < htr.SegmentCount(); ++i) {
        HTRSegment* segment = htr.Segment(i);
        segment->FindInSubtree(L"\x1 no such segment");
        segment->FrameRotationAbsolute(0);
        segment->FrameTranslationAbsolute(segment->FrameCount());
    }
    if (HTRSegment* root = htr.RootSegment()) root->FindInSubtree(L"");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const FuzzInputFile input(".htr");
    const std::string_view bytes = AsText(data, size);
    input.Write(bytes);

    HTRFile htr;
    HTRFile observed;
    Findings findings;
    fuzzread::ReadTwice(
        htr, observed, findings, fuzzread::Refusals::kSameMessage,
        [&](HTRFile& model) {
            const std::wstring message = model.Read(input.WidePath());
            Walk(model);
            model.ConvertCalibrationUnits(kUnitsMetres);
            return message;
        },
        [&](HTRFile& model, Findings& observer) {
            TextReader reader;
            if (!reader.OpenMemory(bytes)) std::abort();
            return model.Read(reader, &observer);
        });
    Walk(observed);
    return 0;
}
