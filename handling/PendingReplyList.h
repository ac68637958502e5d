#pragma once

#include <mutex>
#include <string>
#include <vector>

#include "handling/WindowPorts.h"

namespace korvane {

// Replies that wait for the phone to acknowledge a capture file, keyed by client key. Stored by the
// command that captured, taken on the file sender's thread once the file is delivered. Entries are
// kept as separate fields, so any key (one beginning with a double quote too) finds its reply.
class TPendingReplyList {
  public:
    explicit TPendingReplyList(IMessageBoxes& pBoxes) : mBoxes(pBoxes) {}

    // Stores the entry at the end, replacing the key's earlier one.
    void mdlSetValue(const std::string& pstrKey, const std::string& pstrSend,
                     const std::string& pLogText);
    // Takes the key's entry; without one, pstrSend and pLogText keep their values.
    void mdlGetValue(const std::string& pstrKey, std::string& pstrSend, std::string& pLogText);

    // The stored keys, oldest first.
    std::vector<std::string> Keys() const;

  private:
    struct Entry {
        std::string key;
        std::string send;
        std::string log;
    };

    IMessageBoxes& mBoxes;
    mutable std::mutex mLock;
    std::vector<Entry> mEntries;
};

}  // namespace korvane
