#include "platform/FaultReportFolder.h"

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <ctime>
#include <fstream>
#include <map>
#include <utility>

#include "platform/LocalTime.h"
#include "platform/PrivateFiles.h"
#include "platform/ProcessId.h"

namespace korvane {
namespace {

namespace fs = std::filesystem;

// One report: its files (text, dump) and when it was last written.
struct Report {
    std::vector<fs::path> files;
    fs::file_time_type written = fs::file_time_type::min();
    std::uintmax_t bytes = 0;
};

bool isReportFile(const fs::path& file) {
    return file.extension() == ".txt" || file.extension() == ".dmp";
}

// The reports in `folder` by name (stem), each with its files.
std::map<std::string, Report> reportsIn(const fs::path& folder) {
    std::map<std::string, Report> reports;
    std::error_code error;
    for (const auto& entry : fs::directory_iterator(folder, error)) {
        std::error_code fileError;
        if (!entry.is_regular_file(fileError) || !isReportFile(entry.path())) {
            continue;
        }
        std::error_code sizeError;
        const auto written = entry.last_write_time(fileError);
        const std::uintmax_t bytes = entry.file_size(sizeError);
        if (fileError || sizeError) {
            continue;  // gone meanwhile
        }
        Report& report = reports[entry.path().stem().string()];
        report.files.push_back(entry.path());
        report.written = std::max(report.written, written);
        report.bytes += bytes;
    }
    return reports;
}

// "error-yyyymmdd-hhmmss-<process>-<n>": unique within the process, and apart from another
// process's by its id.
std::string newReportName() {
    static std::atomic<unsigned> sequence{0};
    const std::tm now = localTime(std::time(nullptr));
    char name[96];
    std::snprintf(name, sizeof name, "error-%04d%02d%02d-%02d%02d%02d-%u-%u", now.tm_year + 1900,
                  now.tm_mon + 1, now.tm_mday, now.tm_hour, now.tm_min, now.tm_sec,
                  static_cast<unsigned>(currentProcessId()), ++sequence);
    return name;
}

}  // namespace

FaultReportFolder::FaultReportFolder(std::filesystem::path folder) : mFolder(std::move(folder)) {}

bool FaultReportFolder::prepare() const {
    const bool made = makePrivateFolder(mFolder) != Privacy::Failed &&
                      makePrivateFolder(unseenFolder()) != Privacy::Failed;
    bound();
    return made;
}

std::filesystem::path FaultReportFolder::write(std::string_view text) const {
    const fs::path file = mFolder / (newReportName() + ".txt");
    if (createPrivateFile(file) != Privacy::Created) {
        return {};
    }
    std::ofstream out(file, std::ios::binary | std::ios::trunc);
    out.write(text.data(), static_cast<std::streamsize>(std::min(text.size(), kMaxTextBytes)));
    out.close();
    if (!out) {
        std::error_code ignored;
        fs::remove(file, ignored);
        return {};
    }
    bound();
    return file;
}

std::vector<std::filesystem::path> FaultReportFolder::takeUnseen() const {
    std::vector<std::pair<fs::file_time_type, std::string>> order;
    std::map<std::string, Report> unseen = reportsIn(unseenFolder());
    for (const auto& [name, report] : unseen) {
        order.emplace_back(report.written, name);
    }
    std::sort(order.begin(), order.end());
    std::vector<fs::path> taken;
    for (const auto& [written, name] : order) {
        fs::path shown;
        for (const fs::path& file : unseen[name].files) {
            const fs::path moved = mFolder / file.filename();
            std::error_code error;
            fs::rename(file, moved, error);
            if (!error && (shown.empty() || moved.extension() == ".txt")) {
                shown = moved;
            }
        }
        if (!shown.empty()) {
            taken.push_back(shown);
        }
    }
    return taken;
}

void FaultReportFolder::bound() const {
    std::vector<Report> all;
    for (const fs::path& folder : {mFolder, unseenFolder()}) {
        for (auto& [name, report] : reportsIn(folder)) {
            all.push_back(std::move(report));
        }
    }
    std::stable_sort(all.begin(), all.end(),
                     [](const Report& a, const Report& b) { return a.written < b.written; });
    std::uintmax_t bytes = 0;
    for (const Report& report : all) {
        bytes += report.bytes;
    }
    // The newest report stays whatever its size: it is the one the user is about to be shown.
    for (std::size_t i = 0; i + 1 < all.size(); ++i) {
        if (all.size() - i <= kMaxReports && bytes <= kMaxBytes) {
            break;
        }
        for (const fs::path& file : all[i].files) {
            std::error_code ignored;
            fs::remove(file, ignored);
        }
        bytes -= all[i].bytes;
    }
}

std::string readFaultReport(const std::filesystem::path& file) {
    std::ifstream in(file, std::ios::binary);
    std::string text(FaultReportFolder::kMaxTextBytes, '\0');
    in.read(text.data(), static_cast<std::streamsize>(text.size()));
    text.resize(static_cast<std::size_t>(in.gcount()));
    return text;
}

}  // namespace korvane
