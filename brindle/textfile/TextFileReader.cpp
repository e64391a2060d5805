// The host's line reader: the file libraries' standard reader behind the
// interface plug-ins are written against.
#include "brindle/sdk/TextFile.h"

#include "tovfileio/text/TextReader.h"

namespace TextFile {

class Reader::Lines {
public:
    tovfileio::TextReader reader;
};

Reader::Reader() : lines_(std::make_unique<Lines>()) {}
Reader::~Reader() = default;

bool Reader::Open(const std::wstring& path, int /*codePage*/, int /*lineEndMode*/) {
    return lines_->reader.Open(path);
}
bool Reader::OpenMemory(std::string_view bytes) { return lines_->reader.OpenMemory(bytes); }
int Reader::OpenError() const { return lines_->reader.OpenError(); }
const std::wstring* Reader::ReadLine(std::size_t /*maxChars*/) { return lines_->reader.ReadLine(); }
bool Reader::IsUtf8() const { return lines_->reader.IsUtf8(); }
bool Reader::ReadLineBytes(std::string_view& line) { return lines_->reader.ReadLineBytes(line); }
std::uint64_t Reader::FileSize() const { return lines_->reader.Size(); }
bool Reader::IsOpen() const { return lines_->reader.IsOpen(); }
void Reader::Close() { lines_->reader.Close(); }

}  // namespace TextFile
