// The time a TRC file gives its first frame, found where the reader finds
// its first data row, and the times of the frames after it.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <optional>
#include <string>

#include "view/FileTime.h"

namespace {

// A TRC file's five header lines, marker A, starting at `start`.
std::string Header(int start) {
    return "PathFileType\t4\t(X/Y/Z)\tt.trc\n"
           "DataRate\tCameraRate\tNumFrames\tNumMarkers\tUnits\tOrigDataRate\tOrigDataStartFrame\t"
           "OrigNumFrames\n"
           "100\t100\t2\t1\tmm\t100\t" + std::to_string(start) + "\t2\n"
           "Frame#\tTime\tA\t\t\n"
           "\t\tX1\tY1\tZ1\n";
}

TEST(FileTimeTest, TheFirstRowsTimeIsWhereTheReaderFindsTheRow) {
    struct Case {
        const char* what;
        std::string text;
        std::optional<tovview::FirstRowTime> first;
    };
    const std::string rows = "1\t0.25\t1\t2\t3\n2\t0.26\t1\t2\t3\n";
    const Case cases[] = {
        {"after the blank line", Header(1) + "\n" + rows, tovview::FirstRowTime{1, 0.25}},
        {"with no blank line", Header(1) + rows, tovview::FirstRowTime{1, 0.25}},
        {"a one-character line before the data", Header(1) + " \n" + rows, tovview::FirstRowTime{1, 0.25}},
        {"a comment among the header lines", "# made by hand\n" + Header(1) + "\n" + rows,
         tovview::FirstRowTime{1, 0.25}},
        // The reader starts at the header's frame, whatever the rows say.
        {"rows numbered from 900 under a start of 23", Header(23) + "\n900\t7.492\t1\t2\t3\n",
         tovview::FirstRowTime{23, 7.492}},
        {"a negative time", Header(1) + "\n1\t-0.033333333\t1\t2\t3\n", tovview::FirstRowTime{1, -0.033333333}},
        {"a time that is no number", Header(1) + "\n1\tstart\t1\t2\t3\n", std::nullopt},
        {"a row without a time", Header(1) + "\n1\n", std::nullopt},
        {"no rows", Header(1), std::nullopt},
    };
    const std::filesystem::path path = std::filesystem::path(testing::TempDir()) / "first-row-time.trc";
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        std::ofstream(path, std::ios::binary) << c.text;
        const std::optional<tovview::FirstRowTime> first = tovview::TrcFirstRowTime(path.string());
        ASSERT_EQ(first.has_value(), c.first.has_value());
        if (!first) continue;
        EXPECT_EQ(first->frame, c.first->frame);
        EXPECT_DOUBLE_EQ(first->seconds, c.first->seconds);
    }
    std::filesystem::remove(path);
    EXPECT_FALSE(tovview::TrcFirstRowTime(path.string()));
}

TEST(FileTimeTest, FramesCountOnFromTheFirstRowsTime) {
    struct Case {
        std::optional<tovview::FirstRowTime> written;
        long long fileFirst, frame;
        int rate;
        double seconds;
    };
    const Case cases[] = {
        {std::nullopt, 705, 1035, 200, 1.65},             // no time written: 0 s at the first frame
        {std::nullopt, 1, 1, 60, 0.0},
        {tovview::FirstRowTime{1, 0.0}, 1, 19, 60, 0.3},  // a sample TRC file's frame 19
        {tovview::FirstRowTime{1, 1.615}, 1, 101, 200, 2.115},
        {tovview::FirstRowTime{50, 1.86}, 50, 50, 200, 1.86},
    };
    for (const Case& c : cases) {
        EXPECT_NEAR(tovview::FrameSeconds(c.written, c.fileFirst, c.frame, c.rate), c.seconds, 1e-12)
            << "frame " << c.frame;
    }
}

}  // namespace
