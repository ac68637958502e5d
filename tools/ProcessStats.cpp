#include "tools/ProcessStats.h"

#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

namespace korvane {

ProcessStats readProcessStats(pid_t pid) {
    ProcessStats stats;
    const std::string dir = "/proc/" + std::to_string(pid);
    std::ifstream status(dir + "/status");
    std::string line;
    while (std::getline(status, line)) {
        std::istringstream fields(line);
        std::string name;
        fields >> name;
        if (name == "VmRSS:") {
            fields >> stats.rssKiB;
        } else if (name == "Threads:") {
            fields >> stats.threads;
        }
    }
    std::error_code error;
    for (auto it = std::filesystem::directory_iterator(dir + "/fd", error);
         !error && it != std::filesystem::directory_iterator(); it.increment(error)) {
        ++stats.openFiles;
    }
    // utime and stime are fields 14 and 15, counted after the command's closing parenthesis.
    std::ifstream statFile(dir + "/stat");
    std::string stat((std::istreambuf_iterator<char>(statFile)), std::istreambuf_iterator<char>());
    std::size_t close = stat.rfind(')');
    if (close != std::string::npos) {
        std::istringstream rest(stat.substr(close + 2));
        std::string skip;
        for (int field = 3; field < 14; ++field) {
            rest >> skip;
        }
        long utime = 0;
        long stime = 0;
        rest >> utime >> stime;
        stats.cpuSeconds = static_cast<double>(utime + stime) / ::sysconf(_SC_CLK_TCK);
    }
    return stats;
}

}  // namespace korvane
