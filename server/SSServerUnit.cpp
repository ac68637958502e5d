#include "server/SSServerUnit.h"

#include <thread>

#include "server/SSChildUnit.h"
#include "server/SSError.h"
#include "server/SSMessages.h"
#include "server/SSRecvFileUnit.h"
#include "server/SSResponseUnit.h"
#include "server/SSSendFileUnit.h"
#include "server/SSStartThreadUnit.h"

namespace korvane {

TSSServer::TSSServer(SSServer_Proc pFunc) : mCallBackFunc(std::move(pFunc)) {}

TSSServer::~TSSServer() {
    mAbort = true;
    std::unique_lock lock(mThreadsLock);
    mThreadsDone.wait(lock, [this] { return mThreadCount == 0; });
}

bool TSSServer::Start(const std::string& pIpAddress, std::int32_t pPort,
                      std::string& pErrorMessage) {
    bool expected = false;
    if (!mStarted.compare_exchange_strong(expected, true)) {
        pErrorMessage = msg::kAlreadyListening;
        return false;
    }
    try {
        mAbort = false;
        mPort = pPort;
        mIpAddress = pIpAddress;
        TSSStartThread::Create(this);
        return true;
    } catch (...) {
        pErrorMessage = joinError(msg::kStartListeningFailed, currentErrorText());
        mStarted = false;
        return false;
    }
}

void TSSServer::Stop() {
    if (mStarted) {
        mAbort = true;
        return;
    }
    CallBackProc_(nullptr, kEventListenerEnded, 0, "", "", msg::kNotListening, "");
}

void TSSServer::CallBackProc_(TSSChild* pHandle, std::uint8_t pKind,
                              std::int32_t pCommandSerialNumber, const std::string& pIpAddress,
                              const std::string& pClientKey, const std::string& pData,
                              const std::string& pErrorMessage) const {
    mCallBackFunc(pHandle, pKind, pCommandSerialNumber, pIpAddress, pClientKey, pData,
                  pErrorMessage);
}

void TSSServer::StartThread(std::function<void()> body) {
    {
        std::lock_guard lock(mThreadsLock);
        ++mThreadCount;
    }
    auto finish = [this] {
        std::lock_guard lock(mThreadsLock);
        --mThreadCount;
        mThreadsDone.notify_all();
    };
    try {
        std::thread([body = std::move(body), finish]() mutable {
            {
                // Released before the count drops, so nothing of the thread outlives the server.
                auto run = std::move(body);
                try {
                    run();
                } catch (...) {
                    // Every thread body reports its own failures; nothing may end the process.
                }
            }
            finish();
        }).detach();
    } catch (...) {
        finish();
        throw;
    }
}

void TSSServer::StartTransfer(TSSChild* pHandle, const char* pFailureText,
                              std::function<void(std::shared_ptr<TSSChild>)> pRun) {
    try {
        if (!mStarted) {
            throw SSError(msg::kNotListening);
        }
        pRun(pHandle->shared_from_this());
    } catch (...) {
        std::string error = joinError(pFailureText, currentErrorText());
        std::int32_t serial = pHandle->mCommandSerialNumber;
        std::string ip = pHandle->mIp;
        std::string key = pHandle->mClientKey;
        std::string data = pHandle->mData;
        pHandle->mSendStream.reset();
        pHandle->CloseSocket();
        CallBackProc_(nullptr, kEventClientError, serial, ip, key, data, error);
    }
}

void TSSServer::Response(TSSChild* pHandle, std::int32_t pCommandSerialNumber,
                         const std::string& pResponse) {
    pHandle->mCommandSerialNumber = pCommandSerialNumber;
    pHandle->mResponse = pResponse;
    StartTransfer(pHandle, msg::kResponseFailed, [this](std::shared_ptr<TSSChild> child) {
        TSSResponseThread::Create(this, child);
    });
}

void TSSServer::SendFile(TSSChild* pHandle, std::int32_t pCommandSerialNumber,
                         const std::string& pLocalFilePath, const std::string& pRemoteFileName,
                         const std::string& pFieldInfo) {
    pHandle->mCommandSerialNumber = pCommandSerialNumber;
    pHandle->mLocalFilePath = pLocalFilePath;
    pHandle->mRemoteFileName = pRemoteFileName;
    pHandle->mFieldInfo = pFieldInfo;
    TSSSendFileThread::OpenLocalFile(*pHandle);
    StartTransfer(pHandle, msg::kSendFileFailed, [this](std::shared_ptr<TSSChild> child) {
        TSSSendFileThread::Create(this, child);
    });
}

void TSSServer::RecvFile(TSSChild* pHandle, std::int32_t pCommandSerialNumber,
                         const std::string& pLocalFilePath, const std::string& pRemoteFileName) {
    pHandle->mCommandSerialNumber = pCommandSerialNumber;
    pHandle->mLocalFilePath = pLocalFilePath;
    pHandle->mRemoteFileName = pRemoteFileName;
    StartTransfer(pHandle, msg::kRecvFileFailed, [this](std::shared_ptr<TSSChild> child) {
        TSSRecvFileThread::Create(this, child);
    });
}

}  // namespace korvane
