#include "core/AppCore.h"

#include "core/FilePrivacy.h"
#include "core/IntegerText.h"
#include "core/OptionsMapping.h"
#include "core/RequestServing.h"
#include "handling/DeviceSettings.h"
#include "platform/PathText.h"
#include "platform/PrivateFiles.h"
#include "platform/Trace.h"

namespace korvane {
namespace {

void copyOptions(const AppSettings& from, AppSettings& to) {
    to.inputMethod = from.inputMethod;
    to.keyDelayMs = from.keyDelayMs;
    to.restoreClipboard = from.restoreClipboard;
    to.duplicateSeconds = from.duplicateSeconds;
    to.scanHistory = from.scanHistory;
    to.language = from.language;
}

}  // namespace

AppCore::AppCore(CorePorts ports, std::filesystem::path settingsFile, std::string captureFile)
    : mPorts(ports),
      mSettingsFile(std::move(settingsFile)),
      mSettings(readSettings(mSettingsFile)),
      mSelectedAddress(mSettings.ipAddress) {
    DeviceSettings devices = readDeviceSettings(mSettingsFile);
    mApproval = std::make_unique<DeviceApproval>(mPorts.prompt, std::move(devices.devices),
                                                 devices.approvalOn);
    // Saved by the front end's thread: changes come from server threads too.
    mApproval->onChanged([this] { mPorts.uiThread.post([this] { saveDevices(); }); });
    const std::filesystem::path capture = std::filesystem::u8path(captureFile);
    mHandler = std::make_unique<RequestHandler>(mPorts.desktop, mPorts.log, mPorts.listener,
                                                std::move(captureFile), mApproval.get());
    mHandler->setApprovalCode(mApprovalCode);
    mServer = serveRequests(*mHandler);
    applyOptions(mSettings);
    for (const std::string& text : closeFilesToOthers(mSettingsFile, historyFile(), capture)) {
        mHandler->addLog("Server", "[Files]" + text);
    }
}

void AppCore::prepareSettingsFolder() const {
    const std::filesystem::path folder = mSettingsFile.parent_path();
    if (isOwnFolder(folder)) {
        makePrivateFolder(folder);
    }
}

AppCore::~AppCore() {
    // The server goes first: its threads report into the handler and the ports until they end.
    shutDown();
}

void AppCore::saveDevices() {
    prepareSettingsFolder();
    if (auto failure = writeApprovedDevices(mSettingsFile, mApproval->devices())) {
        traceOutput("saveDevices: " + pathText(mSettingsFile) + ": " + *failure);
    }
}

std::optional<StartRefusal> AppCore::checkStart(const std::string& address,
                                                const std::string& portText) {
    if (address.empty()) {
        return StartRefusal{StartRefusal::Reason::NoAddress, {}};
    }
    if (!parseIntegerText(portText)) {
        return StartRefusal{StartRefusal::Reason::PortNotInteger, portText};
    }
    return std::nullopt;
}

std::optional<StartRefusal> AppCore::start(const std::string& address,
                                           const std::string& portText) {
    if (auto refusal = checkStart(address, portText)) {
        if (!address.empty()) {
            mSelectedAddress = address;
        }
        return refusal;
    }
    mSelectedAddress = address;
    if (auto failure = mServer->start(mSelectedAddress, *parseIntegerText(portText))) {
        return StartRefusal{StartRefusal::Reason::ServerRefused, *failure};
    }
    mListening = true;
    return std::nullopt;
}

void AppCore::stop() {
    mServer->stop();
}

void AppCore::armAutomaticStart(std::function<bool()> chosen,
                                std::function<void()> startListening) {
    if (mAutomaticStartArmed) {
        return;
    }
    mAutomaticStartArmed = true;
    mPorts.uiThread.postAfter(kAutomaticStartDelay, [this, chosen = std::move(chosen),
                                                     startListening = std::move(startListening)] {
        mAutomaticStartArmed = false;
        if (!mListening && chosen()) {
            startListening();
        }
    });
}

CloseAnswer AppCore::requestClose() const {
    if (mSessionEnding) {
        return CloseAnswer::Accept;
    }
    return mListening ? CloseAnswer::StillListening : CloseAnswer::AskToConfirm;
}

std::filesystem::path AppCore::historyFile() const {
    return scanHistoryFile(mSettingsFile);
}

void AppCore::applyOptions(const AppSettings& options) {
    copyOptions(options, mSettings);
    mHandler->setOptions(handlingOptionsOf(mSettings, historyFile()));
}

std::optional<std::string> AppCore::writeOptions(const AppSettings& options) {
    applyOptions(options);
    prepareSettingsFolder();
    return korvane::writeOptions(mSettingsFile, mSettings);
}

std::optional<std::string> AppCore::saveSettings(const AppSettings& fields) {
    AppSettings settings = fields;
    copyOptions(mSettings, settings);
    prepareSettingsFolder();
    return writeSettings(mSettingsFile, settings);
}

void AppCore::announceDesktop(const DesktopChoice& choice) {
    mHandler->addLog("Server", "[Desktop]" + choice.name);
    if (!choice.notice.empty()) {
        mHandler->addLog("Server", "[Desktop]" + choice.notice);
    }
}

void AppCore::announceSettingsPlace(const SettingsPlace& place) {
    if (!place.startedFrom.empty()) {
        mHandler->addLog("Setting", settingsMovedText(place));
    }
}

}  // namespace korvane
