// A small writer of compact JSON text into a string: the tools' reports
// (tovfileio's --json output) and the take a view page carries.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

class JsonWriter {
public:
    // How strings (values and keys) are escaped.
    enum class Escapes {
        // What JSON needs: quote and backslash, newline, return and tab as
        // \n, \r, \t, the other control characters as \u00XX.
        kJson,
        // For JSON inside an HTML script element: quote and backslash, and
        // every control character and '<', '>', '&' as \u00XX, so that no
        // text ("</script>", "<!--") can end or change the element.
        kScript,
    };

    explicit JsonWriter(Escapes escapes = Escapes::kJson) : escapes_(escapes) {}

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

    // A line break before the next value or key, after its comma.
    JsonWriter& LineBreak();

    const std::string& Text() const { return text_; }

private:
    void BeforeValue();
    void AppendString(std::string_view utf8);

    std::string text_;
    Escapes escapes_;
    bool needComma_ = false;
    bool lineBreak_ = false;
};
