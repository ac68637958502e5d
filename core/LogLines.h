#pragma once

#include <cstddef>
#include <deque>
#include <string>
#include <string_view>

namespace korvane {

// The most lines the log keeps: the newest; older ones leave at the bottom.
inline constexpr std::size_t kMaxLogLines = 100000;

// Log lines, oldest first, kept end to end in a few large texts: a flood of thousands of lines a
// frame costs an allocation per few hundred lines instead of one per line, both where they are
// posted (a server thread, under the log's lock) and where they are shown (the window's thread).
// Not thread-safe.
class LogLines {
  public:
    void add(std::string_view line);
    // Takes `newer`'s lines (another object's) after these: a flood's texts are moved, a few
    // lines copied into the room these texts have, so that a log fed a line a frame does not keep
    // a text (and its spare room) per line.
    void append(LogLines&& newer);
    // Forgets the `count` oldest lines (all of them if there are fewer); a text goes once none of
    // its lines is left.
    void dropOldest(std::size_t count);

    std::size_t size() const { return mSpans.size(); }
    bool empty() const { return mSpans.empty(); }
    // 0 is the oldest line; valid until the next change.
    std::string_view operator[](std::size_t index) const;

  private:
    struct Span {
        std::size_t text;  // numbered from the first text this object ever held
        std::size_t begin;
        std::size_t length;
    };
    // A new text's room: twice what these lines hold, within bounds, so that a frame of few lines
    // wastes little and a flood reallocates nothing.
    std::size_t nextRoom(std::size_t lineLength) const;

    static constexpr std::size_t kLeastRoom = 256;
    static constexpr std::size_t kMostRoom = 64 * 1024;
    // Appended lines of fewer bytes in all are copied rather than moved.
    static constexpr std::size_t kCopiedBytes = 4 * 1024;

    std::deque<std::string> mTexts;
    std::size_t mFirstText = 0;  // the number of mTexts.front()
    std::size_t mBytes = 0;      // of the lines kept, for nextRoom
    std::deque<Span> mSpans;
};

}  // namespace korvane
