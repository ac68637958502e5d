#pragma once

namespace korvane::bench {

// Typed keys against the paste: a 100-character ASCII barcode and one of 100 different kanji,
// each typed and pasted into a new GTK entry (zenity) on the X server of DISPLAY and, when sway
// is installed (and the build has the wlroots desktop), in a headless sway of the bench's own.
// A run's time runs from the first key to zenity printing the entry's text after Enter, less the
// median of a one-character barcode given the same way; the text printed must be the barcode.
// Prints the table and the goals (typed: 500 ASCII, 200 kanji characters a second, every one
// right); returns 1 when a goal is missed or an entry could not be started, else 0.
int typingRows(int runs);

}  // namespace korvane::bench
