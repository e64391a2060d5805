// ReadGWMFile: one pass over the lines of a GWM file. The "$" keyword
// lines are taken until "$Points"; then the rows are checked against the
// header and go to a row sink: the markers of the model keep them, unless
// the caller takes them as they come. Every line is read as UTF-8 bytes
// (a UTF-16 file's lines are encoded first), so numbers are converted with
// std::from_chars and only names are decoded.
#include "tovfileio/gwm/GWMReader.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <limits>
#include <new>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "tovfileio/text/TextCodec.h"
#include "tovfileio/text/TextReader.h"

namespace tovfileio {

namespace {

const wchar_t kOutOfMemory[] = L"There is not enough memory to read the file";

// The header values a GWM file gives, in the order the writer writes them.
enum Value { kFirstFrame, kLastFrame, kNumFrames, kNumMarkers, kCaptureRate, kRate, kValues };
const char* const kValueKeywords[kValues] = {"$FirstFrame", "$LastFrame",   "$NumFrames",
                                             "$NumMarkers", "$CaptureRate", "$Rate"};

std::wstring Quoted(std::string_view bytes) { return L"\"" + DecodeUtf8(bytes) + L"\""; }

// A whole field as a number, nothing before or after it.
template <typename Number>
bool WholeNumber(std::string_view field, Number& value) {
    const char* const end = field.data() + field.size();
    const auto result = std::from_chars(field.data(), end, value);
    return result.ec == std::errc() && result.ptr == end;
}

// Keeps every row in the markers of the model, within the memory limit.
class StoredRows : public TRCRowSink {
public:
    StoredRows(TRCFile& file, std::uint64_t limit, std::uint64_t fileBytes)
        : file_(file),
          budget_(limit != 0 ? limit / sizeof(TRCSample) : std::numeric_limits<std::uint64_t>::max()),
          fileBytes_(fileBytes) {}

    bool Begin(const TRCFile& /*file*/) override {
        const std::uint64_t markers = file_.GetNumMarkers();
        if (markers == 0 || fileBytes_ == 0) return true;
        // A row takes at least six bytes a marker ("0\t0\t0\t"), so the
        // file's size bounds the rows worth reserving for, whatever the
        // header claims.
        const std::uint64_t rowsThatFit = fileBytes_ / (6 * markers) + 1;
        const auto claimed = static_cast<std::uint64_t>(std::max(file_.GetNumFrames(), 0));
        const std::uint64_t reserve = std::min({claimed, rowsThatFit, budget_ / markers});
        for (std::uint32_t m = 0; m < markers; ++m) {
            file_.GetMarker(m)->ReserveSamples(static_cast<std::size_t>(reserve));
        }
        return true;
    }
    bool Row(const TRCRow& row) override {
        samples_ += row.size();
        if (samples_ > budget_) {
            outOfMemory_ = true;
            return false;
        }
        for (std::uint32_t m = 0; m < row.size(); ++m) file_.GetMarker(m)->AddSample(row[m]);
        return true;
    }
    bool OutOfMemory() const { return outOfMemory_; }

private:
    TRCFile& file_;
    std::uint64_t budget_;
    std::uint64_t fileBytes_;
    std::uint64_t samples_ = 0;
    bool outOfMemory_ = false;
};

class GWMLineReader {
public:
    GWMLineReader(TextLines& lines, TRCFile& file, TRCRowSink& sink, ReadObserver* observer)
        : lines_(lines), file_(file), sink_(sink), observer_(observer) {}

    // The reader's message, empty on success.
    std::wstring Read();
    // True when the sink stopped the read.
    bool Stopped() const { return stopped_; }

private:
    bool NextLine();
    // Refuses the file at `at` (a view into the current line, or null for
    // the line as a whole).
    std::wstring Refuse(const char* at, std::string_view found, const std::wstring& why);
    std::wstring Header();
    std::wstring HeaderValue(std::size_t which, std::string_view keyword, std::string_view value);
    std::wstring Markers();
    std::wstring Rows();
    std::wstring RowOf(std::int64_t index);

