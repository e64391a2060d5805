#include "utility/GWMWriter.h"

#include <charconv>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <string_view>

#include "brindle/sdk/TextCodec.h"
#include "brindle/sdk/TextFileWriter.h"
#include "text/FixedNumber.h"

namespace {

// Builds the text in a reused buffer and hands it to the file in large
// pieces; numbers are formatted without the process locale.
class GWMOutput {
public:
    explicit GWMOutput(TextFile::Writer& file) : file_(file) { text_.reserve(kFlushBytes + 512); }
    ~GWMOutput() { Flush(); }

    GWMOutput& Text(std::string_view text) {
        text_ += text;
        if (text_.size() >= kFlushBytes) Flush();
        return *this;
    }
    GWMOutput& Int(long long value) {
        char digits[24];
        const auto end = std::to_chars(digits, digits + sizeof digits, value).ptr;
        return Text(std::string_view(digits, static_cast<std::size_t>(end - digits)));
    }
    // "%f\t": six decimals, as printf writes them.
    GWMOutput& Coordinate(double value) {
        char digits[tovtext::kFixedRoom];
        text_.append(digits, tovtext::WriteFixed(digits, value, 6));
        text_ += '\t';
        if (text_.size() >= kFlushBytes) Flush();
        return *this;
    }
    void Flush() {
        file_.Write(text_);
        text_.clear();
    }

private:
    static constexpr std::size_t kFlushBytes = 64 * 1024;
    TextFile::Writer& file_;
    std::string text_;
};

// The TRC position (x, y, z) in GWM axes: Y-up turned to Z-up, with the
// offset added before the turn ("TRC Space") or after it ("Brindle Space").
void GWMCoordinates(const ConvertGWMSettings& s, double x, double y, double z, double out[3]) {
    if (!s.Offset) {
        out[0] = x;
        out[1] = -z;
        out[2] = y;
    } else if (s.TRCSpace) {
        out[0] = x + static_cast<double>(s.OffsetX);
        out[1] = -(z + static_cast<double>(s.OffsetZ));
        out[2] = y + static_cast<double>(s.OffsetY);
    } else {
        out[0] = x + static_cast<double>(s.OffsetX);
        out[1] = -z + static_cast<double>(s.OffsetY);
        out[2] = y + static_cast<double>(s.OffsetZ);
    }
}

void WriteGWM(TextFile::Writer& file, const std::wstring& baseName, const std::string& dateTime,
              const TRCFile& trc, const ConvertGWMSettings& settings) {
    std::vector<const TRCMarker*> included;
    for (std::uint32_t i = 0; i < trc.GetNumMarkers(); ++i) {
        if (trc.GetMarker(i)->IsIncluded()) included.push_back(trc.GetMarker(i));
    }
    const std::int32_t first = trc.GetStartFrame();
    const std::int32_t frames = trc.GetNumFrames();
    GWMOutput out(file);
    out.Text("$Comments\tGWM file generated from TRC file by\n");
    out.Text("$Comments\tTovelund TOVFileIO plugin\n\n");
    out.Text("$Filename   ").Text(TextCodec::EncodeUtf8(baseName)).Text("\n");
    out.Text("$DateTime   ").Text(dateTime).Text("\n\n");
    out.Text("$FirstFrame ").Int(first).Text("\n");
    // 32-bit arithmetic, as the frame numbers are 32-bit.
    out.Text("$LastFrame ")
        .Int(static_cast<std::int32_t>(static_cast<std::uint32_t>(first) +
                                       static_cast<std::uint32_t>(frames) - 1u))
        .Text("\n");
    out.Text("$NumFrames ").Int(frames).Text("\n");
    out.Text("$NumMarkers ").Int(static_cast<long long>(included.size())).Text("\n");
    out.Text("$CaptureRate ").Int(trc.GetCameraRate()).Text("\n");
    out.Text("$Rate ").Int(trc.GetDataRate()).Text("\n\n");
    out.Text("$Order\n");
    for (const TRCMarker* marker : included) out.Text(TextCodec::EncodeUtf8(marker->GetName())).Text(" ");
    out.Text("\n\n$Points\n");
    for (std::int32_t i = 0; i < frames; ++i) {
        out.Int(static_cast<std::int32_t>(static_cast<std::uint32_t>(first) +
                                          static_cast<std::uint32_t>(i)))
            .Text("\t");
        for (const TRCMarker* marker : included) {
            double x, y, z;
            if (!marker->GetPosition(static_cast<std::uint32_t>(i), x, y, z)) {
                out.Text("DROPOUT\t");
                continue;
            }
            double gwm[3];
            GWMCoordinates(settings, x, y, z, gwm);
            out.Coordinate(gwm[0]).Coordinate(gwm[1]).Coordinate(gwm[2]);
        }
        out.Text("\n\n");
        // Once the file has stopped taking bytes, the rest is not formatted.
        if (file.Failed()) return;
    }
}

}  // namespace

std::string GWMDateTimeText() {
    static const char* const kDays[] = {"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};
    static const char* const kMonths[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                          "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
    std::time_t now = std::time(nullptr);
    std::tm parts{};
    const char* epoch = std::getenv("SOURCE_DATE_EPOCH");
    if (epoch != nullptr && *epoch != '\0') {
        now = static_cast<std::time_t>(std::strtoll(epoch, nullptr, 10));
        gmtime_r(&now, &parts);
    } else {
        localtime_r(&now, &parts);
    }
    char text[64];
    std::snprintf(text, sizeof text, "%s %s %2d %02d:%02d:%02d %d", kDays[parts.tm_wday % 7],
                  kMonths[parts.tm_mon % 12], parts.tm_mday, parts.tm_hour, parts.tm_min,
                  parts.tm_sec, parts.tm_year + 1900);
    return text;
}

std::wstring GWMBaseName(const std::wstring& path) {
    const std::size_t slash = path.find_last_of(L"/\\");
    std::wstring name = slash == std::wstring::npos ? path : path.substr(slash + 1);
    const std::size_t dot = name.rfind(L'.');
    if (dot != std::wstring::npos) name.erase(dot);
    return name;
}

bool WriteGWMFile(const std::wstring& path, const TRCFile& trc,
                  const ConvertGWMSettings& settings) {
    const std::string dateTime = GWMDateTimeText();
    TextFile::Writer file;
    if (!file.Open(path)) return false;
    WriteGWM(file, GWMBaseName(path), dateTime, trc, settings);
    if (!file.Close()) {
        file.Discard();
        return false;
    }
    return true;
}
