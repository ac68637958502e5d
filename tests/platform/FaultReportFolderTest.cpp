// The fault reports' folder: reports written and taken once, and its bounds, the oldest removed.
#include "platform/FaultReportFolder.h"

#include <gtest/gtest.h>

#include <chrono>
#include <fstream>
#include <random>
#include <set>
#include <string>

namespace korvane {
namespace {

namespace fs = std::filesystem;
constexpr std::uintmax_t kMiB = 1024 * 1024;

class ReportFolder : public ::testing::Test {
  protected:
    ReportFolder()
        : root(fs::temp_directory_path() /
               ("korvane-report-folder-" + std::to_string(std::random_device()()))),
          reports(root / "reports") {
        EXPECT_TRUE(reports.prepare());
    }
    ~ReportFolder() override {
        std::error_code ignored;
        fs::remove_all(root, ignored);
    }

    // A report file of `bytes` (sparse), written `age` minutes ago.
    fs::path make(const fs::path& folder, const std::string& name, std::uintmax_t bytes, int age) {
        const fs::path file = folder / name;
        std::ofstream(file, std::ios::binary) << "report";
        fs::resize_file(file, bytes);
        fs::last_write_time(file, fs::file_time_type::clock::now() - std::chrono::minutes(age));
        return file;
    }

    std::set<std::string> names() const {
        std::set<std::string> all;
        for (const fs::path& folder : {reports.folder(), reports.unseenFolder()}) {
            for (const auto& entry : fs::directory_iterator(folder)) {
                if (entry.is_regular_file()) {
                    all.insert(entry.path().filename().string());
                }
            }
        }
        return all;
    }

    fs::path root;
    FaultReportFolder reports;
};

TEST_F(ReportFolder, KeepsTheNewestReportsWithinCountAndSize) {
    struct Case {
        const char* what;
        std::uintmax_t bytes;  // of each report's dump
        int reports;
        int kept;  // the newest ones
    };
    const Case cases[] = {
        {"small ones, the count bounds", 1, 13, 10},
        {"dumps of 30 MiB, the size bounds", 30 * kMiB, 4, 2},
        {"one too large alone is kept: the user is about to see it", 100 * kMiB, 2, 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        std::set<std::string> newest;
        for (int i = 0; i < c.reports; ++i) {
            // Half of them not yet seen: both folders count.
            const fs::path folder = i % 2 ? reports.unseenFolder() : reports.folder();
            const std::string name = "crash-" + std::to_string(100 + i);
            make(folder, name + ".txt", 100, c.reports - i);
            make(folder, name + ".dmp", c.bytes, c.reports - i);
            if (i >= c.reports - c.kept) {
                newest.insert({name + ".txt", name + ".dmp"});
            }
        }
        reports.bound();
        EXPECT_EQ(names(), newest);
        for (const std::string& name : names()) {
            fs::remove(reports.folder() / name);
            fs::remove(reports.unseenFolder() / name);
        }
    }
}

TEST_F(ReportFolder, WritesNewReportsCutToTheirBoundAndBoundsTheFolder) {
    for (int i = 0; i < 12; ++i) {
        make(reports.folder(), "error-old-" + std::to_string(i) + ".txt", 10, 100 + i);
    }
    const fs::path first = reports.write("例外: A");
    const fs::path second = reports.write(std::string(FaultReportFolder::kMaxTextBytes + 5, 'x'));
    ASSERT_FALSE(first.empty());
    ASSERT_FALSE(second.empty());
    EXPECT_NE(first, second) << "two reports in the same second";
    EXPECT_EQ(first.parent_path(), reports.folder());
    EXPECT_EQ(readFaultReport(first), "例外: A");
    EXPECT_EQ(fs::file_size(second), FaultReportFolder::kMaxTextBytes);
    EXPECT_EQ(names().size(), FaultReportFolder::kMaxReports);
    EXPECT_TRUE(names().contains(first.filename().string()));
}

TEST_F(ReportFolder, UnseenReportsAreTakenOnceOldestFirstWithTheirDumps) {
    make(reports.unseenFolder(), "crash-b.txt", 10, 1);
    make(reports.unseenFolder(), "crash-b.dmp", 1000, 1);
    make(reports.unseenFolder(), "crash-a.txt", 10, 5);
    make(reports.unseenFolder(), "crash-c.dmp", 1000, 0);  // its text was never written
    make(reports.folder(), "error-seen.txt", 10, 9);
    const std::vector<fs::path> taken = reports.takeUnseen();
    const std::vector<fs::path> expected{reports.folder() / "crash-a.txt",
                                         reports.folder() / "crash-b.txt",
                                         reports.folder() / "crash-c.dmp"};
    EXPECT_EQ(taken, expected);
    EXPECT_TRUE(fs::exists(reports.folder() / "crash-b.dmp"));
    EXPECT_TRUE(fs::is_empty(reports.unseenFolder()));
    EXPECT_TRUE(reports.takeUnseen().empty());
}

}  // namespace
}  // namespace korvane
