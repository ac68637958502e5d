#pragma once

#include <cstdint>
#include <mutex>
#include <string>
#include <vector>

#include "desktop/Desktop.h"
#include "handling/PendingReplyList.h"
#include "handling/WindowPorts.h"

namespace korvane {

class TSSServer;
class TSSChild;

// The application's reaction to the request server: it logs every event, returns the window to the
// stopped state when listening ends, and carries out the phone's commands (settings check, barcode
// typing, captures), replying on the request's connection.
class TRequestHandler {
  public:
    TRequestHandler(Desktop& pDesktop, ILogView& pLogView, IListenerView& pListenerView,
                    IMessageBoxes& pBoxes, std::string pCaptureFile);

    // The server whose events arrive here; set once, before it starts.
    void SetServer(TSSServer* pServer) { mServer = pServer; }

    // The server's event procedure. Lets an error escape only for a malformed request, so that the
    // server closes that connection and reports it.
    void ServerEventProc(TSSChild* pHandle, std::uint8_t pKind, std::int32_t pCommandSerialNumber,
                         const std::string& pIpAddress, const std::string& pClientKey,
                         const std::string& pData, const std::string& pErrorMessage);

    // Writes one time-stamped log line "[time][source]text" at the top of the log; never fails.
    void AddLog(const std::string& pSource, const std::string& pText);

    // Serialises the commands that use the desktop; may be held while LogLock is taken.
    std::mutex InputLock;
    // Serialises log lines and the listening controls' changes.
    std::mutex LogLock;
    TPendingReplyList PendingReplyList;

  private:
    void HandleRequest(TSSChild* pHandle, std::int32_t pSerial, const std::string& pIp,
                       const std::string& pKey, const std::string& pData);
    void ConfirmSettings(TSSChild* pHandle, const std::string& pIp, const std::string& pKey,
                         const std::string& pData);
    void RunDesktopCommand(TSSChild* pHandle, std::int32_t pCode,
                           const std::vector<std::string>& pFields, const std::string& pIp,
                           const std::string& pKey, const std::string& pData);
    DesktopError Capture(WindowHandle pWindow, std::int32_t pCode,
                         const std::vector<std::string>& pFields, Point pCaret);
    void SendDeferredReply(TSSChild* pHandle, const std::string& pKey);
    void RejectUnsupported(TSSChild* pHandle, const std::vector<std::string>& pFields,
                           const std::string& pIp, const std::string& pKey,
                           const std::string& pData);

    Desktop& mDesktop;
    ILogView& mLogView;
    IListenerView& mListenerView;
    std::string mCaptureFile;
    TSSServer* mServer = nullptr;
};

}  // namespace korvane
