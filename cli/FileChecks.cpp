#include "cli/FileChecks.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string_view>
#include <vector>

#include "brindle/sdk/TextCodec.h"
#include "cli/FileFormat.h"
#include "htr/HTRFile.h"
#include "text/LeadingNumber.h"
#include "trc/TRCFile.h"

namespace {

// The lines of a file as bytes, a carriage return before the line feed
// dropped; one reused buffer. UTF-16 files give no lines: the raw checks
// leave them alone and only the model is checked.
class Lines {
public:
    explicit Lines(const std::string& path) : file_(std::fopen(path.c_str(), "rb")) {}
    ~Lines() {
        std::free(buffer_);
        if (file_ != nullptr) std::fclose(file_);
    }
    Lines(const Lines&) = delete;
    Lines& operator=(const Lines&) = delete;

    bool Next(std::string_view& line) {
        if (file_ == nullptr) return false;
        const ssize_t n = ::getline(&buffer_, &capacity_, file_);
        if (n < 0) return false;
        std::size_t size = static_cast<std::size_t>(n);
        if (size > 0 && buffer_[size - 1] == '\n') --size;
        if (size > 0 && buffer_[size - 1] == '\r') --size;
        line = std::string_view(buffer_, size);
        if (number_++ == 0) {
            if (line.size() >= 2 && ((line[0] == '\xFF' && line[1] == '\xFE') ||
                                     (line[0] == '\xFE' && line[1] == '\xFF'))) {
                return false;
            }
            if (line.substr(0, 3) == "\xEF\xBB\xBF") line.remove_prefix(3);
        }
        return true;
    }
    // The number of the line Next gave last, from 1.
    std::uint64_t Number() const { return number_; }

private:
    std::FILE* file_;
    char* buffer_ = nullptr;
    std::size_t capacity_ = 0;
    std::uint64_t number_ = 0;
};

std::string_view Trim(std::string_view text) {
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) text.remove_prefix(1);
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t')) text.remove_suffix(1);
    return text;
}

// True for a field a number conversion reads whole: digits, signs, a point
// and exponents only, with a digit somewhere.
bool IsNumber(std::string_view field) {
    bool digit = false;
    for (const char c : field) {
        if (c >= '0' && c <= '9') {
            digit = true;
        } else if (c != '+' && c != '-' && c != '.' && c != 'e' && c != 'E') {
            return false;
        }
    }
    return digit;
}

std::string Quoted(std::string_view text) {
    if (text.size() > 40) return "\"" + std::string(text.substr(0, 40)) + "...\"";
    return "\"" + std::string(text) + "\"";
}

// Number fields that hold text: how many, and the first.
struct TextInNumbers {
    std::uint64_t count = 0;
    std::string first;
    std::uint64_t firstLine = 0;

    void Check(std::string_view field, std::uint64_t line) {
        field = Trim(field);
        if (field.empty() || IsNumber(field)) return;
        if (count++ == 0) {
            first = Quoted(field);
            firstLine = line;
        }
    }
    std::string Where() const {
        return "first " + first + " on line " + std::to_string(firstLine);
    }
};

// Splits at tabs: `fields[i]` is field i.
void SplitTabs(std::string_view line, std::vector<std::string_view>& fields) {
    fields.clear();
    while (true) {
        const std::size_t tab = line.find('\t');
        fields.push_back(line.substr(0, tab));
        if (tab == std::string_view::npos) return;
        line.remove_prefix(tab + 1);
    }
}

// Splits at runs of spaces and tabs.
void SplitBlanks(std::string_view line, std::vector<std::string_view>& fields) {
    fields.clear();
    std::size_t i = 0;
    while (i < line.size()) {
        while (i < line.size() && (line[i] == ' ' || line[i] == '\t')) ++i;
        const std::size_t start = i;
        while (i < line.size() && line[i] != ' ' && line[i] != '\t') ++i;
        if (i > start) fields.push_back(line.substr(start, i - start));
    }
}

bool HoldsOnlyBlanks(std::string_view line) {
    return std::all_of(line.begin(), line.end(),
                       [](char c) { return c == ' ' || c == '\t' || c == ','; });
}

bool IsLabel(std::string_view field) {
    field = Trim(field);
    return field.size() >= 2 && (field[0] == 'X' || field[0] == 'x') &&
           std::all_of(field.begin() + 1, field.end(), [](char c) { return c >= '0' && c <= '9'; });
}

}  // namespace

