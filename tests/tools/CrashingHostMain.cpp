// korvane-host as the tests build it to see a fatal fault reported: the program itself, which
// faults as soon as it listens. Built with the tests only; never installed.
#include <cstdint>

#include "tools/HostRun.h"

int main(int argc, char** argv) {
    return korvane::runHost(argc, argv, [] {
        // An address no process maps, yet not null, so that no sanitizer takes the write for a
        // null pointer's and ends the program its own way. Volatile, pointer and target: the
        // compiler may neither drop the write nor make it a trap of its own.
        volatile int* volatile nowhere = reinterpret_cast<volatile int*>(std::uintptr_t{16});
        *nowhere = 1;
    });
}
