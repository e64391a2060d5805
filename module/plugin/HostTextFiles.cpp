#include "plugin/HostTextFiles.h"

#include "brindle/sdk/TextFile.h"
#include "brindle/sdk/TextFileWriter.h"

namespace {

class HostLines final : public tovfileio::TextLines {
public:
    TextFile::Reader reader;

    const std::wstring* ReadLine() override { return reader.ReadLine(); }
    bool IsUtf8() const override { return reader.IsUtf8(); }
    bool ReadLineBytes(std::string_view& line) override { return reader.ReadLineBytes(line); }
    std::uint64_t Size() const override { return reader.FileSize(); }
};

class HostOutput final : public tovfileio::TextOutput {
public:
    TextFile::Writer writer;

    void Write(std::string_view bytes) override { writer.Write(bytes); }
    bool Failed() const override { return writer.Failed(); }
    int Error() const override { return writer.Error(); }
    bool Commit() override { return writer.Close(); }
    void Discard() override { writer.Discard(); }
};

}  // namespace

std::unique_ptr<tovfileio::TextLines> HostTextFiles::OpenLines(const std::wstring& path,
                                                               int& error) {
    auto lines = std::make_unique<HostLines>();
    if (lines->reader.Open(path, 0, TextFile::Reader::kLineEndsKeepNone)) return lines;
    error = lines->reader.OpenError();
    return nullptr;
}

std::unique_ptr<tovfileio::TextOutput> HostTextFiles::CreateOutput(const std::wstring& path,
                                                                   int& error) {
    auto output = std::make_unique<HostOutput>();
    if (output->writer.Open(path)) return output;
    error = output->writer.Error();
    return nullptr;
}
