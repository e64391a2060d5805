// Any byte sequence read as a C3D file must give a model or a message, with
// every marker holding one sample per row read. Read again from memory with
// an observer and the rows taken one at a time, it must give the same
// message, header, markers and rows, and a refusal among the findings
// exactly when the file is refused; every finding a C3D file's, with the
// detail its code carries and a sentence.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string_view>

#include "tovfileio/c3d/C3DFile.h"
#include "tovfileio/text/FindingText.h"
#include "fuzz/FuzzInputFile.h"

using namespace tovfileio;

namespace {

class Findings : public ReadObserver {
public:
    void Found(const ReadFinding& finding) override {
        refused = refused || finding.effect == ReadFinding::Effect::kRefusal;
        if (finding.count == 0 || !CarriesItsDetail(finding)) std::abort();
        if (finding.format != ReadFormat::kC3d || FindingText(finding).empty()) std::abort();
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
        return true;
    }
    bool Row(const TRCRow& row) override {
        if (!begun || row.size() != markers) std::abort();
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
    const TRCFile* model_;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const FuzzInputFile input(".c3d");
    const std::string_view bytes = AsText(data, size);
    input.Write(bytes);

    TRCFile c3d;
    C3DReadOptions whole;
    whole.memoryLimit = std::uint64_t{512} << 20;
    const std::wstring message = ReadC3DFile(input.Path().native(), c3d, whole);
    for (std::uint32_t m = 0; m < c3d.GetNumMarkers(); ++m) {
        if (c3d.GetMarker(m)->GetNumSamples() != c3d.GetNumRows()) std::abort();
    }

    TRCFile streamed;
    Findings findings;
    Rows rows(message.empty() ? &c3d : nullptr);
    C3DReadOptions options;
    options.findings = &findings;
    options.rows = &rows;
    const std::wstring streamedMessage = ReadC3DMemory(bytes, streamed, options);
    if (streamedMessage != message || findings.refused != !message.empty()) std::abort();
    if (!message.empty()) return 0;
    if (streamed.GetNumMarkers() != c3d.GetNumMarkers() || rows.rows != c3d.GetNumRows() ||
        streamed.GetNumRows() != c3d.GetNumRows() || streamed.GetNumFrames() != c3d.GetNumFrames() ||
        streamed.GetStartFrame() != c3d.GetStartFrame()) {
        std::abort();
    }
    return 0;
}
