#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <limits>
#include <random>
#include <string>

#include "tovfileio/text/FixedNumber.h"

using namespace tovfileio;

using tovtext::WriteFixed;

namespace {

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
