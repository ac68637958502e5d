#pragma once

#include <string>

namespace korvane::wayland {

// Writes all of `text` to the non-blocking pipe `fd` a client reads a selection from, and waits
// until the client has taken every byte out of it: a client that sees the selection change while
// bytes of the old one are still in its pipe drops them and pastes the new one, so a text counts
// as handed over only once they are out. False when the client closed the pipe or took more than
// two seconds over either part. The caller closes `fd`.
bool writeToReader(int fd, const std::string& text);

}  // namespace korvane::wayland
