// What the readers find, as Python sees it: each finding an object with the
// reader's own fields and the libraries' sentence for it, and a refused read
// raised as ReadError with the reader's message, line and column. A file
// the system will not open or write is raised as an OSError, with its
// number and the file's name.
#pragma once

#include <string>
#include <vector>

#include <pybind11/pybind11.h>

#include "tovfileio/text/FindingList.h"
#include "tovfileio/text/ReadFinding.h"

namespace tovpy {

// Keeps every finding a read tells, in order. Filled while the read runs
// without the interpreter's lock, handed to Python after.
using FindingCollector = tovfileio::FindingList;

// The findings as a Python list of Finding objects.
pybind11::list FindingObjects(const std::vector<tovfileio::ReadFinding>& findings);

// Raises ReadError for a read of the file at `path` (empty for bytes in
// memory) refused with `message` (the reader's), with the refusing
// finding's place and the libraries' cause, and every finding. The text
// names the file after the reader's words, as OSError does: "...: 'path'".
// `cause` is the finding the refusal is for; by default the first refusal
// among the findings. A file the system would not open (kCannotOpen with
// the system's error number) raises the OSError open() raises instead:
// FileNotFoundError, IsADirectoryError, PermissionError, ...
[[noreturn]] void RaiseReadError(const std::string& path, const std::wstring& message,
                                 const std::vector<tovfileio::ReadFinding>& findings,
                                 const tovfileio::ReadFinding* cause = nullptr);
// Raises ReadError when a finding of a marker take moves its data
// (LosesOrMovesData) and the take is not to be accepted as read.
void RaiseIfMisread(const std::string& path, const std::vector<tovfileio::ReadFinding>& findings,
                    bool acceptMisread);
// Raises ReadError when the findings say the file holds nothing of the
// format it was read as (IsForeignFile); else does nothing.
void RaiseIfForeign(const std::string& path,
                    const std::vector<tovfileio::ReadFinding>& findings);
// Raises WriteError, an OSError, for the file at `path` not written:
// `message` the writer's, `ioError` the system's error number or 0 when the
// writer refused the take itself.
[[noreturn]] void RaiseWriteError(const std::string& path, const std::wstring& message,
                                  int ioError);
// The system's error number of the last output this thread could not make
// or write whole since WatchOutputs (0: none), and whether it could not be
// made. Most writers say only that a file was not written, so every output
// the libraries open goes through a file system, installed as the module
// loads, that keeps the number for the write that met it.
void WatchOutputs();
int OutputError();
bool OutputNotCreated();
// Raises ConversionError with the library's message.
[[noreturn]] void RaiseConversionError(const std::string& message,
                                       const std::vector<tovfileio::ReadFinding>& findings);

void RegisterFindings(pybind11::module_& module);

}  // namespace tovpy
