#include "platform/SingleInstance.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <memory>

#include "tests/support/TempFolder.h"

namespace korvane {
namespace {

using Result = SingleInstance::Result;

class SingleInstanceTest : public ::testing::Test {
  protected:
    // A runtime folder is the user's alone, as the session makes it.
    void SetUp() override {
        chmod(mSession.path().c_str(), 0700);
        setenv("XDG_RUNTIME_DIR", mSession.path().c_str(), 1);
    }
    test::TempFolder mSession;
};

TEST_F(SingleInstanceTest, ASecondCopyInTheSessionIsRefusedUntilTheFirstEnds) {
    auto first = std::make_unique<SingleInstance>("ZRQ_KORVANE");
    EXPECT_EQ(first->state(), Result::Acquired);
    EXPECT_EQ(first->lockPath(), (mSession / "ZRQ_KORVANE.lock").string());
    EXPECT_EQ(SingleInstance("ZRQ_KORVANE").state(), Result::AlreadyRunning);

    // Another session has its own runtime folder.
    test::TempFolder otherSession;
    chmod(otherSession.path().c_str(), 0700);
    setenv("XDG_RUNTIME_DIR", otherSession.path().c_str(), 1);
    EXPECT_EQ(SingleInstance("ZRQ_KORVANE").state(), Result::Acquired);

    setenv("XDG_RUNTIME_DIR", mSession.path().c_str(), 1);
    first.reset();
    EXPECT_EQ(SingleInstance("ZRQ_KORVANE").state(), Result::Acquired);
}

TEST_F(SingleInstanceTest, TheLockDiesWithAKilledProcess) {
    int ready[2];
    ASSERT_EQ(pipe(ready), 0);
    pid_t child = fork();
    if (child == 0) {
        SingleInstance held("ZRQ_KORVANE");
        char byte = held.state() == Result::Acquired ? 1 : 0;
        [[maybe_unused]] ssize_t n = write(ready[1], &byte, 1);
        pause();
        _exit(0);
    }
    char byte = 0;
    ASSERT_EQ(read(ready[0], &byte, 1), 1);
    ASSERT_EQ(byte, 1);
    EXPECT_EQ(SingleInstance("ZRQ_KORVANE").state(), Result::AlreadyRunning);
    kill(child, SIGKILL);
    waitpid(child, nullptr, 0);
    EXPECT_EQ(SingleInstance("ZRQ_KORVANE").state(), Result::Acquired);
    close(ready[0]);
    close(ready[1]);
}

// Without a runtime folder the lock goes to a folder of the user's own in the temporary folder,
// closed to everyone else, never to a predictable file beside other users' files.
TEST_F(SingleInstanceTest, WithoutARuntimeFolderTheLockIsInAPrivateFolder) {
    unsetenv("XDG_RUNTIME_DIR");
    setenv("TMPDIR", mSession.path().c_str(), 1);
    const std::string folder = (mSession / ("ZRQ_KORVANE-" + std::to_string(getuid()))).string();
    {
        SingleInstance lock("ZRQ_KORVANE");
        EXPECT_EQ(lock.state(), Result::Acquired);
        EXPECT_EQ(lock.lockPath(), folder + "/ZRQ_KORVANE.lock");
        struct stat info {};
        ASSERT_EQ(stat(folder.c_str(), &info), 0);
        EXPECT_EQ(info.st_mode & 0777, 0700u);
    }
    // A folder that others may enter is not trusted.
    ASSERT_EQ(chmod(folder.c_str(), 0777), 0);
    EXPECT_EQ(SingleInstance("ZRQ_KORVANE").state(), Result::Unavailable);
    unsetenv("TMPDIR");
}

// A link planted where the lock belongs is not followed: its target stays untouched and
// unlocked.
TEST_F(SingleInstanceTest, ALinkInPlaceOfTheLockIsNotFollowed) {
    const auto target = mSession / "elsewhere";
    std::ofstream(target) << "keep";
    ASSERT_EQ(symlink(target.c_str(), (mSession / "ZRQ_KORVANE.lock").c_str()), 0);
    EXPECT_EQ(SingleInstance("ZRQ_KORVANE").state(), Result::Unavailable);
    const int fd = open(target.c_str(), O_RDWR);
    EXPECT_EQ(flock(fd, LOCK_EX | LOCK_NB), 0) << "the target was locked";
    close(fd);
}

TEST_F(SingleInstanceTest, ARuntimeFolderOpenToOthersIsNotTrusted) {
    chmod(mSession.path().c_str(), 0755);
    EXPECT_EQ(SingleInstance("ZRQ_KORVANE").state(), Result::Unavailable);
}

TEST_F(SingleInstanceTest, NoLockFileMeansNoProtection) {
    setenv("XDG_RUNTIME_DIR", (mSession / "missing").c_str(), 1);
    EXPECT_EQ(SingleInstance("ZRQ_KORVANE").state(), Result::Unavailable);
}

}  // namespace
}  // namespace korvane
