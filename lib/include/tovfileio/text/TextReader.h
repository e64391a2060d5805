// The standard line reader of the libraries: decodes 8-bit and UTF-16 text
// from a file, memory or a stream into wide lines.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>
#include <string_view>
#include <vector>

#include "tovfileio/text/TextFiles.h"

namespace tovfileio {

// Reads a text file one line at a time.
//
// Decoding: a UTF-16 byte-order mark (FF FE or FE FF) selects UTF-16 in that
// byte order, surrogate pairs combined into one character and a lone surrogate
// kept as it is. Anything else is UTF-8 (a leading UTF-8 byte-order mark is
// skipped); each byte that does not start a valid UTF-8 sequence becomes one
// character of the same value (U+0080 to U+00FF).
//
// Lines: a line ends at a line feed, which is not delivered; a carriage return
// directly before the line feed is dropped too. A carriage return anywhere
// else is an ordinary character. The text after the last line feed is a last
// line when it is not empty, so a file that ends with a line feed has no
// trailing empty line. Every line is delivered whole, however long.
class TextReader final : public TextLines {
public:
    TextReader() = default;
    // A reader that asks the file for at most `bufferBytes` bytes at a time
    // (1 byte to 1 GiB); small values let tests put buffer boundaries anywhere.
    explicit TextReader(std::size_t bufferBytes);
    ~TextReader() override;
    TextReader(const TextReader&) = delete;
    TextReader& operator=(const TextReader&) = delete;

    // Opens the file at `path` (a wide path, see TextCodec.h for how it maps to
    // the file system). Returns false when the file cannot be opened for
    // reading; an open reader is closed first.
    bool Open(const std::wstring& path);
    // Reads the text held in `bytes`, which must stay valid while the reader
    // is open; decoded and split into lines as a file of those bytes is.
    bool OpenMemory(std::string_view bytes);
    // Reads from `stream` (standard input, a pipe) from where it stands; the
    // caller keeps the stream and closes it after the reader. False when
    // `stream` is null or reading it fails at once.
    bool OpenStream(std::FILE* stream);
    // The system's error number of the last Open that failed (ENOENT,
    // EACCES, EISDIR, ...); 0 after a successful one.
    int OpenError() const { return openError_; }

    // Caps the bytes an input of no known size (a device, a FIFO, a stream
    // that is not a regular file) may deliver: once it offers more than
    // `bytes`, the reader stops as at a read error (no more lines) and
    // LimitReached() says so. A regular file and memory have a size and are
    // not capped. 0, the default, reads on to the end. Applies from the next
    // Open or OpenStream, which fail when the limit is reached while they
    // take the first bytes.
    void SetByteLimit(std::uint64_t bytes) { byteLimit_ = bytes; }
    // Whether the last input opened offered more bytes than the limit.
    bool LimitReached() const { return limitReached_; }

    // The next line, or null at the end of the file (and after a read error).
    // The returned string belongs to the reader and stays valid until the next
    // call. Every line is delivered whole, however long.
    const std::wstring* ReadLine() override;

    // True while the open file is read as UTF-8 (no UTF-16 byte-order mark).
    bool IsUtf8() const override { return open_ && encoding_ == Encoding::Utf8; }

    // The next line of a UTF-8 file as the file's bytes: the line ReadLine
    // would give, before decoding, without its line feed and the carriage
    // return directly before it. Decoding these bytes with
    // DecodeUtf8 gives exactly the line ReadLine would have given,
    // and every ASCII byte stands for that same character, so readers can
    // split fields and convert numbers on the bytes and decode only the names.
    // `line` points into the reader and stays valid until the next call.
    // False at the end of the file, after a read error, and for a file that is
    // not read as UTF-8. ReadLine and ReadLineBytes may be mixed.
    bool ReadLineBytes(std::string_view& line) override;

    // Size of the open file in bytes (0 when closed or not a regular file;
    // the size of the bytes read from memory). Readers use it to keep
    // reservations proportional to the real input.
    std::uint64_t Size() const override { return fileSize_; }

    bool IsOpen() const { return open_; }
    void Close();

private:
    enum class Encoding { Utf8, Utf16LE, Utf16BE };

    static constexpr std::size_t kDefaultReadBytes = 64 * 1024;
    // Room kept beyond one read for the unfinished character carried over
    // from the previous read (at most three bytes).
    static constexpr std::size_t kCarryBytes = 4;

    bool Start();
    bool DetectEncoding();
    void FillBuffer();
    std::size_t ReadSource(unsigned char* into, std::size_t wanted);
    bool DecodeBuffered();

    bool open_ = false;
    std::FILE* file_ = nullptr;       // the file or stream read, if not memory
    bool ownsFile_ = false;           // opened here, so closed here
    std::string_view memory_;         // the bytes read by OpenMemory
    std::size_t memoryPos_ = 0;
    int openError_ = 0;
    std::uint64_t fileSize_ = 0;
    std::uint64_t byteLimit_ = 0;     // 0: none
    bool capped_ = false;             // the input has no size: the limit applies
    std::uint64_t sourceBytes_ = 0;   // bytes read from the input so far
    bool limitReached_ = false;
    Encoding encoding_ = Encoding::Utf8;
    std::size_t readBytes_ = kDefaultReadBytes;  // bytes asked of each fread
    std::vector<unsigned char> buffer_;          // raw bytes read from the file
    std::size_t pos_ = 0;                        // next unread byte in buffer_
    std::size_t end_ = 0;                        // end of valid bytes in buffer_
    bool eof_ = false;                           // no more bytes in the file
    bool failed_ = false;                        // a read failed; no more lines
    std::wstring line_;                          // the line handed out by ReadLine
    std::string lineBytes_;  // a line of ReadLineBytes that two reads cut apart
};

}  // namespace tovfileio
