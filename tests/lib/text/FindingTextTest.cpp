// Findings in words: each kind of finding reads as its sentence, with the
// counts, quoting and format its detail calls for; a refusal's cause and a
// finding's sentence beside its own place; and what the rules about
// findings (warnings, foreign files) say. The sentences the command line's
// warnings test prints whole for its files are left to it; these are the
// other forms each detail gives. Text from files in the sentences is made
// safe to print: control characters shown, UTF-8 kept, long text cut at a
// character's start; counts take their nouns.
#include <gtest/gtest.h>

#include <cerrno>
#include <string>
#include <utility>
#include <vector>

#include "tovfileio/text/FindingText.h"
#include "tovfileio/text/Phrases.h"

using namespace tovfileio;

namespace {

namespace detail = findingdetail;
using Code = ReadFindingCode;
using Effect = ReadFinding::Effect;

// Findings of one format, a misread at column 3 unless changed.
struct Of {
    FileKind format;
    ReadFinding operator()(Code code, std::uint64_t line, std::string found,
                           ReadFindingDetail what = {}, std::uint64_t count = 1) const {
        ReadFinding finding = MakeFinding(format, code, Effect::kMisread, line, 3, std::move(found));
        finding.detail = std::move(what);
        finding.count = count;
        return finding;
    }
};
const Of Trc{FileKind::kTrc}, Htr{FileKind::kHtr};

struct Worded {
    ReadFinding finding;
    std::string text;
};

TEST(FindingTextTest, EachFindingReadsAsItsSentence) {
    const std::vector<std::string> firstFive = {"A", "B", "C", "D", "E"};
    auto accepted = [](std::vector<std::string> values) {
        return detail::HtrHeaderValue{.keyword = "FileType", .accepted = std::move(values)};
    };
    const std::vector<Worded> cases = {
        // Findings of both readers, worded by their format.
        {Trc(Code::kCannotOpen, 0, "", detail::CannotOpen{.error = ENOENT, .pathTried = "a.trc"}),
         "the file could not be opened (No such file or directory)"},
        {Trc(Code::kTextInNumbers, 7, "NaN", {}, 1),
         "1 coordinate field holds text, not a number (first \"NaN\" on line 7); read as 0, not "
         "as a dropout"},
        {Htr(Code::kTextInNumbers, 12, "1.5e", {}, 4),
         "4 number fields hold text (first \"1.5e\" on line 12); read by its leading number, or 0"},
        {Trc(Code::kFrameGaps, 9, "5", detail::FrameGap{.frameBefore = 2, .frameAfter = 5}, 1),
         "frame 5 follows frame 2 (1 break in the numbering of the data rows); the reader numbers "
         "frames by their place, so every frame after a gap is read as an earlier one"},
        // TRC header findings say what is read and the fix.
        {Trc(Code::kTrcLayoutNotXYZ, 1, " ",
             detail::TrcLayout{.thirdField = "(X/Y/Z) walk.trc", .blankAfterKeyword = true}),
         "the third tab-separated field is \"(X/Y/Z) walk.trc\"; a blank stands where a tab "
         "belongs: put a tab after PathFileType"},
        {Trc(Code::kTrcLayoutNotXYZ, 1, "xyz", detail::TrcLayout{.thirdField = "(X/Y/Z) walk.trc"}),
         "the third tab-separated field is \"(X/Y/Z) walk.trc\"; the reader takes exactly "
         "\"(X/Y/Z)\" there"},
        {Trc(Code::kTrcPathTypeUnread, 1, "PathFileType 4",
             detail::TrcPathType{
                 .typeWritten = 4, .typeRead = 0, .startFrameRead = 1, .startFrameMeant = 1}),
         "a blank, not a tab, follows the first field, so the path-file type 4 is not read (read "
         "as 0); the start frame comes out the same"},
        {Trc(Code::kTrcPathTypeUnread, 1, "PathFileType 3",
             detail::TrcPathType{
                 .typeWritten = 3, .typeRead = 0, .startFrameRead = 1, .startFrameMeant = 900}),
         "a blank, not a tab, follows the first field, so the path-file type 3 is not read (read "
         "as 0); the start frame is read as 1, not 900: put a tab after PathFileType"},
        {Trc(Code::kTrcNotWhole, 3, "2.5",
             detail::HeaderReadAs{.keyword = "NumFrames", .readAs = 2}),
         "line 3: NumFrames 2.5 is read as 2 (whole numbers only)"},
        {Trc(Code::kTrcUnitUnknown, 3, "",
             detail::TrcUnit{.empty = true, .meansMillimetres = false}),
         "line 3: no unit is given; read as mm"},
        {Trc(Code::kTrcUnitUnknown, 3, "mm ",
             detail::TrcUnit{.empty = false, .meansMillimetres = true}),
         "\"mm \" is not a unit word the reader knows (mm, cm, m, in, ft, yd, exactly); read as "
         "mm, as meant"},
        {Trc(Code::kTrcRowCount, 3, "-4", detail::TrcRowCount{.headerFrames = -4, .rowsRead = 1}),
         "the header gives 0 frames, the file holds 1 data row"},
        {Trc(Code::kTrcMarkerCount, 3, "1",
             detail::TrcMarkerCount{.headerMarkers = 1, .markersNamed = 3}),
         "the header gives 1 marker, the name line names 3"},
        // TRC name and row findings count and quote.
        {Trc(Code::kTrcNameOffColumn, 4, "A",
             detail::TrcNameColumn{.field = 5, .markersRead = 1, .namesWritten = 1,
                                   .emptyColumnFirst = false}),
         "the name \"A\" stands in field 5 where the reader takes names from fields 3, 6, 9, ...: "
         "1 marker is read for 1 name, each from another marker's columns"},
        {Trc(Code::kTrcLastNameUnread, 4, "R\x1b[2J"),
         "line 4: the last marker name, \"R\\x1B[2J\", ends the line without a tab and is not "
         "read: put a tab after it"},
        {Trc(Code::kTrcNameLeftOut, 4, "", {}, 2),
         "2 marker names are left out (first an empty one): a name starting with \"Unnamed\" or "
         "seen before is not a marker; its columns are skipped"},
        {Trc(Code::kTrcLabelCount, 5, "",
             detail::TrcLabelCount{.markersLabelled = 1, .nameSlots = 2}),
         "line 5 labels 1 marker, the name line has places for 2"},
        {Trc(Code::kTrcFramesStartElsewhere, 7, "0",
             detail::TrcStartFrame{.firstRowFrame = 0, .startFrame = 1, .pathFileType = 3}),
         "the rows number their frames from 0, the reader starts them at 1 (the first row)"},
        {Trc(Code::kTrcFramesStartElsewhere, 7, "5",
             detail::TrcStartFrame{.firstRowFrame = 5, .startFrame = 1, .pathFileType = 2}),
         "the rows number their frames from 5, the reader starts them at 1 (path-file type 2)"},
        {Trc(Code::kTrcMarkersUnseen, 4, "", detail::TrcUnseen{.firstNames = firstFive}, 7),
         "7 markers are never seen (\"A\", \"B\", \"C\", \"D\", \"E\", ...): every sample a "
         "dropout or at the origin exactly"},
        // HTR findings name the keywords and segments.
        {Htr(Code::kHtrHeaderValue, 2, "x", accepted({"HTR"})),
         "the reader takes FileType HTR only, not \"x\""},
        {Htr(Code::kHtrHeaderValue, 2, "x", accepted({"HTR", "htr"})),
         "the reader takes FileType HTR or htr only, not \"x\""},
        {Htr(Code::kHtrGravityX, 11, "x"),
         "the reader refuses GlobalAxisofGravity \"x\", the X axis; it takes any other value"},
        {Htr(Code::kHtrNotWhole, 7, "29.97",
             detail::HeaderReadAs{.keyword = "DataFrameRate", .readAs = 29}),
         "line 7: DataFrameRate 29.97 is read as 29 (whole frames per second)"},
        {Htr(Code::kHtrRotationUnitUnknown, 10, "Grads"),
         "\"Grads\" is not a rotation unit the reader knows (Degrees, Radians); read as Degrees"},
        {Htr(Code::kHtrKeywordCase, 11, "numframes",
             detail::HtrKeywordCase{.keyword = "NumFrames", .checksOnly = false}),
         "\"numframes\" is not a keyword: the reader knows \"NumFrames\" only and ignores the "
         "line"},
        {Htr(Code::kHtrSegmentsAgainstHeader, 4, "3",
             detail::HtrSegmentCount{.headerSegments = 3, .segmentsRead = 1}),
         "the header gives 3 segments, the file holds 1"},
        {Htr(Code::kHtrFramesAgainstHeader, 0, "",
             detail::HtrFrameCount{
                 .headerFrames = 1, .segments = 2, .firstSegment = "A", .itsFrames = 4},
             2),
         "the header gives 1 frame, every segment holds another count (A: 4)"},
        {Htr(Code::kHtrUnknownSection, 30, "Tail\tEnd", {}, 1),
         "the section [Tail\\tEnd] names no segment; its 1 frame line is not read"},
    };
    for (const Worded& c : cases) {
        EXPECT_TRUE(CarriesItsDetail(c.finding)) << c.text;
        EXPECT_EQ(FindingText(c.finding), c.text);
    }
}

TEST(FindingTextTest, PlacedSentencesAndRefusalCauses) {
    const ReadFinding notWhole = Trc(Code::kTrcNotWhole, 3, "2.5",
                                     detail::HeaderReadAs{.keyword = "NumFrames", .readAs = 2});
    EXPECT_EQ(FindingTextWithoutLine(notWhole), "NumFrames 2.5 is read as 2 (whole numbers only)");
    // A line that is the sentence's subject stays.
    EXPECT_EQ(FindingTextWithoutLine(Trc(Code::kTrcSeparatorRow, 6, "")),
              "line 6 holds only separators where the blank line belongs; it is read as a data "
              "row of dropouts, one frame too many");

    const struct {
        ReadFinding refusal;
        std::string cause;
    } cases[] = {
        {Htr(Code::kHtrDuplicateSegment, 6, "A"),
         "line 6: the hierarchy names the segment \"A\" a second time"},
        {Htr(Code::kCannotOpen, 0, "", detail::CannotOpen{.error = EACCES, .pathTried = "x.htr"}),
         "Permission denied"},
        {Trc(Code::kOutOfMemory, 0, "", detail::OutOfMemory{.memoryLimit = 1024}), ""},
    };
    for (const auto& c : cases) EXPECT_EQ(RefusalCause(c.refusal), c.cause) << c.cause;
}

TEST(FindingTextTest, AFindingWithoutItsCodesDetailHasNoSentence) {
    const ReadFinding wrong[] = {
        Trc(Code::kTrcRowCount, 3, "2"),  // no detail
        Trc(Code::kTrcRowCount, 3, "2",
            detail::TrcMarkerCount{.headerMarkers = 2, .markersNamed = 1}),
        Htr(Code::kHtrNoRoot, 0, "", detail::OutOfMemory{.memoryLimit = 0}),
        Htr(Code::kCannotOpen, 0, ""),
    };
    for (const ReadFinding& finding : wrong) {
        EXPECT_FALSE(CarriesItsDetail(finding)) << static_cast<int>(finding.code);
        EXPECT_EQ(FindingText(finding), "");
        EXPECT_EQ(RefusalCause(finding), "");
    }
}

TEST(ReadFindingTest, WarningsAreShiftsAndMisreadsAndForeignFilesHoldNothingOfHtr) {
    ReadFinding finding = Htr(Code::kEmpty, 0, "");
    for (const auto& [effect, warns] : {std::pair{Effect::kRefusal, false}, {Effect::kShift, true},
                                        {Effect::kMisread, true}, {Effect::kNote, false}}) {
        finding.effect = effect;
        EXPECT_EQ(IsWarning(finding), warns) << static_cast<int>(effect);
    }
    const std::vector<ReadFinding> picture = {Htr(Code::kHtrNothing, 0, "")};
    // A TRC file with neither names nor rows still has the layout line that
    // makes it one.
    const std::vector<ReadFinding> bare = {Trc(Code::kTrcNothing, 0, ""), Htr(Code::kEmpty, 0, "")};
    EXPECT_TRUE(IsForeignFile(picture));
    EXPECT_FALSE(IsForeignFile(bare));
    EXPECT_FALSE(IsForeignFile({}));
}

TEST(PhrasesTest, ControlCharactersAreShownAndLongTextIsCutWhole) {
    const std::string forty(40, 'a');
    const struct {
        std::string text, escaped, quoted;
    } cases[] = {
        {"", "", "\"\""},
        {"LFHD", "LFHD", "\"LFHD\""},
        {"a\tb\r\n", "a\\tb\\r\\n", "\"a\\tb\\r\\n\""},
        {"\x1b[2J\x7f", "\\x1B[2J\\x7F", "\"\\x1B[2J\\x7F\""},
        {std::string("a\0b", 3), "a\\x00b", "\"a\\x00b\""},
        {"Knöchel", "Knöchel", "\"Knöchel\""},
        // Over 40 bytes: the first 40, less the character they would split.
        {forty + "b", forty + "b", "\"" + forty + "...\""},
        {forty.substr(1) + "\xC3\xB6", forty.substr(1) + "\xC3\xB6",
         "\"" + forty.substr(1) + "...\""},
        // Escaping follows the cut: a control character is never split.
        {forty.substr(1) + "\t" + "b", forty.substr(1) + "\\tb",
         "\"" + forty.substr(1) + "\\t...\""},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(Escaped(c.text), c.escaped) << c.escaped;
        EXPECT_EQ(Quoted(c.text), c.quoted) << c.escaped;
    }
}

TEST(PhrasesTest, CountsTakeTheNounOfTheirNumber) {
    EXPECT_EQ(Counted(0, "row", "rows"), "0 rows");
    EXPECT_EQ(Counted(1, "marker is", "markers are"), "1 marker is");
    EXPECT_EQ(Counted(18446744073709551615u, "row", "rows"), "18446744073709551615 rows");
}

}  // namespace
