#pragma once

#include <string>

#include "desktop/CaptureGeometry.h"
#include "desktop/RgbImage.h"

typedef struct _GDBusConnection GDBusConnection;

namespace korvane::kde {

// Copies the screen's `rect` into `image` (rect's size, black) through KWin's
// org.kde.KWin.ScreenShot2.CaptureArea: KWin writes the raw picture (QImage's 32-bit formats)
// into a pipe this call reads. KWin answers only a program whose desktop file lists
// org.kde.KWin.ScreenShot2 in X-KDE-DBUS-Restricted-Interfaces. Empty when it answered; the
// reason (for the trace) when it did not, and the picture stays black. Blocks for at most a few
// seconds; call from one thread at a time per connection.
std::string captureKwinArea(GDBusConnection* connection, const CaptureRect& rect, RgbImage& image);

}  // namespace korvane::kde
