#include <gtest/gtest.h>

#include <string>
#include <tuple>
#include <vector>

#include "tovfileio/htr/HTRFile.h"
#include "tovfileio/text/FindingList.h"
#include "tests/support/FindingCheck.h"
#include "tests/support/HostileInputs.h"
#include "tests/support/TestFiles.h"

using namespace tovfileio;

using tovtest::ScratchDir;

namespace {

constexpr double kPi = 3.141592653589793;

std::wstring Incompatible(const wchar_t* keyword) {
    return std::wstring(L"The file does not have a compatible \"") + keyword + L"\" header state";
}

// A valid header (mm, Degrees unless `header` says otherwise; NumSegments
// from the caller) followed by `body`.
std::string HtrWithHeader(const std::string& header, const std::string& body) {
    return "[Header]\nFileType htr\nDataType HTRS\nFileVersion 1\nEulerRotationOrder ZYX\n" +
           header + body;
}

// A two-segment skeleton with one frame each, used where the body does not
// matter.
const std::string kTwoSegments =
    "[SegmentNames&Hierarchy]\nRoot GLOBAL\nArm Root\n"
    "[BasePosition]\nRoot 1 2 3 0 0 0 10\nArm 0 5 0 90 0 0 20\n"
    "[Root]\n1 0 0 0 0 0 0 1\n[Arm]\n1 0 0 0 0 0 0 1\n[EndOfFile]\n";

// The hierarchy as read: each segment in list order as "name<parent" ("-" for none, "*"
// after the root's name) with its children in brackets, "; " between segments.
std::wstring Tree(HTRFile& htr) {
    std::wstring tree;
    for (std::uint32_t i = 0; i < htr.SegmentCount(); ++i) {
        const HTRSegment& s = *htr.Segment(i);
        tree += (i == 0 ? L"" : L"; ") + s.Name() + (s.IsRoot() ? L"*<" : L"<") +
                (s.GetParent() != nullptr ? s.GetParent()->Name() : L"-") + L" [";
        for (std::uint32_t c = 0; c < s.ChildCount(); ++c) tree += (c == 0 ? L"" : L" ") + s.Child(c)->Name();
        tree += L"]";
    }
    return tree;
}

TEST(HTRReaderTest, HeaderKeywordsAcceptOnlyTheirValues) {
    // A line and the keyword it is refused for; none: accepted.
    const std::pair<std::string, const wchar_t*> cases[] = {
        {"FileType htr", nullptr}, {"FileType Htr", nullptr}, {"FileType HTR", nullptr},
        {"FileType hTr", L"FileType"}, {"FileType HTRS", L"FileType"}, {"FileType", L"FileType"},
        {"DataType htrs", nullptr}, {"DataType HTR", L"DataType"}, {"FileVersion 1", nullptr},
        {"FileVersion 1.0", L"FileVersion"}, {"FileVersion 2", L"FileVersion"},
        {"EulerRotationOrder XYZ", L"EulerRotationOrder"},
        {"EulerRotationOrder zyx", L"EulerRotationOrder"},
        {"GlobalAxisofGravity Z", nullptr}, {"GlobalAxisofGravity y", nullptr},
        {"GlobalAxisofGravity X", L"GlobalAxisofGravity"},
        // Keywords are compared exactly: this spelling is not a keyword at all.
        {"GlobalAxisOfGravity X", nullptr},
        {"BoneLengthAxis Y", nullptr}, {"BoneLengthAxis y", L"BoneLengthAxis"},
        // The value is the last token, trailing blanks and comments cut off.
        {"FileType htr    # comment", nullptr},
        {"FileType   junk   htr", nullptr}, {"FileType htr junk", L"FileType"},
        {"  FileType\thtr", nullptr}, {"# FileType junk", nullptr}, {"Unknown keyword", nullptr},
    };
    for (const auto& [line, refusedFor] : cases) {
        HTRFile htr;
        const std::string text = HtrWithHeader("NumSegments 0\n" + line + "\n", "");
        EXPECT_EQ(htr.ReadMemory(text), refusedFor ? Incompatible(refusedFor) : L"") << line;
    }
}

TEST(HTRReaderTest, HeaderValuesSetTheModel) {
    HTRFile htr;
    htr.SetScaleFactor(7.0);
    const std::string header =
        "NumSegments 2\nNumFrames 29.97\nDataFrameRate 120fps\nCalibrationUnits IN\n"
        "RotationUnits radian\nScaleFactor 2.5e1x\n";
    // Frames, rate, units, rotation units, scale factor and first frame, as read.
    const auto values = [&htr] {
        return std::tuple(htr.GetNumFrames(), htr.GetDataFrameRate(), htr.GetCalibrationUnits(),
                          htr.GetRotationUnits(), htr.GetScaleFactor(), htr.GetFirstFrame());
    };
    ASSERT_EQ(htr.ReadMemory(HtrWithHeader(header, kTwoSegments)), L"");
    EXPECT_EQ(values(), std::tuple(29u, 120, kUnitsInches, kRotationRadians, 25.0, 1));

    struct UnitCase {
        const char* calibration;
        CalibrationUnits units;
        const char* rotation;
        RotationUnits rotationUnits;
    };
    const UnitCase unitCases[] = {
        {"Cm", kUnitsMillimetres, "RADIAN", kRotationDegrees},
        {"inch", kUnitsMillimetres, "rad", kRotationDegrees},
        {"CM", kUnitsCentimetres, "Radians", kRotationRadians},
        {"m", kUnitsMetres, "RADIANS", kRotationRadians},
        {"YD", kUnitsYards, "Radian", kRotationRadians},
    };
    for (const UnitCase& c : unitCases) {
        const std::string unitHeader = std::string("NumSegments 2\nCalibrationUnits ") +
                                       c.calibration + "\nRotationUnits " + c.rotation + "\n";
        ASSERT_EQ(htr.ReadMemory(HtrWithHeader(unitHeader, kTwoSegments)), L"");
        EXPECT_EQ(htr.GetCalibrationUnits(), c.units) << c.calibration;
        EXPECT_EQ(htr.GetRotationUnits(), c.rotationUnits) << c.rotation;
    }
    // Reset before reading: what the previous file and the caller set does not
    // stay, but for the scale factor and the normalising of scales.
    htr.SetNormalizeScaleFactors(true);
    htr.SetFirstFrame(0);
    htr.SetDataFrameRate(120);
    ASSERT_EQ(htr.ReadMemory(""), L"");
    EXPECT_EQ(values(), std::tuple(0u, 60, kUnitsMillimetres, kRotationDegrees, 2.5e1, 1));
    EXPECT_EQ(htr.SegmentCount(), 0u);
    EXPECT_TRUE(htr.GetNormalizeScaleFactors());
}

TEST(HTRReaderTest, HeaderAloneStopsAtTheFirstSectionAfterIt) {
    ScratchDir dir;
    const struct { std::string text; std::wstring message; std::int32_t rate; } cases[] = {
        // The body is never looked at: its segment count would be refused.
        {HtrWithHeader("NumSegments 5\nDataFrameRate 120\n", kTwoSegments), L"", 120},
        {HtrWithHeader("EulerRotationOrder XYZ\n", kTwoSegments),
         Incompatible(L"EulerRotationOrder"), 60},
    };
    for (const auto& c : cases) {
        HTRFile htr;
        EXPECT_EQ(htr.ReadHeader(tovtest::Wide(dir.Write("h.htr", c.text))), c.message) << c.text;
        EXPECT_EQ(htr.GetDataFrameRate(), c.rate) << c.text;
        EXPECT_EQ(htr.SegmentCount(), 0u) << c.text;
    }
    HTRFile htr;
    EXPECT_NE(htr.ReadHeader(tovtest::Wide(dir.Path() / "none.htr")), L"");
}

TEST(HTRReaderTest, AnglesAreConvertedByTheUnitsKnownAtBasePosition) {
    // Header lines before the hierarchy, header lines in a section after the
    // base position, the base Rx and frame Rx stored, and the value written.
    struct Case { const char* header; const char* late; double expected; const char* written; };
    const Case cases[] = {
        {"RotationUnits Degrees\n", "", kPi / 2, "90"},
        {"RotationUnits Radians\n", "", 1.5707963, "1.5707963"},
        {"", "", kPi / 2, "90"},
        // Changing the units after "[BasePosition]" changes nothing.
        {"RotationUnits Radians\n", "[Header]\nRotationUnits Degrees\n", 90.0, "90"},
    };
    for (const Case& c : cases) {
        const std::string value = c.written;
        const std::string body = "[SegmentNames&Hierarchy]\nA GLOBAL\n[BasePosition]\nA 0 0 0 " +
                                 value + " 0 0 1\n" + c.late + "[A]\n1 0 0 0 " + value +
                                 " 0 0 1\n";
        HTRFile htr;
        const std::string header = std::string("NumSegments 1\n") + c.header;
        ASSERT_EQ(htr.ReadMemory(HtrWithHeader(header, body)), L"");
        double x, y, z;
        htr.FindSegment(L"A")->GetBaseRotationAngles(x, y, z);
        EXPECT_DOUBLE_EQ(x, c.expected) << c.header << c.late;
        htr.FindSegment(L"A")->GetFrameRotationAngles(0, x, y, z);
        EXPECT_DOUBLE_EQ(x, c.expected) << c.header << c.late;
    }
}

TEST(HTRReaderTest, BasePositionAndFramesFillTheSegments) {
    HTRFile htr;
    const std::string body =
        "[SegmentNames&Hierarchy]\n"
        "Hips GLOBAL\n"
        "Spine Hips # inline comment\n"
        "Head middle Spine\n"
        "\n"
        "[BasePosition]\n"
        "Head 0 1\n"  // missing values read as 0
        "Hips 1.5 -2 3e2 0 0 0 100 ignored extra\n"
        "   \t \n"
        "Spine, 0 0 0 0 0 0 0\n"  // looked up as "Spine,": not found
        "[EndOfFile]\n";
    EXPECT_EQ(htr.ReadMemory(HtrWithHeader("NumSegments 3\nRotationUnits Radians\n", body)),
              L"Segment name not found: Spine,");
    ASSERT_EQ(htr.SegmentCount(), 3u);
    double x, y, z;
    htr.FindSegment(L"Hips")->GetBaseTranslation(x, y, z);
    EXPECT_EQ(x, 1.5);
    EXPECT_EQ(z, 300.0);
    EXPECT_EQ(htr.FindSegment(L"Hips")->GetBoneLength(), 100.0);
    EXPECT_EQ(htr.FindSegment(L"Head")->BaseTranslation().y(), 1.0);
    EXPECT_EQ(htr.FindSegment(L"Head")->GetBoneLength(), 0.0);
    // Three tokens: the first is the child, the last the parent; the inline
    // comment and the blanks before it are cut off.
    EXPECT_EQ(Tree(htr), L"Hips*<- [Spine]; Spine<Hips [Head]; Head<Spine []");

    const std::string frames =
        "[SegmentNames&Hierarchy]\nA GLOBAL\nB A\n[BasePosition]\nA 0 0 0 0 0 0 1\n"
        "B 0 0 0 0 0 0 1\n"
        "[B]\n0 1 2 3 0 0 0 0.5\n\n7 4 5 6 0 0 0 2\n3\n"
        "[Nobody]\n1 9 9 9 9 9 9 9\n"
        "[A]\n5 1 1 1 0 0 0 1\n"
        "[ENDofFILE]\n[A]\n6 2 2 2 0 0 0 1\n";
    ASSERT_EQ(htr.ReadMemory(HtrWithHeader("NumSegments 2\nNumFrames 4000000000\n", frames)),
              L"");
    // The first frame line of the file gives the first frame; later numbers
    // are not used, frames are stored in line order.
    EXPECT_EQ(htr.GetFirstFrame(), 0);
    const HTRSegment& b = *htr.FindSegment(L"B");
    ASSERT_EQ(b.FrameCount(), 3u);
    b.GetFrameTranslation(1, x, y, z);
    EXPECT_EQ(x, 4.0);
    EXPECT_EQ(z, 6.0);
    EXPECT_EQ(b.GetFrameScale(0), 0.5);
    EXPECT_EQ(b.GetFrameScale(2), 0.0);
    // A section named after no segment stores nothing; a section name in an
    // unknown letter case does not end the file.
    const HTRSegment& a = *htr.FindSegment(L"A");
    ASSERT_EQ(a.FrameCount(), 2u);
    a.GetFrameTranslation(1, x, y, z);
    EXPECT_EQ(x, 2.0);
}

TEST(HTRReaderTest, FailuresStopTheReadWithTheirMessage) {
    struct Case { const char* name; std::string text; std::wstring message; };
    const std::string hierarchy = "[SegmentNames&Hierarchy]\nA GLOBAL\nB A\nC B\n";
    const std::string basePosition = "[BasePosition]\nA\nB\nC\n";
    const std::vector<Case> cases = {
        {"duplicate", HtrWithHeader("NumSegments 2\n", "[SegmentNames&Hierarchy]\nA GLOBAL\nA x\n"),
         L"The file has duplicate segment names: A"},
        {"missing hierarchy line",
         HtrWithHeader("NumSegments 3\n", "[SegmentNames&Hierarchy]\nA GLOBAL\nB A\n" + basePosition),
         L"Segment name not found: C"},
        {"too few base lines", HtrWithHeader("NumSegments 4\n", hierarchy + basePosition),
         L"Incorrect number of segments defined in file"},
        {"too many base lines", HtrWithHeader("NumSegments 2\n", hierarchy + basePosition),
         L"Incorrect number of segments defined in file"},
        {"counts match", HtrWithHeader("NumSegments 3\n", hierarchy + basePosition), L""},
        {"end of file stops reading",
         HtrWithHeader("NumSegments 3\n", hierarchy + basePosition +
                                                "[endoffile]\n[Header]\nFileType bad\n"),
         L""},
        {"header checked before end",
         HtrWithHeader("NumSegments 3\n", hierarchy + basePosition +
                                                "[EndOFFile]\n[Header]\nFileType bad\n"),
         Incompatible(L"FileType")},
        {"empty file", "", L""},
        {"keywords before any section", "FileType htr\nNumSegments 1\n",
         L"Incorrect number of segments defined in file"},
    };
    for (const Case& c : cases) {
        HTRFile htr;
        EXPECT_EQ(htr.ReadMemory(c.text), c.message) << c.name;
    }
}

TEST(HTRReaderTest, HierarchyResolution) {
    HTRFile htr;
    // "global" is a segment name like any other; a parent that names no
    // segment leaves the segment unlinked, which is not an error. A segment
    // may name itself or close a loop: the model keeps the links and every
    // walk still ends.
    const std::string body =
        "[SegmentNames&Hierarchy]\n"
        "Root GLOBAL\nLower global\nSelf Self\nLoopA LoopB\nLoopB LoopA\nKid Root\nKid2 Root\n"
        "[BasePosition]\n";
    ASSERT_EQ(htr.ReadMemory(HtrWithHeader("NumSegments 0\n", body)), L"");
    EXPECT_EQ(Tree(htr), L"Root*<- [Kid Kid2]; Lower<- []; Self<Self [Self]; LoopA<LoopB [LoopB]; "
                         L"LoopB<LoopA [LoopA]; Kid<Root []; Kid2<Root []");
    EXPECT_EQ(htr.RootSegment(), htr.FindSegment(L"Root"));
    EXPECT_EQ(htr.FindSegment(L"Self")->FindInSubtree(L"nothing"), nullptr);
    HTRSegment* loopA = htr.FindSegment(L"LoopA");
    EXPECT_EQ(loopA->FindInSubtree(L"LoopB"), htr.FindSegment(L"LoopB"));
    EXPECT_EQ(loopA->FindInSubtree(L"Root"), nullptr);

    // The hierarchy is resolved at every "[BasePosition]" line: segments added
    // later are linked then, also as parents named earlier, and no segment is
    // linked twice.
    const std::string twice =
        "[SegmentNames&Hierarchy]\nA GLOBAL\nB Late\nC A\n[BasePosition]\n"
        "[SegmentNames&Hierarchy]\nLate A\n[BasePosition]\n";
    ASSERT_EQ(htr.ReadMemory(HtrWithHeader("NumSegments 0\n", twice)), L"");
    EXPECT_EQ(Tree(htr), L"A*<- [C Late]; B<Late []; C<A []; Late<A [B]");
    EXPECT_EQ(htr.FindSegment(L"A")->FindInSubtree(L"B"), htr.FindSegment(L"B"));
}

TEST(HTRReaderTest, DeepHierarchyIsWalkedWithoutRecursion) {
    constexpr int kDepth = 100000;
    std::string text = HtrWithHeader("NumSegments 0\n", "[SegmentNames&Hierarchy]\nS0 GLOBAL\n");
    for (int i = 1; i < kDepth; ++i) {
        text += "S" + std::to_string(i) + " S" + std::to_string(i - 1) + "\n";
    }
    text += "[BasePosition]\n";
    HTRFile htr;
    ASSERT_EQ(htr.ReadMemory(text), L"");
    const std::wstring deepest = L"S" + std::to_wstring(kDepth - 1);
    EXPECT_EQ(htr.RootSegment()->FindInSubtree(deepest), htr.FindSegment(deepest));
}

TEST(HTRReaderTest, PathsAreOpenedAsGivenAndMemoryReadsAsAFile) {
    ScratchDir dir;
    const std::string text = HtrWithHeader("NumSegments 2\n", kTwoSegments);
    dir.Write("plain.htr", text);
    dir.Write("w\xc3\xa4lk.HTR", text);
    const std::pair<const char*, std::wstring> cases[] = {
        {"plain.htr", L""},
        {"w\xc3\xa4lk.HTR", L""},  // a UTF-8 name
        {"plain", L"The file could not be opened"},  // no extension appended
        {"", L"The file could not be opened"},
    };
    for (const auto& [name, message] : cases) {
        HTRFile htr;
        EXPECT_EQ(htr.ReadFile((dir.Path() / name).string()), message) << name;
    }
    HTRFile htr;
    ASSERT_EQ(htr.ReadMemory(text), L"");
    EXPECT_EQ(htr.SegmentCount(), 2u);
    // A file that cannot be opened leaves the model as it was.
    htr.SetDataFrameRate(25);
    EXPECT_EQ(htr.Read(tovtest::Wide(dir.Path() / "missing")), L"The file could not be opened");
    EXPECT_EQ(htr.SegmentCount(), 2u);
    EXPECT_EQ(htr.GetDataFrameRate(), 25);
}

// HTR files that no one should trust: every one ends with a model or the
// reader's own message, in bounded time and memory, and every finding of it
// is whole.
const std::string kValid = HtrWithHeader(
    "NumSegments 3\nNumFrames 2\nRotationUnits Radians\n",
    "[SegmentNames&Hierarchy]\nRoot GLOBAL\nArm Root\nHand Arm\n"
    "[BasePosition]\nRoot 1 2 3 0 0 0 10\nArm 0 5 0 1 0 0 20\nHand 0 5 0 0 1 0 5\n"
    "[Root]\n1 0 0 0 0 0 0 1\n2 1 1 1 0.5 0.5 0.5 1\n"
    "[Arm]\n1 0 0 0 0 0 0 1\n2 1 1 1 0.5 0.5 0.5 1\n"
    "[Hand]\n1 0 0 0 0 0 0 1\n2 1 1 1 0.5 0.5 0.5 1\n[EndOfFile]\n");

// Every message the reader can give.
bool IsReaderMessage(const std::wstring& message) {
    for (const wchar_t* keyword : {L"FileType", L"DataType", L"FileVersion", L"EulerRotationOrder",
                                   L"GlobalAxisofGravity", L"BoneLengthAxis"}) {
        if (message == Incompatible(keyword)) return true;
    }
    return message.empty() || message == L"Incorrect number of segments defined in file" ||
           message.rfind(L"The file has duplicate segment names: ", 0) == 0 ||
           message.rfind(L"Segment name not found: ", 0) == 0;
}

TEST(HTRHostileTest, EveryInputEndsWithAModelOrAMessage) {
    HTRFile htr;
    ASSERT_EQ(htr.ReadMemory(kValid), L"");
    for (const auto& input : tovtest::HostileInputs(kValid)) {
        const std::wstring message = htr.ReadMemory(input.bytes);
        EXPECT_TRUE(IsReaderMessage(message)) << input.name;
        tovtest::FindingCheck check(FileKind::kHtr);
        EXPECT_EQ(htr.ReadMemory(input.bytes, &check), message) << input.name;
        EXPECT_EQ(check.faults, 0) << input.name << ", code " << check.firstFault;
    }
    // A UTF-16 file with its mark reads as the text it holds.
    EXPECT_EQ(htr.ReadMemory(tovtest::Utf16(kValid, true)), L"");
    EXPECT_EQ(htr.SegmentCount(), 3u);
    for (std::size_t length = 0; length <= kValid.size(); ++length) {
        const std::wstring message = htr.ReadMemory(kValid.substr(0, length));
        EXPECT_TRUE(IsReaderMessage(message)) << "cut at " << length;
    }
}

}  // namespace

