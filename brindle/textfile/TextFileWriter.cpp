// The host's text writer: the file libraries' standard writer behind the
// interface plug-ins are written against, and the host's record of the
// writes that failed, whoever wrote.
#include "brindle/sdk/TextFileWriter.h"

#include <mutex>
#include <utility>

#include "tovfileio/text/TextCodec.h"
#include "tovfileio/text/TextWriter.h"

namespace TextFile {
namespace {

std::mutex gFailuresMutex;
std::vector<WriteFailure> gFailures;

}  // namespace

std::vector<WriteFailure> TakeWriteFailures() {
    std::lock_guard<std::mutex> lock(gFailuresMutex);
    return std::exchange(gFailures, {});
}

bool FollowLinks(const std::string& path, std::string& target, int& error) {
    return tovfileio::FollowLinks(path, target, error);
}

void StopWaitingWhen(bool (*stop)()) { tovfileio::StopWaitingWhen(stop); }

class Writer::File {
public:
    tovfileio::TextWriter writer;
};

Writer::Writer() : file_(std::make_unique<File>()) {}

Writer::~Writer() {
    file_->writer.Discard();
    NoteFailure();
}

bool Writer::Open(const std::wstring& path) {
    Discard();
    given_ = tovfileio::WideToPath(path);
    noted_ = false;
    const bool opened = file_->writer.Open(path);
    NoteFailure();
    return opened;
}

bool Writer::OpenInPlace(const std::wstring& path) {
    Discard();
    given_ = tovfileio::WideToPath(path);
    noted_ = false;
    const bool opened = file_->writer.OpenInPlace(path);
    NoteFailure();
    return opened;
}

void Writer::SetDurable(bool durable) { file_->writer.SetDurable(durable); }
void Writer::SetNewFileMode(unsigned mode) { file_->writer.SetNewFileMode(mode); }
void Writer::Write(std::string_view bytes) { file_->writer.Write(bytes); }
bool Writer::Failed() const { return file_->writer.Failed(); }
bool Writer::IsOpen() const { return file_->writer.IsOpen(); }
int Writer::Error() const { return file_->writer.Error(); }

bool Writer::Close() {
    const bool whole = file_->writer.Commit();
    NoteFailure();
    return whole;
}

void Writer::Discard() {
    file_->writer.Discard();
    NoteFailure();
}

void Writer::Flush() {
    file_->writer.Flush();
    NoteFailure();
}

void Writer::NoteFailure() {
    if (noted_ || !recorded_ || !file_->writer.Failed()) return;
    noted_ = true;
    std::lock_guard<std::mutex> lock(gFailuresMutex);
    gFailures.push_back({given_, file_->writer.Error()});
}

}  // namespace TextFile
