// Numbers read from the text of files and written into it.
#include <gtest/gtest.h>

#include <bit>
#include <clocale>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <limits>
#include <random>
#include <string>

#include "tovfileio/text/FixedNumber.h"
#include "tovfileio/text/LeadingNumber.h"

using namespace tovfileio;

using tovtext::LeadingDouble;
using tovtext::LeadingInt;
using tovtext::WriteFixed;

namespace {

// The same ASCII text as the bytes the readers convert from.
std::string Bytes(std::wstring_view text) { return std::string(text.begin(), text.end()); }

TEST(LeadingNumberTest, IntegersTakeTheLongestPrefixAndClamp) {
    constexpr std::int32_t kMax = std::numeric_limits<std::int32_t>::max();
    constexpr std::int32_t kMin = std::numeric_limits<std::int32_t>::min();
    const struct { const wchar_t* text; std::int32_t value; } cases[] = {
        {L"29.97", 29},        {L"  \t-12abc", -12},   {L"+7", 7},
        {L"", 0},              {L"+", 0},              {L"- 5", 0},
        {L"abc", 0},           {L"2147483647", kMax},  {L"2147483648", kMax},
        {L"-2147483648", kMin}, {L"-99999999999999999999", kMin}, {L"\r\v\f\n42", 42},
        {L"0x1F", 0},           {L"007", 7},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(LeadingInt(c.text), c.value) << c.text;
        EXPECT_EQ(LeadingInt(Bytes(c.text)), c.value) << c.text;
    }
    // Bytes of characters beyond ASCII end a number like any other letter.
    EXPECT_EQ(LeadingInt("12\xC2\xB2"), 12);
    EXPECT_EQ(LeadingInt("\xC2\xA0" "5"), 0);
}

TEST(LeadingNumberTest, RealsTakeTheLongestDecimalPrefix) {
    const double inf = std::numeric_limits<double>::infinity();
    const struct { const wchar_t* text; double value; } cases[] = {
        {L"1.", 1.0},      {L".5", 0.5},     {L"-.5e1", -5.0},      {L"1e", 1.0},
        {L"1e+", 1.0},     {L"2E-2x", 0.02}, {L"12,5", 12.0},       {L"1.2.3", 1.2},
        {L"\t\n 3", 3.0},  {L".", 0.0},      {L"-", 0.0},           {L"0x1A", 0.0},
        {L"inf", 0.0},     {L"NaN", 0.0},    {L"1e400", inf},       {L"-1e400", -inf},
        {L"1e-400", 0.0},  {L"4.9406564584124654e-324", 4.9406564584124654e-324},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(LeadingDouble(c.text), c.value) << c.text;
        EXPECT_EQ(LeadingDouble(Bytes(c.text)), c.value) << c.text;
    }
    EXPECT_TRUE(std::signbit(LeadingDouble(L"-0.000000")));
    EXPECT_TRUE(std::signbit(LeadingDouble("-0.000000")));
    EXPECT_EQ(LeadingDouble("1.5\xC2\xB0"), 1.5);
    EXPECT_EQ(LeadingDouble("\xE2\x88\x92" "1"), 0.0);  // U+2212 is not a minus sign
}

// `used` covers the white space and the number and nothing after them, so a
// reader may convert up to the end of the line and skip the rest of the field.
TEST(LeadingNumberTest, RealsTellHowMuchTheyConverted) {
    const struct { const char* text; double value; std::size_t used; } cases[] = {
        {" \r-3x", -3.0, 4},   {"1e\t2", 1.0, 1},   {"1.2.3", 1.2, 3},
        {"abc", 0.0, 0},       {"\t ", 0.0, 0},     {"-", 0.0, 0},
        {"", 0.0, 0},          {"0x1A", 0.0, 1},    {"-.5e1,", -5.0, 5},
        {"7\xC2\xB0", 7.0, 1},
    };
    for (const auto& c : cases) {
        std::size_t used = 99;
        EXPECT_EQ(LeadingDouble(c.text, used), c.value) << c.text;
        EXPECT_EQ(used, c.used) << c.text;
    }
}

// Random decimal texts of every shape read exactly as the C library reads
// them, bit for bit, including the sign of zero, and end where it ends.
TEST(LeadingNumberTest, RealsMatchTheCLibraryBitForBit) {
    std::setlocale(LC_NUMERIC, "C");
    std::mt19937_64 random(20261205);
    auto pick = [&](int n) { return static_cast<int>(random() % static_cast<unsigned>(n)); };
    for (int trial = 0; trial < 200000; ++trial) {
        std::string text;
        if (pick(3) == 0) text += pick(2) ? '-' : '+';
        const int digits = 1 + pick(pick(4) == 0 ? 40 : 17);
        const int point = pick(digits + 2) - 1;  // -1: no decimal point
        for (int d = 0; d < digits; ++d) {
            if (d == point) text += '.';
            text += static_cast<char>('0' + pick(10));
        }
        if (pick(4) == 0) {
            text += pick(2) ? 'e' : 'E';
            if (pick(2)) text += pick(2) ? '-' : '+';
            text += std::to_string(pick(pick(8) == 0 ? 400 : 30));
        }
        if (pick(5) == 0) text += "\t9";
        char* stop = nullptr;
        const double expected = std::strtod(text.c_str(), &stop);
        const std::wstring wide(text.begin(), text.end());
        ASSERT_EQ(std::bit_cast<std::uint64_t>(LeadingDouble(wide)),
                  std::bit_cast<std::uint64_t>(expected))
            << text;
        std::size_t used = 0;
        ASSERT_EQ(std::bit_cast<std::uint64_t>(LeadingDouble(text, used)),
                  std::bit_cast<std::uint64_t>(expected))
            << text;
        ASSERT_EQ(used, static_cast<std::size_t>(stop - text.c_str())) << text;
    }
}

std::string Fixed(double value, int decimals) {
    char text[tovtext::kFixedRoom];
    return std::string(text, WriteFixed(text, value, decimals));
}

std::string Printf(double value, int decimals) {
    char text[400];
    const int n = std::snprintf(text, sizeof text, "%.*f", decimals, value);
    return std::string(text, static_cast<std::size_t>(n));
}

TEST(FixedNumberTest, WritesWhatPrintfWrites) {
    const double inf = std::numeric_limits<double>::infinity();
    const struct { double value; int decimals; const char* text; } cases[] = {
        {0.0, 6, "0.000000"}, {-0.0, 6, "-0.000000"}, {2.5, 0, "2"},
        {0.0078125, 6, "0.007812"},  // exactly halfway: to the even digit
        {0.0234375, 6, "0.023438"},  // halfway, the other way
        {999999999.9999993, 6, "999999999.999999"},   // ...99999928
        {999999999.9999995, 6, "1000000000.000000"},  // ...99999952 carries into the integer
        {1e9, 6, "1000000000.000000"},                // from here on through to_chars
        {-123456789012.5, 1, "-123456789012.5"},
        {-4.9406564584124654e-324, 9, "-0.000000000"},
        {1.5, 17, "1.50000000000000000"}, {inf, 6, "inf"}, {-inf, 6, "-inf"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(Fixed(c.value, c.decimals), c.text) << c.value;
        if (std::isfinite(c.value)) {
            EXPECT_EQ(Fixed(c.value, c.decimals), Printf(c.value, c.decimals)) << c.value;
        }
    }
    EXPECT_EQ(Fixed(std::numeric_limits<double>::max(), 6),
              Printf(std::numeric_limits<double>::max(), 6));
}

// Random doubles of every size the files hold, and random bit patterns below a
// billion, give the digits of printf for every decimal count.
TEST(FixedNumberTest, MatchesPrintfOnRandomValues) {
    std::mt19937_64 random(20261205);
    std::uniform_real_distribution<double> exponent(-12.0, 9.0);
    for (int trial = 0; trial < 300000; ++trial) {
        double value;
        if (trial % 3 == 0) {
            value = std::bit_cast<double>(random());
            if (!(std::fabs(value) < 2e9)) continue;
        } else {
            value = std::pow(10.0, exponent(random)) * ((random() & 1) ? -1.0 : 1.0);
            // Values printed with few decimals and read back, as files hold them.
            if (trial % 3 == 2) value = std::round(value * 1e6) / 1e6;
        }
        const int decimals = static_cast<int>(random() % 10);
        ASSERT_EQ(Fixed(value, decimals), Printf(value, decimals)) << value << " " << decimals;
    }
}

}  // namespace
