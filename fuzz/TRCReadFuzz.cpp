// Any byte sequence read as a TRC file must give a model or a message, with
// every marker holding one sample per row read. Read again from memory with
// an observer and the rows taken one at a time, it must give the same
// message, header, markers and rows, every row as wide as the markers, and
// a refusal among the findings exactly when the file is refused; every
// finding a TRC file's, with the detail its code carries and a sentence.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <span>
#include <string_view>

#include "tovfileio/text/FindingText.h"
#include "tovfileio/text/TextReader.h"
#include "fuzz/FuzzInputFile.h"
#include "tovfileio/trc/TRCFile.h"

using namespace tovfileio;

namespace {

class Findings : public ReadObserver {
public:
    void Found(const ReadFinding& finding) override {
        refused = refused || finding.effect == ReadFinding::Effect::kRefusal;
        if (finding.count == 0 && finding.code != ReadFindingCode::kTrcMarkersUnseen) std::abort();
        if (finding.format != ReadFormat::kTrc || FindingText(finding).empty()) std::abort();
    }
    bool refused = false;
};

class Rows : public TRCRowSink {
public:
    bool Begin(const TRCFile& file) override {
        if (begun) std::abort();
        begun = true;
        markers = file.GetNumMarkers();
        return true;
    }
    bool Row(std::span<const TRCSample> samples) override {
        if (!begun || samples.size() != markers) std::abort();
        ++rows;
        return true;
    }
    bool begun = false;
    std::size_t markers = 0;
    std::uint64_t rows = 0;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const FuzzInputFile input(".trc");
    const std::string_view bytes = AsText(data, size);
    input.Write(bytes);

    TRCFile trc;
    // Rows of a frame number alone take a sample per marker; keep a read
    // within the fuzzer's memory limit.
    trc.SetMemoryLimit(std::uint64_t{512} << 20);
    const std::wstring message = trc.Read(input.WidePath());
    for (std::uint32_t m = 0; m < trc.GetNumMarkers(); ++m) {
        if (trc.GetMarker(m)->GetNumSamples() != trc.GetNumRows()) std::abort();
    }

    tovfileio::TextReader reader;
    if (!reader.OpenMemory(bytes)) std::abort();
    TRCFile streamed;
    Findings findings;
    Rows rows;
    TRCReadOptions options;
    options.findings = &findings;
    options.rows = &rows;
    const std::wstring streamedMessage = streamed.Read(reader, options);
    if (message.empty() || streamedMessage.empty()) {
        if (streamedMessage != message) std::abort();
        if (findings.refused != !message.empty()) std::abort();
        if (streamed.GetNumMarkers() != trc.GetNumMarkers() ||
            streamed.GetNumRows() != trc.GetNumRows() || rows.rows != trc.GetNumRows() ||
            streamed.GetNumFrames() != trc.GetNumFrames() ||
            streamed.GetStartFrame() != trc.GetStartFrame()) {
            std::abort();
        }
    }
    trc.ConvertUnits(kUnitsInches);
    return 0;
}
