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

using namespace tovfileio;
using c3dtest::Build;

namespace {

// Reads `bytes`, checking every finding, and keeps the codes found.
struct Read {
    explicit Read(const std::string& bytes) {
        C3DReadOptions options;
        options.findings = &check;
        message = ReadC3DMemory(bytes, trc, options);
        for (const auto& finding : findings.list) codes[finding.code] = finding.count;
    }
    struct Keep : tovtest::FindingCheck {
        Keep() : FindingCheck(ReadFormat::kC3d) {}
        void Found(const ReadFinding& finding) override {
            FindingCheck::Found(finding);
            list.push_back(finding);
        }
        std::vector<ReadFinding> list;
    };
    Keep findings;
    tovtest::FindingCheck& check = findings;
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
            EXPECT_EQ(r.findings.faults, 0);
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
    EXPECT_EQ(r.findings.faults, 0);
}

TEST(C3DRead, FrameCountsAndStartFrame) {
    using Extra = Build::Extra;
    auto words = [](std::uint32_t v) {
        return c3dtest::U16(c3dtest::kIntel, v & 0xffff) + c3dtest::U16(c3dtest::kIntel, v >> 16);
    };
    struct Case {
        const char* name;
        std::uint16_t first, last;
        std::vector<Extra> extras;
        int framesHeld;
        std::int32_t startFrame, numFrames;
        std::uint32_t rows;
        std::uint64_t missing;  // frames the data section lacks
    };
    const std::vector<Case> cases = {
        {"header range", 705, 1044, {}, 340, 705, 340, 340, 0},
        {"TRIAL past 65,535", 65535, 65535,
         {{2, "ACTUAL_START_FIELD", 2, {2}, words(70000)},
          {2, "ACTUAL_END_FIELD", 2, {2}, words(139999)}},
         70000, 70000, 70000, 70000, 0},
        {"POINT:FRAMES float", 1, 65535, {{1, "FRAMES", 4, {}, c3dtest::F32(c3dtest::kIntel, 70000)}},
         70000, 1, 70000, 70000, 0},
        {"POINT:LONG_FRAMES", 1, 100, {{1, "LONG_FRAMES", 4, {}, c3dtest::F32(c3dtest::kIntel, 90)}},
         90, 1, 90, 90, 0},
        {"data section short", 1, 10, {}, 4, 1, 10, 4, 6},
        {"four billion claimed", 1, 1, {{1, "FRAMES", 4, {}, c3dtest::F32(c3dtest::kIntel, 4e9f)}},
         3, 1, 2147483647, 3, 4000000000u - 3},
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
        EXPECT_EQ(r.trc.GetNumFrames(), c.numFrames);
        EXPECT_EQ(r.trc.GetNumRows(), c.rows);
        EXPECT_EQ(Sample(r.trc, 0, c.rows - 1), c.rows == std::uint32_t(c.framesHeld) ? "7,8,9" : "1,2,3");
        EXPECT_EQ(r.codes.count(ReadFindingCode::kC3dFramesMissing) ? r.codes.at(ReadFindingCode::kC3dFramesMissing) : 0,
                  c.missing);
        EXPECT_EQ(r.findings.faults, 0);
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
        EXPECT_EQ(r.findings.faults, 0);
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
    // A parameter "X" of group POINT with `dims` over only two data bytes.
    auto bomb = [&](std::string dims) {
        std::string record = std::string("\x01\x01X", 3) + '\0' + '\0' + "\x01" +
                             char(dims.size()) + dims + "ab";
        record[3] = static_cast<char>(record.size() - 3);
        return changed(section + 4, record + std::string(4, '\0'));
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
        {"dimension bomb", bomb("\xff\xff\xff\xff\xff\xff\xff"),
         damaged + L"the dimensions of parameter X need more values than its record holds"},
        {"unknown type", changed(section + 4 + 10 + 10 + 11 + 2 + 4 + 2, "\x07"),
         damaged + L"parameter USED has type 7, not -1, 1, 2 or 4"},
        {"no data start", changed(16, std::string(2, '\0')),
         damaged + L"the data section starts at block 0, not after the header"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const Read r(c.bytes());
        EXPECT_EQ(r.message, c.message);
        EXPECT_EQ(r.findings.faults, 0);
        bool refused = false;
        for (const ReadFinding& f : r.findings.list) refused = refused || f.effect == ReadFinding::Effect::kRefusal;
        EXPECT_EQ(refused, !c.message.empty());
    }
}
