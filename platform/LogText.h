#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace korvane {

// The most characters of one log or trace line's text that are kept.
inline constexpr std::size_t kLogTextLimit = 1000;

// The text as a log or trace line carries it: whole when it has at most `limit` characters (code
// points), else its first `limit` characters, "…" and the whole length, as in
// "abc…(1048576 文字)". A peer's megabyte of data then costs the log a kilobyte.
std::string boundedLogText(std::string_view text, std::size_t limit = kLogTextLimit);

}  // namespace korvane
