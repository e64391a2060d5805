// Any byte sequence read as a TRC file must give a model or a message, with
// every marker holding one sample per row read.
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "fuzz/FuzzInputFile.h"
#include "trc/TRCFile.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const FuzzInputFile input(".trc");
    input.Write(AsText(data, size));

    TRCFile trc;
    // Rows of a frame number alone take a sample per marker; keep a read
    // within the fuzzer's memory limit.
    trc.SetMemoryLimit(std::uint64_t{512} << 20);
    trc.Read(input.WidePath());
    for (std::uint32_t m = 0; m < trc.GetNumMarkers(); ++m) {
        if (trc.GetMarker(m)->GetNumSamples() != trc.GetNumRows()) std::abort();
    }
    trc.ConvertUnits(kUnitsInches);
    return 0;
}
