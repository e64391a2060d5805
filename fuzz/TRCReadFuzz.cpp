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
#include <string_view>

#include "fuzz/FuzzInputFile.h"
#include "fuzz/MarkerReadTwice.h"
#include "tovfileio/text/TextReader.h"
#include "tovfileio/trc/TRCFile.h"

using namespace tovfileio;

namespace {

class Findings : public fuzzread::Findings<FileKind::kTrc> {
    bool Holds(const ReadFinding& finding) const override {
        return finding.count != 0 || finding.code == ReadFindingCode::kTrcMarkersUnseen;
    }
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const FuzzInputFile input(".trc");
    const std::string_view bytes = AsText(data, size);
    input.Write(bytes);

    TRCFile trc;
    Findings findings;
    // Rows of a frame number alone take a sample per marker, so the read that
    // keeps them may be refused for memory where the streamed read goes on
    // to another refusal.
    fuzzread::ReadMarkersTwice(
        trc, findings, fuzzread::Refusals::kAnyMessage,
        [&](TRCFile& model) {
            // Kept within the fuzzer's memory limit.
            model.SetMemoryLimit(std::uint64_t{512} << 20);
            return model.Read(input.WidePath());
        },
        [&](TRCFile& model, Findings& observer, TRCRowSink& rows) {
            TextReader reader;
            if (!reader.OpenMemory(bytes)) std::abort();
            TRCReadOptions options;
            options.findings = &observer;
            options.rows = &rows;
            return model.Read(reader, options);
        });
    trc.ConvertUnits(kUnitsInches);
    return 0;
}
