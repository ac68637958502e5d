#pragma once

#include <string>
#include <string_view>

namespace korvane {

// How visibleText shows a line break: CR LF, LF or CR.
enum class LineBreaks {
    Keep,    // as it is: a text shown on several lines (a log line's detail, an error's text)
    Mark,    // as " ↵ ": a text shown on one row (the log's rows, a console's lines)
    Escape,  // as a control picture like any other control character: a key or an address
};

// The text as it may be shown to the user, so that text from the network can neither pass for
// other text (a forged line, reordered characters) nor steer a terminal. Control characters
// (C0 but TAB, and DEL) become their control pictures (ESC shows as "␛", U+241B); C1 controls, the
// bidirectional controls (U+061C, U+200E, U+200F, U+202A to U+202E, U+2066 to U+2069) and the
// line and paragraph separators (U+2028, U+2029) become "<U+202E>"; a byte that starts no valid
// UTF-8 sequence becomes "<9B>". Every other character, TAB included, stays as it is: a text of
// printable characters comes back byte for byte. Any thread.
//
// Applied where a text is shown, not where it is kept: the log keeps its lines as they came (the
// detail and the export show them whole), and only the rows that are drawn, or the lines that a
// console writes, pay for it.
std::string visibleText(std::string_view text, LineBreaks breaks);

}  // namespace korvane