void Warnings::Add(const std::string& file, const std::string& text) {
    io_.Err(file + ": warning: " + text + "\n");
    ++count_;
}

std::string Counted(std::uint64_t count, const char* singular, const char* plural) {
    return std::to_string(count) + " " + (count == 1 ? singular : plural);
}

void CheckTrcFile(const std::string& path, const std::string& name, const TRCFile& trc,
                  Warnings& warnings) {
    // The lines as the reader numbers them: a comment or empty line gives its
    // number to the line after it.
    Lines lines(path);
    std::string_view line;
    std::uint64_t number = 0;
    std::vector<std::string_view> fields;
    std::uint64_t nameSlots = 0;
    std::string unreadName;
    bool anyLine = false;
    TextInNumbers text;
    std::uint64_t widerRows = 0, widestRow = 0, firstWider = 0;
    std::int64_t headerMarkers = -1;
    while (lines.Next(line)) {
        anyLine = true;
        ++number;
        if (line.empty() || line.front() == '#') {
            if (!lines.Next(line)) line = std::string_view();
        }
        const std::uint64_t physical = lines.Number();
        if (number == 3) {
            SplitTabs(line, fields);
            static const char* const kNames[] = {"DataRate", "CameraRate", "NumFrames",
                                                 "NumMarkers"};
            for (std::size_t i = 0; i < 4; ++i) {
                const std::string_view value = i < fields.size() ? Trim(fields[i]) : "";
                if (!IsNumber(value)) {
                    warnings.Add(name, std::string("line ") + std::to_string(physical) + ": " +
                                           kNames[i] + " holds " + Quoted(value) +
                                           ", not a number; read as " +
                                           std::to_string(tovtext::LeadingInt(value)));
                } else if (i < 2) {
                    const double rate = tovtext::LeadingDouble(value);
                    if (rate != std::floor(rate)) {
                        warnings.Add(name, std::string("line ") + std::to_string(physical) + ": " +
                                               kNames[i] + " " + std::string(value) +
                                               " is read as " + std::to_string(static_cast<long long>(rate)) +
                                               " (whole frames per second)");
                    }
                }
            }
            if (fields.size() > 3 && IsNumber(Trim(fields[3]))) {
                headerMarkers = tovtext::LeadingInt(Trim(fields[3]));
            }
        } else if (number == 4) {
            SplitTabs(line, fields);
            // Names stand in fields 2, 5, 8...; a name needs a tab after it.
            nameSlots = (fields.size() - 1) / 3;
            // A last name that ends the line has no tab after it.
            if (fields.size() >= 3 && (fields.size() - 3) % 3 == 0 && !Trim(fields.back()).empty()) {
                unreadName = std::string(Trim(fields.back()));
                warnings.Add(name, "line " + std::to_string(physical) + ": the last marker name, " +
                                       Quoted(unreadName) +
                                       ", ends the line without a tab and is not read");
            }
        } else if (number == 5) {
            SplitTabs(line, fields);
            const auto labels = static_cast<std::uint64_t>(
                std::count_if(fields.begin(), fields.end(), IsLabel));
            if (labels == 0 && trc.GetNumMarkers() > 0) {
                warnings.Add(name, "line " + std::to_string(physical) +
                                       " stands where the coordinate labels (X1 Y1 Z1 ...) belong; "
                                       "it is not read" +
                                       (HoldsOnlyBlanks(line) || line.empty()
                                            ? std::string()
                                            : " (a data row is lost)"));
            } else if (labels != nameSlots + !unreadName.empty() && labels != 0) {
                warnings.Add(name, "line " + std::to_string(physical) + " labels " +
                                       Counted(labels, "marker", "markers") +
                                       ", the name line names " +
                                       std::to_string(trc.GetNumMarkers()));
            }
        } else if (number >= 6) {
            // The blank line: any one character, as the reader takes it.
            if (number == 6 && !line.empty() && line.size() <= 4 &&
                std::count_if(line.begin(), line.end(), [](char c) {
                    return (static_cast<unsigned char>(c) & 0xC0) != 0x80;
                }) == 1) {
                continue;
            }
            if (number == 6 && HoldsOnlyBlanks(line)) {
                warnings.Add(name, "line " + std::to_string(physical) +
                                       " holds only separators where the blank line belongs; it "
                                       "is read as a data row of dropouts, one frame too many");
            }
            SplitTabs(line, fields);
            std::size_t used = fields.size();
            while (used > 0 && Trim(fields[used - 1]).empty()) --used;
            const std::size_t columns = 2 + 3 * static_cast<std::size_t>(nameSlots);
            if (used > columns) {
                if (widerRows++ == 0) firstWider = physical;
                widestRow = std::max<std::uint64_t>(widestRow, used);
            }
            for (std::size_t i = 2; i < std::min(used, columns); ++i) text.Check(fields[i], physical);
        }
    }
    if (!anyLine) {
        warnings.Add(name, "the file is empty");
        return;
    }
    if (trc.GetNumMarkers() == 0 && trc.GetNumRows() == 0) {
        warnings.Add(name, "holds no marker names and no data rows");
        return;
    }
    if (trc.GetNumFrames() != static_cast<std::int64_t>(trc.GetNumRows())) {
        warnings.Add(name, "the header gives " + Counted(static_cast<std::uint64_t>(std::max(trc.GetNumFrames(), 0)), "frame", "frames") +
                               ", the file holds " + Counted(trc.GetNumRows(), "data row", "data rows"));
    }
    if (headerMarkers >= 0 &&
        headerMarkers != static_cast<std::int64_t>(nameSlots + !unreadName.empty())) {
        warnings.Add(name, "the header gives " + Counted(static_cast<std::uint64_t>(headerMarkers), "marker", "markers") +
                               ", the name line names " + std::to_string(trc.GetNumMarkers()));
    }
    for (std::uint32_t m = 0; m < trc.GetNumMarkers(); ++m) {
        if (trc.GetMarker(m)->GetName().empty()) {
            warnings.Add(name, "marker " + std::to_string(m + 1) +
                                   " has no name on the name line; it is read with an empty name");
        }
    }
    if (widerRows > 0 && !(unreadName.size() > 0 && widestRow <= 2 + 3 * (nameSlots + 1))) {
        warnings.Add(name, Counted(widerRows, "data row holds", "data rows hold") +
                               " more columns than the markers named (up to " +
                               std::to_string(widestRow) + " fields against " +
                               std::to_string(2 + 3 * nameSlots) + ", first on line " +
                               std::to_string(firstWider) + "); the extra columns are not read");
    }
    if (text.count > 0) {
        warnings.Add(name, Counted(text.count, "coordinate field holds", "coordinate fields hold") +
                               " text, not a number (" + text.Where() +
                               "); read as 0, not as a dropout");
    }
}

