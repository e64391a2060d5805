// The standard line reader: one buffered pass over the file, each line decoded
// into a wide string that is reused from line to line.
//
// Bytes come from fread into a reused buffer. A character whose bytes are cut
// by the end of the buffer is left unread and carried to the front of the
// buffer before the next read, so the lines never depend on where reads end.
// Motion-capture files are almost all ASCII digits, so UTF-8 lines are cut at
// the line feed with memchr and their ASCII runs widened eight bytes at a time;
// readers that only need the bytes of a UTF-8 line skip the widening.
#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstring>

#include "tovfileio/text/TextCodec.h"
#include "tovfileio/text/TextReader.h"
#include "Utf8Step.h"

namespace tovfileio {
namespace {

// How far a decoder got through the buffer.
struct Progress {
    std::size_t next;  // first byte not consumed
    bool lineDone;     // a line feed was consumed: the line is complete
};

// A carriage return directly before the line feed belongs to the line end.
void EndLine(std::wstring& line) {
    if (!line.empty() && line.back() == L'\r')
        line.pop_back();
}

// Copies the ASCII bytes at the start of [in, end) to `out` and returns the
// first byte it did not copy (a non-ASCII byte or `end`).
const unsigned char* WidenAscii(const unsigned char* in, const unsigned char* end, wchar_t*& out) {
    constexpr std::uint64_t kHighBits = 0x8080808080808080ull;
    while (end - in >= 8) {
        std::uint64_t word;
        std::memcpy(&word, in, sizeof word);
        if ((word & kHighBits) != 0)
            break;
        for (int i = 0; i < 8; ++i)
            out[i] = static_cast<wchar_t>(in[i]);
        in += 8;
        out += 8;
    }
    while (in < end && *in < 0x80)
        *out++ = static_cast<wchar_t>(*in++);
    return in;
}

// Decodes UTF-8 from bytes[pos, end) into `line`, up to and including the
// first line feed. Stops early at a character cut by `end` unless `atEof`,
// when its bytes are invalid and decode one by one.
Progress DecodeUtf8Line(const unsigned char* bytes, std::size_t pos, std::size_t end, bool atEof,
                    std::wstring& line) {
    const unsigned char* in = bytes + pos;
    const unsigned char* const stop = bytes + end;
    const auto* lineFeed = static_cast<const unsigned char*>(
        std::memchr(in, '\n', static_cast<std::size_t>(stop - in)));
    const unsigned char* const segmentEnd = lineFeed != nullptr ? lineFeed : stop;

    // Each byte yields at most one character, so the segment length bounds
    // the growth; the line is trimmed to what was written afterwards.
    const std::size_t oldSize = line.size();
    line.resize(oldSize + static_cast<std::size_t>(segmentEnd - in));
    wchar_t* out = line.data() + oldSize;
    while (in < segmentEnd) {
        in = WidenAscii(in, segmentEnd, out);
        if (in == segmentEnd)
            break;
        char32_t c = 0;
        bool invalid = false;
        std::size_t used = textcodec::DecodeUtf8Char(
            in, static_cast<std::size_t>(stop - in), &c, &invalid);
        if (used == 0) {
            // A line feed would have ended the sequence as invalid, so a cut
            // character is only ever at the end of the buffer.
            if (!atEof)
                break;
            c = *in;
            used = 1;
        }
        *out++ = static_cast<wchar_t>(c);
        in += used;
    }
    line.resize(static_cast<std::size_t>(out - line.data()));

    if (in < segmentEnd)
        return {static_cast<std::size_t>(in - bytes), false};
    if (lineFeed == nullptr)
        return {end, false};
    EndLine(line);
    return {static_cast<std::size_t>(lineFeed + 1 - bytes), true};
}

template <bool kBigEndian>
char32_t Utf16Unit(const unsigned char* p) {
    return kBigEndian ? (char32_t{p[0]} << 8) | p[1] : (char32_t{p[1]} << 8) | p[0];
}

bool IsHighSurrogate(char32_t u) {
    return u >= 0xD800 && u <= 0xDBFF;
}
bool IsLowSurrogate(char32_t u) {
    return u >= 0xDC00 && u <= 0xDFFF;
}

// Decodes UTF-16 from bytes[pos, end) into `line`, up to and including the
// first line feed. A surrogate pair becomes one character; any other surrogate
// is kept as its code unit. Stops early at a unit or pair cut by `end` unless
// `atEof`. An odd byte left at the end of the file cannot be a code unit; it
// is delivered as one character of its byte value, like an invalid UTF-8 byte,
// so that no byte of the file is silently lost.
template <bool kBigEndian>
Progress DecodeUtf16Line(const unsigned char* bytes, std::size_t pos, std::size_t end, bool atEof,
                     std::wstring& line) {
    while (end - pos >= 2) {
        char32_t unit = Utf16Unit<kBigEndian>(bytes + pos);
        if (unit == L'\n') {
            EndLine(line);
            return {pos + 2, true};
        }
        std::size_t used = 2;
        if (IsHighSurrogate(unit)) {
            if (end - pos >= 4) {
                const char32_t low = Utf16Unit<kBigEndian>(bytes + pos + 2);
                if (IsLowSurrogate(low)) {
                    unit = 0x10000 + ((unit - 0xD800) << 10) + (low - 0xDC00);
                    used = 4;
                }
            } else if (!atEof) {
                return {pos, false};  // the low half may be in the next read
            }
        }
        line.push_back(static_cast<wchar_t>(unit));
        pos += used;
    }
    if (pos < end && atEof) {
        line.push_back(static_cast<wchar_t>(bytes[pos]));
        pos = end;
    }
    return {pos, false};
}

}  // namespace

// The cap keeps the buffer size (read size plus carried bytes) from overflowing.
TextReader::TextReader(std::size_t bufferBytes)
    : readBytes_(std::clamp<std::size_t>(bufferBytes, 1, std::size_t{1} << 30)) {}

TextReader::~TextReader() {
    Close();
}

bool TextReader::Open(const std::wstring& path) {
    Close();
    const std::string nativePath = WideToPath(path);
    // A NUL would cut the path short and open some other file.
    if (nativePath.find('\0') != std::string::npos) {
        openError_ = ENOENT;
        return false;
    }
    // A signal the program takes as a cancel (Ctrl-C in tovfileio's panel)
    // may break off the wait for a FIFO's writer: the file is opened still.
    std::FILE* file = nullptr;
    do {
        errno = 0;
        file = std::fopen(nativePath.c_str(), "rb");
    } while (file == nullptr && errno == EINTR);
    if (file == nullptr) {
        openError_ = errno != 0 ? errno : EIO;
        return false;
    }
    // fopen succeeds on a directory; only reading it fails.
    struct stat info {};
    if (::fstat(::fileno(file), &info) != 0 || S_ISDIR(info.st_mode)) {
        std::fclose(file);
        openError_ = EISDIR;
        return false;
    }
    file_ = file;
    ownsFile_ = true;
    fileSize_ = S_ISREG(info.st_mode) ? static_cast<std::uint64_t>(info.st_size) : 0;
    capped_ = !S_ISREG(info.st_mode);
    return Start();
}

bool TextReader::OpenMemory(std::string_view bytes) {
    Close();
    memory_ = bytes;
    fileSize_ = bytes.size();
    return Start();
}

bool TextReader::OpenStream(std::FILE* stream) {
    Close();
    if (stream == nullptr) {
        openError_ = EBADF;
        return false;
    }
    file_ = stream;
    struct stat info {};
    const bool regular = ::fstat(::fileno(stream), &info) == 0 && S_ISREG(info.st_mode);
    capped_ = !regular;
    if (regular) {
        const long at = std::ftell(stream);
        if (at >= 0 && static_cast<std::uint64_t>(at) <= static_cast<std::uint64_t>(info.st_size)) {
            fileSize_ = static_cast<std::uint64_t>(info.st_size) - static_cast<std::uint64_t>(at);
        }
    }
    return Start();
}

// Takes the first bytes of whatever was opened and decides its encoding.
bool TextReader::Start() {
    open_ = true;
    sourceBytes_ = 0;
    limitReached_ = false;
    buffer_.resize(readBytes_ + kCarryBytes);
    if (!DetectEncoding()) {
        Close();
        openError_ = EIO;
        return false;
    }
    openError_ = 0;
    return true;
}

void TextReader::Close() {
    if (file_ != nullptr && ownsFile_)
        std::fclose(file_);
    file_ = nullptr;
    ownsFile_ = false;
    memory_ = std::string_view();
    memoryPos_ = 0;
    open_ = false;
    fileSize_ = 0;
    capped_ = false;
    encoding_ = Encoding::Utf8;
    pos_ = end_ = 0;
    eof_ = failed_ = false;
}

// Reads until the first three bytes are known (or the file is shorter) and
// skips a byte-order mark. Returns false when the file cannot be read.
bool TextReader::DetectEncoding() {
    while (end_ < 3 && !eof_ && !failed_)
        FillBuffer();
    if (failed_)
        return false;
    const unsigned char* b = buffer_.data();
    if (end_ >= 2 && b[0] == 0xFF && b[1] == 0xFE) {
        encoding_ = Encoding::Utf16LE;
        pos_ = 2;
    } else if (end_ >= 2 && b[0] == 0xFE && b[1] == 0xFF) {
        encoding_ = Encoding::Utf16BE;
        pos_ = 2;
    } else if (end_ >= 3 && b[0] == 0xEF && b[1] == 0xBB && b[2] == 0xBF) {
        pos_ = 3;
    }
    return true;
}

// Moves the unread bytes (part of a character) to the front of the buffer and
// appends the next read after them.
void TextReader::FillBuffer() {
    const std::size_t kept = end_ - pos_;
    if (kept != 0 && pos_ != 0)
        std::memmove(buffer_.data(), buffer_.data() + pos_, kept);
    pos_ = 0;
    end_ = kept;
    const std::size_t wanted = std::min(readBytes_, buffer_.size() - end_);
    const std::size_t got = ReadSource(buffer_.data() + end_, wanted);
    end_ += got;
    if (got < wanted)
        eof_ = true;
}

// Up to `wanted` bytes from the memory or the file; fewer only at the end
// (or on a read error, or at the byte limit, which are remembered).
std::size_t TextReader::ReadSource(unsigned char* into, std::size_t wanted) {
    if (file_ == nullptr) {
        const std::size_t got = std::min(wanted, memory_.size() - memoryPos_);
        if (got != 0)
            std::memcpy(into, memory_.data() + memoryPos_, got);
        memoryPos_ += got;
        return got;
    }
    const bool capped = capped_ && byteLimit_ != 0;
    const std::size_t allowed =
        capped
            ? static_cast<std::size_t>(std::min<std::uint64_t>(wanted, byteLimit_ - sourceBytes_))
            : wanted;
    std::size_t got = 0;
    for (;;) {
        errno = 0;
        got += std::fread(into + got, 1, allowed - got, file_);
        // A signal handled while a FIFO or a terminal had nothing yet breaks
        // off the read; it goes on from where it was.
        if (got == allowed || std::ferror(file_) == 0 || errno != EINTR) break;
        std::clearerr(file_);
    }
    sourceBytes_ += got;
    if (got < allowed) {
        if (std::ferror(file_) != 0)
            failed_ = true;
        return got;
    }
    // At the limit, one byte more means the input goes on beyond it.
    unsigned char probe;
    if (allowed < wanted && std::fread(&probe, 1, 1, file_) == 1)
        limitReached_ = failed_ = true;
    return got;
}

// Decodes buffered bytes into line_; true when a whole line is there.
bool TextReader::DecodeBuffered() {
    const unsigned char* bytes = buffer_.data();
    Progress progress{};
    switch (encoding_) {
        case Encoding::Utf8:
            progress = DecodeUtf8Line(bytes, pos_, end_, eof_, line_);
            break;
        case Encoding::Utf16LE:
            progress = DecodeUtf16Line<false>(bytes, pos_, end_, eof_, line_);
            break;
        case Encoding::Utf16BE:
            progress = DecodeUtf16Line<true>(bytes, pos_, end_, eof_, line_);
            break;
    }
    pos_ = progress.next;
    return progress.lineDone;
}

const std::wstring* TextReader::ReadLine() {
    if (!open_ || failed_)
        return nullptr;
    line_.clear();
    for (;;) {
        if (DecodeBuffered())
            return &line_;
        // At the end of the file the decoders consume every byte left.
        if (eof_)
            break;
        FillBuffer();
        if (failed_)
            return nullptr;
    }
    return line_.empty() ? nullptr : &line_;
}

// Lines that lie whole in the buffer are handed out in place; only a line
// that a read cuts apart is gathered in lineBytes_.
bool TextReader::ReadLineBytes(std::string_view& line) {
    if (!open_ || failed_ || encoding_ != Encoding::Utf8)
        return false;
    bool gathered = false;
    for (;;) {
        const char* begin = reinterpret_cast<const char*>(buffer_.data()) + pos_;
        const std::size_t avail = end_ - pos_;
        const auto* lineFeed = static_cast<const char*>(std::memchr(begin, '\n', avail));
        if (lineFeed != nullptr) {
            const auto length = static_cast<std::size_t>(lineFeed - begin);
            pos_ += length + 1;
            if (gathered) {
                lineBytes_.append(begin, length);
                line = lineBytes_;
            } else {
                line = std::string_view(begin, length);
            }
            if (!line.empty() && line.back() == '\r')
                line.remove_suffix(1);
            return true;
        }
        if (!gathered) {
            lineBytes_.clear();
            gathered = true;
        }
        lineBytes_.append(begin, avail);
        pos_ = end_;
        // Without a line feed, the text after the last one is a last line
        // when it is not empty; its carriage return stays.
        if (eof_) {
            line = lineBytes_;
            return !line.empty();
        }
        FillBuffer();
        if (failed_)
            return false;
    }
}

}  // namespace tovfileio
