#include "Findings.h"

#include <cerrno>
#include <cstring>
#include <memory>
#include <string_view>

#include "tovfileio/convert/Takes.h"
#include "tovfileio/text/FindingText.h"
#include "tovfileio/text/TextCodec.h"
#include "tovfileio/text/TextFiles.h"

namespace py = pybind11;
using tovfileio::ReadFinding;
using tovfileio::ReadFindingCode;

namespace tovpy {
namespace {

// The exception classes, made once as the module loads.
PyObject* gError = nullptr;
PyObject* gReadError = nullptr;
PyObject* gWriteError = nullptr;
PyObject* gConversionError = nullptr;

const char* FormatName(tovfileio::FileKind format) { return tovfileio::KindInfo(format).keyword; }

// Raises `type` with `text` as its argument and `attributes` set on it.
[[noreturn]] void Raise(PyObject* type, const std::string& text, const py::dict& attributes) {
    py::object error = py::reinterpret_borrow<py::object>(type)(py::str(text));
    for (auto item : attributes) py::setattr(error, item.first, item.second);
    PyErr_SetObject(type, error.ptr());
    throw py::error_already_set();
}

// The system's error number of the last output this thread could not make
// or write whole, and whether it could not be made: a thread's own, as
// writes run in several threads at once.
thread_local int tOutputError = 0;
thread_local bool tNotCreated = false;

// An output as the file system made it, keeping its error number when it
// fails.
class WatchedOutput final : public tovfileio::TextOutput {
public:
    explicit WatchedOutput(std::unique_ptr<tovfileio::TextOutput> file) : file_(std::move(file)) {}
    void Write(std::string_view bytes) override { file_->Write(bytes); }
    bool Failed() const override { return Kept(file_->Failed()); }
    int Error() const override { return file_->Error(); }
    bool Commit() override { return !Kept(!file_->Commit()); }
    void Discard() override { file_->Discard(); }

private:
    bool Kept(bool failed) const {
        if (failed) tOutputError = file_->Error() != 0 ? file_->Error() : EIO;
        return failed;
    }

