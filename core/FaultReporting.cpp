#include "core/FaultReporting.h"

#include <utility>

#include "platform/FatalFaultHandler.h"
#include "platform/ProgramVersion.h"
#include "platform/Timestamp.h"

namespace korvane {

FaultReporting::FaultReporting(const std::filesystem::path& settingsFile, std::string program)
    : mFolder(settingsFile.parent_path() / "reports"), mProgram(std::move(program)) {}

void FaultReporting::start() {
    if (mFolder.prepare()) {
        installFatalFaultHandler(mFolder.unseenFolder(), header());
    }
}

std::vector<FaultReport> FaultReporting::takeEarlierReports() const {
    std::vector<FaultReport> reports;
    for (std::filesystem::path& file : mFolder.takeUnseen()) {
        std::string text = file.extension() == ".txt" ? readFaultReport(file) : std::string();
        reports.push_back(
            {.kind = FaultReport::Kind::EarlierCrash, .file = std::move(file), .text = text});
    }
    return reports;
}

FaultReport FaultReporting::reportException(const std::string& what) const {
    const std::string stamp = bracketedTimestamp();
    std::string text = header() + "日時: " + stamp.substr(1, stamp.size() - 2) +
                       "\n内容: 処理されない例外が発生しました。\n" + what + "\n";
    std::filesystem::path file = mFolder.write(text);
    return {.kind = FaultReport::Kind::Exception, .file = std::move(file), .text = std::move(text)};
}

std::string FaultReporting::header() const {
    return std::string("KORVANE Server ") + programVersion() + " (" + mProgram + ")\n";
}

}  // namespace korvane
