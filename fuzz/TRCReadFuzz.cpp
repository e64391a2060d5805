// Any byte sequence read as a TRC file must give a model or a message, with
// every marker holding one sample per row read. Read again from memory with
// an observer and the rows taken one at a time, it must give the same
// message, header, markers and rows, every row as wide as the markers and
// standing where the model keeps it, and a refusal among the findings
// exactly when the file is refused; every finding a TRC file's, with the
// detail its code carries and a sentence.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
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

bool Same(const TRCSample& a, const TRCSample& b) {
    return a.valid == b.valid && std::memcmp(&a.x, &b.x, sizeof a.x) == 0 &&
           std::memcmp(&a.y, &b.y, sizeof a.y) == 0 && std::memcmp(&a.z, &b.z, sizeof a.z) == 0;
}

class Rows : public TRCRowSink {
public:
    explicit Rows(const TRCFile* model) : model_(model) {}
    bool Begin(const TRCFile& file) override {
        if (begun) std::abort();
        begun = true;
        markers = file.GetNumMarkers();
        if (model_ != nullptr && model_->GetNumMarkers() != markers) std::abort();
        return true;
    }
    bool Row(const TRCRow& row) override {
        if (!begun || row.size() != markers || row.Held().size() > markers) std::abort();
        for (std::uint32_t m = 0; model_ != nullptr && m < markers; ++m) {
            TRCSample kept;
            kept.valid = model_->GetMarker(m)->GetPosition(static_cast<std::uint32_t>(rows), kept.x,
                                                           kept.y, kept.z);
            if (!Same(row[m], kept)) std::abort();
        }
        ++rows;
        return true;
    }
    bool begun = false;
    std::size_t markers = 0;
    std::uint64_t rows = 0;

private:
    const TRCFile* model_;  // the same file read into a model, when it was read whole
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
    Rows rows(message.empty() ? &trc : nullptr);
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
