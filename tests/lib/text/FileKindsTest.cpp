// How a file's kind is told by its name and by its first bytes, binary
// files and C3D among them, on hand-made heads and the corpus's C3D files.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "tovfileio/text/FileKinds.h"

using namespace tovfileio;

namespace {

TEST(FileKindsTest, FirstBytesTellTheKindAndBinaryData) {
    using namespace std::string_literals;
    // A C3D header: the first parameter block's number, 0x50, then counts.
    const std::string c3d = "\x02\x50\x10\x00\x00\x00"s + std::string(506, '\0');
    const struct {
        std::string bytes;
        FileKind kind;
        bool binary;
    } cases[] = {
        {"PathFileType\t4\t(X/Y/Z)\tw.trc\r\n", FileKind::kTrc, false},
        {"\xEF\xBB\xBFPathFileType\t4", FileKind::kTrc, false},
        {"# comment\r\n[Header]\r\nFileType htr\r\n", FileKind::kHtr, false},
        {"$Comments\tGWM file", FileKind::kGwm, false},
        {c3d, FileKind::kC3d, true},
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

}  // namespace
