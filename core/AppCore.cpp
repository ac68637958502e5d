#include "core/AppCore.h"

#include <algorithm>

#include "core/FilePrivacy.h"
#include "core/IntegerText.h"
#include "core/OptionsMapping.h"
#include "core/RequestServing.h"
#include "handling/DeviceSettings.h"
#include "handling/LogTags.h"
#include "handling/TypedWindowKinds.h"
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
    to.typedWindowKinds = from.typedWindowKinds;
}

constexpr char kAddressTag[] = "[Address]";

bool offers(const std::vector<LocalAddress>& addresses, const std::string& address) {
    return std::any_of(addresses.begin(), addresses.end(),
                       [&](const LocalAddress& entry) { return entry.address == address; });
}

// The address of the default route's interface that is offered first, if any.
std::string defaultRouteAddress(const std::vector<LocalAddress>& addresses) {
    return !addresses.empty() && addresses.front().onDefaultRoute ? addresses.front().address
                                                                  : std::string();
}

std::string addressGoneText(const std::string& address) {
    return std::string(kAddressTag) + "待ち受け中のIPアドレス " + address +
           " がこのPCからなくなったため、待ち受けを止めました。アドレスが戻ると待ち受けを再開します"
           "。";
}

std::string addressBackText(const std::string& address) {
    return std::string(kAddressTag) + "IPアドレス " + address +
           " が戻ったため、待ち受けを再開します。";
}

