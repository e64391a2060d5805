#include <gtest/gtest.h>

#include <cerrno>
#include <clocale>
#include <cstdlib>
#include <stdexcept>
#include <string>
#include <vector>

#include "tovfileio/htr/HTRFile.h"
#include "tests/support/TestFiles.h"
#include "tests/support/ThrowingTextFiles.h"

using namespace tovfileio;

using tovtest::ReadBytes;
using tovtest::ScratchDir;
using tovtest::Wide;

namespace {

constexpr double kPi = 3.141592653589793;

// A root with a child: the root has a base rotation of 90 degrees about X
// and two frames, the child one.
void BuildTwoSegments(HTRFile& htr) {
    HTRSegment* root = htr.AddSegment(HTRSegment(L"Root"));
    HTRSegment* arm = htr.AddSegment(HTRSegment(L"Arm"));
    arm->SetParent(root);
    root->SetBaseTranslation(1.0, -2.5, 1e-7);
    root->SetBaseRotationAngles(kPi / 2, 0.0, -kPi);
    root->SetBoneLength(100.0);
    root->AppendFrame(0.5, 0.0, 0.0, kPi / 4, 0.0, 0.0, 2.0);
    root->AppendFrame(-0.5, 0.0, 0.0, 0.0, 0.0, 0.0, 1.0);
    arm->AppendFrame(0.0, 1.0, 0.0, 0.0, 0.0, 0.0, 3.0);
    arm->SetReferenceScale(4.0);
}

std::string WriteToText(const HTRFile& htr, const ScratchDir& dir) {
    EXPECT_EQ(htr.Write(Wide(dir.Path() / "out.htr")), L"");
    return ReadBytes(dir.Path() / "out.htr");
}

// Whole lines of the output, with CR LF, for a model set up in different ways.
// The layout around them is the sample's, which the command line's convert
// writes again byte for byte.
TEST(HTRWriterTest, WritesTheModelsValuesInTheLayout) {
    struct Case { const char* name; void (*setUp)(HTRFile&); std::vector<const char*> lines; };
    const Case cases[] = {
        {"values set",
         [](HTRFile& h) {
             h.SetNumFrames(2);
             h.SetFirstFrame(0);
             h.SetDataFrameRate(120);
             h.SetScaleFactor(2.5);
             h.SetCalibrationUnits(kUnitsCentimetres);
         },
         {"NumSegments 2\r\nNumFrames 2\r\nDataFrameRate 120\r\n", "CalibrationUnits cm\r\n",
          "ScaleFactor 2.50\r\n", "\r\nRoot\tGLOBAL\r\nArm\tRoot\r\n",
          "\r\nRoot\t1.000000\t-2.500000\t0.000000\t90.000000\t0.000000\t-180.000000\t100.000000\r\n",
          "\r\nArm\t0.000000\t0.000000\t0.000000\t0.000000\t0.000000\t0.000000\t0.000000\r\n",
          "\r\n0\t0.500000\t0.000000\t0.000000\t45.000000\t0.000000\t0.000000\t2.000000\r\n",
          // The Arm has one frame: its second is written as no motion.
          "[Arm]\r\n# Tx<tab>Ty<tab>Tz<tab>Rx<tab>Ry<tab>Rz<tab>BoneScaleFactor<CR>\r\n"
          "0\t0.000000\t1.000000\t0.000000\t0.000000\t0.000000\t0.000000\t3.000000\r\n"
          "1\t0.000000\t0.000000\t0.000000\t0.000000\t0.000000\t0.000000\t1.000000\r\n"
          "[EndOfFile]\r\n"}},
        {"no frames", [](HTRFile& h) { h.SetNumFrames(0); },
         {"NumFrames 1\r\n",
          "[Arm]\r\n# Tx<tab>Ty<tab>Tz<tab>Rx<tab>Ry<tab>Rz<tab>BoneScaleFactor<CR>\r\n"
          "1\t0.000000\t0.000000\t0.000000\t0.000000\t0.000000\t0.000000\t1.000000\r\n"
          "[EndOfFile]\r\n"}},
        {"normalised scales",
         [](HTRFile& h) { h.SetNormalizeScaleFactors(true); h.SetNumFrames(2); },
         {"2\t0.000000\t0.000000\t0.000000\t0.000000\t0.000000\t0.000000\t0.250000\r\n"}},
        {"frames from the first frame", [](HTRFile& h) { h.SetFirstFrame(-1); h.SetNumFrames(2); },
         {"0\t-0.500000\t0.000000\t0.000000\t0.000000\t0.000000\t0.000000\t1.000000\r\n"}},
        {"parent without root flag", [](HTRFile& h) { h.Segment(0)->SetRoot(true); },
         {"Root\tGLOBAL\r\n"}},
    };
    ScratchDir dir;
    for (const Case& c : cases) {
        HTRFile htr;
        BuildTwoSegments(htr);
        c.setUp(htr);
        const std::string text = WriteToText(htr, dir);
        for (const char* line : c.lines) EXPECT_NE(text.find(line), std::string::npos) << c.name << line;
    }
}

TEST(HTRWriterTest, RefusesWhatItCannotWrite) {
    ScratchDir dir;
    HTRFile empty;
    EXPECT_EQ(empty.Write(Wide(dir.Path() / "empty.htr")), L"No segments to write");

    HTRFile twins;
    BuildTwoSegments(twins);
    twins.Segment(0)->SetName(L"Arm");  // now Arm, Arm: the first one is named
    twins.AddSegment(HTRSegment(L"Leg"));
    EXPECT_EQ(twins.Write(Wide(dir.Path() / "twins.htr")),
              L"The scene hierarchy has duplicate segment names: Arm");

    HTRFile htr;
    BuildTwoSegments(htr);
    EXPECT_EQ(htr.Write(Wide(dir.Path() / "no" / "folder.htr")), L"The file could not be opened");
    // Nothing was created for the refused models.
    EXPECT_TRUE(tovtest::Entries(dir.Path()).empty());

    // The path is written as given: no extension is appended.
    EXPECT_EQ(htr.Write(Wide(dir.Path() / "plain")), L"");
    EXPECT_EQ(tovtest::Entries(dir.Path()), std::vector<std::string>{"plain"});
}

// A write that an exception breaks off, at its first byte, its last or
// between, leaves the old file byte for byte and no temporary file. A lack of
// memory becomes the writer's message; any other exception reaches the
// caller. A write the output lets through whole replaces the file.
TEST(HTRWriterTest, AnExceptionMidWriteLeavesTheOldFile) {
    using Throw = tovtest::ThrowingTextFiles::Throw;
    ScratchDir dir;
    HTRFile htr;
    BuildTwoSegments(htr);
    htr.SetNumFrames(2);
    const std::string whole = WriteToText(htr, dir);
    const auto path = dir.Write("out.htr", "old");
    const struct {
        std::uint64_t bytes;
        Throw what;
    } cases[] = {
        {0, Throw::kBadAlloc},
        {1, Throw::kBadAlloc},
        {whole.size() / 2, Throw::kBadAlloc},
        {whole.size() - 1, Throw::kBadAlloc},
        {0, Throw::kRuntimeError},
        {whole.size() / 2, Throw::kRuntimeError},
    };
    for (const auto& c : cases) {
        tovtest::ThrowingTextFiles files(c.bytes, c.what);
        int error = 0;
        if (c.what == Throw::kBadAlloc) {
            EXPECT_EQ(htr.Write(Wide(path), &error),
                      L"There is not enough memory to write the file")
                << c.bytes;
            EXPECT_EQ(error, ENOMEM);
        } else {
            EXPECT_THROW(htr.Write(Wide(path), &error), std::runtime_error) << c.bytes;
        }
        EXPECT_TRUE(files.Threw()) << c.bytes;
        EXPECT_EQ(ReadBytes(path), "old") << c.bytes;
        EXPECT_EQ(tovtest::Entries(dir.Path()), std::vector<std::string>{"out.htr"}) << c.bytes;
    }
    tovtest::ThrowingTextFiles enough(whole.size(), Throw::kRuntimeError);
    EXPECT_EQ(htr.Write(Wide(path)), L"");
    EXPECT_FALSE(enough.Threw());
    EXPECT_EQ(ReadBytes(path), whole);
}

// Every file the reader takes (which corpus files it refuses, and with what
// message, the command line's warnings test checks) holds a linked tree with
// NumFrames frames in every segment; written, read back and written again,
// it gives the same bytes, so nothing is lost or changed past the decimals
// written.
TEST(HTRWriterTest, ReadFilesHoldATreeAndReachAFixedPoint) {
    ScratchDir dir;
    std::vector<std::filesystem::path> sources = tovtest::CorpusFiles("htr", ".htr");
    sources.push_back(std::filesystem::path(TOV_SOURCE_DIR) / "samples" / "walk.htr");
    for (const auto& source : sources) {
        HTRFile first;
        if (!first.Read(Wide(source)).empty()) continue;
        ASSERT_NE(first.RootSegment(), nullptr) << source;
        for (std::uint32_t i = 0; i < first.SegmentCount(); ++i) {
            const HTRSegment& segment = *first.Segment(i);
            EXPECT_EQ(segment.FrameCount(), first.GetNumFrames()) << source;
            EXPECT_TRUE(segment.IsRoot() || segment.GetParent() != nullptr) << source;
        }
        const auto once = dir.Path() / "once.htr";
        const auto twice = dir.Path() / "twice.htr";
        ASSERT_EQ(first.Write(Wide(once)), L"");
        HTRFile second;
        ASSERT_EQ(second.Read(Wide(once)), L"") << source;
        ASSERT_EQ(second.Write(Wide(twice)), L"");
        EXPECT_EQ(ReadBytes(once), ReadBytes(twice)) << source;
    }
}

// Numbers are written and read the same under a locale whose decimal mark
// is a comma. The locale is compiled into the scratch folder when the system
// has the tools; otherwise the test is skipped.
TEST(HTRWriterTest, DecimalCommaLocaleDoesNotLeakIntoFiles) {
    ScratchDir dir;
    HTRFile htr;
    BuildTwoSegments(htr);
    htr.SetNumFrames(2);
    const std::string plain = WriteToText(htr, dir);

    const std::string command = "localedef -i de_DE -f UTF-8 '" + (dir.Path() / "de").string() +
                                "' >/dev/null 2>&1";
    if (std::system(command.c_str()) != 0) GTEST_SKIP() << "cannot build a de_DE locale";
    setenv("LOCPATH", dir.Path().c_str(), 1);
    if (std::setlocale(LC_ALL, "de") == nullptr) GTEST_SKIP() << "de_DE locale not usable";
    char probe[16];
    std::snprintf(probe, sizeof probe, "%.1f", 1.5);
    const std::string underComma = WriteToText(htr, dir);
    HTRFile back;
    const std::wstring message = back.Read(Wide(dir.Path() / "out.htr"));
    std::setlocale(LC_ALL, "C");
    unsetenv("LOCPATH");
    EXPECT_EQ(std::string(probe), "1,5");
    EXPECT_EQ(underComma, plain);
    ASSERT_EQ(message, L"");
    EXPECT_EQ(back.FindSegment(L"Root")->BaseTranslation().y(), -2.5);
}

}  // namespace
