// Any byte sequence read as a C3D file must give a model or a message, with
// every marker holding one sample per row read. Read again from memory with
// an observer and the rows taken one at a time, it must give the same
// message, header, markers and rows, and a refusal among the findings
// exactly when the file is refused; every finding a C3D file's, with the
// detail its code carries and a sentence.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "fuzz/FuzzInputFile.h"
#include "fuzz/MarkerReadTwice.h"
#include "tovfileio/c3d/C3DFile.h"

using namespace tovfileio;

namespace {

class Findings : public fuzzread::Findings<FileKind::kC3d> {
    bool Holds(const ReadFinding& finding) const override {
        return finding.count != 0 && CarriesItsDetail(finding);
    }
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const FuzzInputFile input(".c3d");
    const std::string_view bytes = AsText(data, size);
    input.Write(bytes);

    TRCFile c3d;
    Findings findings;
    fuzzread::ReadMarkersTwice(
        c3d, findings, fuzzread::Refusals::kSameMessage,
        [&](TRCFile& model) {
            C3DReadOptions whole;
            whole.memoryLimit = std::uint64_t{512} << 20;
            return ReadC3DFile(input.Path().native(), model, whole);
        },
        [&](TRCFile& model, Findings& observer, TRCRowSink& rows) {
            C3DReadOptions options;
            options.findings = &observer;
            options.rows = &rows;
            return ReadC3DMemory(bytes, model, options);
        });
    return 0;
}
