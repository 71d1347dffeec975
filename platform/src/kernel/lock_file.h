// An exclusive lock held on a file in the runtime directory, for steps that
// must not interleave between processes (or threads: each LockFile opens the
// file anew, and flock locks of separate opens exclude each other too).
#pragma once

#include <string>

namespace kmxwin {

class LockFile {
  public:
    // Opens (creating) PATH and waits for the lock.
    explicit LockFile(const std::string& path);
    ~LockFile();
    LockFile(const LockFile&) = delete;
    LockFile& operator=(const LockFile&) = delete;

    bool Held() const { return fd_ >= 0; }
    // The locked file, for a small record kept in it.
    int Fd() const { return fd_; }

  private:
    int fd_ = -1;
};

}  // namespace kmxwin
