#include "tovfileio/text/TextReader.h"

#include <chrono>
#include <csignal>
#include <filesystem>
#include <random>
#include <string>
#include <string_view>
#include <thread>
#include <utility>
#include <vector>

#include <gtest/gtest.h>
#include <fcntl.h>
#include <pthread.h>
#include <sys/stat.h>
#include <unistd.h>

#include "tovfileio/text/TextCodec.h"
#include "tests/support/TestFiles.h"

namespace {

using tovfileio::DecodeUtf8, tovfileio::EncodeUtf8, tovfileio::PathToWide, tovfileio::WideToPath;
using Lines = std::vector<std::wstring>;

const std::string kBom = "\xEF\xBB\xBF";  // UTF-8 byte-order mark

// How ReadAll takes the lines of a file.
enum class Take {
    Wide,   // ReadLine
    Bytes,  // ReadLineBytes, decoded; a file that is not UTF-8 gives no lines
    Mixed,  // the two alternately
};

// Every line of the file, at most 1000 so that a reader that never ends fails instead of
// hanging; `readBytes` 0 uses the default reader.
Lines ReadAll(const std::filesystem::path& path, std::size_t readBytes, Take take = Take::Wide) {
    tovfileio::TextReader reader = readBytes == 0 ? tovfileio::TextReader() : tovfileio::TextReader(readBytes);
    if (!reader.Open(tovtest::Wide(path)))
        return {L"<open failed>"};
    Lines lines;
    while (lines.size() < 1000) {
        const bool bytes = take == Take::Bytes || (take == Take::Mixed && lines.size() % 2 == 1);
        std::string_view line;
        if (bytes && reader.ReadLineBytes(line)) {
            lines.push_back(DecodeUtf8(line));
        } else if (const std::wstring* wide = bytes ? nullptr : reader.ReadLine()) {
            lines.push_back(*wide);
        } else {
            break;
        }
    }
    return lines;
}

// UTF-16 bytes in the given byte order, led by its byte-order mark.
std::string Utf16(bool bigEndian, std::u16string_view units) {
    std::string bytes = bigEndian ? "\xFE\xFF" : "\xFF\xFE";
    for (const char16_t u : units)
        bytes.append({char(bigEndian ? u >> 8 : u), char(bigEndian ? u : u >> 8)});
    return bytes;
}

struct FileCase {
    const char* name;
    std::string bytes;
    Lines lines;
};

// Read sizes 1 to 17 put a buffer boundary at every position of these short files; all of
// them, and the default buffer, must give the same lines.
TEST(TextReaderTest, LinesDoNotDependOnTheReadSize) {
    std::vector<FileCase> cases = {
        {"lone CR kept", "a\rb\r\n\r", {L"a\rb", L"\r"}},
        {"only the last CR dropped", "a\r\r\n", {L"a\r"}},
        {"no final newline", "a\nlast", {L"a", L"last"}},
        {"empty file", "", {}},
        {"only newlines", "\n\r\n\n", {L"", L"", L""}},
        {"multi-byte", "\xC3\xA9\xE2\x82\xAC\xF0\x9F\x98\x80\n", {L"\u00E9\u20AC\U0001F600"}},
        {"cut by line feed", "\xE2\x82\r\nz", {L"\u00E2\u0082", L"z"}},
        {"cut by end of file", "a\n\xF0\x9F\x98", {L"a", L"\u00F0\u009F\u0098"}},
        {"BOM skipped", kBom + "a\r\n", {L"a"}},
        {"partial BOM", "\xEF\xBB", {L"\u00EF\u00BB"}},
        {"UTF-16 odd byte at end", Utf16(false, u"a") + "\xE9", {L"a\u00E9"}},
    };
    for (const bool bigEndian : {false, true}) {
        const auto add = [&](const char* name, std::u16string_view units, Lines lines) {
            cases.push_back({name, Utf16(bigEndian, units), std::move(lines)});
        };
        add("UTF-16 lines", u"a\r\n\rb\nc", {L"a", L"\rb", L"c"});
        add("UTF-16 surrogate pair", u"\xD83D\xDE00\n", {L"\U0001F600"});
        add("UTF-16 lone surrogates", u"\xDC00\xD800\n\xD83Dx\xD800",
            {L"\xDC00\xD800", L"\xD83Dx\xD800"});
        add("UTF-16 line feed bytes inside units", u"\x0A0A\x0D0A\x0A0D", {L"\x0A0A\x0D0A\x0A0D"});
        add("UTF-16 BOM only", u"", {});
        add("UTF-16 empty line", u"\n", {L""});
    }
    // The bytes of a UTF-8 line decode to the line itself, however the two ways of
    // reading are mixed; a UTF-16 file has no lines as bytes.
    tovtest::ScratchDir dir;
    for (const auto& c : cases) {
        const auto path = dir.Write("case.txt", c.bytes);
        const bool utf16 = std::string_view(c.name).starts_with("UTF-16");
        for (std::size_t readBytes = 0; readBytes <= 17; ++readBytes) {
            EXPECT_EQ(ReadAll(path, readBytes), c.lines) << c.name << ", read size " << readBytes;
            EXPECT_EQ(ReadAll(path, readBytes, Take::Bytes), utf16 ? Lines() : c.lines)
                << c.name << ", as bytes, read size " << readBytes;
            if (!utf16) {
                EXPECT_EQ(ReadAll(path, readBytes, Take::Mixed), c.lines)
                    << c.name << ", mixed, read size " << readBytes;
            }
        }
    }
}

// Lines far longer than the default buffer come whole, however long: the
// way a line crosses buffers is the short files' test above.
TEST(TextReaderTest, LongLinesComeWholeAndLaterLinesIntact) {
    std::string line;  // about 540 KB
    for (int i = 0; i < 50000; ++i) line += std::to_string(i) + ",-0.5\t";
    tovtest::ScratchDir dir;
    const auto path = dir.Write("long.txt", line + "\r\nx\n" + line + "\ny");
    const Lines lines = {DecodeUtf8(line), L"x", DecodeUtf8(line), L"y"};
    EXPECT_TRUE(ReadAll(path, 0) == lines);
    EXPECT_TRUE(ReadAll(path, 0, Take::Bytes) == lines);
}

TEST(TextReaderTest, OpenRejectsWhatCannotBeReadAndReopenStartsOver) {
    tovtest::ScratchDir dir;
    const std::wstring first = tovtest::Wide(dir.Write("first", kBom + "a\nb\n"));
    // A name that is not UTF-8 reaches the file system byte for byte.
    const std::wstring second = tovtest::Wide(dir.Write("second\xE9", Utf16(false, u"c\n")));
    // A NUL must not cut the path down to a file that exists; /proc/self/mem opens but
    // fails at the first read (offset 0 is never mapped).
    std::vector<std::wstring> bad = {tovtest::Wide(dir.Path() / "missing.txt"),
                                     tovtest::Wide(dir.Path()), L"", first + L'\0' + L"x"};
    if (std::filesystem::exists("/proc/self/mem"))
        bad.push_back(L"/proc/self/mem");

    tovfileio::TextReader reader(3);
    for (const auto& path : bad) {
        ASSERT_TRUE(reader.Open(first));
        EXPECT_FALSE(reader.Open(path)) << EncodeUtf8(path);
        EXPECT_EQ(reader.ReadLine(), nullptr);
    }
    ASSERT_TRUE(reader.Open(first));
    EXPECT_EQ(*reader.ReadLine(), L"a");
    ASSERT_TRUE(reader.Open(second));
    EXPECT_EQ(*reader.ReadLine(), L"c");
    ASSERT_TRUE(reader.Open(first));  // UTF-8 again after UTF-16
    EXPECT_EQ(*reader.ReadLine(), L"a");
}

// Lines of `text` read through a pipe fed by a thread, with the byte limit
// `limit` and reads of `readBytes`; whether the limit was reached.
Lines ReadPipe(const std::string& text, std::uint64_t limit, std::size_t readBytes,
               bool& limitReached) {
    int ends[2];
    if (::pipe(ends) != 0) return {L"<no pipe>"};
    // The feed fails rather than kills the test once the reader stops.
    const auto previous = std::signal(SIGPIPE, SIG_IGN);
    std::thread feed([&text, fd = ends[1]] {
        for (std::size_t at = 0; at < text.size();) {
            const ssize_t put = ::write(fd, text.data() + at, text.size() - at);
            if (put <= 0) break;
            at += static_cast<std::size_t>(put);
        }
        ::close(fd);
    });
    std::FILE* stream = ::fdopen(ends[0], "rb");
    tovfileio::TextReader reader(readBytes);
    reader.SetByteLimit(limit);
    Lines lines;
    if (reader.OpenStream(stream)) {
        while (const std::wstring* line = reader.ReadLine()) lines.push_back(*line);
    }
    limitReached = reader.LimitReached();
    std::fclose(stream);  // a writer still writing then fails and stops
    feed.join();
    std::signal(SIGPIPE, previous);
    return lines;
}

// An input of no known size stops once it offers more bytes than the limit;
// one that ends within the limit and a regular file read whole.
TEST(TextReaderTest, ByteLimitStopsInputsOfNoKnownSize) {
    struct Case {
        const char* name;
        std::string text;
        std::uint64_t limit;
        Lines lines;
        bool reached;
    };
    const std::string big(100000, 'x');
    const Case cases[] = {
        {"ends at the limit", "ab\ncd\n", 6, {L"ab", L"cd"}, false},
        {"one byte beyond", "ab\ncd\ne", 6, {}, true},
        {"a long line beyond", "ab\n" + big + "\n", 1000, {}, true},
    };
    for (const Case& c : cases) {
        for (const std::size_t readBytes : {std::size_t{1}, std::size_t{4}, std::size_t{65536}}) {
            bool reached = false;
            const Lines lines = ReadPipe(c.text, c.limit, readBytes, reached);
            EXPECT_EQ(reached, c.reached) << c.name << ", reads of " << readBytes;
            if (!c.reached) {
                EXPECT_EQ(lines, c.lines) << c.name << ", reads of " << readBytes;
            }
        }
    }
    tovfileio::TextReader reader;
    reader.SetByteLimit(4);
    // A device opened by its path is of no known size either.
    EXPECT_FALSE(reader.Open(L"/dev/zero"));
    EXPECT_TRUE(reader.LimitReached());
    tovtest::ScratchDir dir;
    ASSERT_TRUE(reader.Open(tovtest::Wide(dir.Write("plain.txt", "a long line\n"))));
    EXPECT_FALSE(reader.LimitReached());
    EXPECT_EQ(*reader.ReadLine(), L"a long line");
}

extern "C" void IgnoreSignal(int) {}

// A signal that a program handles (tovfileio's panel takes Ctrl-C as a
// cancel) comes while the reader waits for a FIFO's writer and again while
// it waits for more bytes: the file opens and reads whole all the same.
TEST(TextReaderTest, HandledSignalsDoNotCutAFifoShort) {
    tovtest::ScratchDir dir;
    const auto fifo = dir.Path() / "held";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    struct sigaction action {}, previous {};
    action.sa_handler = IgnoreSignal;  // no SA_RESTART: waits are broken off
    sigemptyset(&action.sa_mask);
    ASSERT_EQ(::sigaction(SIGUSR1, &action, &previous), 0);
    const pthread_t reading = ::pthread_self();
    std::thread feed([&fifo, reading] {
        const auto pause = [] { std::this_thread::sleep_for(std::chrono::milliseconds(100)); };
        pause();
        ::pthread_kill(reading, SIGUSR1);  // the reader waits in its open
        pause();
        // A reader that gave up is no longer there to be written to.
        int fd = -1;
        for (int i = 0; i < 100 && fd < 0; ++i) {
            fd = ::open(fifo.c_str(), O_WRONLY | O_NONBLOCK);
            if (fd < 0) std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        if (fd < 0) return;
        ::fcntl(fd, F_SETFL, 0);
        EXPECT_EQ(::write(fd, "ab\n", 3), 3);
        pause();
        ::pthread_kill(reading, SIGUSR1);  // the reader waits for more bytes
        pause();
        EXPECT_EQ(::write(fd, "cd\n", 3), 3);
        ::close(fd);
    });
    tovfileio::TextReader reader;
    Lines lines;
    if (reader.Open(tovtest::Wide(fifo))) {
        while (const std::wstring* line = reader.ReadLine()) lines.push_back(*line);
    }
    feed.join();
    ::sigaction(SIGUSR1, &previous, nullptr);
    EXPECT_EQ(lines, (Lines{L"ab", L"cd"}));
}

TEST(TextCodecTest, DecodeUtf8KeepsInvalidBytesAsTheirValue) {
    const std::pair<std::string, std::wstring> cases[] = {
        {"\xC2\x80\xDF\xBF\xE0\xA0\x80\xEF\xBF\xBF\xF0\x90\x80\x80\xF4\x8F\xBF\xBF",
         L"\u0080\u07FF\u0800\uFFFF\U00010000\U0010FFFF"},            // limits
        {"\xC0\xAF\xE0\x80\xAF", L"\u00C0\u00AF\u00E0\u0080\u00AF"},  // overlong
        {"\xED\xA0\x80", L"\u00ED\u00A0\u0080"},                      // surrogate
        {"\xF4\x90\x80\x80\xF5", L"\u00F4\u0090\u0080\u0080\u00F5"},  // above U+10FFFF
        {"a\x80z\xE2\x82!", L"a\u0080z\u00E2\u0082!"},  // lone continuation, cut by ASCII
        {"", L""},
        {"HTRBaseTransX\x7F", L"HTRBaseTransX\x7F"},  // ASCII alone
        {"LHEL\xC3\xA9\x80", L"LHEL\u00E9\u0080"},   // ASCII, then the rest
    };
    for (const auto& [bytes, text] : cases)
        EXPECT_EQ(DecodeUtf8(bytes), text);
}

TEST(TextCodecTest, EncodeUtf8ReplacesNonScalarValuesAndRoundTripsTheRest) {
    EXPECT_EQ(EncodeUtf8(L"x\xD800\xDFFF\x110000\xFFFFFFFF"),
              "x\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD");
    EXPECT_EQ(EncodeUtf8(L""), "");
    EXPECT_EQ(EncodeUtf8(L"RHEL\x7F\u00E9a"), "RHEL\x7F\xC3\xA9" "a");
    std::wstring all;
    for (wchar_t c = 1; c <= 0x10FFFF; ++c)
        all.push_back(c >= 0xD800 && c <= 0xDFFF ? L'?' : c);
    EXPECT_EQ(DecodeUtf8(EncodeUtf8(all)), all);
}

// Bytes that are not UTF-8 travel as U+DC80 to U+DCFF, so any byte string comes back
// unchanged; the random ones are drawn from bytes that make UTF-8 fragments likely.
TEST(TextCodecTest, PathsEscapeInvalidBytesAndRoundTrip) {
    EXPECT_EQ(PathToWide("/\xC3\xA9/\xE9\xFF"), L"/\u00E9/\xDCE9\xDCFF");
    EXPECT_EQ(PathToWide("\xE2\x82"), L"\xDCE2\xDC82");
    EXPECT_EQ(WideToPath(L"\xDC80\u00E9\xDC7F"), "\x80\xC3\xA9\xEF\xBF\xBD");
    const char alphabet[] = "a/\x7F\x80\x8F\x9F\xA0\xBF\xC0\xC2\xDF\xE0\xED\xEF\xF0\xF4\xF5\xFF";
    std::mt19937 random(20240611);
    for (int i = 0; i < 20000; ++i) {
        std::string path(random() % 13, '\0');
        for (char& b : path)
            b = alphabet[random() % (sizeof alphabet - 1)];
        ASSERT_EQ(WideToPath(PathToWide(path)), path);
    }
}

}  // namespace
