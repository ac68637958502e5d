#pragma once

#include <cstdint>
#include <string>

namespace korvane {

// One running copy per user session. On POSIX systems an exclusive lock on a file named after the
// lock in a folder only the user can enter: the session's runtime folder ($XDG_RUNTIME_DIR), else
// "<name>-<uid>" in the temporary folder ($TMPDIR, else /tmp), made with mode 0700. The folder
// must be the user's own and closed to others, and the lock file is opened without following a
// link and must be the user's own regular file: otherwise no lock is made (Unavailable), so that
// another local user can neither block the program nor point it at a file. A program then says so
// and does not run: unlocked, a second copy would listen beside it. On Windows a named mutex in
// the logon session's namespace ("Local\<name>"). The system drops the lock when the process
// ends, however it ends.
class SingleInstance {
  public:
    enum class Result {
        Acquired,        // this is the only copy; the lock is held until the process ends
        AlreadyRunning,  // another copy holds it
        Unavailable,     // no lock could be made; the copy must not run
    };

    explicit SingleInstance(const std::string& name);
    ~SingleInstance();
    SingleInstance(const SingleInstance&) = delete;
    SingleInstance& operator=(const SingleInstance&) = delete;

    Result state() const { return mState; }
    // The lock file's path (the one that could not be made when Unavailable), or the mutex's
    // name.
    const std::string& lockPath() const { return mPath; }

  private:
    std::string mPath;
    // The lock file's descriptor or the mutex's handle while the lock is held, else -1.
    std::intptr_t mHandle = -1;
    Result mState = Result::Unavailable;
};

}  // namespace korvane
