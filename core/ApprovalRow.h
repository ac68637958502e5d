#pragma once

#include <string>

#include "handling/UnknownPhones.h"

namespace korvane {

// A phone waiting for approval as the approval list shows it, one text per column. The key and
// the address come from the network, so they are shown as visibleText shows them, line breaks as
// control pictures: no cell holds a line break, and a key can neither add a row or a line of its
// own to the list (a forged address) nor reorder what its row shows.
struct ApprovalRow {
    std::string key;
    std::string address;
    std::string firstRequest;  // "hh:mm:ss", local time
    std::string lastRequest;
    std::string requests;    // how many, in decimal
    std::string keyChanges;  // how many of them came under another key than the one before
};

ApprovalRow approvalRow(const UnknownPhone& phone);

}  // namespace korvane
