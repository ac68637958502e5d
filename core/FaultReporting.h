#pragma once

#include <filesystem>
#include <string>
#include <vector>

#include "core/FaultReport.h"
#include "platform/FaultReportFolder.h"

namespace korvane {

// The program's fault reports, kept in "reports" beside its settings file (where its scan history
// is kept too), for the window program and korvane-host alike: the exceptions nothing handled,
// written as they happen, and the fatal faults' reports, offered once at the next start.
// Construct and start on the main thread; the rest on any thread.
class FaultReporting {
  public:
    // `program` names the program in the reports ("korvane-server", "korvane-host").
    FaultReporting(const std::filesystem::path& settingsFile, std::string program);

    // Makes the folder (private) and bounds it, and installs the fatal-fault handler
    // (platform/FatalFaultHandler.h). Once, early, on the main thread. A folder that cannot be
    // made leaves the program without reports, which goes on regardless.
    void start();

    // The reports fatal faults left since they were last taken, oldest first; each is offered
    // once (moved out of the unseen ones now).
    std::vector<FaultReport> takeEarlierReports() const;

    // The report of an exception nothing handled: `what` (where it was caught and what it said)
    // with the program, its version and the time, written now.
    FaultReport reportException(const std::string& what) const;

    const std::filesystem::path& folder() const { return mFolder.folder(); }

  private:
    std::string header() const;

    FaultReportFolder mFolder;
    std::string mProgram;
};

}  // namespace korvane
