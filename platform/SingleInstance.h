#pragma once

#include <cstdint>
#include <string>

namespace korvane {

// One running copy per user session. On POSIX systems an exclusive lock on a file named after the
// lock in the session's runtime folder ($XDG_RUNTIME_DIR, else the temporary folder with the user
// id in the name); on Windows a named mutex in the logon session's namespace ("Local\<name>").
// The system drops the lock when the process ends, however it ends.
class SingleInstance {
  public:
    enum class Result {
        Acquired,        // this is the only copy; the lock is held until the process ends
        AlreadyRunning,  // another copy holds it
        Unavailable,     // no lock could be made; the copy runs unprotected
    };

    explicit SingleInstance(const std::string& name);
    ~SingleInstance();
    SingleInstance(const SingleInstance&) = delete;
    SingleInstance& operator=(const SingleInstance&) = delete;

    Result state() const { return mState; }
    // The lock file's path, or the mutex's name.
    const std::string& lockPath() const { return mPath; }

  private:
    std::string mPath;
    // The lock file's descriptor or the mutex's handle while the lock is held, else -1.
    std::intptr_t mHandle = -1;
    Result mState = Result::Unavailable;
};

}  // namespace korvane
