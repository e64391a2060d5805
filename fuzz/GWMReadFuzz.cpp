// Any byte sequence read as a GWM file must give a model or a message: a
// model holds one sample per frame for every marker. Read again from memory
// with an observer and the rows taken one at a time, it gives the same
// message, header and rows, and the observer hears one refusal, a GWM
// finding with its detail and a sentence, exactly when the file is refused.
// A model read is written as a TRC file, which the TRC reader takes with as
// many rows.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "fuzz/FuzzInputFile.h"
#include "fuzz/MarkerReadTwice.h"
#include "tovfileio/gwm/GWMReader.h"
#include "tovfileio/trc/TRCWriter.h"

using namespace tovfileio;

namespace {

class Findings : public fuzzread::Findings<FileKind::kGwm> {
    bool Holds(const ReadFinding& finding) const override {
        return finding.effect == ReadFinding::Effect::kRefusal && !refused && CarriesItsDetail(finding);
    }
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const FuzzInputFile input(".gwm");
    static const FuzzInputFile output(".trc");
    const std::string_view bytes = AsText(data, size);
    input.Write(bytes);

    TRCFile gwm;
    Findings findings;
    // The read that keeps the rows may be refused for memory where the
    // streamed read goes on to another refusal.
    const std::wstring message = fuzzread::ReadMarkersTwice(
        gwm, findings, fuzzread::Refusals::kAnyMessage,
        [&](TRCFile& model) {
            GWMReadOptions options;
            options.memoryLimit = std::uint64_t{512} << 20;
            return ReadGWMFile(input.Path().string(), model, options);
        },
        [&](TRCFile& model, Findings& observer, TRCRowSink& rows) {
            GWMReadOptions streaming;
            streaming.findings = &observer;
            streaming.rows = &rows;
            return ReadGWMMemory(bytes, model, streaming);
        });
    if (!message.empty()) return 0;
    if (gwm.GetNumRows() != static_cast<std::uint32_t>(gwm.GetNumFrames())) std::abort();
    if (!WriteTRCFile(output.WidePath(), gwm).empty()) std::abort();
    TRCFile trc;
    if (!trc.Read(output.WidePath()).empty() || trc.GetNumRows() != gwm.GetNumRows()) std::abort();
    return 0;
}
