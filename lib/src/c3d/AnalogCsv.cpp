#include "tovfileio/c3d/AnalogCsv.h"

#include "CsvText.h"
#include "tovfileio/trc/MarkerCsv.h"

namespace tovfileio {

using csvtext::AppendSampleStart;
using csvtext::AppendNumber;
using csvtext::kFlushBytes;

std::int64_t FirstAnalogSample(std::int64_t frame, std::uint32_t samplesPerFrame) {
    return (frame - 1) * static_cast<std::int64_t>(samplesPerFrame) + 1;
}

void AnalogCsvStream::Header() {
    started_ = true;
    text_ += "sample,time";
    for (const AnalogChannel& channel : analog_.channels) {
        text_ += ',';
        text_ += MarkerCsvField(channel.label);
    }
    text_ += '\n';
}

void AnalogCsvStream::Frame(const AnalogFrame& frame) {
    if (!started_) Header();
    const std::size_t channels = analog_.channels.size();
    const std::int64_t first = FirstAnalogSample(frame.frame, analog_.samplesPerFrame);
    for (std::uint32_t s = 0; s < analog_.samplesPerFrame; ++s) {
        const std::int64_t number = first + s;
        AppendSampleStart(text_, number, analog_.rate);
        const double* values = frame.values + s * channels;
        for (std::size_t c = 0; c < channels; ++c) {
            text_ += ',';
            AppendNumber(text_, values[c]);
        }
        text_ += '\n';
        ++samples_;
    }
    if (text_.size() >= kFlushBytes) Flush();
}

void AnalogCsvStream::Finish() {
    if (!started_) Header();
    Flush();
}

void AnalogCsvStream::Flush() {
    file_.Write(text_);
    text_.clear();
}

}  // namespace tovfileio
