#pragma once

#include <sys/types.h>

namespace korvane {

// What the kernel says of a running process.
struct ProcessStats {
    long rssKiB = 0;
    long threads = 0;
    long openFiles = 0;
    double cpuSeconds = 0;  // user + system
};

// Zeroes when the process is gone.
ProcessStats readProcessStats(pid_t pid);

}  // namespace korvane
