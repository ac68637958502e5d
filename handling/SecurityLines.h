#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>
#include <mutex>
#include <string>
#include <vector>

namespace korvane {

// The log lines about approval, refusal and limits, kept apart from the log so that a flood of
// other lines cannot push them out: the user's decisions and the warnings are kept in two parts
// of kMostEach lines each, so that no number of warnings pushes out a decision either. The lines
// are kept as they came (shown through visibleText). Any thread.
class SecurityLines {
  public:
    static constexpr std::size_t kMostEach = 100;

    enum class Kind {
        Decision,  // a phone approved, refused, removed, a refusal lifted
        Warning,   // many unknown phones, a full list, a limit reached
    };

    void add(Kind kind, std::string line);
    // Both parts, newest first.
    std::vector<std::string> lines() const;

  private:
    struct Line {
        std::uint64_t order;
        std::string text;
    };

    mutable std::mutex mLock;
    std::uint64_t mAdded = 0;
    std::deque<Line> mDecisions;
    std::deque<Line> mWarnings;
};

}  // namespace korvane
