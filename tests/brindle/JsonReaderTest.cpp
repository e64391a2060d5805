#include "scene/JsonReader.h"

#include <fcntl.h>
#include <unistd.h>

#include <bit>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <limits>
#include <random>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "tests/support/TestFiles.h"

namespace {

using brindle::host::JsonFailure;
using brindle::host::JsonHandler;
using brindle::host::JsonNumber;

// Writes each event as a word: { } [ ] k:KEY s:TEXT n:NUMBER (i: an integer)
// true false null.
class Transcript : public JsonHandler {
public:
    std::string text;
    bool Null() override { return Put("null"); }
    bool Boolean(bool value) override { return Put(value ? "true" : "false"); }
    bool Number(const JsonNumber& n) override {
        return Put((n.integer ? "i:" : "n:") + std::string(n.text));
    }
    bool String(std::string_view utf8) override { return Put("s:" + std::string(utf8)); }
    bool Key(std::string_view utf8) override { return Put("k:" + std::string(utf8)); }
    bool StartObject() override { return Put("{"); }
    bool EndObject() override { return Put("}"); }
    bool StartArray() override { return Put("["); }
    bool EndArray() override { return Put("]"); }

private:
    bool Put(const std::string& word) {
        text += text.empty() ? word : " " + word;
        return true;
    }
};

// The transcript of `bytes`, or "error: line L, column C: MESSAGE".
std::string Read(const std::string& bytes) {
    tovtest::ScratchDir dir;
    const int fd = ::open(dir.Write("t.json", bytes).c_str(), O_RDONLY);
    Transcript events;
    JsonFailure failure;
    const bool read = brindle::host::ReadJson(fd, events, 4, failure);
    ::close(fd);
    if (read) return events.text;
    if (failure.empty) return "error: empty";
    return "error: line " + std::to_string(failure.line) + ", column " +
           std::to_string(failure.column) + ": " + failure.message;
}

TEST(JsonReaderTest, ReadsEveryFormOfValueAndRefusesWhatJsonDoesNot) {
    struct Case {
        const char* name;
        std::string bytes;
        std::string expected;
    };
    const Case cases[] = {
        {"every kind of value", "{\"a\": [1, -0, 2.5e-3, 1E+2, true, false, null, \"x\"], \"b\": {}}",
         "{ k:a [ i:1 i:-0 n:2.5e-3 n:1E+2 true false null s:x ] k:b { } }"},
        {"escapes and surrogate pairs", R"(["\"\\\/\b\f\n\r\t", "\u00e9\ud83d\ude00", "\u0000"])",
         std::string("[ s:\"\\/\b\f\n\r\t s:\xC3\xA9\xF0\x9F\x98\x80 s:") + '\0' + " ]"},
        {"byte-order mark, CR LF lines", "\xEF\xBB\xBF[1,\r\n2]\r\n", "[ i:1 i:2 ]"},
        {"the empty file", "", "error: empty"},
        {"cut short", "{\"a\": [1,", "error: line 1, column 10: syntax error: the document ends early"},
        {"a comma before the end", "[1,]", "error: line 1, column 4: syntax error: expected a value"},
        {"no comma", "[1\n 2]",
         "error: line 2, column 2: syntax error: expected ',' or ']' after an element of an array"},
        {"a minus alone", "[-]", "error: line 1, column 3: syntax error: expected a digit in a number"},
        {"text after the document", "{} {}",
         "error: line 1, column 4: syntax error: text after the end of the document"},
        {"a line feed in a string", "[\"a\nb\"]",
         "error: line 1, column 4: syntax error: a string does not end on its line"},
        {"a byte that starts nothing", "[\"a\xFF\"]",
         "error: line 1, column 4: syntax error: a string holds bytes that are not UTF-8"},
        {"a lone high surrogate", R"(["\ud800x"])",
         "error: line 1, column 3: syntax error: a high surrogate without a low one after it"},
        {"indents of every length up to 17",
         [] {
             std::string lines = "[";
             for (int n = 0; n <= 17; ++n) lines += "\n" + std::string(n, ' ') + "1,";
             return lines + " 2]";
         }(),
         "[ i:1 i:1 i:1 i:1 i:1 i:1 i:1 i:1 i:1 i:1 i:1 i:1 i:1 i:1 i:1 i:1 i:1 i:1 i:2 ]"},
        {"a tab inside an indent", "[\n         \t 1]", "[ i:1 ]"},
        {"a byte just above a space after an indent", "[\n   !          ]",
         "error: line 2, column 4: syntax error: expected a value"},
        {"long strings with a quote, an escape or UTF-8 at every place",
         "[\"abcdefghijklmnopq\", \"abcdefghi\\nj\", \"abcdefghijklmn\xC3\xA9op\"]",
         "[ s:abcdefghijklmnopq s:abcdefghi\nj s:abcdefghijklmn\xC3\xA9op ]"},
        {"a control character deep in a long string", "[\"abcdefghijk\x01lmnopq\"]",
         "error: line 1, column 14: syntax error: a control character in a string must be written "
         "as an escape"},
        {"nested to the limit", "[[[[1]]]]", "[ [ [ [ i:1 ] ] ] ]"},
        {"nested beyond it", "[[[[[1]]]]]", "error: line 1, column 5: nested more than 4 levels deep"},
    };
    for (const Case& c : cases) EXPECT_EQ(Read(c.bytes), c.expected) << c.name;
}

