// Any byte sequence read as a GWM file must give a model or a message: a
// model holds one sample per frame for every marker, and a refusal is told
// to the observer exactly when the read is refused, as a GWM finding with
// its detail and a sentence. Read again with the rows taken one at a time,
// it gives the same message and rows. A model read is written as a TRC
// file, which the TRC reader takes with as many rows.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string_view>

#include "tovfileio/gwm/GWMReader.h"
#include "tovfileio/text/FindingText.h"
#include "tovfileio/trc/TRCWriter.h"
#include "fuzz/FuzzInputFile.h"

using namespace tovfileio;

namespace {

class Findings : public ReadObserver {
public:
    void Found(const ReadFinding& finding) override {
        if (finding.effect != ReadFinding::Effect::kRefusal || refused) std::abort();
        refused = true;
        if (finding.format != ReadFormat::kGwm || !CarriesItsDetail(finding) ||
            FindingText(finding).empty()) {
            std::abort();
        }
    }
    bool refused = false;
};

class Rows : public TRCRowSink {
public:
    explicit Rows(const TRCFile& model) : model_(model) {}
    bool Row(const TRCRow& row) override {
        if (row.size() != model_.GetNumMarkers()) std::abort();
        for (std::uint32_t m = 0; m < row.size(); ++m) {
            TRCSample kept;
            kept.valid = model_.GetMarker(m)->GetPosition(static_cast<std::uint32_t>(rows), kept.x,
                                                          kept.y, kept.z);
            if (kept.valid != row[m].valid || std::memcmp(&kept.x, &row[m].x, 3 * sizeof(double)) != 0) {
                std::abort();
            }
        }
        ++rows;
        return true;
    }
    std::uint64_t rows = 0;

private:
    const TRCFile& model_;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const FuzzInputFile input(".gwm");
    static const FuzzInputFile output(".trc");
    const std::string_view bytes = AsText(data, size);
    input.Write(bytes);

    TRCFile gwm;
    Findings findings;
    GWMReadOptions options;
    options.findings = &findings;
    options.memoryLimit = std::uint64_t{512} << 20;
    const std::wstring message = ReadGWMFile(input.Path().string(), gwm, options);
    if (findings.refused == message.empty()) std::abort();

    TRCFile streamed;
    Rows rows(gwm);
    GWMReadOptions streaming;
    streaming.rows = &rows;
    const std::wstring streamedMessage = ReadGWMMemory(bytes, streamed, streaming);
    if (!message.empty()) return 0;
    if (!streamedMessage.empty() || rows.rows != static_cast<std::uint64_t>(gwm.GetNumFrames()) ||
        streamed.GetNumRows() != gwm.GetNumRows()) {
        std::abort();
    }
    for (std::uint32_t m = 0; m < gwm.GetNumMarkers(); ++m) {
        if (gwm.GetMarker(m)->GetNumSamples() != static_cast<std::uint32_t>(gwm.GetNumFrames())) {
            std::abort();
        }
    }
    if (!WriteTRCFile(output.WidePath(), gwm).empty()) std::abort();
    TRCFile trc;
    if (!trc.Read(output.WidePath()).empty() || trc.GetNumRows() != gwm.GetNumRows()) std::abort();
    return 0;
}
