#include "cli/files/InputConversion.h"

#include "tovfileio/text/TextCodec.h"

tovfileio::ConversionRequest InputConversion(const InputFile& input, const std::string& out,
                                             tovfileio::FileKind outKind) {
    tovfileio::ConversionRequest request;
    request.in = input.ReadPath();
    request.inKind = input.Kind();
    request.out = tovfileio::PathToWide(out);
    request.outKind = outKind;
    return request;
}
