// A small writer of compact JSON text into a string.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

class JsonWriter {
public:
    // Containers; the writer places the commas.
    JsonWriter& BeginObject();
    JsonWriter& EndObject();
    JsonWriter& BeginArray();
    JsonWriter& EndArray();
    // The key of the next value in an object.
    JsonWriter& Key(std::string_view key);

    JsonWriter& String(std::string_view utf8);
    JsonWriter& String(std::wstring_view text);
    JsonWriter& Int(std::int64_t value);
    JsonWriter& UInt(std::uint64_t value);
    // Shortest text that reads back as the same double; null for infinities
    // and NaN, which JSON cannot express.
    JsonWriter& Double(double value);
    JsonWriter& Bool(bool value);
    JsonWriter& Null();

    const std::string& Text() const { return text_; }

private:
    void BeforeValue();

    std::string text_;
    bool needComma_ = false;
};
