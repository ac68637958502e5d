// korvane-host as the tests build it to see a fatal fault reported: the program itself, which
// faults as soon as it listens. Built with the tests only; never installed.
#include "tools/HostRun.h"

int main(int argc, char** argv) {
    return korvane::runHost(argc, argv, [] {
        // Volatile, pointer and target: the compiler may neither drop the write nor make it a
        // trap of its own.
        volatile int* volatile nowhere = nullptr;
        *nowhere = 1;
    });
}