void CheckHtrFile(const std::string& path, const std::string& name, const HTRFile& htr,
                  Warnings& warnings) {
    Lines lines(path);
    std::string_view line;
    std::vector<std::string_view> fields;
    enum class Section { Header, Hierarchy, BasePosition, Frames } section = Section::Header;
    bool sawHeader = false, sawHierarchy = false, sawBase = false;
    bool sawNumFrames = false, sawRate = false;
    std::int64_t headerSegments = -1;
    TextInNumbers text;
    bool anyLine = false;
    while (lines.Next(line)) {
        anyLine = true;
        if (!line.empty() && line.front() == '#') continue;
        line = line.substr(0, line.find('#'));
        if (!line.empty() && line.front() == '[') {
            const std::string_view section_name = line.substr(1, line.find(']') - 1);
            if (section_name == "Header") {
                section = Section::Header;
                sawHeader = true;
            } else if (section_name == "SegmentNames&Hierarchy") {
                section = Section::Hierarchy;
                sawHierarchy = true;
            } else if (section_name == "BasePosition") {
                section = Section::BasePosition;
                sawBase = true;
            } else {
                section = Section::Frames;
            }
            continue;
        }
        SplitBlanks(line, fields);
        if (fields.empty()) continue;
        if (section == Section::Header && fields.size() >= 2) {
            if (fields[0] == "NumFrames") sawNumFrames = true;
            if (fields[0] == "DataFrameRate") sawRate = true;
            if (fields[0] == "NumSegments") headerSegments = tovtext::LeadingInt(fields.back());
            if (fields[0] == "NumFrames" || fields[0] == "DataFrameRate" ||
                fields[0] == "NumSegments" || fields[0] == "ScaleFactor") {
                text.Check(fields.back(), lines.Number());
            }
        } else if (section == Section::BasePosition || section == Section::Frames) {
            for (std::size_t i = 1; i < fields.size(); ++i) text.Check(fields[i], lines.Number());
        }
    }
    if (!anyLine) {
        warnings.Add(name, "the file is empty");
        return;
    }
    if (!sawHeader && !sawHierarchy && !sawBase) {
        warnings.Add(name, "holds nothing of an HTR file: no [Header], [SegmentNames&Hierarchy] "
                           "or [BasePosition] section");
        return;
    }
    if (htr.SegmentCount() == 0) {
        warnings.Add(name, "holds no segments");
        return;
    }
    if (!sawHierarchy) {
        warnings.Add(name, "has no [SegmentNames&Hierarchy] section: no segment has a parent");
    }
    if (!sawNumFrames) warnings.Add(name, "the header gives no NumFrames; read as 0");
    if (!sawRate) warnings.Add(name, "the header gives no DataFrameRate; read as 0");
    if (headerSegments >= 0 && headerSegments != static_cast<std::int64_t>(htr.SegmentCount())) {
        warnings.Add(name, "the header gives " + Counted(static_cast<std::uint64_t>(headerSegments), "segment", "segments") +
                               ", the file holds " + std::to_string(htr.SegmentCount()));
    }
    // Segments whose frames differ from the header's count.
    std::uint32_t differing = 0;
    const HTRSegment* example = nullptr;
    for (std::uint32_t i = 0; i < htr.SegmentCount(); ++i) {
        if (htr.Segment(i)->FrameCount() != htr.GetNumFrames()) {
            if (differing++ == 0) example = htr.Segment(i);
        }
    }
    if (differing > 0) {
        warnings.Add(name, "the header gives " + Counted(htr.GetNumFrames(), "frame", "frames") + ", " +
                               (differing == htr.SegmentCount()
                                    ? std::string("every segment holds another count")
                                    : Counted(differing, "segment holds", "segments hold") +
                                          " another count") +
                               " (" + TextCodec::EncodeUtf8(example->Name()) + ": " +
                               std::to_string(example->FrameCount()) + ")");
    }
    if (text.count > 0) {
        warnings.Add(name, Counted(text.count, "number field holds", "number fields hold") +
                               " text (" + text.Where() + "); read by its leading number, or 0");
    }
}

