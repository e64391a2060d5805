// The JSON writer of `info --json` and `plugins --json`: every document it
// writes parses, and parses back to the values written.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>

#include <nlohmann/json.hpp>

#include "cli/report/JsonWriter.h"

namespace {

TEST(JsonWriterTest, DocumentsParseBackToTheValuesWritten) {
    const std::string awkward = std::string("quote\" backslash\\ tab\t nl\n cr\r bell\x07 nul") +
                                '\0' + " del\x7f é";
    JsonWriter json;
    json.BeginObject();
    json.Key("awkward").String(awkward);
    json.Key("wide").String(std::wstring_view(L"Hüfte \U0001F600"));
    json.Key("ints").BeginArray()
        .Int(std::numeric_limits<std::int64_t>::min())
        .UInt(std::numeric_limits<std::uint64_t>::max())
        .EndArray();
    json.Key("doubles").BeginArray()
        .Double(0.1).Double(-0.0).Double(1e300).Double(5e-324)
        .Double(HUGE_VAL).Double(-HUGE_VAL).Double(std::nan(""))
        .EndArray();
    json.Key("nested").BeginArray().BeginObject().EndObject().BeginArray().EndArray()
        .BeginObject().Key("k\"").Bool(false).EndObject().EndArray();
    json.Key("empty").String("");
    json.Key("null").Null();
    json.EndObject();

    const auto parsed = nlohmann::json::parse(json.Text());
    EXPECT_EQ(parsed["awkward"].get<std::string>(), awkward);
    EXPECT_EQ(parsed["wide"].get<std::string>(), "H\xC3\xBC" "fte \xF0\x9F\x98\x80");
    EXPECT_EQ(parsed["ints"][0].get<std::int64_t>(), std::numeric_limits<std::int64_t>::min());
    EXPECT_EQ(parsed["ints"][1].get<std::uint64_t>(), std::numeric_limits<std::uint64_t>::max());
    const auto& doubles = parsed["doubles"];
    EXPECT_EQ(doubles[0].get<double>(), 0.1);
    EXPECT_EQ(doubles[1].get<double>(), 0.0);
    EXPECT_EQ(doubles[2].get<double>(), 1e300);
    EXPECT_EQ(doubles[3].get<double>(), 5e-324);
    // JSON has no infinities or NaN: they are null.
    for (int i = 4; i < 7; ++i) EXPECT_TRUE(doubles[i].is_null()) << i;
    EXPECT_EQ(parsed["nested"].dump(), R"([{},[],{"k\"":false}])");
    EXPECT_EQ(parsed["empty"], "");
    EXPECT_TRUE(parsed["null"].is_null());
    // Compact: no white space outside strings.
    EXPECT_EQ(json.Text().find(": "), std::string::npos);
    EXPECT_EQ(json.Text().find(", "), std::string::npos);
}

}  // namespace
