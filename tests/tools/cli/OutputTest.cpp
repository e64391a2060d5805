// Where convert writes: plain files staged, links written through, devices
// and FIFOs streamed to, folders, standard output, and the outputs it
// refuses.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <thread>

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include "tests/tools/cli/RunCommand.h"
#include "tests/support/TestFiles.h"

using tovtest::ReadBytes;
using tovtest::RunCommand;

namespace {

const std::string kHtr = std::string(TOV_SOURCE_DIR) + "/samples/walk.htr";
const std::string kTrc = std::string(TOV_SOURCE_DIR) + "/samples/walk.trc";

TEST(OutputTest, LinksFoldersAndStandardOutput) {
    tovtest::ScratchDir dir;
    const auto d = dir.Path();
    // A link is written through: its target is replaced, the link stays.
    const auto target = dir.Write("target.htr", "old");
    std::filesystem::create_symlink("target.htr", d / "link.htr");
    ASSERT_EQ(RunCommand({"convert", kHtr, (d / "link.htr").string()}).status, 0);
    EXPECT_TRUE(std::filesystem::is_symlink(d / "link.htr"));
    EXPECT_EQ(ReadBytes(target), ReadBytes(kHtr));
    // A dangling link names the file to create.
    std::filesystem::create_symlink("made.gwm", d / "dangling.gwm");
    ASSERT_EQ(RunCommand({"convert", kTrc, (d / "dangling.gwm").string()}).status, 0);
    EXPECT_TRUE(std::filesystem::is_regular_file(d / "made.gwm"));
    // A folder receives a file named after the input, with the output's
    // extension; with or without a trailing slash.
    std::filesystem::create_directory(d / "into");
    ASSERT_EQ(RunCommand({"convert", kHtr, (d / "into").string() + "/"}).status, 0);
    ASSERT_EQ(RunCommand({"convert", kTrc, (d / "into").string()}).status, 0);
    EXPECT_EQ(ReadBytes(d / "into/walk.htr"), ReadBytes(kHtr));
    EXPECT_EQ(ReadBytes(d / "into/walk.gwm").substr(0, 20), "$Comments\tGWM file g");
    EXPECT_EQ(tovtest::Entries(d / "into").size(), 2u);
    // "-" is standard output, and nothing is left behind in the folder.
    const auto piped = RunCommand({"convert", kHtr, "-"});
    ASSERT_EQ(piped.status, 0) << piped.err;
    EXPECT_EQ(piped.out, ReadBytes(kHtr));
    EXPECT_EQ(tovtest::Entries(d).size(), 5u);
}

TEST(OutputTest, RefusedOutputsStayAsTheyWere) {
    tovtest::ScratchDir dir;
    const auto d = dir.Path();
    const auto input = dir.Write("same.trc", ReadBytes(kTrc));
    const auto readOnly = dir.Write("ro.gwm", "precious");
    ::chmod(readOnly.c_str(), 0444);
    std::filesystem::create_hard_link(input, d / "hard.gwm");
    std::filesystem::create_symlink("same.trc", d / "alias");
    const struct {
        std::string out;
        std::string err;
    } cases[] = {
        {input.string(), input.string() + ": is the input file; it is not replaced by the output\n"},
        {(d / "hard.gwm").string(),
         (d / "hard.gwm").string() + ": is the input file; it is not replaced by the output\n"},
        {(d / "alias").string(),
         (d / "alias").string() + ": is the input file; it is not replaced by the output\n"},
        {readOnly.string(),
         readOnly.string() + (::geteuid() == 0
                                  ? ": is write-protected (read-only); it is not replaced\n"
                                  : ": The file could not be opened (Permission denied)\n")},
        {(d / "none/x.gwm").string(), (d / "none/x.gwm").string() +
                                          ": The file could not be opened (" +
                                          (d / "none").string() + ": No such file or directory)\n"},
        {(d / "none").string() + "/", (d / "none").string() +
                                          "/: The file could not be opened (No such file or "
                                          "directory)\n"},
    };
    for (const auto& c : cases) {
        const auto result = RunCommand({"convert", input.string(), c.out});
        EXPECT_EQ(result.status, 1) << c.out;
        EXPECT_EQ(result.err, c.err);
    }
    EXPECT_EQ(ReadBytes(input), ReadBytes(kTrc));
    EXPECT_EQ(ReadBytes(readOnly), "precious");
    EXPECT_EQ(tovtest::Entries(d).size(), 4u);
}

// Device nodes made in the scratch folder (never the system's own), and a
// FIFO: written to as they are, never replaced by a plain file.
TEST(OutputTest, DevicesAndFifosAreWrittenTo) {
    tovtest::ScratchDir dir;
    const auto d = dir.Path();
    const auto fifo = d / "pipe";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    std::string received;
    std::thread reader([&] { received = ReadBytes(fifo); });
    const auto result = RunCommand({"convert", kHtr, fifo.string()});
    reader.join();
    EXPECT_EQ(result.status, 0) << result.err;
    EXPECT_EQ(received, ReadBytes(kHtr));
    struct stat status {};
    ASSERT_EQ(::stat(fifo.c_str(), &status), 0);
    EXPECT_TRUE(S_ISFIFO(status.st_mode));

    const auto null = d / "null";
    const auto full = d / "full";
    if (::mknod(null.c_str(), S_IFCHR | 0666, makedev(1, 3)) != 0 ||
        ::mknod(full.c_str(), S_IFCHR | 0666, makedev(1, 7)) != 0) {
        GTEST_SKIP() << "making device nodes is not permitted here";
    }
    EXPECT_EQ(RunCommand({"convert", kHtr, null.string()}).status, 0);
    EXPECT_EQ(RunCommand({"convert", kTrc, null.string()}).status, 0);
    // A full device fails the write, and stays a device.
    const auto failed = RunCommand({"convert", kTrc, full.string()});
    EXPECT_EQ(failed.status, 1);
    EXPECT_EQ(failed.err, full.string() +
                              ": The file could not be written completely (No space left on "
                              "device)\n");
    for (const auto& node : {null, full}) {
        ASSERT_EQ(::stat(node.c_str(), &status), 0);
        EXPECT_TRUE(S_ISCHR(status.st_mode)) << node;
    }
    EXPECT_EQ(tovtest::Entries(d).size(), 3u);
}

}  // namespace
