#include "tovfileio/gwm/GWMWriter.h"

#include <algorithm>
#include <charconv>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <string_view>

#include "tovfileio/text/TextCodec.h"
#include "tovfileio/text/TextFiles.h"
#include "tovfileio/text/FixedNumber.h"
#include "tovfileio/text/FrameCounts.h"
#include "tovfileio/math/UpAxisTurn.h"

namespace tovfileio {

namespace {

// Text is built in a reused buffer and handed to the file in large pieces.
constexpr std::size_t kFlushBytes = 256 * 1024;
// A row makes room for this many markers at a time, so the buffer stays
// near its flush size however many markers a row has.
constexpr std::size_t kMarkersPerRoom = 256;

// The TRC position (x, y, z) in GWM axes: Y-up turned to Z-up, with the
// offset added before the turn ("TRC Space") or after it ("Brindle Space").
void GWMCoordinates(const ConvertGWMSettings& s, double x, double y, double z, double out[3]) {
    const double ox = s.Offset ? static_cast<double>(s.OffsetX) : 0.0;
    const double oy = s.Offset ? static_cast<double>(s.OffsetY) : 0.0;
    const double oz = s.Offset ? static_cast<double>(s.OffsetZ) : 0.0;
    std::array<double, 3> turned;
    if (!s.Offset) {
        turned = YUpToZUp(x, y, z);
    } else if (s.TRCSpace) {
        turned = YUpToZUp(x + ox, y + oy, z + oz);
    } else {
        turned = YUpToZUp(x, y, z);
        turned = {turned[0] + ox, turned[1] + oy, turned[2] + oz};
    }
    out[0] = turned[0];
    out[1] = turned[1];
    out[2] = turned[2];
}

}  // namespace

void GWMStream::Room(std::size_t bytes) {
    if (buffer_.size() - used_ < bytes) FlushText();
    if (buffer_.size() < bytes) buffer_.resize(bytes);
}

void GWMStream::Text(std::string_view text) {
    Room(text.size());
    std::memcpy(buffer_.data() + used_, text.data(), text.size());
    used_ += text.size();
}

void GWMStream::Int(long long value) {
    Room(24);
    char* const at = buffer_.data() + used_;
    used_ += static_cast<std::size_t>(std::to_chars(at, at + 24, value).ptr - at);
}

// "%f\t": six decimals, as printf writes them, without the process locale.
// The caller has made room.
void GWMStream::Coordinate(double value) {
    char* at = tovtext::WriteFixed(buffer_.data() + used_, value, 6);
    *at++ = '\t';
    used_ = static_cast<std::size_t>(at - buffer_.data());
}

void GWMStream::FlushText() {
    file_.Write(std::string_view(buffer_.data(), used_));
    used_ = 0;
}

void GWMStream::Begin(const TRCFile& trc, const std::wstring& baseName, const std::string& dateTime) {
    buffer_.resize(kFlushBytes);
    used_ = 0;
    included_.clear();
    for (std::uint32_t i = 0; i < trc.GetNumMarkers(); ++i) {
        if (trc.GetMarker(i)->IsIncluded()) included_.push_back(i);
    }
    first_ = trc.GetStartFrame();
    frames_ = trc.GetNumFrames();
    Text("$Comments\tGWM file generated from TRC file by\n");
    Text("$Comments\tTovelund TOVFileIO plugin\n\n");
    // The name ends its line: a line feed or carriage return in it would
    // start another, so every C0 control character becomes "_".
    std::string name = EncodeUtf8(baseName);
    for (char& c : name) {
        if (static_cast<unsigned char>(c) < 0x20) c = '_';
    }
    Text("$Filename   ");
    Text(name);
    Text("\n$DateTime   ");
    Text(dateTime);
    Text("\n\n$FirstFrame ");
    Int(first_);
    Text("\n$LastFrame ");
    Int(std::int64_t{first_} + frames_ - 1);
    Text("\n$NumFrames ");
    Int(frames_);
    Text("\n$NumMarkers ");
    Int(static_cast<long long>(included_.size()));
    Text("\n$CaptureRate ");
    Int(trc.GetCameraRate());
    Text("\n$Rate ");
    Int(trc.GetDataRate());
    Text("\n\n$Order\n");
    for (const std::uint32_t m : included_) {
        Text(EncodeUtf8(trc.GetMarker(m)->GetName()));
        Text(" ");
    }
    Text("\n\n$Points\n");
}

void GWMStream::RowStart(std::int64_t index) {
    Int(std::int64_t{first_} + index);
    Text("\t");
}

void GWMStream::Row(const TRCRow& row) {
    const auto index = static_cast<std::int64_t>(rows_++);
    // Rows beyond the header's frame count are not written; once the file
    // has stopped taking bytes, nothing more is formatted.
    if (index >= frames_ || file_.Failed()) return;
    RowStart(index);
    for (std::size_t from = 0; from < included_.size(); from += kMarkersPerRoom) {
        const std::size_t to = std::min(included_.size(), from + kMarkersPerRoom);
        // Each marker writes at most three numbers and their tabs.
        Room((to - from) * 3 * (tovtext::kFixedRoom + 1));
        for (std::size_t i = from; i < to; ++i) {
            const TRCSample& sample = row[included_[i]];
            if (!sample.valid) {
                std::memcpy(buffer_.data() + used_, "DROPOUT\t", 8);
                used_ += 8;
                continue;
            }
            double gwm[3];
            GWMCoordinates(settings_, sample.x, sample.y, sample.z, gwm);
            Coordinate(gwm[0]);
            Coordinate(gwm[1]);
            Coordinate(gwm[2]);
        }
    }
    Room(2);
    buffer_[used_++] = '\n';
    buffer_[used_++] = '\n';
}

void GWMStream::Finish() {
    for (auto index = static_cast<std::int64_t>(rows_); index < frames_ && !file_.Failed(); ++index) {
        RowStart(index);
        for (std::size_t m = 0; m < included_.size(); ++m) Text("DROPOUT\t");
        Text("\n\n");
    }
    FlushText();
}

SourceDateEpoch ReadSourceDateEpoch() {
    SourceDateEpoch epoch;
    const char* text = std::getenv("SOURCE_DATE_EPOCH");
    if (text == nullptr || *text == '\0') return epoch;
    epoch.set = true;
    epoch.text = text;
    std::uint64_t seconds = 0;
    const char* end = text + epoch.text.size();
    const auto result = std::from_chars(text, end, seconds);
    epoch.usable = result.ec == std::errc() && result.ptr == end && seconds <= 253402300799u;
    if (epoch.usable) epoch.seconds = static_cast<std::int64_t>(seconds);
    return epoch;
}

std::string GWMDateTimeText() {
    static const char* const kDays[] = {"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};
    static const char* const kMonths[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                          "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
    std::time_t now = std::time(nullptr);
    std::tm parts{};
    const SourceDateEpoch epoch = ReadSourceDateEpoch();
    if (epoch.usable) {
        now = static_cast<std::time_t>(epoch.seconds);
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

bool GWMFramesNumbered(const TRCFile& trc) {
    return FrameNumbersFit(trc.GetStartFrame(), trc.GetNumFrames());
}

bool WriteGWMFile(const std::wstring& path, const TRCFile& trc,
                  const ConvertGWMSettings& settings) {
    if (!GWMFramesNumbered(trc)) return false;
    const std::string dateTime = GWMDateTimeText();
    int error = 0;
    const std::unique_ptr<TextOutput> file = TextFiles().CreateOutput(path, error);
    if (!file) return false;
    GWMStream stream(*file, settings);
    stream.Begin(trc, GWMBaseName(path), dateTime);
    // The samples of one row, gathered from the markers.
    std::vector<TRCSample> row(trc.GetNumMarkers());
    std::uint32_t rows = 0;
    for (std::uint32_t m = 0; m < trc.GetNumMarkers(); ++m) {
        rows = std::max(rows, trc.GetMarker(m)->GetNumSamples());
    }
    for (std::uint32_t i = 0; i < rows && static_cast<std::int64_t>(i) < stream.Frames(); ++i) {
        for (std::uint32_t m = 0; m < trc.GetNumMarkers(); ++m) {
            TRCSample& sample = row[m];
            sample.valid = trc.GetMarker(m)->GetPosition(i, sample.x, sample.y, sample.z);
        }
        stream.Row(TRCRow(row, TRCSample{}, row.size()));
    }
    stream.Finish();
    return file->Commit();
}

}  // namespace tovfileio
