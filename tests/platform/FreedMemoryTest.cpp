#include "platform/FreedMemory.h"

#include <gtest/gtest.h>
#include <sys/resource.h>

#include <cstdlib>
#include <cstring>
#include <iterator>
#include <thread>

namespace korvane {
namespace {

// A sanitizer's allocator stands in for glibc's and ignores its settings.
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
constexpr bool kSanitizedHeap = true;
#elif defined(__has_feature)
constexpr bool kSanitizedHeap = __has_feature(address_sanitizer) || __has_feature(thread_sanitizer);
#else
constexpr bool kSanitizedHeap = false;
#endif

long pageFaultsOfThisThread() {
    rusage usage{};
    ::getrusage(RUSAGE_THREAD, &usage);
    return usage.ru_minflt;
}

// What a capture allocates, uses and frees: its 320 x 240 picture and zlib's four 64 KB tables.
void likeACapture() {
    constexpr std::size_t kSizes[] = {320 * 240 * 3, 65536, 65536, 65536, 65536};
    void* blocks[std::size(kSizes)] = {};
    for (std::size_t i = 0; i < std::size(kSizes); ++i) {
        blocks[i] = std::malloc(kSizes[i]);
        ASSERT_NE(blocks[i], nullptr);
        std::memset(blocks[i], 1, kSizes[i]);
    }
    for (void* block : blocks) {
        std::free(block);
    }
}

// Captures run on the server's worker threads, which glibc serves from an arena other than the
// main one: a second capture there finds the first one's memory still at hand rather than faulting
// it in again.
TEST(FreedMemory, ASecondCaptureOnAWorkerThreadTakesNoNewPages) {
    if (kSanitizedHeap) {
        GTEST_SKIP() << "the sanitizer's allocator is in use";
    }
    keepFreedMemory();
    long faults = -1;
    std::thread worker([&] {
        likeACapture();
        const long before = pageFaultsOfThisThread();
        likeACapture();
        faults = pageFaultsOfThisThread() - before;
    });
    worker.join();
    // Without the setting: 56, a fault for each page of the picture, mapped anew.
    EXPECT_LT(faults, 8);
}

}  // namespace
}  // namespace korvane
