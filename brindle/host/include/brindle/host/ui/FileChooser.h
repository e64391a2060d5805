// What the host's file choosers do with a name the user gives them, before
// the module sees it: the promises its flags ask for. The choosers keep them
// for every driver; a driver that reads one name at a time (the line driver)
// may check each name as it comes with the same rules.
#pragma once

#include <string>

#include "brindle/host/ui/UiDriver.h"

namespace brindle::host {

// `path` from the root: a relative path is taken in the current folder
// (".." and "." steps worked out by name); an absolute one is kept as it is.
std::wstring AbsolutePath(const std::wstring& path);

// The folder a relative name is taken in: the chooser's starting folder,
// or "." when it has none or that is no folder here.
std::wstring ChooserFolder(const FileDialogRequest& chooser);

// The file `given` means in `chooser`, from the root: a relative name is
// taken in the chooser's starting folder (in the current folder when it has
// none, or when that is no folder here), and a name without an extension gets the
// chooser's default extension (not when it names a folder, and in an open
// chooser only when it names no file).
std::wstring ChosenPath(const FileDialogRequest& chooser, const std::wstring& given);

// Why `chooser` does not take `path` (as ChosenPath made it): a folder, or a
// file that must exist and does not. Empty when it takes it.
std::wstring ChosenPathRefusal(const FileDialogRequest& chooser, const std::wstring& path);

// Whether taking `path` replaces an existing file the chooser must ask
// about first.
bool ChosenPathReplaces(const FileDialogRequest& chooser, const std::wstring& path);

// The question a chooser asks before it replaces `path`.
std::wstring ReplaceQuestion(const std::wstring& path);

}  // namespace brindle::host