std::string addressMovedText(const std::string& from, const std::string& to) {
    return std::string(kAddressTag) + "既定の経路のIPアドレスが " + from + " から " + to +
           " に変わったため、" + to + " で待ち受けを再開します。QRコードを読み取り直してください。";
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
    mTypedKinds = std::make_shared<TypedWindowKinds>(mSettings.typedWindowKinds);
    mSettings.typedWindowKinds = mTypedKinds->list();
    // Learned on server threads, saved at once: a crash must not make the staff lose a scan to
    // the same window again.
    mTypedKinds->onChanged([this] { mPorts.uiThread.post([this] { saveTypedKinds(); }); });
    const std::filesystem::path capture = std::filesystem::u8path(captureFile);
    mHandler = std::make_unique<RequestHandler>(mPorts.desktop, mPorts.log, mRelay,
                                                std::move(captureFile), mApproval.get());
    mHandler->setApprovalCode(mApprovalCode);
    mApprovalDesk = std::make_unique<ApprovalDesk>(*mApproval, *mHandler);
    mApproval->onWarning([handler = mHandler.get()](const std::string& text) {
        handler->addSecurityLog(SecurityLines::Kind::Warning, logtag::kServerSource,
                                logtag::kApprovalTag + text);
    });
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

void AppCore::shutDown() {
    // The watch first: with a front end that runs posts at once, its thread may be in
    // reviewAddresses, using the server.
    mAddressWatch.reset();
    mServer.reset();
}

void AppCore::ListenerRelay::listenerStopped() {
    auto stopping = SuspensionStage::Stopping;
    if (mCore.mSuspension.compare_exchange_strong(stopping, SuspensionStage::Ended)) {
        return;
    }
    mCore.mPorts.listener.listenerStopped();
}

void AppCore::saveDevices() {
    prepareSettingsFolder();
    if (auto failure = writeApprovedDevices(mSettingsFile, mApproval->devices())) {
        traceOutput("saveDevices: " + mSettingsFile.string() + ": " + *failure);
    }
}

void AppCore::saveTypedKinds() {
    mSettings.typedWindowKinds = mTypedKinds->list();
    prepareSettingsFolder();
    if (auto failure = korvane::writeOptions(mSettingsFile, mSettings)) {
        traceOutput("saveTypedKinds: " + *failure);
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
    mSuspended = false;
    mPortText = portText;
    std::vector<LocalAddress> addresses;
    mFollowsDefaultRoute = mAddressSource && mAddressSource(addresses) &&
                           !defaultRouteAddress(addresses).empty() &&
                           defaultRouteAddress(addresses) == address;
    return std::nullopt;
}

void AppCore::stop() {
    if (!mSuspended) {
        mServer->stop();
        return;
    }
    mSuspended = false;
    mListening = false;
    // A listener still ending tells the front end itself; one that has ended did not.
    auto stopping = SuspensionStage::Stopping;
    if (!mSuspension.compare_exchange_strong(stopping, SuspensionStage::None)) {
        mSuspension = SuspensionStage::None;
        mPorts.listener.listenerStopped();
    }
}

std::optional<std::string> AppCore::watchAddresses(AddressView& view, AddressSource addresses) {
    mAddressView = &view;
    mAddressSource = std::move(addresses);
    mAddressWatch = std::make_unique<AddressWatch>(
        kAddressSettleTime, [this] { mPorts.uiThread.post([this] { reviewAddresses(); }); });
    if (!mAddressWatch->failure().empty()) {
        std::string failure = mAddressWatch->failure();
        mAddressWatch.reset();
        return failure;
    }
    return std::nullopt;
}

void AppCore::reviewAddresses() {
    std::vector<LocalAddress> addresses;
    if (!mServer || !mAddressSource(addresses)) {
        return;
    }
    mAddressView->addressesChanged(addresses);
    if (mListening && !mSuspended && !offers(addresses, mSelectedAddress)) {
        suspendListening();
    } else if (mSuspended) {
        resumeListening(addresses);
    }
}

void AppCore::suspendListening() {
    mHandler->addLog(logtag::kServerSource, addressGoneText(mSelectedAddress));
    mSuspended = true;
    mAddressView->listeningSuspended(mSelectedAddress);
    // Before the stop: its end may come at once, on a server thread.
    mSuspension = SuspensionStage::Stopping;
    mServer->stop();
    // A successor may be there already (a DHCP renewal that gave another address in the same
    // burst): look again once the listener has ended.
    mAddressWatch->poke();
}

void AppCore::resumeListening(const std::vector<LocalAddress>& addresses) {
    const std::string successor = mFollowsDefaultRoute ? defaultRouteAddress(addresses) : "";
    const std::string address = offers(addresses, mSelectedAddress) ? mSelectedAddress : successor;
    if (address.empty()) {
        return;
    }
    if (mSuspension != SuspensionStage::Ended) {
        // Its connections are still being finished: look again a little later.
        mAddressWatch->poke();
        return;
    }
    mSuspension = SuspensionStage::None;
    mHandler->addLog(logtag::kServerSource, address == mSelectedAddress
                                                ? addressBackText(address)
                                                : addressMovedText(mSelectedAddress, address));
    if (auto failure = mServer->start(address, *parseIntegerText(mPortText))) {
        mHandler->addLog(logtag::kServerSource, std::string(kAddressTag) + *failure);
        mSuspension = SuspensionStage::Ended;
        return;
    }
    mSelectedAddress = address;
    mSuspended = false;
    mAddressView->listeningResumed(address);
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
    // Only forgetting comes from the options: a kind learned since this thread last heard of
    // the list is not in it, and stays.
    for (const std::string& kind : mSettings.typedWindowKinds) {
        if (std::find(options.typedWindowKinds.begin(), options.typedWindowKinds.end(), kind) ==
            options.typedWindowKinds.end()) {
            mTypedKinds->forget(kind);
        }
    }
    copyOptions(options, mSettings);
    mSettings.typedWindowKinds = mTypedKinds->list();
    mHandler->setOptions(handlingOptionsOf(mSettings, historyFile(), mTypedKinds));
}

std::optional<std::string> AppCore::writeOptions(const AppSettings& options) {
    applyOptions(options);
    prepareSettingsFolder();
    return korvane::writeOptions(mSettingsFile, mSettings);
}

std::optional<std::string> AppCore::saveSettings(const AppSettings& fields) {
    AppSettings settings = fields;
    copyOptions(mSettings, settings);
    settings.typedWindowKinds = mTypedKinds->list();
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
