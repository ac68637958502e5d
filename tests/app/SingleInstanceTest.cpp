#include "platform/SingleInstance.h"

#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <memory>

#include "tests/app/TempFolder.h"

namespace korvane {
namespace {

using Result = SingleInstance::Result;

class SingleInstanceTest : public ::testing::Test {
  protected:
    void SetUp() override { setenv("XDG_RUNTIME_DIR", mSession.path().c_str(), 1); }
    test::TempFolder mSession;
};

TEST_F(SingleInstanceTest, ASecondCopyInTheSessionIsRefusedUntilTheFirstEnds) {
    auto first = std::make_unique<SingleInstance>("ZRQ_KORVANE");
    EXPECT_EQ(first->state(), Result::Acquired);
    EXPECT_EQ(first->lockPath(), (mSession / "ZRQ_KORVANE.lock").string());
    EXPECT_EQ(SingleInstance("ZRQ_KORVANE").state(), Result::AlreadyRunning);

    // Another session has its own runtime folder.
    test::TempFolder otherSession;
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

TEST_F(SingleInstanceTest, NoLockFileMeansNoProtection) {
    setenv("XDG_RUNTIME_DIR", (mSession / "missing").c_str(), 1);
    EXPECT_EQ(SingleInstance("ZRQ_KORVANE").state(), Result::Unavailable);
}

}  // namespace
}  // namespace korvane
