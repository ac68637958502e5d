// A build without the wlroots desktop has no Wayland rows.
#include <cstdio>

#include "bench/EntrySession.h"

namespace korvane::bench {

std::unique_ptr<EntrySession> swayEntries() {
    std::fprintf(stderr, "built without the wlroots desktop: the Wayland rows are left out\n");
    return nullptr;
}

}  // namespace korvane::bench
