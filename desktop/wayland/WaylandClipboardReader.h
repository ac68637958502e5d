#pragma once

#include <chrono>
#include <optional>
#include <string>

namespace korvane::wayland {

// The text the clipboard of a wlroots compositor holds now, as UTF-8, asked of its owner through
// data control (zwlr_data_control_v1) on a connection of its own: the text/plain;charset=utf-8
// offer, or UTF8_STRING from an X11 program. Nothing when the clipboard is empty, holds no text
// (a picture, files), its owner does not send the whole text within `budget`, the text is over
// 16 MiB, or the compositor cannot be reached or lacks the protocol: the caller then has no text
// to put back. `displayName` empty means WAYLAND_DISPLAY. Any thread.
std::optional<std::string> readClipboardText(const std::string& displayName,
                                             std::chrono::milliseconds budget);

}  // namespace korvane::wayland
