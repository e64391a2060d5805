// HTRFile::Write: the model as an HTR text file, in the layout the reader
// reads back.
#include <cerrno>
#include <cmath>
#include <cstdint>
#include <new>
#include <string>
#include <string_view>
#include <unordered_map>

#include "LineWriter.h"
#include "tovfileio/htr/HTRFile.h"
#include "tovfileio/text/FrameCounts.h"
#include "tovfileio/text/TextFiles.h"

namespace tovfileio {

namespace {

constexpr double kRadiansToDegrees = 57.29577951308232;

const wchar_t kNoSegments[] = L"No segments to write";
const wchar_t kDuplicateSegment[] = L"The scene hierarchy has duplicate segment names: ";
const wchar_t kOutOfMemory[] = L"There is not enough memory to write the file";
const wchar_t kFramesUnnumbered[] =
    L"The frames run past the frame numbers an HTR file holds (-2147483648 to 2147483647)";

// The first segment in list order that shares its name with another one;
// null when all names differ.
const HTRSegment* FirstWithNamesake(const HTRFile& htr) {
    std::unordered_map<std::wstring_view, std::uint32_t> uses;
    uses.reserve(htr.SegmentCount());
    for (std::uint32_t i = 0; i < htr.SegmentCount(); ++i) ++uses[htr.Segment(i)->Name()];
    for (std::uint32_t i = 0; i < htr.SegmentCount(); ++i) {
        if (uses[htr.Segment(i)->Name()] > 1) return htr.Segment(i);
    }
    return nullptr;
}

void WriteHeader(const HTRFile& htr, LineWriter& out) {
    // The version is the single-precision 1.1 with two decimals: "1.10".
    out.Text("# Tovelund HTR (source:TOVFileLib v").Fixed(1.1f, 2).Text(")").End();
    out.Line("[Header]");
    out.Line("# KeyWord<space>Value<CR>");
    out.Line("FileType htr");
    out.Line("DataType HTRS");
    out.Line("FileVersion 1");
    out.Text("NumSegments ").Int(htr.SegmentCount()).End();
    out.Text("NumFrames ").Int(htr.GetNumFrames() == 0 ? 1u : htr.GetNumFrames()).End();
    out.Text("DataFrameRate ").Int(htr.GetDataFrameRate()).End();
    out.Line("EulerRotationOrder ZYX");
    out.Text("CalibrationUnits ").Text(CalibrationUnitsKeyword(htr.GetCalibrationUnits())).End();
    const RotationUnits rotation = htr.GetRotationUnits();
    out.Text("RotationUnits ")
        .Text(rotation == kRotationDegrees ? "Degrees" : rotation == kRotationRadians ? "Radians" : "")
        .End();
    out.Line("GlobalAxisofGravity Y");
    out.Line("BoneLengthAxis Y");
    out.Text("ScaleFactor ").Fixed(htr.GetScaleFactor(), 2).End();
}

void WriteHierarchy(const HTRFile& htr, LineWriter& out) {
    out.Line("[SegmentNames&Hierarchy]");
    out.Line("# ObjectName<tab>ParentObjectName<CR>");
    for (std::uint32_t i = 0; i < htr.SegmentCount(); ++i) {
        const HTRSegment& segment = *htr.Segment(i);
        out.Name(segment.Name()).Text("\t");
        if (const HTRSegment* parent = segment.GetParent()) {
            out.Name(parent->Name()).End();
        } else {
            out.Text("GLOBAL").End();
        }
    }
}

void WriteBasePosition(const HTRFile& htr, double angleFactor, LineWriter& out) {
    out.Line("[BasePosition]");
    out.Line("# ObjectName<tab>Tx<tab>Ty<tab>Tz<tab>Rx<tab>Ry<tab>Rz<tab>BoneLength<CR>");
    for (std::uint32_t i = 0; i < htr.SegmentCount(); ++i) {
        const HTRSegment& segment = *htr.Segment(i);
        double tx, ty, tz, rx, ry, rz;
        segment.GetBaseTranslation(tx, ty, tz);
        segment.GetBaseRotationAngles(rx, ry, rz);
        out.Name(segment.Name()).Field(tx).Field(ty).Field(tz);
        out.Field(rx * angleFactor).Field(ry * angleFactor).Field(rz * angleFactor);
        out.Field(segment.GetBoneLength()).End();
    }
}

// A frame's scale against its segment's reference scale. A reference of 0,
// or one that is not a finite number, has no scale to compare with: 1.
double NormalizedScale(double scale, double reference) {
    if (reference == 0.0 || !std::isfinite(reference)) return 1.0;
    return scale / reference;
}

void WriteFrames(const HTRFile& htr, const HTRSegment& segment, double angleFactor,
                 LineWriter& out) {
    out.Text("[").Name(segment.Name()).Text("]").End();
    out.Line("# Tx<tab>Ty<tab>Tz<tab>Rx<tab>Ry<tab>Rz<tab>BoneScaleFactor<CR>");
    if (htr.GetNumFrames() == 0) {
        out.Text("1");
        for (int k = 0; k < 6; ++k) out.Field(0.0);
        out.Field(1.0).End();
        return;
    }
    // Frame numbers count on from the first frame; Write has checked that
    // the last is a 32-bit number too.
    const std::int64_t first = htr.GetFirstFrame();
    for (std::uint32_t i = 0; i < htr.GetNumFrames(); ++i) {
        double tx, ty, tz, rx, ry, rz;
        segment.GetFrameTranslation(i, tx, ty, tz);
        segment.GetFrameRotationAngles(i, rx, ry, rz);
        double scale = segment.GetFrameScale(i);
        if (htr.GetNormalizeScaleFactors()) {
            scale = NormalizedScale(scale, segment.GetReferenceScale());
        }
        out.Int(first + i).Field(tx).Field(ty).Field(tz);
        out.Field(rx * angleFactor).Field(ry * angleFactor).Field(rz * angleFactor);
        out.Field(scale).End();
    }
}

}  // namespace

std::wstring HTRFile::Write(const std::wstring& path, int* ioError) const {
    if (ioError != nullptr) *ioError = 0;
    try {
        if (segments_.empty()) return kNoSegments;
        if (const HTRSegment* namesake = FirstWithNamesake(*this)) {
            return kDuplicateSegment + namesake->Name();
        }
        if (!FrameNumbersFit(firstFrame_, GetNumFrames())) return kFramesUnnumbered;
        int error = 0;
        const std::unique_ptr<TextOutput> file = TextFiles().CreateOutput(path, error);
        if (!file) return kFileNotOpened;
        const double angleFactor = rotationUnits_ == kRotationDegrees ? kRadiansToDegrees : 1.0;
        // Data fields: a tab, then six decimals.
        LineWriter out(*file, '\t', 6);
        WriteHeader(*this, out);
        WriteHierarchy(*this, out);
        WriteBasePosition(*this, angleFactor, out);
        for (const auto& segment : segments_) WriteFrames(*this, *segment, angleFactor, out);
        out.Line("[EndOfFile]");
        out.Flush();
        if (!file->Commit() && ioError != nullptr) *ioError = file->Error() != 0 ? file->Error() : EIO;
        return std::wstring();
    } catch (const std::bad_alloc&) {
        if (ioError != nullptr) *ioError = ENOMEM;
        return kOutOfMemory;
    }
}

}  // namespace tovfileio
