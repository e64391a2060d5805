// Any byte sequence read as a TRC file must give a model or a message, with
// every marker holding one sample per row read.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include <unistd.h>

#include "brindle/sdk/TextCodec.h"
#include "trc/TRCFile.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const std::string path = "/tmp/fuzz_trc_read." + std::to_string(::getpid()) + ".trc";
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (file == nullptr) return 0;
    std::fwrite(data, 1, size, file);
    std::fclose(file);

    TRCFile trc;
    trc.Read(TextCodec::PathToWide(path));
    for (std::uint32_t m = 0; m < trc.GetNumMarkers(); ++m) {
        if (trc.GetMarker(m)->GetNumSamples() != trc.GetNumRows()) std::abort();
    }
    trc.ConvertUnits(kUnitsInches);
    return 0;
}
