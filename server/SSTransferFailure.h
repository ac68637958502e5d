#pragma once

#include <string>

#include "server/SSChildUnit.h"
#include "server/SSError.h"
#include "server/SSServerUnit.h"

namespace korvane {

// The end of a failed reply or transfer: the connection is closed and the application told.
// Must be called from a catch block; setting the socket to closed is the last touch of the record.
inline void FailTransfer(const TSSServer& server, TSSChild& child, const char* failureText) {
    std::string error = joinError(failureText, currentErrorText());
    std::int32_t serial = child.mCommandSerialNumber;
    std::string ip = child.mIp;
    std::string key = child.mClientKey;
    std::string data = child.mData;
    child.CloseSocket();
    try {
        server.CallBackProc_(nullptr, kEventClientError, serial, ip, key, data, error);
    } catch (...) {
        // Escaping from kind 2 ends the thread without a further event.
    }
}

// Event 4 for a finished step of the connection.
inline void ReportFinished(const TSSServer& server, TSSChild& child) {
    server.CallBackProc_(&child, kEventFinished, child.mCommandSerialNumber, child.mIp,
                         child.mClientKey, child.mData, "");
}

}  // namespace korvane
