#include "view/FileTime.h"

#include <string_view>

#include "tovfileio/text/LeadingNumber.h"
#include "tovfileio/text/TextCodec.h"
#include "tovfileio/text/TextReader.h"
#include "tovfileio/trc/TRCFile.h"

namespace tovview {
namespace {

// Stops a TRC read where its rows begin: by then the reader knows the
// frame its first row is.
class FirstFrameOnly : public tovfileio::TRCRowSink {
public:
    bool Begin(const tovfileio::TRCFile& file) override {
        frame = file.GetStartFrame();
        begun = true;
        return false;
    }
    bool Row(const tovfileio::TRCRow&) override { return false; }

    long long frame = 0;
    bool begun = false;
};

// The second tab-separated field of `line`, the time a data row writes.
std::wstring_view TimeField(std::wstring_view line) {
    const std::size_t tab = line.find(L'\t');
    if (tab == std::wstring_view::npos) return {};
    line.remove_prefix(tab + 1);
    return line.substr(0, line.find(L'\t'));
}

// The first data row of a TRC file, counted as the reader counts its lines:
// five header lines, then the data; an empty or comment line hands its
// number to the line after it, and a sixth line of one character is the
// blank line before the data.
std::optional<std::wstring> FirstDataRow(const std::string& path) {
    tovfileio::TextReader reader;
    if (!reader.Open(tovfileio::PathToWide(path))) return std::nullopt;
    int number = 0;
    while (const std::wstring* line = reader.ReadLine()) {
        ++number;
        if (line->empty() || line->front() == L'#') {
            line = reader.ReadLine();
            if (line == nullptr) break;
        }
        if (number < 6 || (number == 6 && line->size() == 1)) continue;
        return *line;
    }
    return std::nullopt;
}

}  // namespace

std::optional<FirstRowTime> TrcFirstRowTime(const std::string& path) {
    tovfileio::TRCFile file;
    FirstFrameOnly first;
    tovfileio::TRCReadOptions options;
    options.rows = &first;
    if (!file.Read(tovfileio::PathToWide(path), options).empty() || !first.begun) return std::nullopt;
    const std::optional<std::wstring> row = FirstDataRow(path);
    if (!row) return std::nullopt;
    const std::wstring_view field = TimeField(*row);
    if (tovfileio::tovtext::ClassifyNumberField(field) != tovfileio::tovtext::NumberField::kWhole) {
        return std::nullopt;
    }
    return FirstRowTime{first.frame, tovfileio::tovtext::LeadingDouble(field)};
}

double FrameSeconds(const std::optional<FirstRowTime>& first, long long firstFrame, long long frame,
                    int frameRate) {
    const double rate = frameRate > 0 ? frameRate : 1;
    if (first) return first->seconds + static_cast<double>(frame - first->frame) / rate;
    return static_cast<double>(frame - firstFrame) / rate;
}

}  // namespace tovview
