#include "win/PostedUiThread.h"

namespace korvane {
namespace {

constexpr wchar_t kClassName[] = L"KorvanePostedUiThread";
constexpr UINT kRunPosted = WM_APP + 1;

}  // namespace

PostedUiThread::PostedUiThread(HINSTANCE instance) {
    WNDCLASSEXW windowClass{};
    windowClass.cbSize = sizeof(windowClass);
    windowClass.lpfnWndProc = &PostedUiThread::windowProc;
    windowClass.hInstance = instance;
    windowClass.lpszClassName = kClassName;
    // A second object registers it again, which fails harmlessly.
    RegisterClassExW(&windowClass);
    mWindow =
        CreateWindowExW(0, kClassName, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, instance, this);
}

PostedUiThread::~PostedUiThread() {
    {
        std::lock_guard lock(mLock);
        mPosted.clear();
    }
    DestroyWindow(mWindow);
}

LRESULT CALLBACK PostedUiThread::windowProc(HWND window, UINT message, WPARAM wParam,
                                            LPARAM lParam) {
    if (message == WM_NCCREATE) {
        const auto* create = reinterpret_cast<const CREATESTRUCTW*>(lParam);
        SetWindowLongPtrW(window, GWLP_USERDATA,
                          reinterpret_cast<LONG_PTR>(create->lpCreateParams));
    }
    auto* self = reinterpret_cast<PostedUiThread*>(GetWindowLongPtrW(window, GWLP_USERDATA));
    if (self != nullptr && message == kRunPosted) {
        self->runPosted();
        return 0;
    }
    if (self != nullptr && message == WM_TIMER) {
        self->runTimer(wParam);
        return 0;
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

void PostedUiThread::post(std::function<void()> fn) {
    std::lock_guard lock(mLock);
    mPosted.push_back(std::move(fn));
    if (!mWakePosted) {
        mWakePosted = PostMessageW(mWindow, kRunPosted, 0, 0) != 0;
    }
}

void PostedUiThread::postAfter(std::chrono::milliseconds delay, std::function<void()> fn) {
    // A timer belongs to the thread that sets it: the loop's thread sets it.
    post([this, delay, fn = std::move(fn)]() mutable {
        const UINT_PTR id = mNextTimer++;
        mTimers.emplace(id, std::move(fn));
        SetTimer(mWindow, id, static_cast<UINT>(delay.count()), nullptr);
    });
}

void PostedUiThread::runPosted() {
    std::deque<std::function<void()>> posted;
    {
        std::lock_guard lock(mLock);
        posted.swap(mPosted);
        mWakePosted = false;
    }
    for (std::function<void()>& fn : posted) {
        fn();
    }
}

void PostedUiThread::runTimer(UINT_PTR id) {
    KillTimer(mWindow, id);
    const auto found = mTimers.find(id);
    if (found == mTimers.end()) {
        return;
    }
    std::function<void()> fn = std::move(found->second);
    mTimers.erase(found);
    fn();
}

}  // namespace korvane
