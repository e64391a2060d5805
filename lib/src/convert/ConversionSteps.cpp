#include "ConversionSteps.h"

#include "tovfileio/text/TextCodec.h"

namespace tovfileio {

namespace {

// What a failed write says; the system's error number goes with it.
constexpr wchar_t kNotWrittenWhole[] = L"The file could not be written whole";

}  // namespace

// Opens the output; null, with the result's message, when it cannot be made.
std::unique_ptr<TextOutput> OpenOutput(const ConversionRequest& request, ConversionResult& result) {
    int error = 0;
    std::unique_ptr<TextOutput> file = TextFiles().CreateOutput(request.out, error);
    if (!file) {
        result.writeMessage = kFileNotOpened;
        result.ioError = error;
    }
    return file;
}

void CommitOutput(TextOutput& file, ConversionResult& result) {
    if (file.Failed() || !file.Commit()) {
        result.writeMessage = kNotWrittenWhole;
        result.ioError = file.Error();
    }
}

}  // namespace tovfileio
