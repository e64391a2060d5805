// JSON text read from a file as events: the start and end of each object and
// array, each key and each value, in document order. Nothing is built here,
// so a reader keeps only what it wants of a document. The file is read a
// line at a time (no JSON token spans a line feed), so reading takes the
// memory of the longest line whatever the document's size. The text is
// UTF-8 (a leading byte-order mark is skipped); strings must be valid UTF-8
// and are delivered with their escapes resolved.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace brindle::host {

// A number as the document writes it, its form checked against JSON's.
struct JsonNumber {
    std::string_view text;
    bool integer = false;  // written without a fraction or an exponent

    // The nearest double; false when the number is too large for one. A
    // number too small for one is zero.
    bool ToDouble(double& value) const;
    // The value of an integer that a long long holds; false otherwise.
    bool ToInteger(long long& value) const;
};

// What a reader does with each event. Each returns false to stop reading,
// with the reason in `problem`. Text handed over is valid during the call.
class JsonHandler {
public:
    virtual ~JsonHandler() = default;
    virtual bool Null() = 0;
    virtual bool Boolean(bool value) = 0;
    virtual bool Number(const JsonNumber& number) = 0;
    virtual bool String(std::string_view utf8) = 0;
    virtual bool Key(std::string_view utf8) = 0;
    virtual bool StartObject() = 0;
    virtual bool EndObject() = 0;
    virtual bool StartArray() = 0;
    virtual bool EndArray() = 0;

    std::string problem;
};

// Why a file was not read as one whole document.
struct JsonFailure {
    int readError = 0;       // the system's error number of a failed read
    bool empty = false;      // the file holds no byte at all
    std::size_t line = 0;    // where the text or the handler stopped, from 1
    std::size_t column = 0;  // the byte of that line, from 1
    std::string message;     // a syntax error, the depth, or the handler's problem
};

// Reads the file open at `fd` as one JSON document, handing each event to
// `handler`; objects and arrays nested more than `maxDepth` deep are
// refused. True when the whole file was one document and the handler took
// every event.
bool ReadJson(int fd, JsonHandler& handler, std::size_t maxDepth, JsonFailure& failure);

}  // namespace brindle::host
