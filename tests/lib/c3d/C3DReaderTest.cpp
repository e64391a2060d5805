#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "tests/lib/c3d/C3DBuild.h"
#include "tests/support/FindingCheck.h"
#include "tests/support/TestFiles.h"
#include "tovfileio/c3d/C3DFile.h"
#include "tovfileio/text/FindingList.h"

using namespace tovfileio;
using c3dtest::Build;

namespace {

// Reads `bytes` and keeps its findings and the count of each code; every
// finding must be whole.
struct Read {
    explicit Read(const std::string& bytes) {
        message = ReadC3DMemory(bytes, trc, {.findings = &findings});
        for (const auto& finding : findings.All()) codes[finding.code] = finding.count;
        tovtest::FindingCheck check(FileKind::kC3d);
        findings.ReplayTo(&check);
        EXPECT_EQ(check.faults, 0) << "code " << check.firstFault;
    }
    FindingList findings{true};  // every refusal too, as the check wants
    TRCFile trc;
    std::wstring message;
    std::map<ReadFindingCode, std::uint64_t> codes;  // code -> count
};

std::string Sample(const TRCFile& trc, std::uint32_t marker, std::uint32_t row) {
    TRCSample s;
    s.valid = trc.GetMarker(marker)->GetPosition(row, s.x, s.y, s.z);
    if (!s.valid) return s.x == 0 && s.y == 0 && s.z == 0 ? "-" : "dropout off 0";
    char text[96];
    std::snprintf(text, sizeof text, "%g,%g,%g", s.x, s.y, s.z);
    return text;
}

// Two points over three frames; point 1 drops out in frame 2.
Build TwoPoints(c3dtest::Processor processor, bool isFloat) {
    Build b;
    b.processor = processor;
    b.scale = isFloat ? -0.25f : 0.25f;
    b.labels = {"A", "B"};
    b.last = 3;
    // Float files hold the coordinates, int files the words times the scale.
    const float k = isFloat ? 0.25f : 1.0f;
    for (int f = 0; f < 3; ++f) {
        const float residual = isFloat ? 2.5f : 0x1203;  // int: camera mask 0x12, residual 3
        b.frames.push_back({{3 * k, -4 * k, (2000 + f) * k, residual},
                            {f == 1 ? 0.0f : 8 * k, 0, -1 * k, f == 1 ? -1.0f : residual}});
    }
    return b;
}

}  // namespace

TEST(C3DRead, EveryProcessorAndNumberFormGivesTheSameSamples) {
    for (const auto processor : {c3dtest::kIntel, c3dtest::kDec, c3dtest::kMips}) {
        for (const bool isFloat : {true, false}) {
            SCOPED_TRACE(testing::Message() << processor << (isFloat ? " float" : " int"));
            const Read r(TwoPoints(processor, isFloat).Bytes());
            ASSERT_EQ(r.message, L"");
            ASSERT_EQ(r.trc.GetNumMarkers(), 2u);
            ASSERT_EQ(r.trc.GetNumRows(), 3u);
            EXPECT_EQ(r.trc.GetDataRate(), 100);
            EXPECT_EQ(Sample(r.trc, 0, 0), "0.75,-1,500");
            EXPECT_EQ(Sample(r.trc, 0, 2), "0.75,-1,500.5");
            EXPECT_EQ(Sample(r.trc, 1, 0), "2,0,-0.25");
            EXPECT_EQ(Sample(r.trc, 1, 1), "-");
        }
    }
}

TEST(C3DRead, LabelsGiveEveryMarkerItsOwnName) {
    Build b;
    b.points = 300;
    for (int i = 1; i <= 300; ++i) b.labels.push_back("M" + std::to_string(i));
    b.labels[0] = "";       // no label
    b.labels[1] = "M2 ";    // trailing blank
    b.labels[2] = "M2";     // taken
    b.labels[3] = "M2";     // taken twice
    b.labels[4] = "Point1"; // what the first was given
    const Read r(b.Bytes());
    ASSERT_EQ(r.message, L"");
    const std::vector<std::pair<std::uint32_t, std::wstring>> names = {
        {0, L"Point1"}, {1, L"M2"}, {2, L"M2_2"}, {3, L"M2_3"}, {4, L"Point1_2"},
        {254, L"M255"}, {255, L"M256"}, {299, L"M300"}};
    for (const auto& [marker, name] : names) EXPECT_EQ(r.trc.GetMarker(marker)->GetName(), name);
    EXPECT_EQ(r.codes.at(ReadFindingCode::kC3dLabelsRenamed), 4u);
}

