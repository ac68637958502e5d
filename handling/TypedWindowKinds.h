#pragma once

#include <cstddef>
#include <functional>
#include <mutex>
#include <string>
#include <vector>

namespace korvane {

// The kinds of window (FocusedWindow::kind) that the automatic input method types keys into
// because a window of that kind did not take a paste. Learned on the server's threads, kept with
// the settings, forgotten from the options. At most kMostKinds: learning one more forgets the
// one learned longest ago. Any thread.
class TypedWindowKinds {
  public:
    static constexpr std::size_t kMostKinds = 50;
    // Longer kinds are not kept: no program names its windows so.
    static constexpr std::size_t kLongestKind = 256;

    // `kinds`, oldest first, as the settings keep them; those that could not be learned are left
    // out, and the oldest beyond kMostKinds.
    explicit TypedWindowKinds(const std::vector<std::string>& kinds = {});

    // True when a window of `kind` gets typed keys; never for "".
    bool contains(const std::string& kind) const;
    // Keeps `kind` (a change) unless it is kept already, is "", longer than kLongestKind or
    // holds a control character (a settings line could not keep it). True when it was kept now.
    bool learn(const std::string& kind);
    // Forgets `kind` (a change when it was kept); its windows are pasted into again.
    void forget(const std::string& kind);
    // The kinds kept, oldest first.
    std::vector<std::string> list() const;

    // Called after every change, on the thread that made it and with no lock held: the front end
    // saves the settings. Set once, before requests arrive.
    void onChanged(std::function<void()> handler) { mChanged = std::move(handler); }

    // True when `kind` could be kept: not "", not too long, no control character.
    static bool keepable(const std::string& kind);

  private:
    bool add(const std::string& kind);

    std::function<void()> mChanged;
    mutable std::mutex mLock;
    std::vector<std::string> mKinds;
};

}  // namespace korvane
