// What each writer of GWM and MNM files leaves when an exception breaks a
// write off: the old file byte for byte and no temporary file, whether the
// exception reaches the caller or is turned into a failure on the way (the
// TRC reader turns a lack of memory into its message; the row pipe keeps an
// exception on its own thread).
#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <new>
#include <stdexcept>
#include <string>
#include <vector>

#include "tests/support/TestFiles.h"
#include "tests/support/ThrowingTextFiles.h"
#include "tovfileio/gwm/GWMWriter.h"
#include "tovfileio/gwm/MarkerNameMap.h"
#include "tovfileio/gwm/TrcToGwm.h"

using namespace tovfileio;

using tovtest::ReadBytes;
using tovtest::ScratchDir;
using tovtest::Wide;
using Throw = tovtest::ThrowingTextFiles::Throw;
namespace fs = std::filesystem;

namespace {

// Three markers over enough rows that a GWM file is handed to its output in
// several pieces while the TRC file is read.
std::string LongTrc(int rows) {
    std::string text =
        "PathFileType\t4\t(X/Y/Z)\tlong.trc\n"
        "DataRate\tCameraRate\tNumFrames\tNumMarkers\tUnits\tOrigDataRate\tOrigDataStartFrame\n"
        "100\t100\t" + std::to_string(rows) + "\t3\tmm\t100\t1\n"
        "Frame#\tTime\tA\t\t\tB\t\t\tC\t\t\t\n"
        "\t\tX1\tY1\tZ1\tX2\tY2\tZ2\tX3\tY3\tZ3\n\n";
    for (int i = 1; i <= rows; ++i) {
        const std::string v = std::to_string(i) + ".25";
        text += std::to_string(i) + "\t0.01\t" + v + "\t-" + v + "\t" + v + "\t1\t2\t3\t\t\t\n";
    }
    return text;
}

// Converts `source` into `folder` as the utility panel's batch does, which
// writes what was read even of a source the reader refuses.
bool Convert(const std::wstring& source, const fs::path& folder, bool writerThread) {
    ConvertGWMSettings settings;
    settings.Batch = true;
    settings.Filter = false;
    settings.OutputPath = Wide(folder);
    GwmRunObserver quiet;
    TrcToGwmConversion conversion;
    conversion.WriteOnAnotherThread(writerThread);
    const GwmRunResult run = conversion.Run({source}, settings, MarkerNameMap(),
                                            RefusedSource::kConvertAnyway, quiet);
    return run.files.size() == 1 && run.files[0].outcome == GwmFileResult::Outcome::kWritten;
}

// Whether `write` wrote its file whole; false too when it threw `what`.
bool WroteWhole(const std::function<bool()>& write, Throw what) {
    try {
        return write();
    } catch (const std::bad_alloc&) {
        EXPECT_EQ(what, Throw::kBadAlloc);
    } catch (const std::runtime_error&) {
        EXPECT_EQ(what, Throw::kRuntimeError);
    }
    return false;
}

TEST(BrokenOffWritesTest, TheOldFileStaysWholeAndNoTemporaryIsLeft) {
    ScratchDir dir;
    const std::wstring source = Wide(dir.Write("long.trc", LongTrc(20000)));
    TRCFile trc;
    ASSERT_EQ(trc.Read(source), L"");
    MarkerNameMap map;
    for (int i = 0; i < 5000; ++i) {
        map.Append({L"G" + std::to_wstring(i), L"T" + std::to_wstring(i), 0});
    }

    struct Writer {
        const char* name;
        std::string file;  // the name it writes in the folder it is given
        std::function<bool(const fs::path& folder)> write;
    };
    const Writer writers[] = {
        {"GWM file", "long.gwm",
         [&](const fs::path& folder) { return WriteGWMFile(Wide(folder / "long.gwm"), trc, {}); }},
        {"MNM file", "map.mnm",
         [&](const fs::path& folder) { return map.WriteMNMFile(Wide(folder / "map.mnm")); }},
        {"conversion", "long.gwm",
         [&](const fs::path& folder) { return Convert(source, folder, false); }},
        {"conversion, rows written on another thread", "long.gwm",
         [&](const fs::path& folder) { return Convert(source, folder, true); }},
    };
    for (const Writer& writer : writers) {
        const ScratchDir whole, out;
        ASSERT_TRUE(writer.write(whole.Path())) << writer.name;
        const std::uint64_t size = fs::file_size(whole.Path() / writer.file);
        const std::string old = "old " + writer.file;
        for (const std::uint64_t bytes : {std::uint64_t{0}, std::uint64_t{1}, size / 2, size - 1}) {
            for (const Throw what : {Throw::kBadAlloc, Throw::kRuntimeError}) {
                const std::string at =
                    std::string(writer.name) + " at byte " + std::to_string(bytes);
                const fs::path target = out.Write(writer.file, old);
                tovtest::ThrowingTextFiles files(bytes, what);
                EXPECT_FALSE(WroteWhole([&] { return writer.write(out.Path()); }, what)) << at;
                EXPECT_TRUE(files.Threw()) << at;
                EXPECT_EQ(ReadBytes(target), old) << at;
                EXPECT_EQ(tovtest::Entries(out.Path()), std::vector<std::string>{writer.file}) << at;
            }
        }
    }
}

}  // namespace
