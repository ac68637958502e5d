// What the program writes about its users stays the user's alone on POSIX systems, whatever the
// umask: new files and folders are made private, old ones tightened, and nothing is reached
// through a link.
#include "platform/PrivateFiles.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include "platform/FileReplace.h"
#include "tests/support/TempFolder.h"

namespace korvane {
namespace {

unsigned modeOf(const std::filesystem::path& path) {
    struct stat info {};
    return ::lstat(path.c_str(), &info) == 0 ? info.st_mode & 07777 : 0;
}

// A umask that takes nothing away: what is made gets exactly the mode its maker asks for.
class PrivateFilesTest : public ::testing::Test {
  protected:
    PrivateFilesTest() : mOldUmask(::umask(0)) {}
    ~PrivateFilesTest() override { ::umask(mOldUmask); }

    mode_t mOldUmask;
    test::TempFolder mFolder;
};

TEST_F(PrivateFilesTest, ReplacedFilesAreTheUsersAloneUnlessTheOldOneWasOpenedOnPurpose) {
    const auto file = mFolder / "korvane-server.ini";
    ASSERT_EQ(replaceFileContents(file, "[Devices]\n"), std::nullopt);
    EXPECT_EQ(modeOf(file), 0600u) << "a new file";
    ::chmod(file.c_str(), 0640);
    ASSERT_EQ(replaceFileContents(file, "[Devices]\nCount=0\n"), std::nullopt);
    EXPECT_EQ(modeOf(file), 0640u) << "the old file's mode";
    EXPECT_EQ(test::readAll(file), "[Devices]\nCount=0\n");
}

TEST_F(PrivateFilesTest, FoldersAndFilesAreMadePrivateOrTightened) {
    const auto folder = mFolder / "config" / "korvane-server";
    EXPECT_EQ(makePrivateFolder(folder), Privacy::Created);
    EXPECT_EQ(modeOf(folder), 0700u);
    EXPECT_EQ(modeOf(folder.parent_path()), 0777u) << "a parent is made as the system makes it";
    EXPECT_EQ(makePrivateFolder(folder), Privacy::Unchanged);

    ::chmod(folder.c_str(), 0755);
    EXPECT_EQ(makePrivateFolder(folder), Privacy::Tightened);
    EXPECT_EQ(modeOf(folder), 0700u);
    ::chmod(folder.c_str(), 0750);
    EXPECT_EQ(tightenFolder(folder), Privacy::Tightened);
    EXPECT_EQ(modeOf(folder), 0700u);

    const auto file = folder / "korvane-scans.csv";
    EXPECT_EQ(tightenFile(file), Privacy::Unchanged) << "nothing there";
    EXPECT_EQ(createPrivateFile(file), Privacy::Created);
    EXPECT_EQ(modeOf(file), 0600u);
    ::chmod(file.c_str(), 0644);
    EXPECT_EQ(createPrivateFile(file), Privacy::Tightened);
    EXPECT_EQ(modeOf(file), 0600u);
    ::chmod(file.c_str(), 0604);
    EXPECT_EQ(tightenFile(file), Privacy::Tightened);
    EXPECT_EQ(modeOf(file), 0600u);
    EXPECT_EQ(tightenFile(file), Privacy::Unchanged);
}

// Links planted where a file or folder belongs are not followed: their targets keep their modes.
TEST_F(PrivateFilesTest, LinksAreNotFollowed) {
    const auto target = mFolder / "target";
    std::filesystem::create_directory(target);
    ::chmod(target.c_str(), 0755);
    std::filesystem::create_directory_symlink(target, mFolder / "korvane-server");
    EXPECT_EQ(makePrivateFolder(mFolder / "korvane-server"), Privacy::Failed);
    EXPECT_EQ(tightenFolder(mFolder / "korvane-server"), Privacy::Failed);
    EXPECT_EQ(modeOf(target), 0755u);

    const auto file = target / "file";
    test::writeAll(file, "x");
    ::chmod(file.c_str(), 0644);
    std::filesystem::create_symlink(file, mFolder / "korvane-scans.csv");
    EXPECT_EQ(tightenFile(mFolder / "korvane-scans.csv"), Privacy::Failed);
    EXPECT_EQ(createPrivateFile(mFolder / "korvane-scans.csv"), Privacy::Failed);
    EXPECT_EQ(modeOf(file), 0644u);
}

}  // namespace
}  // namespace korvane
