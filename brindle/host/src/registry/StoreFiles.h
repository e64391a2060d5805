// What the settings store does to files beside its own: folders made for a
// new store, a damaged store kept under another name, and the stamp that
// tells a file unchanged since it was last looked at.
#pragma once

#include <array>
#include <string>

namespace brindle::host {

// Creates every missing folder of `path` (the file's folders, not the file).
void CreateFoldersFor(const std::string& path);

// Keeps the file at `path` beside it as "<path>.damaged" (numbered when that
// name is taken), the name given in `copy`; a name that holds this very
// file already (kept by a save that failed after) is used again. False
// when it could not be kept.
bool KeepDamagedCopy(const std::string& path, std::string& copy);

// The file at `path` as stat finds it: device, inode, size and the time of
// its last change (which a write, a rename over it or a new name moves);
// all zero when there is none.
using FileStamp = std::array<long long, 5>;
FileStamp StampOf(const std::string& path);

}  // namespace brindle::host
