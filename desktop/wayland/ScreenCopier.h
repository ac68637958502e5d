#pragma once

#include <cstdint>

#include "desktop/CaptureGeometry.h"
#include "desktop/RgbImage.h"
#include "desktop/wayland/OutputList.h"
#include "desktop/wayland/WaylandSession.h"

struct wl_shm;
struct zwlr_screencopy_manager_v1;

namespace korvane::wayland {

// Copies the screen through screencopy (zwlr_screencopy_manager_v1): for each output, the part of
// the capture rectangle it covers (its logical rectangle), in shared memory, converted from
// XRGB/ARGB/XBGR/ABGR to RGB. Owns the manager and shm it is given; used on the session's thread.
class ScreenCopier {
  public:
    ScreenCopier(WaylandSession& session, zwlr_screencopy_manager_v1* manager, wl_shm* shm)
        : mSession(session), mManager(manager), mShm(shm) {}
    ~ScreenCopier();
    ScreenCopier(const ScreenCopier&) = delete;
    ScreenCopier& operator=(const ScreenCopier&) = delete;

    // Copies what `outputs` show of `rect` into `image` (rect's size); what no output shows, or
    // what the compositor would not copy in time, is left as it was.
    void grab(const OutputList& outputs, const CaptureRect& rect, RgbImage& image);

  private:
    // Copies `region`, which lies on `output` and within `rect`, into `image` (rect's picture).
    void grabRegion(const Output& output, const CaptureRect& region, const CaptureRect& rect,
                    RgbImage& image);

    WaylandSession& mSession;
    zwlr_screencopy_manager_v1* mManager;
    wl_shm* mShm;
};

}  // namespace korvane::wayland
