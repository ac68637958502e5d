// A fatal fault of korvane-host, in a child process (the tests' copy of the program, which faults
// once it listens): it leaves a report that only the user may read, and the next start says so,
// once.
#include <gtest/gtest.h>
#include <signal.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "tests/support/Loopback.h"

namespace korvane {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

std::string readAll(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

std::vector<fs::path> filesIn(const fs::path& folder) {
    std::vector<fs::path> files;
    std::error_code ignored;
    for (const auto& entry : fs::directory_iterator(folder, ignored)) {
        if (entry.is_regular_file()) {
            files.push_back(entry.path());
        }
    }
    return files;
}

mode_t modeOf(const fs::path& path) {
    struct stat info {};
    ::stat(path.c_str(), &info);
    return info.st_mode & 0777;
}

// A settings file and a runtime folder (the single-instance lock) of the test's own.
class HostFolder {
  public:
    HostFolder() {
        std::string pattern = "/tmp/korvane-fault-test-XXXXXX";
        mPath = ::mkdtemp(pattern.data());
        fs::create_directories(mPath / "runtime");
        fs::permissions(mPath / "runtime", fs::perms::owner_all);
    }
    ~HostFolder() {
        std::error_code ignored;
        fs::remove_all(mPath, ignored);
    }
    const fs::path& path() const { return mPath; }
    fs::path settingsFile() const { return mPath / "korvane-server.ini"; }
    fs::path reports() const { return mPath / "reports"; }

    struct Run {
        int status;  // waitpid's
        std::string output;
    };
    // Runs `program` with the settings file until it ends (at most 60 s), its standard output
    // and error in one text.
    Run run(const char* program, const std::vector<std::string>& args) const {
        const fs::path output = mPath / "output.txt";
        const pid_t pid = ::fork();
        if (pid == 0) {
            ::setenv("XDG_RUNTIME_DIR", (mPath / "runtime").c_str(), 1);
            std::freopen(output.c_str(), "w", stdout);
            std::freopen(output.c_str(), "a", stderr);
            std::vector<std::string> all{program, "--settings", settingsFile().string()};
            all.insert(all.end(), args.begin(), args.end());
            std::vector<char*> argv;
            for (std::string& arg : all) {
                argv.push_back(arg.data());
            }
            argv.push_back(nullptr);
            ::execv(program, argv.data());
            ::_exit(127);
        }
        int status = 0;
        for (int i = 0; i < 600 && ::waitpid(pid, &status, WNOHANG) != pid; ++i) {
            std::this_thread::sleep_for(100ms);
            if (i == 599) {
                ::kill(pid, SIGKILL);
                ::waitpid(pid, &status, 0);
            }
        }
        return {status, readAll(output)};
    }

  private:
    fs::path mPath;
};

constexpr char kEarlierReport[] = "前回の実行で異常終了したときの報告があります: ";

TEST(HostFaultReport, ACrashLeavesAPrivateReportThatTheNextStartTellsOnce) {
    HostFolder folder;
    std::ofstream(folder.settingsFile()) << "[Setting]\r\nPortNo=abc\r\n";
    const auto crashed = folder.run(KORVANE_CRASHING_HOST, {"--address", "127.0.0.1", "--port",
                                                            std::to_string(test::freePort())});
    ASSERT_TRUE(WIFSIGNALED(crashed.status)) << crashed.output;
    EXPECT_EQ(WTERMSIG(crashed.status), SIGSEGV);

    const std::vector<fs::path> left = filesIn(folder.reports() / "new");
    ASSERT_EQ(left.size(), 1u);
    const fs::path report = left.front();
    EXPECT_TRUE(report.filename().string().starts_with("crash-")) << report;
    EXPECT_EQ(report.extension(), ".txt");
    EXPECT_EQ(modeOf(report), 0600u);
    EXPECT_EQ(modeOf(folder.reports()), 0700u);
    EXPECT_EQ(modeOf(folder.reports() / "new"), 0700u);
    const std::string text = readAll(report);
    EXPECT_TRUE(
        text.starts_with("KORVANE Server " KORVANE_EXPECTED_VERSION " (korvane-host)\n日時: "))
        << text;
    EXPECT_NE(text.find(" (UTC)\nシグナル: 11 (SIGSEGV)\nアドレス: 0x10\nスタック:\n"),
              std::string::npos)
        << text;
    EXPECT_NE(text.find("korvane-host-crashing"), std::string::npos) << "no stack: " << text;

    // The next start (here one that cannot listen: PortNo=abc) tells where the report is, and
    // the report moves out of the unseen ones, so the start after says nothing.
    const fs::path kept = folder.reports() / report.filename();
    const auto next = folder.run(KORVANE_HOST, {});
    EXPECT_EQ(WEXITSTATUS(next.status), 1);
    EXPECT_NE(next.output.find(kEarlierReport + kept.string() + "\n"), std::string::npos)
        << next.output;
    EXPECT_TRUE(fs::exists(kept));
    EXPECT_FALSE(fs::exists(report));
    EXPECT_EQ(readAll(kept), text);
    const auto after = folder.run(KORVANE_HOST, {});
    EXPECT_EQ(after.output.find(kEarlierReport), std::string::npos) << after.output;
}

}  // namespace
}  // namespace korvane
