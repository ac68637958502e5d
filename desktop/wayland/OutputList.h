#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <set>
#include <vector>

struct wl_output;
struct zxdg_output_manager_v1;
struct zxdg_output_v1;

namespace korvane::wayland {

// An output and where it lies in the compositor's layout, in logical pixels.
struct Output {
    wl_output* proxy = nullptr;
    zxdg_output_v1* xdgOutput = nullptr;
    std::int64_t x = 0;
    std::int64_t y = 0;
    std::int64_t width = 0;
    std::int64_t height = 0;
};

// The outputs of one connection, kept up to date by their events: the logical rectangle from
// xdg-output where the compositor offers it, else the position and current mode of wl_output.
// Used on the connection's reading thread only; owns the proxies it is given.
class OutputList {
  public:
    OutputList() = default;
    ~OutputList();
    OutputList(const OutputList&) = delete;
    OutputList& operator=(const OutputList&) = delete;

    // A wl_output just bound (version 1), or the xdg-output manager (version 2): the outputs
    // are described through it from then on.
    void add(wl_output* proxy);
    void useXdgOutputs(zxdg_output_manager_v1* manager);

    const std::vector<std::unique_ptr<Output>>& all() const { return mOutputs; }
    // The first output, in the order they came, that is one of `proxies`; none when none is.
    std::optional<Output> firstOf(const std::set<wl_output*>& proxies) const;
    std::optional<Output> first() const;

  private:
    void describe(Output& output);

    zxdg_output_manager_v1* mXdgOutputManager = nullptr;
    std::vector<std::unique_ptr<Output>> mOutputs;
};

}  // namespace korvane::wayland
