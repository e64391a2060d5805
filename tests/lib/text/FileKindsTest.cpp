// How a file's kind is told by its name and by its first bytes, binary
// files and C3D among them, on hand-made heads and the corpus's C3D files.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "tovfileio/text/FileKinds.h"
#include "tests/support/TestFiles.h"

using namespace tovfileio;

namespace {

using namespace std::string_literals;

// A C3D header: the first parameter block's number, 0x50, then counts.
const std::string kC3d = "\x02\x50\x10\x00"s + std::string(508, '\0');

TEST(FileKindsTest, FirstBytesTellTheKindAndBinaryData) {
    const struct {
        std::string bytes;
        FileKind kind;
        bool binary;
    } cases[] = {
        {"PathFileType\t4\t(X/Y/Z)\tw.trc\r\n", FileKind::kTrc, false},
        {"\xEF\xBB\xBFPathFileType\t4", FileKind::kTrc, false},
        {"# comment\r\n[Header]\r\nFileType htr\r\n", FileKind::kHtr, false},
        {"$Comments\tGWM file", FileKind::kGwm, false},
        {kC3d, FileKind::kC3d, true},
        {"\x7F" "ELF\x02\x01\x01\x00"s, FileKind::kUnknown, true},
        // UTF-16 text holds NUL bytes and is text all the same.
        {"\xFF\xFEP\0a\0t\0h\0"s, FileKind::kUnknown, false},
        // A second byte of 0x50 alone makes no C3D file.
        {" Plain text", FileKind::kUnknown, false},
        {"", FileKind::kUnknown, false},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(KindByContent(c.bytes), c.kind) << c.bytes;
        EXPECT_EQ(LooksBinary(c.bytes), c.binary) << c.bytes;
    }
    EXPECT_EQ(KindByName("take.C3D"), FileKind::kC3d);
    EXPECT_TRUE(KindInfo(FileKind::kC3d).read);
    EXPECT_EQ(KindByContent("HIERARCHY\r\nROOT Hips"), FileKind::kBvh);
}

// A take's kind: the marks of C3D, BVH and GWM files over any name, then
// the name, then the text; MNM maps and what tells nothing are no take.
TEST(FileKindsTest, ATakeIsToldByItsMarkThenItsNameThenItsText) {
    const std::string trc = "PathFileType\t4\t(X/Y/Z)\tw.trc\r\n";
    const std::string htr = "[Header]\r\nFileType htr\r\n";
    const struct {
        const char* name;
        std::string bytes;
        FileKind kind;
    } cases[] = {
        {"take.trc", kC3d, FileKind::kC3d},
        {"take.htr", "HIERARCHY\r\nROOT Hips", FileKind::kBvh},
        {"take.trc", "$Filename   walk\r\n", FileKind::kGwm},
        {"take.htr", trc, FileKind::kHtr},
        {"take.txt", trc, FileKind::kTrc},
        {"take.mnm", htr, FileKind::kHtr},
        {"take.mnm", "LFWT LASI\r\n", FileKind::kUnknown},
        {"take", "", FileKind::kUnknown},
    };
    tovtest::ScratchDir dir;
    for (const auto& c : cases) {
        EXPECT_EQ(KindOfTake(dir.Write(c.name, c.bytes).string()), c.kind) << c.name << c.bytes;
    }
    EXPECT_FALSE(IsTakeKind(FileKind::kMnm));
    EXPECT_TRUE(IsTakeKind(FileKind::kBvh));
}

TEST(FileKindsTest, EveryCorpusC3dFileIsToldByItsBytes) {
    const std::filesystem::path folder = std::filesystem::path(TOV_CORPUS_DIR) / "c3d";
    if (!std::filesystem::is_directory(folder)) GTEST_SKIP() << "no corpus at " << folder;
    int files = 0;
    for (const auto& entry : std::filesystem::directory_iterator(folder)) {
        if (KindByName(entry.path().string()) != FileKind::kC3d) continue;
        EXPECT_EQ(KindOfFile(entry.path().string()), FileKind::kC3d) << entry.path();
        ++files;
    }
    EXPECT_GT(files, 0);
}

// Each format's descriptor: how it is named, what it holds, the axis it
// stands along, and what it is written as.
TEST(FileKindsTest, EachDescriptorNamesAndPlacesItsFormat) {
    const struct {
        FileKind kind;
        const char* keyword;
        KindHolds holds;
        UpAxis up;
        std::size_t writtenAs;  // with the scene formats
    } kinds[] = {
        {FileKind::kHtr, "htr", KindHolds::kSkeleton, UpAxis::kY, 6},
        {FileKind::kBvh, "bvh", KindHolds::kSkeleton, UpAxis::kY, 6},
        {FileKind::kTrc, "trc", KindHolds::kMarkers, UpAxis::kY, 6},
        {FileKind::kC3d, "c3d", KindHolds::kMarkers, UpAxis::kZ, 6},
        {FileKind::kGwm, "gwm", KindHolds::kMarkers, UpAxis::kZ, 5},
        {FileKind::kCsv, "csv", KindHolds::kMarkers, UpAxis::kY, 0},
        {FileKind::kMnm, "mnm", KindHolds::kNothing, UpAxis::kY, 0},
        {FileKind::kGltf, "gltf", KindHolds::kScene, UpAxis::kY, 0},
        {FileKind::kGlb, "glb", KindHolds::kScene, UpAxis::kY, 0},
    };
    EXPECT_EQ(FileKinds().size(), std::size(kinds));
    for (const auto& k : kinds) {
        const FileKindInfo& info = KindInfo(k.kind);
        EXPECT_EQ(KindByKeyword(k.keyword), k.kind) << k.keyword;
        EXPECT_EQ(KindByKeyword(info.extension), k.kind) << k.keyword;
        EXPECT_EQ(KindByName(std::string("take") + info.extension), k.kind) << k.keyword;
        EXPECT_EQ(info.holds, k.holds) << k.keyword;
        EXPECT_EQ(ConventionalUp(k.kind), k.up) << k.keyword;
        EXPECT_EQ(WrittenAs(k.kind, true).size(), k.writtenAs) << k.keyword;
    }
    EXPECT_EQ(KindByKeyword("TRC"), FileKind::kTrc);
    EXPECT_EQ(KindByKeyword("trcx"), FileKind::kUnknown);
    EXPECT_EQ(WrittenAs(FileKind::kTrc, false).size(), 4u);
    EXPECT_EQ(ConvertsToText(FileKind::kMnm, true), "an MNM file converts to nothing");
    EXPECT_EQ(MarkerUpConventions(), "Z for GWM and C3D, Y for TRC; CSV keeps the input's");
    EXPECT_EQ(FixedZUpKinds(), "GWM and C3D");
    EXPECT_EQ(TakeKindNames(), "HTR, TRC, GWM, C3D or BVH");
    EXPECT_EQ(UpAxisNamed("Z"), UpAxis::kZ);
    EXPECT_EQ(UpAxisNamed("x"), std::nullopt);
}

}  // namespace
