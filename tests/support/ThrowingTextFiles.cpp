#include "tests/support/ThrowingTextFiles.h"

#include <new>
#include <stdexcept>
#include <string_view>

#include "tovfileio/text/TextReader.h"
#include "tovfileio/text/TextWriter.h"

namespace tovtest {
namespace {

using Throw = ThrowingTextFiles::Throw;

class ThrowingOutput final : public tovfileio::TextOutput {
public:
    ThrowingOutput(std::uint64_t bytes, Throw what, std::atomic<bool>& threw)
        : left_(bytes), what_(what), threw_(threw) {}

    bool Open(const std::wstring& path) { return writer_.Open(path); }

    // Throws once; a writer that goes on after catching the exception finds
    // the output taking bytes again, as after a passing lack of memory.
    void Write(std::string_view bytes) override {
        if (thrown_ || bytes.size() <= left_) {
            if (!thrown_) left_ -= bytes.size();
            writer_.Write(bytes);
            return;
        }
        // What came before the break is on the disk, as a write cut short
        // leaves it.
        writer_.Write(bytes.substr(0, static_cast<std::size_t>(left_)));
        writer_.Flush();
        thrown_ = true;
        threw_ = true;
        if (what_ == Throw::kBadAlloc) throw std::bad_alloc();
        throw std::runtime_error("the output broke off");
    }
    bool Failed() const override { return writer_.Failed(); }
    int Error() const override { return writer_.Error(); }
    bool Commit() override { return writer_.Commit(); }
    void Discard() override { writer_.Discard(); }

private:
    tovfileio::TextWriter writer_;
    std::uint64_t left_;
    bool thrown_ = false;
    Throw what_;
    std::atomic<bool>& threw_;
};

}  // namespace

ThrowingTextFiles::ThrowingTextFiles(std::uint64_t bytes, Throw what) : bytes_(bytes), what_(what) {
    tovfileio::UseTextFiles(this);
}

ThrowingTextFiles::~ThrowingTextFiles() { tovfileio::UseTextFiles(nullptr); }

std::unique_ptr<tovfileio::TextLines> ThrowingTextFiles::OpenLines(const std::wstring& path, int& error) {
    auto reader = std::make_unique<tovfileio::TextReader>();
    if (reader->Open(path)) return reader;
    error = reader->OpenError();
    return nullptr;
}

std::unique_ptr<tovfileio::TextOutput> ThrowingTextFiles::CreateOutput(const std::wstring& path, int& error) {
    auto output = std::make_unique<ThrowingOutput>(bytes_, what_, threw_);
    if (output->Open(path)) return output;
    error = output->Error();
    return nullptr;
}

}  // namespace tovtest
