#include "brindle/sdk/TextCodec.h"

#include <initializer_list>
#include <random>
#include <string>

#include <gtest/gtest.h>

namespace {

// Wide text from code units, for the ones a literal cannot hold.
std::wstring Units(std::initializer_list<char32_t> units) {
    std::wstring text;
    for (const char32_t u : units)
        text.push_back(static_cast<wchar_t>(u));
    return text;
}

struct DecodeCase {
    const char* name;
    std::string bytes;
    std::wstring text;
};

TEST(TextCodecTest, DecodeUtf8KeepsInvalidBytesAsTheirValue) {
    const DecodeCase cases[] = {
        {"ascii", "a1\t", L"a1\t"},
        {"sequence limits",
         "\xC2\x80\xDF\xBF\xE0\xA0\x80\xEF\xBF\xBF\xF0\x90\x80\x80\xF4\x8F\xBF\xBF",
         L"\u0080\u07FF\u0800\uFFFF\U00010000\U0010FFFF"},
        {"around surrogates", "\xED\x9F\xBF\xEE\x80\x80", L"\uD7FF\uE000"},
        {"overlong", "\xC0\xAF\xE0\x80\xAF", L"\u00C0\u00AF\u00E0\u0080\u00AF"},
        {"surrogate", "\xED\xA0\x80", L"\u00ED\u00A0\u0080"},
        {"above U+10FFFF", "\xF4\x90\x80\x80\xF5", L"\u00F4\u0090\u0080\u0080\u00F5"},
        {"lone continuation", "a\x80z", L"a\u0080z"},
        {"cut by ASCII", "\xE2\x82!", L"\u00E2\u0082!"},
        {"cut by the end", "x\xF0\x9F\x98", L"x\u00F0\u009F\u0098"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(TextCodec::DecodeUtf8(c.bytes), c.text) << c.name;
    }
}

TEST(TextCodecTest, EncodeUtf8ReplacesNonScalarValues) {
    EXPECT_EQ(TextCodec::EncodeUtf8(L"a\u00E9\u20AC\U0001F600"),
              "a\xC3\xA9\xE2\x82\xAC\xF0\x9F\x98\x80");
    EXPECT_EQ(TextCodec::EncodeUtf8(Units({'x', 0xD800, 0xDFFF, 0x110000, 0xFFFFFFFF})),
              "x\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD");
}

TEST(TextCodecTest, EveryScalarValueSurvivesEncodeAndDecode) {
    std::wstring all;
    for (wchar_t c = 1; c <= 0x10FFFF; ++c) {
        if (c < 0xD800 || c > 0xDFFF)
            all.push_back(c);
    }
    EXPECT_EQ(TextCodec::DecodeUtf8(TextCodec::EncodeUtf8(all)), all);
}

TEST(TextCodecTest, PathsEscapeInvalidBytes) {
    EXPECT_EQ(TextCodec::PathToWide("/\xC3\xA9/\xE9\xFF"), Units({'/', 0xE9, '/', 0xDCE9, 0xDCFF}));
    EXPECT_EQ(TextCodec::PathToWide("\xE2\x82"), Units({0xDCE2, 0xDC82}));
    EXPECT_EQ(TextCodec::WideToPath(Units({0xDC80, 0xE9, 0xDC7F})), "\x80\xC3\xA9\xEF\xBF\xBD");
}

// Any byte string, valid UTF-8 or not, comes back unchanged. Random strings
// are drawn from bytes that make UTF-8 fragments likely.
TEST(TextCodecTest, EveryPathRoundTrips) {
    const unsigned char alphabet[] = {'a',  '/',  0x7F, 0x80, 0x8F, 0x9F, 0xA0, 0xBF, 0xC0,
                                      0xC2, 0xDF, 0xE0, 0xED, 0xEF, 0xF0, 0xF4, 0xF5, 0xFF};
    std::mt19937 random(20240611);
    std::uniform_int_distribution<std::size_t> pick(0, sizeof alphabet - 1);
    std::uniform_int_distribution<std::size_t> length(0, 12);
    for (int i = 0; i < 20000; ++i) {
        std::string path(length(random), '\0');
        for (char& b : path)
            b = static_cast<char>(alphabet[pick(random)]);
        ASSERT_EQ(TextCodec::WideToPath(TextCodec::PathToWide(path)), path);
    }
}

}  // namespace
