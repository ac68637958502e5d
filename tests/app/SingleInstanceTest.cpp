#include "platform/SingleInstance.h"

#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <memory>

#include "tests/app/TempFolder.h"

namespace korvane {
namespace {

using Result = TSingleInstance::Result;

class SingleInstanceTest : public ::testing::Test {
  protected:
    void SetUp() override { setenv("XDG_RUNTIME_DIR", mSession.Path().c_str(), 1); }
    test::TempFolder mSession;
};

TEST_F(SingleInstanceTest, ASecondCopyInTheSessionIsRefusedUntilTheFirstEnds) {
    auto first = std::make_unique<TSingleInstance>("ZRQ_KORVANE");
    EXPECT_EQ(first->State(), Result::Acquired);
    EXPECT_EQ(first->LockPath(), (mSession / "ZRQ_KORVANE.lock").string());
    EXPECT_EQ(TSingleInstance("ZRQ_KORVANE").State(), Result::AlreadyRunning);

    // Another session has its own runtime folder.
    test::TempFolder otherSession;
    setenv("XDG_RUNTIME_DIR", otherSession.Path().c_str(), 1);
    EXPECT_EQ(TSingleInstance("ZRQ_KORVANE").State(), Result::Acquired);

    setenv("XDG_RUNTIME_DIR", mSession.Path().c_str(), 1);
    first.reset();
    EXPECT_EQ(TSingleInstance("ZRQ_KORVANE").State(), Result::Acquired);
}

TEST_F(SingleInstanceTest, TheLockDiesWithAKilledProcess) {
    int ready[2];
    ASSERT_EQ(pipe(ready), 0);
    pid_t child = fork();
    if (child == 0) {
        TSingleInstance held("ZRQ_KORVANE");
        char byte = held.State() == Result::Acquired ? 1 : 0;
        [[maybe_unused]] ssize_t n = write(ready[1], &byte, 1);
        pause();
        _exit(0);
    }
    char byte = 0;
    ASSERT_EQ(read(ready[0], &byte, 1), 1);
    ASSERT_EQ(byte, 1);
    EXPECT_EQ(TSingleInstance("ZRQ_KORVANE").State(), Result::AlreadyRunning);
    kill(child, SIGKILL);
    waitpid(child, nullptr, 0);
    EXPECT_EQ(TSingleInstance("ZRQ_KORVANE").State(), Result::Acquired);
    close(ready[0]);
    close(ready[1]);
}

TEST_F(SingleInstanceTest, NoLockFileMeansNoProtection) {
    setenv("XDG_RUNTIME_DIR", (mSession / "missing").c_str(), 1);
    EXPECT_EQ(TSingleInstance("ZRQ_KORVANE").State(), Result::Unavailable);
}

}  // namespace
}  // namespace korvane
