// ReadBVH: one pass over the lines of a BVH file, the hierarchy as a stream
// of blank-separated words, the motion as one frame a line.
#include "tovfileio/bvh/BVHReader.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <limits>
#include <new>
#include <string>
#include <string_view>
#include <system_error>
#include <unordered_set>
#include <utility>
#include <vector>

#include "tovfileio/math/TOVRotation.h"
#include "tovfileio/text/TextCodec.h"
#include "tovfileio/text/TextReader.h"

namespace tovfileio {

namespace {

constexpr double kDegreesToRadians = 0.017453292519943295;
// Frame times whose inverse lies this close (relative) to a whole rate give
// that rate without a finding: ".0083333" is 120 frames a second.
constexpr double kWholeRateTolerance = 1e-4;

const wchar_t kOutOfMemory[] = L"There is not enough memory to read the file";
const wchar_t kEmptyFile[] = L"The file is empty";

// Channel kinds in the order of their names below: positions then rotations,
// each X, Y, Z; kind % 3 is the axis.
constexpr std::string_view kChannelNames[6] = {"Xposition", "Yposition", "Zposition",
                                               "Xrotation", "Yrotation", "Zrotation"};

constexpr std::size_t kWholeLine = std::size_t(-1);

// One word of a line, with its place for messages.
struct Word {
    std::string_view text;
    std::uint64_t line = 0;
    // Bytes into the line, or kWholeLine for a place on no column; the
    // column in characters is counted only for a message.
    std::size_t at = kWholeLine;
    bool endOfFile = false;
};

// A refusal on its way out of the reader.
struct Refusal {
    std::wstring message;
};

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\v' || c == '\f'; }

// Hands out the words of the lines, UTF-8 bytes either way: a UTF-16 input's
// lines are encoded, so every rule looks at the same bytes.
class Scanner {
public:
    explicit Scanner(TextLines& lines) : lines_(lines), utf8_(lines.IsUtf8()) {}

    // Loads the next line; false at the end of the input.
    bool NextLine() {
        if (utf8_) {
            if (!lines_.ReadLineBytes(view_)) return EndOfInput();
        } else {
            const std::wstring* line = lines_.ReadLine();
            if (line == nullptr) return EndOfInput();
            held_ = EncodeUtf8(*line);
            view_ = held_;
        }
        ++line_;
        pos_ = 0;
        return true;
    }

    // The next word of the current line; empty text at its end.
    Word OnLine() {
        while (pos_ < view_.size() && IsBlank(view_[pos_])) ++pos_;
        const std::size_t start = pos_;
        while (pos_ < view_.size() && !IsBlank(view_[pos_])) ++pos_;
        // An empty word stands just past the line's last character.
        return Word{view_.substr(start, pos_ - start), line_, start};
    }

    // The next word, on later lines when the current one has no more; empty
    // text at the end of the input.
    Word Next() {
        for (;;) {
            Word word = OnLine();
            if (!word.text.empty()) return word;
            if (!NextLine()) return Word{{}, line_, kWholeLine, true};
        }
    }

    std::uint64_t Line() const { return line_; }

    // The column of a word of the current line, in characters from 1; 0 for
    // a word without one.
    std::uint64_t Column(const Word& word) const {
        if (word.at == kWholeLine || word.line != line_ || word.at > view_.size()) return 0;
        std::uint64_t column = 1;
        for (std::size_t i = 0; i < word.at; ++i) {
            if ((static_cast<unsigned char>(view_[i]) & 0xC0) != 0x80) ++column;
        }
        return column;
    }

private:
    bool EndOfInput() {
        view_ = std::string_view();
        pos_ = 0;
        return false;
    }

