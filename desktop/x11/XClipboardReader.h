#pragma once

#include <chrono>
#include <optional>
#include <string>

namespace korvane::x11 {

// The text the CLIPBOARD selection holds now, as UTF-8, asked of its owner on a connection of its
// own. Nothing when no client owns it, when the owner offers no text, answers too late (after
// `budget`) or sends it in pieces (INCR, a text of hundreds of kilobytes), or when the server
// cannot be reached: the caller then has no text to put back. Any thread.
std::optional<std::string> readClipboardText(const std::string& displayName,
                                             std::chrono::milliseconds budget);

}  // namespace korvane::x11
