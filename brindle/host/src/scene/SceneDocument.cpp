#include "brindle/host/scene/SceneDocument.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <new>
#include <span>
#include <string>
#include <vector>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "scene/BinaryReader.h"
#include "scene/BinaryWriter.h"
#include "scene/DocumentError.h"
#include "scene/DocumentText.h"
#include "scene/DocumentTree.h"
#include "scene/JsonReader.h"
#include "scene/ScenePlan.h"
#include "scene/SceneReader.h"
#include "scene/SceneWriter.h"
#include "brindle/sdk/TextCodec.h"
#include "brindle/sdk/TextFileWriter.h"

namespace brindle::host {
namespace {

// The document nests six levels deep (a run of ticks of a controller of a
// node); a deeper one is not a scene, and the cap keeps hostile nesting
// cheap.
constexpr std::size_t kMaxDepth = 32;

// Why a file was not read as a JSON document, as the rest of the error line.
std::string ReadFailure(const JsonFailure& failure) {
    if (failure.readError != 0) {
        return std::string("cannot read: ") + std::strerror(failure.readError);
    }
    if (failure.empty) return "the file is empty";
    return "line " + std::to_string(failure.line) + ", column " + std::to_string(failure.column) +
           ": " + failure.message;
}

// The whole file open at `fd` (of about `size` bytes), read in one go;
// false with the system's error number when it cannot be read.
bool ReadWholeFile(int fd, std::size_t size, std::vector<unsigned char>& bytes, int& readError) {
    // One byte more than the file's size, so that its end is seen at once.
    bytes.resize(size + 1);
    std::size_t have = 0;
    for (;;) {
        if (have == bytes.size()) bytes.resize(bytes.size() * 2);
        const ssize_t got = ::read(fd, bytes.data() + have, bytes.size() - have);
        if (got < 0 && errno == EINTR) continue;
        if (got < 0) {
            readError = errno;
            return false;
        }
        if (got == 0) break;
        have += static_cast<std::size_t>(got);
    }
    bytes.resize(have);
    return true;
}

// Whether the file open at `fd` begins as a binary document. Its first
// byte is read where it lies, so that a JSON document is then read from its
// start; a file that cannot be read at an offset (a pipe) is taken for JSON.
bool BeginsBinary(int fd) {
    unsigned char first = 0;
    return ::pread(fd, &first, 1, 0) == 1 && LooksBinary(std::span(&first, 1));
}

// Reads the document open at `fd`, of either form, into `plan`; false with
// `error` when the file cannot be read or is not a whole JSON document.
// What the document says is checked as it is read.
bool ReadPlan(int fd, const std::string& path, ScenePlan& plan, std::string& error) {
    struct stat info {};
    if (::fstat(fd, &info) == 0 && S_ISDIR(info.st_mode)) {
        error = path + ": is a folder, not a scene document";
        return false;
    }
    if (BeginsBinary(fd)) {
        std::vector<unsigned char> bytes;
        int readError = 0;
        if (!ReadWholeFile(fd, static_cast<std::size_t>(std::max<off_t>(info.st_size, 0)), bytes,
                           readError)) {
            error = path + ": cannot read: " + std::strerror(readError);
            return false;
        }
        ReadBinaryScene(bytes, plan);
        return true;
    }
    DocumentTree tree(plan);
    JsonFailure failure;
    if (!ReadJson(fd, tree, kMaxDepth, failure)) {
        error = path + ": " + ReadFailure(failure);
        return false;
    }
    ReadScene(tree, plan);
    return true;
}

std::string NotSaved(const std::string& path, long long nonFinite) {
    return path + ": not saved: " +
           (nonFinite < 0 ? std::string("the system unit") : "node " + std::to_string(nonFinite)) +
           " holds a value that is infinite or not a number";
}

// The document goes to the file as it is written, through the host's text
// writer, which puts it in place only once it is whole and closed: a save
// that stops early, by a failure or an exception, leaves the old document.
bool WriteDocument(const Scene& scene, const std::string& path, std::string& error) {
    TextFile::Writer file;
    file.SetDurable(true);
    if (!file.Open(TextCodec::PathToWide(path))) {
        error = path + ": cannot write: " + std::strerror(file.Error());
        return false;
    }
    const ByteSink sink = [&file](std::string_view bytes) { file.Write(bytes); };
    if (const long long nonFinite = WriteBinaryScene(scene, sink); nonFinite != 0) {
        error = NotSaved(path, nonFinite);
        return false;
    }
    if (!file.Close()) {
        error = path + ": cannot write: " + std::strerror(file.Error());
        return false;
    }
    return true;
}

}  // namespace

std::string SceneToJson(const Scene& scene) {
    DocumentText text;
    WriteScene(scene, text, false);
    return text.Finish();
}

bool LoadSceneDocument(const std::string& path, Scene& scene, std::string& error) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        error = path + ": cannot open: " + std::strerror(errno);
        return false;
    }
    bool read = false;
    ScenePlan plan;
    try {
        read = ReadPlan(fd, path, plan, error);
    } catch (const DocumentError& problem) {
        error = path + ": " + problem.message;
    } catch (const std::bad_alloc&) {
        error = path + ": not enough memory to load the scene";
    } catch (const std::exception& problem) {
        error = path + ": " + Printable(problem.what());
    }
    ::close(fd);
    if (read) ApplyPlan(plan, scene);
    return read;
}

bool SaveSceneDocument(const Scene& scene, const std::string& path, std::string& error) {
    try {
        return WriteDocument(scene, path, error);
    } catch (const std::bad_alloc&) {
        error = path + ": not enough memory to save the scene";
        return false;
    }
}

}  // namespace brindle::host
