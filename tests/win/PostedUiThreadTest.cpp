// The core's UI thread on a Win32 message loop: order, the posting threads, delays, the end.
#include <gtest/gtest.h>
#include <windows.h>

#include <chrono>
#include <mutex>
#include <thread>
#include <vector>

#include "win/PostedUiThread.h"

namespace korvane {
namespace {

// Runs this thread's message loop until `done`, for at most `limit`.
template <typename Done>
void pumpUntil(Done done, std::chrono::milliseconds limit = std::chrono::seconds(5)) {
    const auto end = std::chrono::steady_clock::now() + limit;
    MSG message;
    while (!done() && std::chrono::steady_clock::now() < end) {
        while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
            DispatchMessageW(&message);
        }
        Sleep(1);
    }
}

TEST(PostedUiThread, RunsWhatEachThreadPostsInOrderOnTheLoopsThread) {
    PostedUiThread uiThread(GetModuleHandleW(nullptr));
    const DWORD loopThread = GetCurrentThreadId();
    std::mutex lock;
    std::vector<std::vector<int>> seen(4);
    int ran = 0;
    bool allOnLoop = true;
    std::vector<std::thread> posters;
    for (int poster = 0; poster < 4; ++poster) {
        posters.emplace_back([&, poster] {
            for (int i = 0; i < 500; ++i) {
                uiThread.post([&, poster, i] {
                    allOnLoop = allOnLoop && GetCurrentThreadId() == loopThread;
                    seen[poster].push_back(i);
                    ++ran;
                });
            }
        });
    }
    for (std::thread& poster : posters) {
        poster.join();
    }
    pumpUntil([&] { return ran == 2000; });
    ASSERT_EQ(ran, 2000);
    EXPECT_TRUE(allOnLoop);
    for (const std::vector<int>& values : seen) {
        ASSERT_EQ(values.size(), 500u);
        for (int i = 0; i < 500; ++i) {
            EXPECT_EQ(values[i], i);
        }
    }
}

TEST(PostedUiThread, ADelayedFunctionRunsOnceAfterItsDelayAndAfterWhatWasPostedBefore) {
    PostedUiThread uiThread(GetModuleHandleW(nullptr));
    std::vector<int> order;
    const auto posted = std::chrono::steady_clock::now();
    std::chrono::steady_clock::time_point ranAt;
    std::thread poster([&] {
        uiThread.postAfter(std::chrono::milliseconds(100), [&] {
            ranAt = std::chrono::steady_clock::now();
            order.push_back(2);
        });
        uiThread.post([&] { order.push_back(1); });
    });
    poster.join();
    pumpUntil([&] { return order.size() == 2; });
    // Timers of this loop keep running afterwards: the delayed function must not come again.
    pumpUntil([] { return false; }, std::chrono::milliseconds(300));
    EXPECT_EQ(order, (std::vector<int>{1, 2}));
    EXPECT_GE(ranAt - posted, std::chrono::milliseconds(90));
}

TEST(PostedUiThread, WhatWaitsIsDroppedWithTheObject) {
    bool ran = false;
    {
        PostedUiThread uiThread(GetModuleHandleW(nullptr));
        uiThread.post([&] { ran = true; });
        uiThread.postAfter(std::chrono::milliseconds(0), [&] { ran = true; });
    }
    pumpUntil([] { return false; }, std::chrono::milliseconds(300));
    EXPECT_FALSE(ran);
}

}  // namespace
}  // namespace korvane
