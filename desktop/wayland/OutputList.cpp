#include "desktop/wayland/OutputList.h"

#include <wayland-client.h>

#include "protocols/xdg-output-unstable-v1-client-protocol.h"

namespace korvane::wayland {

namespace {

void handleOutputGeometry(void* data, wl_output*, std::int32_t x, std::int32_t y, std::int32_t,
                          std::int32_t, std::int32_t, const char*, const char*, std::int32_t) {
    auto* output = static_cast<Output*>(data);
    if (output->xdgOutput == nullptr) {
        output->x = x;
        output->y = y;
    }
}

void handleOutputMode(void* data, wl_output*, std::uint32_t flags, std::int32_t width,
                      std::int32_t height, std::int32_t) {
    auto* output = static_cast<Output*>(data);
    if (output->xdgOutput == nullptr && (flags & WL_OUTPUT_MODE_CURRENT) != 0) {
        output->width = width;
        output->height = height;
    }
}

void handleLogicalPosition(void* data, zxdg_output_v1*, std::int32_t x, std::int32_t y) {
    auto* output = static_cast<Output*>(data);
    output->x = x;
    output->y = y;
}

void handleLogicalSize(void* data, zxdg_output_v1*, std::int32_t width, std::int32_t height) {
    auto* output = static_cast<Output*>(data);
    output->width = width;
    output->height = height;
}

constexpr wl_output_listener kOutputListener{handleOutputGeometry,
                                             handleOutputMode,
                                             [](void*, wl_output*) {},
                                             [](void*, wl_output*, std::int32_t) {},
                                             [](void*, wl_output*, const char*) {},
                                             [](void*, wl_output*, const char*) {}};
constexpr zxdg_output_v1_listener kXdgOutputListener{
    handleLogicalPosition, handleLogicalSize, [](void*, zxdg_output_v1*) {},
    [](void*, zxdg_output_v1*, const char*) {}, [](void*, zxdg_output_v1*, const char*) {}};

}  // namespace

OutputList::~OutputList() {
    for (auto& output : mOutputs) {
        if (output->xdgOutput != nullptr) {
            zxdg_output_v1_destroy(output->xdgOutput);
        }
        wl_output_destroy(output->proxy);
    }
    if (mXdgOutputManager != nullptr) {
        zxdg_output_manager_v1_destroy(mXdgOutputManager);
    }
}

void OutputList::add(wl_output* proxy) {
    auto output = std::make_unique<Output>();
    output->proxy = proxy;
    wl_output_add_listener(proxy, &kOutputListener, output.get());
    if (mXdgOutputManager != nullptr) {
        describe(*output);
    }
    mOutputs.push_back(std::move(output));
}

void OutputList::useXdgOutputs(zxdg_output_manager_v1* manager) {
    mXdgOutputManager = manager;
    for (auto& output : mOutputs) {
        describe(*output);
    }
}

std::optional<Output> OutputList::firstOf(const std::set<wl_output*>& proxies) const {
    for (const auto& output : mOutputs) {
        if (proxies.count(output->proxy) != 0) {
            return *output;
        }
    }
    return std::nullopt;
}

std::optional<Output> OutputList::first() const {
    if (mOutputs.empty()) {
        return std::nullopt;
    }
    return *mOutputs.front();
}

void OutputList::describe(Output& output) {
    output.xdgOutput = zxdg_output_manager_v1_get_xdg_output(mXdgOutputManager, output.proxy);
    zxdg_output_v1_add_listener(output.xdgOutput, &kXdgOutputListener, &output);
}

}  // namespace korvane::wayland
