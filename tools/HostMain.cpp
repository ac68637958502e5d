#include "tools/HostRun.h"

int main(int argc, char** argv) {
    return korvane::runHost(argc, argv, {});
}
