#pragma once

#include <memory>

#include "desktop/Desktop.h"
#include "desktop/DesktopChoice.h"

namespace korvane {

// The choice for the session this process runs in: the environment variables, and in a Wayland
// session whether the compositor offers the wlroots protocols or else is KWin (a short connection
// to it for each question).
DesktopChoice detectDesktop();

// The implementation `choice` names, for the display the environment names.
std::unique_ptr<Desktop> makeDesktop(const DesktopChoice& choice);

}  // namespace korvane
