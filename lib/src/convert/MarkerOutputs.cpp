#include "MarkerOutputs.h"

#include <deque>
#include <span>
#include <utility>
#include <vector>

#include "tovfileio/c3d/C3DFile.h"
#include "tovfileio/gwm/GWMWriter.h"
#include "tovfileio/trc/MarkerCsv.h"
#include "tovfileio/trc/TRCWriter.h"

namespace tovfileio {
namespace {

// A writer's stream behind the face: rows up to its frame count, then its
// end. Begin differs with the writer.
template <typename Stream>
class StreamOutput : public MarkerOutput {
public:
    template <typename... Args>
    explicit StreamOutput(Args&&... args) : stream_(std::forward<Args>(args)...) {}
    bool Row(const TRCRow& row) override {
        if (static_cast<std::int64_t>(stream_.RowsSeen()) < stream_.Frames()) stream_.Row(row);
        return true;
    }
    std::wstring Finish() override {
        stream_.Finish();
        return std::wstring();
    }

protected:
    Stream stream_;
};

class TrcOutput : public StreamOutput<TRCStream> {
public:
    TrcOutput(TextOutput& file, const MarkerOutputNames& names)
        : StreamOutput(file), baseName_(names.baseName) {
        stream_.SetSinglePrecision(names.singles);
    }
    bool Begin(const TRCFile& file) override {
        stream_.Begin(file, baseName_);
        return true;
    }

private:
    std::wstring baseName_;
};

class CsvOutput : public StreamOutput<MarkerCsvStream> {
public:
    CsvOutput(TextOutput& file, bool singles, bool filled) : StreamOutput(file) {
        stream_.SetSinglePrecision(singles);
        stream_.SetFilledColumn(filled);
    }
    bool Begin(const TRCFile& file) override {
        stream_.Begin(file);
        return true;
    }
};

// A C3D file's writer. With analog channels, each row is written with the
// analog samples of its frame. A reader tells a piece of the file's rows
// before that piece's samples, so whichever comes first waits for the
// other: at most a piece's rows, or the samples of frames no row comes for
// (a file without points), are held.
class C3dOutput : public StreamOutput<C3DStream>, public AnalogSink {
public:
    C3dOutput(TextOutput& file, const MarkerOutputNames& names)
        : StreamOutput(file),
          analog_(names.analog),
          platforms_(names.platforms),
          platformAsWritten_(names.platformAsWritten) {}

    bool Begin(const TRCFile& file) override {
        markers_ = file.GetNumMarkers();
        if (analog_ != nullptr) {
            frameValues_ = std::size_t{analog_->samplesPerFrame} * analog_->channels.size();
        }
        if (frameValues_ != 0) stream_.SetAnalog(*analog_, PlatformsAsWritten());
        if (stream_.Begin(file)) return true;
        refusal_ = stream_.Refusal();
        return false;
    }
    bool Row(const TRCRow& row) override {
        if (frameValues_ == 0) return StreamOutput::Row(row);
        if (!samples_.empty()) {
            stream_.Row(row, samples_.front());
            samples_.pop_front();
        } else {
            std::vector<TRCSample>& held = rows_.emplace_back(row.size());
            for (std::size_t m = 0; m < row.size(); ++m) held[m] = row[m];
        }
        return true;
    }
    void Frame(const AnalogFrame& frame) override {
        const std::span<const double> values(frame.values, frameValues_);
        if (!rows_.empty()) {
            stream_.Row(TRCRow(rows_.front(), TRCSample{}, rows_.front().size()), values);
            rows_.pop_front();
        } else {
            samples_.emplace_back(values.begin(), values.end());
        }
    }
    AnalogSink* AnalogFrames() override { return analog_ != nullptr ? this : nullptr; }
    // Rows no samples came for are written with 0s; samples no row came
    // for, with dropout rows up to the frame count.
    std::wstring Finish() override {
        for (; !rows_.empty(); rows_.pop_front()) {
            stream_.Row(TRCRow(rows_.front(), TRCSample{}, rows_.front().size()));
        }
        for (; !samples_.empty(); samples_.pop_front()) {
            if (static_cast<std::int64_t>(stream_.RowsSeen()) >= stream_.Frames()) break;
            stream_.Row(TRCRow({}, TRCSample{}, markers_), samples_.front());
        }
        return StreamOutput::Finish();
    }

private:
    std::vector<ForcePlatform> PlatformsAsWritten() const {
        std::vector<ForcePlatform> platforms;
        if (platforms_ == nullptr) return platforms;
        for (const ForcePlatform& platform : *platforms_) {
            platforms.push_back(platformAsWritten_ ? platformAsWritten_(platform) : platform);
        }
        return platforms;
    }

    const C3DAnalog* analog_;
    const std::vector<ForcePlatform>* platforms_;
    std::function<ForcePlatform(const ForcePlatform&)> platformAsWritten_;
    std::size_t frameValues_ = 0;  // analog values a frame; 0: points only
    std::uint32_t markers_ = 0;
    std::deque<std::vector<TRCSample>> rows_;  // rows waiting for their samples
    std::deque<std::vector<double>> samples_;  // samples waiting for their rows
};

// The settings live before the stream that keeps a reference to them.
struct GwmSettingsHeld {
    ConvertGWMSettings settings;
};

class GwmOutput : private GwmSettingsHeld, public StreamOutput<GWMStream> {
public:
    GwmOutput(TextOutput& file, const MarkerOutputNames& names)
        : GwmSettingsHeld{names.gwm},
          StreamOutput(file, settings),
          baseName_(names.baseName),
          dateTime_(names.dateTime),
          map_(names.map) {}
    bool Begin(const TRCFile& file) override {
        if (!GWMFramesNumbered(file)) {
            refusal_ = kGwmFramesUnnumbered;
            return false;
        }
        // The map renames and leaves out markers of the header; rows keep
        // every marker's place, as the host's conversion keeps them.
        header_ = file;
        if (settings.Filter && map_ != nullptr) map_->ApplyFilter(header_);
        stream_.Begin(header_, baseName_, dateTime_);
        return true;
    }

private:
    std::wstring baseName_;
    std::string dateTime_;
    const MarkerNameMap* map_;
    TRCFile header_;
};

}  // namespace

std::unique_ptr<MarkerOutput> MakeMarkerOutput(FileKind kind, TextOutput& file,
                                               const MarkerOutputNames& names) {
    switch (kind) {
        case FileKind::kTrc: return std::make_unique<TrcOutput>(file, names);
        case FileKind::kC3d: return std::make_unique<C3dOutput>(file, names);
        case FileKind::kGwm: return std::make_unique<GwmOutput>(file, names);
        case FileKind::kCsv: return std::make_unique<CsvOutput>(file, names.singles, names.filledColumn);
        default: return nullptr;
    }
}

}  // namespace tovfileio
