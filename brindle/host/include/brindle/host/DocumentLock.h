// A lock on a document that several processes may change: each holder
// loads, changes and saves the document while no other holder can.
//
// The lock is an flock on a hidden file beside the document, ".NAME.lock".
// The holder removes that file before it lets go, so nothing stays behind;
// a process killed while holding it leaves the empty file, and the kernel
// lets go of the flock, so the next one takes it over and removes it in
// turn. A process that took the flock checks that the file it holds is
// still the one at the path: a file removed by the holder before, or one
// that another process has created since, is not the lock, and it tries
// again. Only the holder removes the file, so the lock cannot be stolen.
#pragma once

#include <chrono>
#include <functional>
#include <string>

namespace brindle::host {

// The lock file of `document`: ".NAME.lock" in the document's folder.
std::string LockFileFor(const std::string& document);

class DocumentLock {
  public:
    enum class Outcome { Held, TimedOut, Failed };

    DocumentLock() = default;
    ~DocumentLock() { Release(); }
    DocumentLock(const DocumentLock&) = delete;
    DocumentLock& operator=(const DocumentLock&) = delete;

    // Takes the lock of `document`, waiting at most `wait` while another
    // process holds it; `waiting`, when given, is called once, as the wait
    // begins. Failed (with `error` naming the lock file and the reason)
    // when the lock file cannot be created, as in a read-only folder.
    Outcome Acquire(const std::string& document, std::chrono::milliseconds wait,
                    const std::function<void()>& waiting, std::string& error);
    // Removes the lock file and lets go; nothing when not held.
    void Release();

    bool Held() const { return fd_ >= 0; }
    // The lock file while held.
    const std::string& LockFile() const { return lockFile_; }

  private:
    int fd_ = -1;
    std::string lockFile_;
};

}  // namespace brindle::host