    TextLines& lines_;
    const bool utf8_;
    std::string held_;
    std::string_view view_;
    std::size_t pos_ = 0;
    std::uint64_t line_ = 0;
};

bool ParseNumber(std::string_view text, double& value) {
    if (text.size() > 1 && text[0] == '+' && text[1] != '-') text.remove_prefix(1);
    const char* const end = text.data() + text.size();
    const auto [stop, error] = std::from_chars(text.data(), end, value);
    return error == std::errc() && stop == end && std::isfinite(value);
}

bool ParseCount(std::string_view text, std::uint64_t& value) {
    const char* const end = text.data() + text.size();
    const auto [stop, error] = std::from_chars(text.data(), end, value);
    return error == std::errc() && stop == end;
}

// One joint's channels as they stand on the frame lines.
struct Channels {
    std::uint8_t count = 0;
    std::uint8_t kinds[6] = {};
};

// A block between braces still open: a joint's, or an End Site's.
struct OpenBlock {
    HTRSegment* segment = nullptr;  // null for an End Site
    bool offsetRead = false;
    bool channelsRead = false;
    std::uint32_t children = 0;
    double longestChild = 0.0;  // the length of the longest child OFFSET
    std::vector<TOVVector3<double>> endSites = {};  // its End Sites' OFFSETs
};

class BVHReader {
public:
    BVHReader(HTRFile& file, ReadObserver* observer, const BVHReadOptions& options)
        : file_(file), observer_(observer), options_(options) {}

    std::wstring Run(TextLines& lines);

private:
    [[noreturn]] void Refuse(std::wstring message, const Word& at);
    [[noreturn]] void Expected(const char* what, const Word& found);
    void ReadHierarchy();
    void OpenJoint(bool root, const Word& keyword);
    void ExpectBrace();
    void ReadOffset();
    void ReadChannels(const Word& keyword);
    void CloseBlock();
    void ReadMotion();
    void ReadFrames(std::uint64_t frames);
    void ReadRate(const Word& value);
    void Found(ReadFindingCode code, ReadFinding::Effect effect, const Word& at, std::string found);

