#pragma once

#include <cstdint>
#include <optional>

namespace korvane {

// How far Windows trusts a process, as far as keys sent to its windows go: User Interface
// Privilege Isolation drops the input a process sends to the windows of a process with a higher
// integrity level (one run as administrator, while this one is not) without telling the sender
// (SendInput reports the keys as sent). Read from the process's token; a plain value, any thread.
struct ProcessRank {
    // The mandatory integrity level's RID (0x2000 medium, 0x3000 high, 0x4000 system); nothing
    // when the token had none to read.
    std::optional<std::uint32_t> integrity;
    // Whether the token is elevated; nothing when it could not be read.
    std::optional<bool> elevated;
    // The process or its token was refused to this one: a process of the system or one run as
    // administrator, whose token a standard user may not open.
    bool refused = false;
};

// Whether keys that `self` sends would be dropped by the windows of `target`: its integrity level
// above `self`'s; where either level is unknown, `target` elevated and `self` not, or `target`
// refused to a `self` that is not elevated. A rank that tells nothing lets the keys go, as
// before this was asked.
bool keysDropped(const ProcessRank& target, const ProcessRank& self);

}  // namespace korvane
