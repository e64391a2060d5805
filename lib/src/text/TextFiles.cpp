#include "tovfileio/text/TextFiles.h"

#include <atomic>

#include "tovfileio/text/TextReader.h"
#include "tovfileio/text/TextWriter.h"

namespace tovfileio {
namespace {

// Files opened with the libraries' own reader and writer.
class StandardTextFiles final : public TextFileSystem {
public:
    std::unique_ptr<TextLines> OpenLines(const std::wstring& path, int& error) override {
        auto reader = std::make_unique<TextReader>();
        if (reader->Open(path)) return reader;
        error = reader->OpenError();
        return nullptr;
    }
    std::unique_ptr<TextOutput> CreateOutput(const std::wstring& path, int& error) override {
        auto writer = std::make_unique<TextWriter>();
        if (writer->Open(path)) return writer;
        error = writer->Error();
        return nullptr;
    }
};

StandardTextFiles gStandard;
std::atomic<TextFileSystem*> gInstalled{nullptr};

}  // namespace

TextFileSystem& TextFiles() {
    TextFileSystem* installed = gInstalled.load(std::memory_order_acquire);
    return installed != nullptr ? *installed : gStandard;
}

void UseTextFiles(TextFileSystem* files) { gInstalled.store(files, std::memory_order_release); }

}  // namespace tovfileio