    HTRFile& file_;
    ReadObserver* const observer_;
    const BVHReadOptions& options_;
    Scanner* in_ = nullptr;
    std::uint64_t inputSize_ = 0;
    std::vector<OpenBlock> open_;
    std::vector<HTRSegment*> segments_;  // in file order, which is frame-line order
    std::vector<Channels> channels_;
    std::unordered_set<std::wstring> names_;
};

void BVHReader::Found(ReadFindingCode code, ReadFinding::Effect effect, const Word& at,
                      std::string found) {
    if (observer_ == nullptr) return;
    observer_->Found(
        MakeFinding(FileKind::kBvh, code, effect, at.line, in_->Column(at), std::move(found)));
}

void BVHReader::Refuse(std::wstring message, const Word& at) {
    std::wstring placed = L"Line " + std::to_wstring(at.line);
    const std::uint64_t column = in_->Column(at);
    if (column != 0) placed += L", column " + std::to_wstring(column);
    placed += L": " + message;
    Found(ReadFindingCode::kBvhRefused, ReadFinding::Effect::kRefusal, at, EncodeUtf8(placed));
    throw Refusal{std::move(placed)};
}

void BVHReader::Expected(const char* what, const Word& found) {
    if (found.text.empty()) {
        Refuse(std::wstring(found.endOfFile ? L"the file" : L"the line") + L" ends where " +
                   DecodeUtf8(what) + L" belongs",
               found);
    }
    Refuse(L"expected " + DecodeUtf8(what) + L", found \"" + DecodeUtf8(found.text) + L"\"",
           found);
}

std::wstring BVHReader::Run(TextLines& lines) {
    file_.Reset();
    file_.SetCalibrationUnits(options_.units);
    file_.SetRotationUnits(kRotationDegrees);
    file_.SetFirstFrame(1);
    file_.SetNumFrames(0);
    Scanner scanner(lines);
    in_ = &scanner;
    inputSize_ = lines.Size();
    try {
        const Word first = scanner.Next();
        if (first.text.empty()) {
            Found(ReadFindingCode::kEmpty, ReadFinding::Effect::kRefusal, Word{}, std::string());
            return kEmptyFile;
        }
        if (first.text != "HIERARCHY") Expected("HIERARCHY", first);
        ReadHierarchy();
        ReadMotion();
    } catch (Refusal& refusal) {
        return std::move(refusal.message);
    }
    return std::wstring();
}

void BVHReader::ReadHierarchy() {
    for (;;) {
        const Word word = in_->Next();
        if (open_.empty()) {
            if (word.text == "ROOT") {
                OpenJoint(true, word);
            } else if (word.text == "MOTION" && !segments_.empty()) {
                return;
            } else {
                Expected(segments_.empty() ? "ROOT" : "ROOT or MOTION", word);
            }
            continue;
        }
        OpenBlock& block = open_.back();
        if (!block.offsetRead) {
            if (word.text != "OFFSET") Expected("OFFSET", word);
            ReadOffset();
        } else if (word.text == "}") {
            CloseBlock();
        } else if (block.segment == nullptr) {
            Expected("} to close the End Site", word);
        } else if (word.text == "CHANNELS") {
            ReadChannels(word);
        } else if (word.text == "JOINT") {
            OpenJoint(false, word);
        } else if (word.text == "End" || word.text == "END" || word.text == "end") {
            const Word site = in_->OnLine();
            if (site.text != "Site" && site.text != "SITE" && site.text != "site") {
                Expected("Site after End", site);
            }
            ++block.children;
            open_.push_back(OpenBlock{});
            ExpectBrace();
        } else {
            Expected("CHANNELS, JOINT, End Site or }", word);
        }
    }
}

void BVHReader::OpenJoint(bool root, const Word& keyword) {
    // The name is the rest of the line, less a brace that ends it.
    std::vector<Word> words;
    for (Word word = in_->OnLine(); !word.text.empty(); word = in_->OnLine()) {
        words.push_back(word);
    }
    const bool braceOnLine = !words.empty() && words.back().text == "{";
    if (braceOnLine) words.pop_back();
    if (words.empty()) {
        Refuse(L"expected the joint's name after " + DecodeUtf8(keyword.text), in_->OnLine());
    }
    std::string name(words.front().text);
    for (std::size_t i = 1; i < words.size(); ++i) (name += '_') += words[i].text;
    if (words.size() > 1) {
        const Word& first = words.front();
        const char* const end = words.back().text.data() + words.back().text.size();
        Found(ReadFindingCode::kBvhNameBlanks, ReadFinding::Effect::kMisread, first,
              std::string(first.text.data(), static_cast<std::size_t>(end - first.text.data())));
    }
    std::wstring wide = DecodeUtf8(name);
    if (!names_.insert(wide).second) {
        Refuse(L"the joint name \"" + wide + L"\" is used a second time", words.front());
    }
    HTRSegment* const segment = file_.AppendSegment(HTRSegment(std::move(wide)));
    segment->SetRoot(root);
    if (!open_.empty()) {
        ++open_.back().children;
        segment->SetParent(open_.back().segment);
    }
    segments_.push_back(segment);
    channels_.emplace_back();
    open_.push_back(OpenBlock{segment});
    if (!braceOnLine) ExpectBrace();
}

void BVHReader::ExpectBrace() {
    const Word brace = in_->Next();
    if (brace.text != "{") Expected("{", brace);
}

void BVHReader::ReadOffset() {
    double xyz[3];
    for (double& value : xyz) {
        const Word word = in_->OnLine();
        if (!ParseNumber(word.text, value)) Expected("three numbers after OFFSET", word);
    }
    const Word extra = in_->OnLine();
    if (!extra.text.empty()) Expected("the end of the line after OFFSET's three numbers", extra);
    OpenBlock& block = open_.back();
    block.offsetRead = true;
    if (block.segment != nullptr) block.segment->SetBaseTranslation(xyz[0], xyz[1], xyz[2]);
    if (open_.size() >= 2) {
        OpenBlock& parent = open_[open_.size() - 2];
        if (block.segment == nullptr) parent.endSites.emplace_back(xyz[0], xyz[1], xyz[2]);
        parent.longestChild = std::max(
            parent.longestChild, std::sqrt(xyz[0] * xyz[0] + xyz[1] * xyz[1] + xyz[2] * xyz[2]));
    }
}

void BVHReader::ReadChannels(const Word& keyword) {
    OpenBlock& block = open_.back();
    if (block.channelsRead) Refuse(L"a second CHANNELS line for this joint", keyword);
    block.channelsRead = true;
    const Word countWord = in_->OnLine();
    std::uint64_t count = 0;
    if (!ParseCount(countWord.text, count) || count > 6) {
        Expected("a channel count from 0 to 6 after CHANNELS", countWord);
    }
    Channels& channels = channels_.back();
    bool seen[6] = {};
    for (std::uint64_t n = 0; n < count; ++n) {
        const Word name = in_->OnLine();
        const auto known = std::find(std::begin(kChannelNames), std::end(kChannelNames), name.text);
        if (known == std::end(kChannelNames)) {
            Expected("a channel name (Xposition, Yposition, Zposition, Xrotation, Yrotation, "
                     "Zrotation)",
                     name);
        }
        const auto kind = static_cast<std::uint8_t>(known - std::begin(kChannelNames));
        if (seen[kind]) {
            Refuse(L"the channel " + DecodeUtf8(name.text) + L" is listed a second time", name);
        }
        seen[kind] = true;
        channels.kinds[channels.count++] = kind;
    }
    const Word extra = in_->OnLine();
    if (!extra.text.empty()) {
        Refuse(L"CHANNELS gives " + std::to_wstring(count) + L" channels, and more follow: \"" +
                   DecodeUtf8(extra.text) + L"\"",
               extra);
    }
}

void BVHReader::CloseBlock() {
    OpenBlock& block = open_.back();
    if (block.segment != nullptr) {
        block.segment->SetBoneLength(block.longestChild);
        block.segment->SetEndSites(std::move(block.endSites));
    }
    open_.pop_back();
}

void BVHReader::ReadMotion() {
    const Word frames = in_->Next();
    if (frames.text != "Frames:") Expected("Frames:", frames);
    const Word count = in_->OnLine();
    std::uint64_t frameCount = 0;
    if (!ParseCount(count.text, frameCount) || frameCount > std::numeric_limits<std::uint32_t>::max()) {
        Expected("a frame count from 0 to 4294967295 after Frames:", count);
    }
    const Word frame = in_->Next();
    if (frame.text != "Frame") Expected("Frame Time:", frame);
    const Word time = in_->OnLine();
    if (time.text != "Time:") Expected("Time: after Frame", time);
    const Word value = in_->OnLine();
    ReadRate(value);
    const Word extra = in_->OnLine();
    if (!extra.text.empty()) Expected("the end of the line after Frame Time", extra);
    file_.SetNumFrames(static_cast<std::uint32_t>(frameCount));
    ReadFrames(frameCount);
}

void BVHReader::ReadRate(const Word& value) {
    double seconds = 0.0;
    if (!ParseNumber(value.text, seconds) || !(seconds > 0.0)) {
        Expected("a frame time in seconds above 0", value);
    }
    const double rate = 1.0 / seconds;
    const double whole = std::clamp(std::round(rate), 1.0,
                                    double(std::numeric_limits<std::int32_t>::max()));
    file_.SetDataFrameRate(static_cast<std::int32_t>(whole));
    if (!(std::fabs(whole * seconds - 1.0) <= kWholeRateTolerance)) {
        if (observer_ != nullptr) {
            ReadFinding finding =
                MakeFinding(FileKind::kBvh, ReadFindingCode::kBvhRateNotWhole,
                            ReadFinding::Effect::kMisread, value.line, in_->Column(value),
                            std::string(value.text));
            finding.detail = findingdetail::HeaderReadAs{.keyword = "Frame Time",
                                                         .readAs = static_cast<std::int64_t>(whole)};
            observer_->Found(finding);
        }
    }
}

void BVHReader::ReadFrames(std::uint64_t frames) {
    std::uint64_t valuesPerFrame = 0;
    for (const Channels& channels : channels_) valuesPerFrame += channels.count;
    if (valuesPerFrame == 0 && frames > 0) {
        Refuse(L"no joint has channels, yet Frames: gives " + std::to_wstring(frames) + L" frames",
               Word{{}, in_->Line()});
    }
    // A value takes at least two bytes of a frame line: one digit and a
    // blank or line end. The header's count alone reserves nothing.
    if (valuesPerFrame > 0) {
        const std::uint64_t room = std::min<std::uint64_t>(frames, inputSize_ / (2 * valuesPerFrame));
        for (HTRSegment* segment : segments_) segment->ReserveFrames(room);
    }
    std::vector<double> values(valuesPerFrame);
    for (std::uint64_t f = 0; f < frames; ++f) {
        Word word;
        do {
            if (!in_->NextLine()) {
                Refuse(L"the file ends after " + std::to_wstring(f) + L" frames, Frames: gives " +
                           std::to_wstring(frames),
                       Word{{}, in_->Line()});
            }
            word = in_->OnLine();
        } while (word.text.empty());
        for (std::uint64_t v = 0; v < valuesPerFrame; ++v) {
            if (v > 0) word = in_->OnLine();
            if (word.text.empty()) {
                Refuse(L"frame " + std::to_wstring(f + 1) + L" holds " + std::to_wstring(v) +
                           L" values, the channels take " + std::to_wstring(valuesPerFrame),
                       word);
            }
            if (!ParseNumber(word.text, values[v])) Expected("a number", word);
        }
        const Word extra = in_->OnLine();
        if (!extra.text.empty()) {
            Refuse(L"frame " + std::to_wstring(f + 1) +
                       L" holds more values than the channels take (" +
                       std::to_wstring(valuesPerFrame) + L")",
                   extra);
        }
        std::size_t next = 0;
        for (std::size_t j = 0; j < segments_.size(); ++j) {
            const Channels& channels = channels_[j];
            double t[3] = {0.0, 0.0, 0.0};
            // Each rotation channel turns about its axis as the channels
            // before it left the axes: a point turns by the last channel
            // first.
            TOVRotationMatrix3<double> turn;
            for (std::uint8_t c = 0; c < channels.count; ++c) {
                const std::uint8_t kind = channels.kinds[c];
                const double value = values[next++];
                if (kind < 3) {
                    t[kind] = value;
                } else {
                    turn.TurnFirstAbout(kind - 3, value * kDegreesToRadians);
                }
            }
            segments_[j]->AppendFrame(TOVVector3<double>(t[0], t[1], t[2]),
                                      TOVEulerRotation<double>(turn), 1.0);
        }
    }
    while (in_->NextLine()) {
        const Word word = in_->OnLine();
        if (!word.text.empty()) {
            Refuse(L"more frame lines than Frames: gives (" + std::to_wstring(frames) + L")",
                   word);
        }
    }
}

}  // namespace

std::wstring ReadBVH(TextLines& source, HTRFile& into, ReadObserver* findings,
                     const BVHReadOptions& options) {
    try {
        return BVHReader(into, findings, options).Run(source);
    } catch (const std::bad_alloc&) {
        if (findings != nullptr) {
            ReadFinding finding = MakeFinding(FileKind::kBvh, ReadFindingCode::kOutOfMemory,
                                              ReadFinding::Effect::kRefusal);
            finding.detail = findingdetail::OutOfMemory{.memoryLimit = 0};
            findings->Found(finding);
        }
        return kOutOfMemory;
    }
}

std::wstring ReadBVH(const std::wstring& path, HTRFile& into, ReadObserver* findings,
                     const BVHReadOptions& options) {
    int error = 0;
    const std::unique_ptr<TextLines> lines = TextFiles().OpenLines(path, error);
    if (!lines) {
        if (findings != nullptr) {
            ReadFinding finding = MakeFinding(FileKind::kBvh, ReadFindingCode::kCannotOpen,
                                              ReadFinding::Effect::kRefusal);
            finding.detail =
                findingdetail::CannotOpen{.error = error, .pathTried = EncodeUtf8(path)};
            findings->Found(finding);
        }
        return kFileNotOpened;
    }
    return ReadBVH(*lines, into, findings, options);
}

std::wstring ReadBVHFile(std::string_view utf8Path, HTRFile& into, ReadObserver* findings,
                         const BVHReadOptions& options) {
    return ReadBVH(PathToWide(utf8Path), into, findings, options);
}

std::wstring ReadBVHMemory(std::string_view bytes, HTRFile& into, ReadObserver* findings,
                           const BVHReadOptions& options) {
    TextReader reader;
    reader.OpenMemory(bytes);
    return ReadBVH(reader, into, findings, options);
}

}  // namespace tovfileio