std::string ExplainReadFailure(const std::string& path, const std::string& shown,
                               const std::string& name, bool trc, const std::string& message) {
    if (message == "The file could not be opened") {
        std::string reason = WhyNotReadable(path);
        if (reason.empty()) reason = "not readable";
        return "(" + (shown == name ? reason : "tried " + shown + ": " + reason) + ")";
    }
    Lines lines(path);
    std::string_view line;
    std::vector<std::string_view> fields;
    if (trc && message.find("(X/Y/Z)") != std::string::npos) {
        if (!lines.Next(line)) return "(line 1 is missing)";
        SplitTabs(line, fields);
        std::string found = fields.size() > 2 ? "the third tab-separated field is " + Quoted(fields[2])
                                              : std::string("there is no third tab-separated field");
        std::string hint;
        if (line.find('\t') == std::string_view::npos && line.find(',') != std::string_view::npos) {
            hint = "; its fields are separated by commas, not tabs";
        } else if (line.find(' ') != std::string_view::npos) {
            hint = "; spaces, not a tab, separate some of its fields";
        }
        return "(line 1: " + found + hint + ")";
    }
    if (trc) return std::string();
    // The first line whose first word is the keyword the message quotes
    // ("... compatible "KEYWORD" header state"), the segment it names
    // ("...: NAME"), or NumSegments for a segment count that is wrong.
    std::string keyword;
    const std::size_t open = message.find('"');
    const std::size_t close = open == std::string::npos ? open : message.find('"', open + 1);
    if (close != std::string::npos) {
        keyword = message.substr(open + 1, close - open - 1);
    } else if (message.find("number of segments") != std::string::npos) {
        keyword = "NumSegments";
    } else if (const std::size_t colon = message.rfind(": "); colon != std::string::npos) {
        keyword = message.substr(colon + 2);
    }
    if (keyword.empty()) return std::string();
    while (lines.Next(line)) {
        const std::string_view content = Trim(line.substr(0, line.find('#')));
        SplitBlanks(content, fields);
        if (!fields.empty() && fields[0] == keyword) {
            return "(line " + std::to_string(lines.Number()) + ": " + Quoted(content) + ")";
        }
    }
    return std::string();
}