// Each number is converted once for both the model and the checks: a token
// is text when anything but white space follows its number, and frame
// numbers are compared as the reader reads them, plain digits or not.
TEST(HTRReaderTest, NumberTokensAndFrameNumbersAreCheckedAsRead) {
    struct Case {
        const char* frames;  // the frame lines of the one segment
        std::uint64_t texts;
        const char* firstText;
        std::uint64_t gaps;
    };
    const Case cases[] = {
        {"1 0 0 0 0 0 0 1\n2 1.5 -2 3e2 .5 5. +7 1\n", 0, "", 0},
        {"1 0 0 0 0 0 0 1\r\n2 0 0 0 0 0 0 1\v\n", 0, "", 0},
        {"1 0 1.5abc 0 x 0 0 1\n2 0 0 0 0 0 - 1\n", 3, "1.5abc", 0},
        {"1 0 0 0 0 0 0 1,\n", 1, "1,", 0},
        {"0009 0 0 0 0 0 0 1\n10 0 0 0 0 0 0 1\n12 0 0 0 0 0 0 1\n", 0, "", 1},
        {"+1 0 0 0 0 0 0 1\n2 0 0 0 0 0 0 1\n-5 0 0 0 0 0 0 1\n", 0, "", 1},
        {"1234567890 0 0 0 0 0 0 1\n1234567891 0 0 0 0 0 0 1\n", 0, "", 0},
        {"1 0 0 0 0 0 0 1\nx1 0 0 0 0 0 0 1\n2 0 0 0 0 0 0 1\n", 0, "", 0},
    };
    for (const Case& c : cases) {
        HTRFile htr;
        FindingList findings;
        const std::string text = HtrWithHeader(
            "NumSegments 1\nNumFrames 2\n",
            std::string("[SegmentNames&Hierarchy]\nRoot GLOBAL\n[BasePosition]\nRoot 0 0 0 0 0 0 1\n"
                        "[Root]\n") +
                c.frames + "[EndOfFile]\n");
        ASSERT_EQ(htr.ReadMemory(text, &findings), L"") << c.frames;
        const ReadFinding* texts = findings.Find(ReadFindingCode::kTextInNumbers);
        const ReadFinding* gaps = findings.Find(ReadFindingCode::kFrameGaps);
        EXPECT_EQ(texts ? texts->count : 0, c.texts) << c.frames;
        EXPECT_EQ(texts ? texts->found : "", c.firstText) << c.frames;
        EXPECT_EQ(gaps ? gaps->count : 0, c.gaps) << c.frames;
    }
}
