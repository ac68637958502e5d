#include "desktop/kde/FakeInputKeyboard.h"

#include <wayland-client.h>

#include <algorithm>
#include <cstring>
#include <thread>

#include "protocols/fake-input-client-protocol.h"

namespace korvane::kde {

namespace {

// Whether a pressed key is down (1) or released (0), as wl_keyboard counts them.
constexpr std::uint32_t kDown = 1;
constexpr std::uint32_t kUp = 0;

const char* const kNoFakeInput =
    "KWin の仮想入力 (org_kde_kwin_fake_input) が使えません。デスクトップファイルの "
    "X-KDE-Wayland-Interfaces にないか、KWin ではありません。";
const char* const kNoAnswer =
    "[org_kde_kwin_fake_input.keyboard_key]が失敗しました。コンポジターが応答しません。";

}  // namespace

FakeInputKeyboard::FakeInputKeyboard(const std::string& displayName) : mSession(displayName) {
    wl_display* display = mSession.display();
    if (display == nullptr) {
        return;
    }
    static constexpr wl_registry_listener kListener{handleGlobal,
                                                    [](void*, wl_registry*, std::uint32_t) {}};
    mRegistry = wl_display_get_registry(display);
    wl_registry_add_listener(mRegistry, &kListener, this);
    if (wl_display_roundtrip(display) < 0) {
        mSession.refuse(wayland::WaylandSession::kDisplayLost);
        return;
    }
    if (mFakeInput == nullptr) {
        mSession.refuse(kNoFakeInput);
        return;
    }
    // KWin ignores the keys of a fake input device that has not introduced itself.
    org_kde_kwin_fake_input_authenticate(mFakeInput, "KORVANE Server", "バーコードを入力します。");
    if (wl_display_roundtrip(display) < 0) {
        mSession.refuse(wayland::WaylandSession::kDisplayLost);
        return;
    }
    mSession.start();
}

FakeInputKeyboard::~FakeInputKeyboard() {
    mSession.stop();
    if (mFakeInput != nullptr) {
        org_kde_kwin_fake_input_destroy(mFakeInput);
    }
    if (mRegistry != nullptr) {
        wl_registry_destroy(mRegistry);
    }
}

void FakeInputKeyboard::handleGlobal(void* data, wl_registry* registry, std::uint32_t name,
                                     const char* interface, std::uint32_t version) {
    auto* self = static_cast<FakeInputKeyboard*>(data);
    // Keys came with version 4; an older KWin offers pointers only.
    if (std::strcmp(interface, org_kde_kwin_fake_input_interface.name) == 0 && version >= 4 &&
        self->mFakeInput == nullptr) {
        self->mFakeInput = static_cast<org_kde_kwin_fake_input*>(
            wl_registry_bind(registry, name, &org_kde_kwin_fake_input_interface, 4));
    }
}

std::optional<std::string> FakeInputKeyboard::failure() {
    return mSession.failure();
}

DesktopError FakeInputKeyboard::press(std::uint32_t code) {
    return send({{code, true}, {code, false}});
}

DesktopError FakeInputKeyboard::pressControlV() {
    return send(
        {{kEvdevLeftControl, true}, {kEvdevV, true}, {kEvdevV, false}, {kEvdevLeftControl, false}});
}

DesktopError FakeInputKeyboard::type(const std::vector<EvdevStroke>& strokes,
                                     std::chrono::milliseconds keyDelay) {
    std::vector<std::pair<std::uint32_t, bool>> events;
    for (const EvdevStroke& stroke : strokes) {
        if (stroke.shift) {
            events.emplace_back(kEvdevLeftShift, true);
        }
        events.emplace_back(stroke.code, true);
        events.emplace_back(stroke.code, false);
        if (stroke.shift) {
            events.emplace_back(kEvdevLeftShift, false);
        }
    }
    return send(events, keyDelay);
}

DesktopError FakeInputKeyboard::send(const std::vector<std::pair<std::uint32_t, bool>>& events,
                                     std::chrono::milliseconds keyDelay) {
    bool answered = false;
    const bool ran = mSession.run([&] {
        for (std::size_t i = 0; i < events.size(); ++i) {
            const auto [code, down] = events[i];
            org_kde_kwin_fake_input_keyboard_key(mFakeInput, code, down ? kDown : kUp);
            // The pause goes after a key's release, before the next key (or its Shift).
            if (!down && keyDelay.count() > 0 && i + 1 < events.size() && events[i + 1].second) {
                wl_display_flush(mSession.display());
                std::this_thread::sleep_for(keyDelay);
            }
        }
        answered = mSession.sync();
    });
    if (ran && answered) {
        return {};
    }
    return DesktopError(DesktopError::Kind::Keys, mSession.failure().value_or(kNoAnswer));
}

}  // namespace korvane::kde
