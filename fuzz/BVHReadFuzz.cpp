// Any byte sequence read as a BVH file must give a model or a message, and
// the model must be safe to pose at every frame it holds. Read again with an
// observer, it must give the same message, and a refusal among the findings
// exactly when the file is refused; every finding a BVH file's, with the
// detail its code carries and a sentence. A model read whole is written
// back, which must end with a file or a message.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "fuzz/FuzzInputFile.h"
#include "fuzz/ReadTwice.h"
#include "tovfileio/bvh/BVHReader.h"
#include "tovfileio/bvh/BVHWriter.h"
#include "tovfileio/htr/HTRPose.h"

using namespace tovfileio;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const FuzzInputFile input(".bvh");
    static const FuzzInputFile output(".out.bvh");
    const std::string_view bytes = AsText(data, size);
    input.Write(bytes);

    HTRFile bvh;
    HTRFile observed;
    fuzzread::Findings<FileKind::kBvh> findings;
    const std::wstring message = fuzzread::ReadTwice(
        bvh, observed, findings, fuzzread::Refusals::kSameMessage,
        [&](HTRFile& model) {
            const std::wstring read = ReadBVH(input.WidePath(), model);
            HTRPose pose(model);
            for (std::uint32_t f = 0; f < model.FramesHeld() && f < 64; ++f) pose.At(f);
            SkeletonSize(model);
            return read;
        },
        [&](HTRFile& model, ReadObserver& observer) { return ReadBVHMemory(bytes, model, &observer); });
    if (message.empty()) WriteBVHFile(output.WidePath(), observed);
    return 0;
}