    std::unique_ptr<tovfileio::TextOutput> file_;
};

// The libraries' file system with every output watched; reads pass as they
// are.
class OutputFailures final : public tovfileio::TextFileSystem {
public:
    explicit OutputFailures(tovfileio::TextFileSystem& files) : files_(files) {}
    std::unique_ptr<tovfileio::TextLines> OpenLines(const std::wstring& path, int& error) override {
        return files_.OpenLines(path, error);
    }
    std::unique_ptr<tovfileio::TextOutput> CreateOutput(const std::wstring& path,
                                                        int& error) override {
        std::unique_ptr<tovfileio::TextOutput> file = files_.CreateOutput(path, error);
        if (!file) {
            tOutputError = error != 0 ? error : EIO;
            tNotCreated = true;
            return nullptr;
        }
        return std::make_unique<WatchedOutput>(std::move(file));
    }

private:
    tovfileio::TextFileSystem& files_;
};

const ReadFinding* FirstRefusal(const std::vector<ReadFinding>& findings) {
    for (const ReadFinding& finding : findings) {
        if (finding.effect == ReadFinding::Effect::kRefusal) return &finding;
    }
    return nullptr;
}

}  // namespace

py::list FindingObjects(const std::vector<ReadFinding>& findings) {
    py::list list;
    for (const ReadFinding& finding : findings) list.append(py::cast(finding));
    return list;
}

namespace {

// A path's bytes as Python shows a file name: undecodable bytes kept as
// surrogates, so that any name the system gives comes back.
py::str PathText(const std::string& path) {
    return py::reinterpret_steal<py::str>(
        PyUnicode_DecodeFSDefaultAndSize(path.data(), static_cast<Py_ssize_t>(path.size())));
}

// The error's text, naming the file it is about when there is one, quoted
// and escaped as repr() does.
std::string AboutFile(const std::string& text, const std::string& path) {
    if (path.empty()) return text;
    return text + ": " + py::repr(PathText(path)).cast<std::string>();
}

// Raises the OSError Python raises for a file it cannot open with `error`:
// OSError picks the subclass of the number (FileNotFoundError,
// IsADirectoryError, PermissionError, ...) and sets errno, strerror and
// filename, the name as the caller gave it.
[[noreturn]] void RaiseOpenError(const std::string& path, int error) {
    const py::object raised = py::reinterpret_borrow<py::object>(PyExc_OSError)(
        error, std::strerror(error), PathText(path));
    PyErr_SetObject(reinterpret_cast<PyObject*>(Py_TYPE(raised.ptr())), raised.ptr());
    throw py::error_already_set();
}

}  // namespace

void RaiseReadError(const std::string& path, const std::wstring& message,
                    const std::vector<ReadFinding>& findings, const ReadFinding* because) {
    const ReadFinding* refusal = because != nullptr ? because : FirstRefusal(findings);
    // A file the system would not open is the system's error, not the
    // content's; without the system's number it stays a refusal.
    if (because == nullptr && refusal != nullptr &&
        refusal->code == ReadFindingCode::kCannotOpen && !path.empty()) {
        const auto* detail = refusal->Get<tovfileio::findingdetail::CannotOpen>();
        if (detail != nullptr && detail->error != 0) RaiseOpenError(path, detail->error);
    }
    const std::string cause = refusal == nullptr ? std::string()
                              : because != nullptr ? tovfileio::FindingText(*refusal)
                                                   : tovfileio::RefusalCause(*refusal);
    const std::string text = tovfileio::EncodeUtf8(message);
    py::dict attributes;
    attributes["message"] = text;
    attributes["cause"] = cause;
    // A place of 0 is the file or the line as a whole: no place.
    const bool line = refusal != nullptr && refusal->line != 0;
    attributes["line"] = line ? py::cast(refusal->line) : py::none();
    attributes["column"] = line && refusal->column != 0 ? py::cast(refusal->column) : py::none();
    attributes["findings"] = FindingObjects(findings);
    attributes["path"] = path.empty() ? py::object(py::none()) : py::object(PathText(path));
    // As the command line words a refusal: the message, then its cause.
    Raise(gReadError, AboutFile(cause.empty() ? text : text + " (" + cause + ")", path),
          attributes);
}

void RaiseIfMisread(const std::string& path, const std::vector<ReadFinding>& findings,
                    bool acceptMisread) {
    if (acceptMisread) return;
    for (const ReadFinding& finding : findings) {
        if (tovfileio::LosesOrMovesData(finding)) {
            RaiseReadError(path, tovfileio::kMisreadTake, findings, &finding);
        }
    }
}

void RaiseIfForeign(const std::string& path, const std::vector<ReadFinding>& findings) {
    if (!tovfileio::IsForeignFile(findings)) return;
    for (const ReadFinding& finding : findings) {
        if (finding.code != ReadFindingCode::kHtrNothing) continue;
        const std::string text = tovfileio::FindingText(finding);
        py::dict attributes;
        attributes["message"] = text;
        attributes["cause"] = std::string();
        attributes["line"] = py::none();
        attributes["column"] = py::none();
        attributes["findings"] = FindingObjects(findings);
        attributes["path"] = path.empty() ? py::object(py::none()) : py::object(PathText(path));
        Raise(gReadError, AboutFile(text, path), attributes);
    }
}

void RaiseWriteError(const std::string& path, const std::wstring& message, int ioError) {
    const std::string words = tovfileio::EncodeUtf8(message);
    const std::string system = ioError != 0 ? std::strerror(ioError) : std::string();
    py::dict attributes;
    attributes["message"] = words;
    attributes["errno"] = ioError != 0 ? py::cast(ioError) : py::none();
    attributes["strerror"] = ioError != 0 ? py::cast(system) : py::none();
    attributes["filename"] = PathText(path);
    Raise(gWriteError, AboutFile(system.empty() ? words : words + " (" + system + ")", path),
          attributes);
}

void WatchOutputs() {
    tOutputError = 0;
    tNotCreated = false;
}

int OutputError() { return tOutputError; }

bool OutputNotCreated() { return tNotCreated; }

void RaiseConversionError(const std::string& message, const std::vector<ReadFinding>& findings) {
    py::dict attributes;
    attributes["message"] = message;
    attributes["findings"] = FindingObjects(findings);
    Raise(gConversionError, message, attributes);
}

namespace {

void RegisterFindingCodes(py::module_& module) {
    py::enum_<ReadFindingCode> code(module, "FindingCode",
                                    "The kind of a finding, as the readers name it.");
    for (const ReadFindingCode each : tovfileio::FindingCodes()) {
        code.value(tovfileio::FindingCodeName(each), each);
    }
}

void RegisterFindingClass(py::module_& module) {
    py::class_<ReadFinding>(module, "Finding",
                            "One thing a reader found in a file besides its values: where it "
                            "refuses the file, or reads it otherwise than the file means.")
        .def_readonly("code", &ReadFinding::code, "The kind of finding.")
        .def_property_readonly(
            "format", [](const ReadFinding& f) { return FormatName(f.format); },
            "The format the file was read as: 'htr', 'trc', 'gwm', 'bvh' or 'c3d'.")
        .def_property_readonly(
            "effect", [](const ReadFinding& f) { return tovfileio::EffectName(f.effect); },
            "What it does to the read: 'refusal', 'shift' (data lost or moved), "
            "'misread' (a value read as another) or 'note' (reads the same).")
        .def_readonly("line", &ReadFinding::line, "The line, from 1; 0 for the file as a whole.")
        .def_readonly("column", &ReadFinding::column,
                      "The column in characters from 1 (a byte offset in a C3D file); 0 for "
                      "the whole line.")
        .def_property_readonly(
            "found", [](const ReadFinding& f) { return py::str(f.found.data(), f.found.size()); },
            "The text at that place, as the file has it.")
        .def_readonly("count", &ReadFinding::count, "Places of this kind (this is the first).")
        .def_property_readonly(
            "text", [](const ReadFinding& f) { return tovfileio::FindingText(f); },
            "The libraries' sentence for the finding, as the command line says it.")
        .def_property_readonly(
            "is_warning", [](const ReadFinding& f) { return tovfileio::IsWarning(f); },
            "Whether a read warns of it: a shift or a misread.")
        .def("__repr__", [](const ReadFinding& f) {
            return "<Finding " + std::string(tovfileio::EffectName(f.effect)) + " line " +
                   std::to_string(f.line) + ": " + tovfileio::FindingText(f) + ">";
        });
}

void RegisterErrors(py::module_& module) {
    gError = PyErr_NewExceptionWithDoc("tovfileio.Error",
                                       "What the libraries refuse: the base of the errors below.",
                                       PyExc_Exception, nullptr);
    gReadError = PyErr_NewExceptionWithDoc(
        "tovfileio.ReadError",
        "A file the reader refuses. `message` is the reader's own, `cause` what the refusing "
        "finding adds, `line` and `column` its place (None when the reader gives none), "
        "`findings` every finding of the read.",
        gError, nullptr);
    // An OSError too, so that `except OSError` takes a failed write as it
    // takes a failed open(); its text stays the writer's words, not
    // OSError's "[Errno n] ...".
    const py::tuple writeBases = py::make_tuple(py::handle(gError), py::handle(PyExc_OSError));
    gWriteError = PyErr_NewExceptionWithDoc(
        "tovfileio.WriteError",
        "A file that could not be written whole; an older file stays as it was. An OSError: "
        "`errno` and `strerror` are the system's error (None when the writer refused the take "
        "itself), `filename` the file's name; `message` is the writer's.",
        writeBases.ptr(), nullptr);
    py::object writeError = py::reinterpret_borrow<py::object>(gWriteError);
    writeError.attr("__str__") = py::cpp_function(
        [](py::handle self) -> py::str {
            const py::tuple args = self.attr("args");
            if (args.size() == 1) return py::str(args[0]);
            return py::reinterpret_borrow<py::object>(PyExc_OSError).attr("__str__")(self);
        },
        py::is_method(writeError));
    gConversionError = PyErr_NewExceptionWithDoc(
        "tovfileio.ConversionError",
        "A conversion refused or not written; nothing was written. `message` and `findings`.",
        gError, nullptr);
    module.add_object("Error", py::handle(gError));
    module.add_object("ReadError", py::handle(gReadError));
    module.add_object("WriteError", py::handle(gWriteError));
    module.add_object("ConversionError", py::handle(gConversionError));
}

}  // namespace

void RegisterFindings(py::module_& module) {
    // Every output the libraries open from here on is watched; made once,
    // for the life of the process.
    static OutputFailures files(tovfileio::TextFiles());
    tovfileio::UseTextFiles(&files);
    RegisterFindingCodes(module);
    RegisterFindingClass(module);
    RegisterErrors(module);
}

}  // namespace tovpy
