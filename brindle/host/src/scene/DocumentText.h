// JSON text written as it goes, laid out for a person to read: an object a
// member a line, two spaces an indent, and arrays either on one line or an
// element a line. The text is handed to a sink in pieces of about 64 KB, so
// that a document of any size is never held whole; without a sink it is
// kept and given by Finish.
#pragma once

#include <cstddef>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace brindle::host {

class DocumentText {
public:
    using Sink = std::function<void(std::string_view)>;

    explicit DocumentText(Sink sink = nullptr) : sink_(std::move(sink)) {}

    void BeginObject();
    void EndObject();
    // An array with its elements on one line, or one a line.
    void BeginArray(bool oneLine);
    void EndArray();
    // The key of the next member of the open object.
    void Key(std::string_view utf8);

    void String(std::string_view utf8);
    void Integer(long long value);
    // The shortest decimal that reads back as the same float or double,
    // always with a fraction or an exponent (0.1, -0.0, 1e-45). JSON cannot
    // spell an infinity or NaN: such a value is written as null and noted.
    void Float(float value);
    void Double(double value);
    void Bool(bool value);
    void Null();

    // A value whose text the caller appends to the returned string, then
    // ends with EndRaw: numbers on one line, a long string written in place.
    std::string& BeginRaw();
    void EndRaw();

    // Appends `value` as Float writes it; false, after writing null, for an
    // infinity or NaN.
    static bool AppendFloat(std::string& out, float value);
    // Whether a value written since the last Clear was infinite or NaN.
    bool NonFinite() const { return nonFinite_; }
    void NoteNonFinite() { nonFinite_ = true; }
    void ClearNonFinite() { nonFinite_ = false; }

    // Ends the document with a line feed and hands the rest to the sink;
    // without a sink, the whole text.
    std::string Finish();

private:
    struct Level {
        bool object;
        bool oneLine;
        std::size_t count;
    };
    static constexpr std::size_t kPieceBytes = 64 * 1024;

    void BeforeValue();
    void NewLine();
    void Close(char bracket);
    void AppendString(std::string_view utf8);
    void Pass();

    Sink sink_;
    std::string text_;
    std::vector<Level> levels_;
    bool afterKey_ = false;
    bool nonFinite_ = false;
};

}  // namespace brindle::host
