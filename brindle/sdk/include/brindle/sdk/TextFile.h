// Text files as the host offers them to plug-ins for reading: a line reader
// that decodes 8-bit and UTF-16 text into wide lines.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

namespace TextFile {

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
// line when it is not empty. Every line is delivered whole, however long.
class Reader {
public:
    // Line-end modes of the host's reader. Both read lines without their
    // terminators here; they are kept so callers can state what they ask for.
    enum LineEndMode { kLineEndsDefault = 0, kLineEndsKeepNone = 1, kLineEndsStrip = 2 };

    Reader();
    ~Reader();
    Reader(const Reader&) = delete;
    Reader& operator=(const Reader&) = delete;

    // Opens the file at `path` (a wide path: TextCodec.h says how it maps to
    // the file system). `codePage` 0 is the system code page: the decoding
    // above. False when the file cannot be opened for reading; an open
    // reader is closed first.
    bool Open(const std::wstring& path, int codePage = 0, int lineEndMode = kLineEndsDefault);
    // Reads the text held in `bytes`, which must stay valid while the reader
    // is open, as a file of those bytes would be read.
    bool OpenMemory(std::string_view bytes);
    // The system's error number of the last Open that failed; 0 after a
    // successful one.
    int OpenError() const;

    // The next line, or null at the end of the file (and after a read
    // error); valid until the next call. `maxChars` is the longest line the
    // caller expects; this host always delivers the whole line.
    const std::wstring* ReadLine(std::size_t maxChars = 10240);
    // True while the open file is read as UTF-8.
    bool IsUtf8() const;
    // The next line of a UTF-8 file as its bytes, valid until the next call;
    // false at the end, after a read error and for a file not read as UTF-8.
    bool ReadLineBytes(std::string_view& line);
    // Size of the open file in bytes (0 when closed or not a regular file).
    std::uint64_t FileSize() const;

    bool IsOpen() const;
    void Close();

private:
    class Lines;
    std::unique_ptr<Lines> lines_;
};

}  // namespace TextFile