    TextLines& lines_;
    TRCFile& file_;
    TRCRowSink& sink_;
    ReadObserver* observer_;
    std::string_view line_;
    std::string encoded_;  // the current line of a UTF-16 file, as UTF-8
    std::uint64_t number_ = 0;
    std::optional<std::int64_t> values_[kValues];
    std::uint64_t valueLines_[kValues] = {};
    bool ordered_ = false;
    std::string names_;  // the line after "$Order"
    std::uint64_t namesLine_ = 0;
    std::vector<TRCSample> row_;
    bool stopped_ = false;
};

bool GWMLineReader::NextLine() {
    if (lines_.IsUtf8()) {
        if (!lines_.ReadLineBytes(line_)) return false;
    } else {
        const std::wstring* wide = lines_.ReadLine();
        if (wide == nullptr) return false;
        encoded_ = EncodeUtf8(*wide);
        line_ = encoded_;
    }
    ++number_;
    return true;
}

std::wstring GWMLineReader::Refuse(const char* at, std::string_view found, const std::wstring& why) {
    std::uint64_t column = 0;
    std::wstring message = L"Line " + std::to_wstring(number_);
    if (at != nullptr) {
        const auto offset = static_cast<std::size_t>(at - line_.data());
        column = 1 + DecodeUtf8(line_.substr(0, offset)).size();
        message += L", column " + std::to_wstring(column);
    }
    message += L": " + why;
    if (observer_ != nullptr) {
        observer_->Found(MakeFinding(FileKind::kGwm, ReadFindingCode::kGwmRefused,
                                     ReadFinding::Effect::kRefusal, number_, column,
                                     EncodeUtf8(DecodeUtf8(found))));
    }
    return message;
}

std::wstring GWMLineReader::Read() {
    std::wstring message = Header();
    if (message.empty()) message = Markers();
    if (message.empty()) message = Rows();
    return message;
}

std::wstring GWMLineReader::Header() {
    while (NextLine()) {
        if (line_.empty()) continue;
        if (line_.front() != '$') {
            return Refuse(line_.data(), line_,
                          L"the header holds " + Quoted(line_) + L" where a \"$\" keyword belongs");
        }
        const std::size_t blank = std::min(line_.find(' '), line_.find('\t'));
        const std::string_view keyword = line_.substr(0, blank);
        std::string_view value = blank == std::string_view::npos ? std::string_view() : line_.substr(blank);
        while (!value.empty() && (value.front() == ' ' || value.front() == '\t')) value.remove_prefix(1);
        if (keyword == "$Points") {
            if (!value.empty()) {
                return Refuse(value.data(), value, L"\"$Points\" ends its line");
            }
            return std::wstring();
        }
        if (keyword == "$Order") {
            if (ordered_) return Refuse(line_.data(), keyword, L"\"$Order\" is given twice");
            if (!value.empty()) return Refuse(value.data(), value, L"\"$Order\" ends its line");
            ordered_ = true;
            if (!NextLine()) break;
            names_.assign(line_);
            namesLine_ = number_;
            continue;
        }
        for (std::size_t which = 0; which < kValues; ++which) {
            if (keyword != kValueKeywords[which]) continue;
            std::wstring refused = HeaderValue(which, keyword, value);
            if (!refused.empty()) return refused;
        }
        // "$Comments", "$Filename", "$DateTime" and keywords not known here
        // say nothing the model holds.
    }
    if (number_ == 0) {
        if (observer_ != nullptr) {
            observer_->Found(MakeFinding(FileKind::kGwm, ReadFindingCode::kEmpty,
                                         ReadFinding::Effect::kRefusal));
        }
        return L"The file is empty";
    }
    return Refuse(nullptr, std::string_view(), L"the file ends before \"$Points\"");
}

std::wstring GWMLineReader::HeaderValue(std::size_t which, std::string_view keyword,
                                        std::string_view value) {
    if (values_[which]) {
        return Refuse(line_.data(), keyword,
                      Quoted(keyword) + L" is given twice, first on line " +
                          std::to_wstring(valueLines_[which]));
    }
    std::int64_t number = 0;
    const bool count = which == kNumFrames || which == kNumMarkers;
    if (!WholeNumber(value, number) || number > std::numeric_limits<std::int32_t>::max() ||
        number < (count ? 0 : std::numeric_limits<std::int32_t>::min())) {
        return Refuse(value.empty() ? nullptr : value.data(), value,
                      Quoted(keyword) + L" takes a whole number" +
                          (count ? L" from 0" : L"") + L" up to 2147483647, not " + Quoted(value));
    }
    values_[which] = number;
    valueLines_[which] = number_;
    return std::wstring();
}

// The markers of the "$Order" line, once "$Points" has ended the header.
std::wstring GWMLineReader::Markers() {
    for (const Value needed : {kFirstFrame, kNumFrames, kNumMarkers, kRate}) {
        if (!values_[needed]) {
            return Refuse(line_.data(), line_,
                          L"\"$Points\" comes before " + Quoted(kValueKeywords[needed]));
        }
    }
    if (!ordered_) return Refuse(line_.data(), line_, L"\"$Points\" comes before \"$Order\"");
    const std::int64_t first = *values_[kFirstFrame], frames = *values_[kNumFrames];
    if (frames > 0 && frames - 1 > std::numeric_limits<std::int32_t>::max() - first) {
        return Refuse(line_.data(), line_,
                      L"frames " + std::to_wstring(frames) + L" from " + std::to_wstring(first) +
                          L" run past frame 2147483647");
    }
    if (values_[kLastFrame] && *values_[kLastFrame] != first + frames - 1) {
        return Refuse(nullptr, std::string_view(),
                      L"\"$LastFrame\" " + std::to_wstring(*values_[kLastFrame]) +
                          L" is not the last of " + std::to_wstring(frames) + L" frames from " +
                          std::to_wstring(first));
    }
    // One name per blank-separated word, each written with a blank after it;
    // the one marker of a file takes the whole line, blanks and all.
    std::string_view names = names_;
    if (!names.empty() && names.back() == ' ') names.remove_suffix(1);
    std::vector<std::string_view> words;
    const auto markers = static_cast<std::uint64_t>(*values_[kNumMarkers]);
    if (markers == 1) {
        words.push_back(names);
    } else if (!names_.empty()) {
        for (std::size_t at = 0;;) {
            const std::size_t blank = names.find(' ', at);
            words.push_back(names.substr(at, blank - at));
            if (blank == std::string_view::npos || words.size() > markers) break;
            at = blank + 1;
        }
    }
    if (words.size() != markers) {
        return L"Line " + std::to_wstring(namesLine_) + L": " + [&] {
            if (observer_ != nullptr) {
                observer_->Found(MakeFinding(FileKind::kGwm, ReadFindingCode::kGwmRefused,
                                             ReadFinding::Effect::kRefusal, namesLine_, 0,
                                             EncodeUtf8(DecodeUtf8(names_))));
            }
            return std::wstring(words.size() > markers ? L"\"$Order\" names more than "
                                                       : L"\"$Order\" names fewer than ") +
                   std::to_wstring(markers) + L" markers, the count \"$NumMarkers\" gives";
        }();
    }
    for (const std::string_view word : words) {
        if (file_.AddMarker(TRCMarker(DecodeUtf8(word))) == nullptr) {
            if (observer_ != nullptr) {
                observer_->Found(MakeFinding(FileKind::kGwm, ReadFindingCode::kGwmRefused,
                                             ReadFinding::Effect::kRefusal, namesLine_, 0,
                                             EncodeUtf8(DecodeUtf8(word))));
            }
            return L"Line " + std::to_wstring(namesLine_) + L": the marker name " + Quoted(word) +
                   L" is given twice";
        }
    }
    file_.SetStartFrame(static_cast<std::int32_t>(first));
    file_.SetNumFrames(static_cast<std::int32_t>(frames));
    file_.SetDataRate(static_cast<std::int32_t>(*values_[kRate]));
    file_.SetCameraRate(static_cast<std::int32_t>(values_[kCaptureRate].value_or(*values_[kRate])));
    row_.resize(file_.GetNumMarkers());
    if (!sink_.Begin(file_)) stopped_ = true;
    return std::wstring();
}

std::wstring GWMLineReader::Rows() {
    const std::int64_t frames = *values_[kNumFrames];
    std::int64_t index = 0;
    while (!stopped_ && NextLine()) {
        if (line_.empty()) continue;
        if (index == frames) {
            return Refuse(line_.data(), line_,
                          L"a row beyond the " + std::to_wstring(frames) +
                              L" frames \"$NumFrames\" gives");
        }
        std::wstring refused = RowOf(index++);
        if (!refused.empty()) return refused;
        file_.SetNumRows(static_cast<std::uint32_t>(index));
        if (!sink_.Row(TRCRow(row_, TRCSample{}, row_.size()))) stopped_ = true;
    }
    if (!stopped_ && index < frames) {
        return Refuse(nullptr, std::string_view(),
                      L"the file ends after " + std::to_wstring(index) + L" of the " +
                          std::to_wstring(frames) + L" frames \"$NumFrames\" gives");
    }
    return std::wstring();
}

std::wstring GWMLineReader::RowOf(std::int64_t index) {
    std::string_view rest = line_;
    // The next tab-separated field; the end of the line gives no field.
    auto next = [&](std::string_view& field) {
        if (rest.data() == nullptr) return false;
        const std::size_t tab = rest.find('\t');
        field = rest.substr(0, tab);
        rest = tab == std::string_view::npos ? std::string_view() : rest.substr(tab + 1);
        return true;
    };
    std::string_view field;
    next(field);
    const std::int64_t frame = *values_[kFirstFrame] + index;
    std::int64_t written = 0;
    if (!WholeNumber(field, written) || written != frame) {
        return Refuse(field.data(), field,
                      L"frame " + std::to_wstring(frame) + L" belongs here, not " + Quoted(field));
    }
    for (std::size_t m = 0; m < row_.size(); ++m) {
        TRCSample& sample = row_[m];
        const char* const end = line_.data() + line_.size();
        if (!next(field)) {
            return Refuse(end, std::string_view(),
                          L"the row ends before the position of marker " + std::to_wstring(m + 1));
        }
        if (field == "DROPOUT") {
            sample = TRCSample{};
            continue;
        }
        sample.valid = true;
        for (double* coordinate : {&sample.x, &sample.y, &sample.z}) {
            if (coordinate != &sample.x && !next(field)) {
                return Refuse(end, std::string_view(),
                              L"the row ends inside the position of marker " +
                                  std::to_wstring(m + 1));
            }
            if (!WholeNumber(field, *coordinate) || !std::isfinite(*coordinate)) {
                return Refuse(field.data(), field,
                              Quoted(field) + L" stands where a coordinate or \"DROPOUT\" belongs");
            }
        }
    }
    // The tab after the last field leaves one empty field; nothing may follow.
    if (next(field) && (!field.empty() || rest.data() != nullptr)) {
        return Refuse(field.data(), field,
                      L"the row holds more than the positions of its " +
                          std::to_wstring(row_.size()) + L" markers");
    }
    return std::wstring();
}

std::wstring OutOfMemory(const GWMReadOptions& options) {
    if (options.findings != nullptr) {
        ReadFinding finding = MakeFinding(FileKind::kGwm, ReadFindingCode::kOutOfMemory,
                                          ReadFinding::Effect::kRefusal);
        finding.detail = findingdetail::OutOfMemory{.memoryLimit = options.memoryLimit};
        options.findings->Found(finding);
    }
    return kOutOfMemory;
}

}  // namespace

std::wstring ReadGWMLines(TextLines& source, TRCFile& into, const GWMReadOptions& options) {
    try {
        into.Reset();
        StoredRows stored(into, options.memoryLimit, source.Size());
        TRCRowSink& sink = options.rows != nullptr ? *options.rows : stored;
        GWMLineReader reader(source, into, sink, options.findings);
        const std::wstring message = reader.Read();
        if (stored.OutOfMemory()) return OutOfMemory(options);
        return message;
    } catch (const std::bad_alloc&) {
        return OutOfMemory(options);
    }
}

std::wstring ReadGWMFile(std::string_view utf8Path, TRCFile& into, const GWMReadOptions& options) {
    const std::wstring path = PathToWide(utf8Path);
    int error = 0;
    const std::unique_ptr<TextLines> lines = TextFiles().OpenLines(path, error);
    if (!lines) {
        if (options.findings != nullptr) {
            ReadFinding finding = MakeFinding(FileKind::kGwm, ReadFindingCode::kCannotOpen,
                                              ReadFinding::Effect::kRefusal);
            finding.detail = findingdetail::CannotOpen{.error = error, .pathTried = std::string(utf8Path)};
            options.findings->Found(finding);
        }
        into.Reset();
        return kFileNotOpened;
    }
    return ReadGWMLines(*lines, into, options);
}

std::wstring ReadGWMMemory(std::string_view bytes, TRCFile& into, const GWMReadOptions& options) {
    TextReader reader;
    reader.OpenMemory(bytes);
    return ReadGWMLines(reader, into, options);
}

}  // namespace tovfileio
