#include "MarkerOutputs.h"

#include "tovfileio/c3d/C3DFile.h"
#include "tovfileio/gwm/GWMWriter.h"
#include "tovfileio/trc/MarkerCsv.h"
#include "tovfileio/trc/TRCWriter.h"

namespace tovfileio {
namespace {

class TrcOutput : public MarkerOutput {
public:
    TrcOutput(TextOutput& file, const MarkerOutputNames& names) : stream_(file), names_(names) {
        stream_.SetSinglePrecision(names.singles);
    }
    bool Begin(const TRCFile& file) override {
        stream_.Begin(file, names_.baseName);
        return true;
    }
    bool Row(const TRCRow& row) override {
        stream_.Row(row);
        return true;
    }
    std::wstring Finish() override {
        stream_.Finish();
        return std::wstring();
    }

private:
    TRCStream stream_;
    const MarkerOutputNames& names_;
};

class C3dOutput : public MarkerOutput {
public:
    explicit C3dOutput(TextOutput& file) : stream_(file) {}
    bool Begin(const TRCFile& file) override {
        if (stream_.Begin(file)) return true;
        refusal_ = kC3dTooManyMarkers;
        return false;
    }
    bool Row(const TRCRow& row) override {
        if (static_cast<std::int64_t>(stream_.RowsSeen()) < stream_.Frames()) stream_.Row(row);
        return true;
    }
    std::wstring Finish() override {
        stream_.Finish();
        return std::wstring();
    }

private:
    C3DStream stream_;
};

class GwmOutput : public MarkerOutput {
public:
    GwmOutput(TextOutput& file, const MarkerOutputNames& names)
        : stream_(file, settings_), names_(names) {}
    bool Begin(const TRCFile& file) override {
        if (!GWMFramesNumbered(file)) {
            refusal_ = kGwmFramesUnnumbered;
            return false;
        }
        stream_.Begin(file, names_.baseName, names_.dateTime);
        return true;
    }
    bool Row(const TRCRow& row) override {
        if (static_cast<std::int64_t>(stream_.RowsSeen()) < stream_.Frames()) stream_.Row(row);
        return true;
    }
    std::wstring Finish() override {
        stream_.Finish();
        return std::wstring();
    }

private:
    ConvertGWMSettings settings_;  // every marker, no offset
    GWMStream stream_;
    const MarkerOutputNames& names_;
};

class CsvOutput : public MarkerOutput {
public:
    CsvOutput(TextOutput& file, bool singles) : stream_(file) { stream_.SetSinglePrecision(singles); }
    bool Begin(const TRCFile& file) override {
        stream_.Begin(file);
        return true;
    }
    bool Row(const TRCRow& row) override {
        stream_.Row(row);
        return true;
    }
    std::wstring Finish() override {
        stream_.Finish();
        return std::wstring();
    }

private:
    MarkerCsvStream stream_;
};

}  // namespace

std::unique_ptr<MarkerOutput> MakeMarkerOutput(FileKind kind, TextOutput& file,
                                               const MarkerOutputNames& names) {
    switch (kind) {
        case FileKind::kTrc: return std::make_unique<TrcOutput>(file, names);
        case FileKind::kC3d: return std::make_unique<C3dOutput>(file);
        case FileKind::kGwm: return std::make_unique<GwmOutput>(file, names);
        case FileKind::kCsv: return std::make_unique<CsvOutput>(file, names.singles);
        default: return nullptr;
    }
}

}  // namespace tovfileio