// Every number a document may hold converts to the double the standard
// library's correctly rounded conversion gives, to the bit: the numbers of
// few digits taken by a shorter way among them.
TEST(JsonReaderTest, NumbersConvertToTheNearestDoubleToTheBit) {
    std::vector<std::string> texts = {
        "0",     "-0",   "-0.0", "0.1",  "1e22", "1e23", "-1e-22", "1e-23", "9007199254740991",
        "9007199254740992", "9007199254740993", "0.000000000000000000000001", "123456789012345678",
        "1.7976931348623157e308", "4.9e-324", "2.2250738585072014e-308", "0.30000000000000004",
        "1E+2", "12.5e-0", "0e400", "1e-400"};
    std::mt19937_64 random(20261207);
    char buffer[64];
    for (int n = 0; n < 20000; ++n) {
        double value = 0;
        const std::uint64_t bits = random();
        std::memcpy(&value, &bits, sizeof value);
        if (!std::isfinite(value)) continue;
        // As a float's shortest text, as a fixed number of digits, and scaled
        // to the magnitudes of a scene.
        const double scene = std::ldexp(static_cast<double>(bits >> 11), -53 + int(bits % 24)) - 100;
        for (const double v : {value, scene, double(float(scene))}) {
            const int precision = 1 + int(random() % 17);
            std::snprintf(buffer, sizeof buffer, "%.*g", precision, v);
            texts.emplace_back(buffer);
            std::snprintf(buffer, sizeof buffer, "%.*f", int(random() % 12), scene);
            texts.emplace_back(buffer);
        }
        const auto end = std::to_chars(buffer, buffer + sizeof buffer, float(scene)).ptr;
        texts.emplace_back(buffer, end);
    }
    for (const std::string& text : texts) {
        double expected = 0;
        std::from_chars(text.data(), text.data() + text.size(), expected);
        double value = 42;
        ASSERT_TRUE((JsonNumber{text, false}.ToDouble(value))) << text;
        ASSERT_EQ(std::bit_cast<std::uint64_t>(value), std::bit_cast<std::uint64_t>(expected)) << text;
    }
}

TEST(JsonReaderTest, NumbersBeyondADoubleAreRefusedAndBelowOneAreZero) {
    struct Case {
        const char* text;
        bool fits;
        double value;
    };
    const Case cases[] = {
        {"1e308", true, 1e308},
        {"1e309", false, 0},
        {"1e-400", true, 0.0},
        {"-0.000000000000000000000000000000000000000000000001e-300", true, -0.0},
    };
    for (const Case& c : cases) {
        double value = 42;
        EXPECT_EQ((JsonNumber{c.text, false}.ToDouble(value)), c.fits) << c.text;
        if (c.fits) {
            EXPECT_EQ(value, c.value) << c.text;
            EXPECT_EQ(std::signbit(value), std::signbit(c.value)) << c.text;
        }
    }
    long long whole = 0;
    EXPECT_TRUE((JsonNumber{"-9223372036854775808", true}.ToInteger(whole)));
    EXPECT_EQ(whole, std::numeric_limits<long long>::min());
    EXPECT_FALSE((JsonNumber{"9223372036854775808", true}.ToInteger(whole)));
    EXPECT_FALSE((JsonNumber{"1.0", false}.ToInteger(whole)));
}

}  // namespace
