#include "MarkerOutputs.h"

#include <utility>

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

class C3dOutput : public StreamOutput<C3DStream> {
public:
    explicit C3dOutput(TextOutput& file) : StreamOutput(file) {}
    bool Begin(const TRCFile& file) override {
        if (stream_.Begin(file)) return true;
        refusal_ = kC3dTooManyMarkers;
        return false;
    }
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
        case FileKind::kC3d: return std::make_unique<C3dOutput>(file);
        case FileKind::kGwm: return std::make_unique<GwmOutput>(file, names);
        case FileKind::kCsv: return std::make_unique<CsvOutput>(file, names.singles, names.filledColumn);
        default: return nullptr;
    }
}

}  // namespace tovfileio