// A point count no frame in the file could hold makes the markers it has
// labels for, and the rest only up to what one frame of the file could
// hold; the frame it claims is missing, not read.
TEST(C3DRead, PointCountPastTheFileMakesWhatItCouldHold) {
    struct Case {
        const char* name;
        float scale;
        std::size_t labels;
        std::size_t fileBytes;
        std::uint32_t markers;
        std::wstring lastName;
    };
    const std::vector<Case> cases = {
        {"unlabelled floats", -1.0f, 0, 1024, 64, L"Point64"},
        {"unlabelled integers", 0.1f, 0, 1024, 128, L"Point128"},
        {"labels past a frame's room", -1.0f, 100, 1536, 100, L"M100"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Build b;
        b.points = 65535;
        b.scale = c.scale;
        b.last = 1;
        for (std::size_t i = 1; i <= c.labels; ++i) b.labels.push_back("M" + std::to_string(i));
        const std::string bytes = b.Bytes();
        ASSERT_EQ(bytes.size(), c.fileBytes);
        const Read r(bytes);
        ASSERT_EQ(r.message, L"");
        ASSERT_EQ(r.trc.GetNumMarkers(), c.markers);
        EXPECT_EQ(r.trc.GetMarker(c.markers - 1)->GetName(), c.lastName);
        EXPECT_EQ(r.trc.GetNumRows(), 0u);
        EXPECT_EQ(r.codes.at(ReadFindingCode::kC3dFramesMissing), 1u);
    }
}

// The take has the frames the data section holds, up to the count the file
// gives (frames past it are padding), and a sink knows them before the first
// row.
TEST(C3DRead, FrameCountsAndStartFrame) {
    auto words = [](std::uint32_t v) {
        return c3dtest::U16(c3dtest::kIntel, v & 0xffff) + c3dtest::U16(c3dtest::kIntel, v >> 16);
    };
    struct Case {
        const char* name;
        std::uint16_t first, last;
        std::vector<Build::Extra> extras;
        int framesHeld;
        std::int32_t startFrame;
        std::uint32_t rows;
        std::uint64_t missing;  // frames the data section lacks
    };
    const std::vector<Case> cases = {
        {"header range", 705, 1044, {}, 340, 705, 340, 0},
        {"TRIAL past 65,535", 65535, 65535,
         {{2, "ACTUAL_START_FIELD", 2, {2}, words(70000)},
          {2, "ACTUAL_END_FIELD", 2, {2}, words(139999)}},
         70000, 70000, 70000, 0},
        {"POINT:FRAMES float", 1, 65535, {{1, "FRAMES", 4, {}, c3dtest::F32(c3dtest::kIntel, 70000)}},
         70000, 1, 70000, 0},
        {"POINT:LONG_FRAMES", 1, 100, {{1, "LONG_FRAMES", 4, {}, c3dtest::F32(c3dtest::kIntel, 90)}},
         90, 1, 90, 0},
        {"data section short", 1, 1149, {}, 29, 1, 29, 1120},
        {"data section holds more", 1, 3, {}, 5, 1, 3, 0},
        {"four billion claimed", 1, 1, {{1, "FRAMES", 4, {}, c3dtest::F32(c3dtest::kIntel, 4e9f)}},
         3, 1, 3, 4000000000u - 3},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Build b;
        b.points = 1;
        b.labels = {"A"};
        b.first = c.first;
        b.last = c.last;
        b.extras = c.extras;
        b.frames.assign(c.framesHeld, {{1, 2, 3, 0}});
        b.frames.back()[0] = {7, 8, 9, 0};
        const Read r(b.Bytes());
        ASSERT_EQ(r.message, L"");
        EXPECT_EQ(r.trc.GetStartFrame(), c.startFrame);
        EXPECT_EQ(r.trc.GetNumFrames(), static_cast<std::int32_t>(c.rows));
        EXPECT_EQ(r.trc.GetNumRows(), c.rows);
        EXPECT_EQ(Sample(r.trc, 0, c.rows - 1), c.rows == std::uint32_t(c.framesHeld) ? "7,8,9" : "1,2,3");
        const ReadFinding* missing = r.findings.Find(ReadFindingCode::kC3dFramesMissing);
        EXPECT_EQ(missing != nullptr ? missing->count : 0, c.missing);
        if (missing != nullptr) {
            EXPECT_EQ(missing->found, std::to_string(c.rows + c.missing));
            ASSERT_TRUE(CarriesItsDetail(*missing));
            EXPECT_EQ(missing->Get<findingdetail::HeaderReadAs>()->readAs, c.rows);
            EXPECT_TRUE(IsWarning(*missing));
        }

        struct FramesAtBegin : TRCRowSink {
            bool Begin(const TRCFile& file) override { return frames = file.GetNumFrames(), true; }
            bool Row(const TRCRow& /*row*/) override { return ++rows, true; }
            std::int32_t frames = -1;
            std::uint32_t rows = 0;
        } sink;
        TRCFile streamed;
        ASSERT_EQ(ReadC3DMemory(b.Bytes(), streamed, {.rows = &sink}), L"");
        EXPECT_EQ(sink.frames, static_cast<std::int32_t>(c.rows));
        EXPECT_EQ(sink.rows, c.rows);
    }
}

// A frame's analog block is ANALOG:USED channels of ANALOG:RATE / POINT:RATE
// samples (or the header's samples a frame), or the header's count, as the
// data section's size bears out; the points of every frame read in place.
TEST(C3DRead, AnalogBlockSizedAsTheDataSectionHoldsIt) {
    struct Case {
        const char* name;
        std::uint16_t written;  // analog values a frame in the data section
        int headerValues;
        float analogRate;       // 0: none, the header's samples a frame count
        std::uint16_t last;     // the header's last frame; 3 are held
        std::uint64_t valuesRead;
        ReadFinding::Effect effect;
    };
    using Effect = ReadFinding::Effect;
    const std::vector<Case> cases = {
        {"header over-counts, rates right", 16, 40, 400, 3, 16, Effect::kMisread},
        {"header over-counts, samples a frame right", 16, 40, 0, 3, 16, Effect::kMisread},
        {"rates wrong, header right", 40, 40, 400, 3, 40, Effect::kMisread},
        {"neither borne out by a short section", 16, 40, 400, 10, 16, Effect::kShift},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Build b = TwoPoints(c3dtest::kIntel, true);
        b.analogValues = c.written;
        b.analogChannels = 4;
        b.headerAnalogValues = c.headerValues;
        b.analogRate = c.analogRate;
        b.last = c.last;
        const Read r(b.Bytes());
        ASSERT_EQ(r.message, L"");
        ASSERT_EQ(r.trc.GetNumRows(), 3u);
        EXPECT_EQ(Sample(r.trc, 0, 2), "0.75,-1,500.5");
        EXPECT_EQ(Sample(r.trc, 1, 2), "2,0,-0.25");
        const ReadFinding* differs = r.findings.Find(ReadFindingCode::kC3dAnalogValues);
        ASSERT_TRUE(differs != nullptr && CarriesItsDetail(*differs));
        const auto& detail = *differs->Get<findingdetail::C3dAnalogValues>();
        EXPECT_EQ(detail.headerValues, std::uint64_t(c.headerValues));
        EXPECT_EQ(detail.channels * detail.samplesPerFrame,
                  c.written == c.headerValues ? 16u : c.written);
        EXPECT_EQ(detail.valuesRead, c.valuesRead);
        EXPECT_EQ(differs->effect, c.effect);
        EXPECT_EQ(r.codes.at(ReadFindingCode::kC3dAnalogSkipped), 4u);
    }
}

// A parameter record whose dimensions ask for more values than it holds
// gives the values it holds; the first such record is named.
TEST(C3DRead, ShortParameterRecordsGiveWhatTheyHold) {
    const std::string good = TwoPoints(c3dtest::kIntel, true).Bytes();
    // In place of the section's first records, one named X whose seven
    // dimensions of 255 stand over two data bytes.
    std::string bomb =
        std::string("\x01\x01X\0\0\x01\x07", 7) + std::string(7, '\xff') + "ab";
    bomb[3] = static_cast<char>(bomb.size() - 3);
    bomb = std::string(good).replace(512 + 4, bomb.size() + 4, bomb + std::string(4, '\0'));
    struct Case {
        const char* name;
        std::string bytes;
        std::string firstName, asked;
        std::int64_t held;
        std::uint64_t parameters;
        std::wstring secondMarker;
    };
    auto build = [](std::vector<Build::Extra> extras, bool labelled) {
        Build b = TwoPoints(c3dtest::kIntel, true);
        if (!labelled) b.labels.clear();
        b.extras = std::move(extras);
        return b.Bytes();
    };
    const std::string intel = c3dtest::F32(c3dtest::kIntel, 1.5f);
    const std::vector<Case> cases = {
        // The label record ends after one label and its description's length.
        {"labels", build({{1, "LABELS", -1, {8, 2}, "A       "}}, false), "POINT:LABELS", "16", 9,
         1, L"Point2"},
        {"two calibration records", build({{3, "SCALE", 4, {6}, intel + intel + intel},
                                           {3, "OFFSET", 2, {3, 2}, std::string(2, '\x01')}}, true),
         "ANALOG:SCALE", "6", 3, 2, L"B"},
        {"dimension bomb", bomb, "#1:X", "70110209207109375", 2, 1, L"Point2"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const Read r(c.bytes);
        ASSERT_EQ(r.message, L"");
        ASSERT_EQ(r.trc.GetNumRows(), 3u);
        EXPECT_EQ(Sample(r.trc, 0, 2), "0.75,-1,500.5");
        EXPECT_EQ(r.trc.GetMarker(1)->GetName(), c.secondMarker);
        const ReadFinding* shortRecord = r.findings.Find(ReadFindingCode::kC3dParameterShort);
        ASSERT_TRUE(shortRecord != nullptr && CarriesItsDetail(*shortRecord));
        EXPECT_EQ(shortRecord->found, c.asked);
        EXPECT_EQ(shortRecord->count, c.parameters);
        EXPECT_EQ(shortRecord->Get<findingdetail::HeaderReadAs>()->keyword, c.firstName);
        EXPECT_EQ(shortRecord->Get<findingdetail::HeaderReadAs>()->readAs, c.held);
    }
}

TEST(C3DRead, AnalogUnitsAndRate) {
    struct Case {
        std::uint16_t analogValues, analogChannels;
        std::string units;
        float rate;
        CalibrationUnits readUnits;
        std::int32_t readRate;
        std::vector<ReadFindingCode> codes;
    };
    const std::vector<Case> cases = {
        {0, 0, "mm", 100, kUnitsMillimetres, 100, {}},
        {40, 4, "m ", 120, kUnitsMetres, 120, {ReadFindingCode::kC3dAnalogSkipped}},
        {3, 3, "CM", 29.97f, kUnitsCentimetres, 30, {ReadFindingCode::kC3dAnalogSkipped, ReadFindingCode::kC3dRateNotWhole}},
        {0, 0, "furlong", 60, kUnitsMillimetres, 60, {ReadFindingCode::kC3dUnitUnknown}},
        {0, 0, "", 60, kUnitsMillimetres, 60, {ReadFindingCode::kC3dUnitUnknown}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.units);
        Build b = TwoPoints(c3dtest::kIntel, true);
        b.analogValues = c.analogValues;
        b.analogChannels = c.analogChannels;
        b.units = c.units;
        b.rate = c.rate;
        const Read r(b.Bytes());
        ASSERT_EQ(r.message, L"");
        EXPECT_EQ(r.trc.GetUnits(), c.readUnits);
        EXPECT_EQ(r.trc.GetDataRate(), c.readRate);
        EXPECT_EQ(Sample(r.trc, 0, 2), "0.75,-1,500.5");  // analog values between frames skipped
        EXPECT_EQ(r.codes.size(), c.codes.size());
        for (const ReadFindingCode code : c.codes) EXPECT_EQ(r.codes.count(code), 1u);
        if (c.analogChannels != 0) {
            EXPECT_EQ(r.codes.at(ReadFindingCode::kC3dAnalogSkipped), c.analogChannels);
        }
    }
}

TEST(C3DRead, HostileFilesAreRefusedWithTheirMessage) {
    const std::string good = TwoPoints(c3dtest::kIntel, true).Bytes();
    const std::wstring damaged = kC3dDamaged;
    // The first record after the section's four bytes: the group POINT.
    const std::size_t section = 512, firstLink = section + 4 + 2 + 5;
    struct Case {
        const char* name;
        std::function<std::string()> bytes;
        std::wstring message;
    };
    auto changed = [&](std::size_t at, std::string with) {
        return [=] { return std::string(good).replace(at, with.size(), with); };
    };
    const std::vector<Case> cases = {
        {"empty", [] { return std::string(); }, kC3dNotC3d},
        {"text", [] { return std::string("PathFileType\t4\t(X/Y/Z)\n"); }, kC3dNotC3d},
        {"cut in the header", [&] { return good.substr(0, 300); },
         damaged + L"the file ends inside its header block"},
        {"parameters at block 1", changed(0, "\x01"),
         damaged + L"the header gives block 1 for the parameter section, which starts at block 2 or later"},
        {"parameters past the end", changed(0, "\xc8"),
         damaged + L"the parameter section starts past the end of the file"},
        {"processor 99", changed(section + 3, "\x63"),
         damaged + L"the processor type 99 is not 84 (Intel), 85 (DEC) or 86 (MIPS)"},
        {"cut in the parameters", [&] { return good.substr(0, section + 10); },
         damaged + L"a parameter runs past the parameter section"},
        {"offset pointing back", changed(firstLink, "\xf0\xff"),
         damaged + L"parameter POINT points back into the parameter section"},
        {"unknown type", changed(section + 4 + 10 + 10 + 11 + 2 + 4 + 2, "\x07"),
         damaged + L"parameter USED has type 7, not -1, 1, 2 or 4"},
        {"no data start", changed(16, std::string(2, '\0')),
         damaged + L"the data section starts at block 0, not after the header"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const Read r(c.bytes());
        EXPECT_EQ(r.message, c.message);
        EXPECT_EQ(r.findings.Refusal() != nullptr, !c.message.empty());
    }
}
