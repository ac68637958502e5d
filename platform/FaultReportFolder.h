#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

namespace korvane {

// The folder where the program keeps reports of its faults: those already shown to the user in it,
// and in its subfolder "new" those a fatal fault left for the next start to offer. A report is a
// text file "<name>.txt", on Windows with a minidump "<name>.dmp" beside it. Both folders are the
// user's alone (PrivateFiles.h: 0700, files 0600 on POSIX).
//
// Bounded: at most kMaxReports reports and kMaxBytes in all, the oldest (by time written) removed
// first; a text written here is cut at kMaxTextBytes. Any thread; the calls do not lock against
// each other, and a file removed meanwhile is passed over.
class FaultReportFolder {
  public:
    static constexpr std::size_t kMaxReports = 10;
    static constexpr std::uintmax_t kMaxBytes = 64u * 1024 * 1024;
    static constexpr std::size_t kMaxTextBytes = 64 * 1024;

    explicit FaultReportFolder(std::filesystem::path folder);

    const std::filesystem::path& folder() const { return mFolder; }
    // Where a fatal fault writes its report: "new" in the folder.
    std::filesystem::path unseenFolder() const { return mFolder / "new"; }

    // Makes both folders (private) when they are missing, tightens them when they are not, and
    // bounds what they hold. False when the folders cannot be made.
    bool prepare() const;

    // Writes `text` (cut at kMaxTextBytes) as a new report "error-<time>-<process>-<n>.txt" in the
    // folder, made private before anything is written into it, and bounds the folder. Returns its
    // path; empty when it could not be written.
    std::filesystem::path write(std::string_view text) const;

    // The reports in "new", oldest first, moved into the folder (so that each is offered once),
    // as their paths there (the text's, or the dump's when there is no text).
    std::vector<std::filesystem::path> takeUnseen() const;

    // Removes the oldest reports beyond the bounds, in both folders.
    void bound() const;

  private:
    std::filesystem::path mFolder;
};

// The text of the report at `file`, at most FaultReportFolder::kMaxTextBytes of it; empty when it
// cannot be read.
std::string readFaultReport(const std::filesystem::path& file);

}  // namespace korvane
