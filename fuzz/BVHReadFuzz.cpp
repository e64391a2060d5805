// Any byte sequence read as a BVH file must give a model or a message, and
// the model must be safe to pose at every frame it holds. Read again with an
// observer, it must give the same message, and a refusal among the findings
// exactly when the file is refused; every finding a BVH file's, with the
// detail its code carries and a sentence. A model read whole is written
// back, which must end with a file or a message.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "fuzz/FuzzInputFile.h"
#include "tovfileio/bvh/BVHReader.h"
#include "tovfileio/bvh/BVHWriter.h"
#include "tovfileio/htr/HTRPose.h"
#include "tovfileio/text/FindingText.h"

using namespace tovfileio;

namespace {

class Findings : public ReadObserver {
public:
    void Found(const ReadFinding& finding) override {
        refused = refused || finding.effect == ReadFinding::Effect::kRefusal;
        if (finding.format != ReadFormat::kBvh || FindingText(finding).empty()) std::abort();
    }
    bool refused = false;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const FuzzInputFile input(".bvh");
    static const FuzzInputFile output(".out.bvh");
    const std::string_view bytes = AsText(data, size);
    input.Write(bytes);

    HTRFile bvh;
    const std::wstring message = ReadBVH(input.WidePath(), bvh);
    HTRPose pose(bvh);
    for (std::uint32_t f = 0; f < bvh.FramesHeld() && f < 64; ++f) pose.At(f);
    SkeletonSize(bvh);

    HTRFile observed;
    Findings findings;
    const std::wstring observedMessage = ReadBVHMemory(bytes, observed, &findings);
    if (observedMessage != message || findings.refused != !message.empty()) std::abort();
    if (message.empty()) WriteBVHFile(output.WidePath(), observed);
    return 0;
}
