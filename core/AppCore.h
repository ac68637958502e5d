#pragma once

#include <atomic>
#include <chrono>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "core/AddressView.h"
#include "core/ApprovalDesk.h"
#include "core/LocalAddresses.h"
#include "core/Settings.h"
#include "core/SettingsPlace.h"
#include "core/UiThread.h"
#include "desktop/Desktop.h"
#include "desktop/DesktopChoice.h"
#include "handling/ApprovalCode.h"
#include "handling/ApprovalPrompt.h"
#include "handling/DeviceApproval.h"
#include "handling/RequestHandler.h"
#include "handling/TypedWindowKinds.h"
#include "handling/WindowPorts.h"
#include "platform/AddressWatch.h"
#include "server/RequestServer.h"

namespace korvane {

// What a front end lends the core; each must outlive it.
struct CorePorts {
    Desktop& desktop;
    LogView& log;
    ListenerView& listener;
    MessageBoxes& boxes;
    ApprovalPrompt& prompt;
    UiThread& uiThread;
};

// Why a start did not listen; the front end words it in its language.
struct StartRefusal {
    enum class Reason {
        NoAddress,       // no address to listen on was chosen
        PortNotInteger,  // detail: the port text
        ServerRefused,   // detail: the server's own text
    };
    Reason reason;
    std::string detail;
};

// How long after the window first shows the automatic start comes: the window is drawn first.
inline constexpr std::chrono::milliseconds kAutomaticStartDelay{100};

// How long the addresses must stay unchanged before the core looks at them: a DHCP renewal or a
// Wi-Fi reconnect changes them several times within this.
inline constexpr std::chrono::milliseconds kAddressSettleTime{1000};

// What a request to close the program meets.
enum class CloseAnswer { Accept, StillListening, AskToConfirm };

// The application without its toolkit, shared by the window program and korvane-host: the
// settings file, the approval of phones (kept in it), request handling with the options of the
// settings, the request server, and the listening state. Everything but the ports' calls runs on
// the front end's thread (UiThread); server threads reach the front end only through the ports.
class AppCore {
  public:
    // Reads the settings and the approved devices and applies the options; nothing listens yet.
    // The files that the program keeps about its users are closed to other users (FilePrivacy.h),
    // a log line for each that had to be; a folder of its own that the settings are written into
    // is made so before each write.
    AppCore(CorePorts ports, std::filesystem::path settingsFile, std::string captureFile);
    // Stops the address watch and the server and waits for their threads; saves nothing.
    ~AppCore();
    // The same, before the front end's last save at exit; nothing starts afterwards.
    void shutDown();
    AppCore(const AppCore&) = delete;
    AppCore& operator=(const AppCore&) = delete;

    // The settings as read at the start, with the options as last applied and the typed window
    // kinds as last saved.
    const AppSettings& settings() const { return mSettings; }
    const std::filesystem::path& settingsFile() const { return mSettingsFile; }

    // Starts listening on `address` and the port in `portText`; why not, when it does not.
    // An address given becomes the selected one even when the port is refused. Listening on the
    // first address offered, when it is the default route's, follows the default route (below).
    std::optional<StartRefusal> start(const std::string& address, const std::string& portText);
    // What start refuses before it asks the server: no address, or a port that is no integer.
    static std::optional<StartRefusal> checkStart(const std::string& address,
                                                  const std::string& portText);
    // Asks the listener to end; the end comes later as listenerEnded(). Listening suspended for
    // its address (below) ends too: ListenerView::listenerStopped follows once, as for any stop.
    void stop();
    // The listener's end, passed on by the front end from ListenerView::listenerStopped.
    void listenerEnded() { mListening = mSuspended = false; }
    // Listening, or suspended until its address comes back: the user has not stopped it.
    bool isListening() const { return mListening; }
    bool isSuspended() const { return mSuspended; }

    // Watches this PC's addresses from now until shutDown, and tells `view` of every change (after
    // kAddressSettleTime without another). When the address listened on goes, the log says so,
    // the server stops (the front end's ListenerView is not told: listening is only suspended)
    // and `view` hears listeningSuspended; when it comes back, or, for listening that follows the
    // default route, when that route's interface has a new first address, listening goes on there
    // and `view` hears listeningResumed. `addresses` reads them (readLocalAddresses). The view must
    // outlive the core. Why it cannot watch, when it cannot (nothing is watched then).
    std::optional<std::string> watchAddresses(AddressView& view, AddressSource addresses);
    // The address listening uses: the saved one until a start takes another.
    const std::string& selectedAddress() const { return mSelectedAddress; }

    // The automatic start, armed once the front end shows itself (after the splash):
    // kAutomaticStartDelay later, on the front end's thread, `startListening` runs when `chosen`
    // (the front end's automatic start box, as it is then) says so and nothing listens yet. Runs
    // once: an arm while one waits is dropped. What the functions refer to must outlive the core.
    void armAutomaticStart(std::function<bool()> chosen, std::function<void()> startListening);

    CloseAnswer requestClose() const;
    // The session ends (signal, logout): the program closes without asking.
    void endSession() { mSessionEnding = true; }
    bool sessionEnding() const { return mSessionEnding; }

    // Makes the options part of `options` those of request handling from now on. The typed
    // window kinds are only forgotten so: those that settings() listed and `options` does not.
    void applyOptions(const AppSettings& options);
    // Applies the options and writes them alone into the settings file (writeOptions).
    std::optional<std::string> writeOptions(const AppSettings& options);
    // Writes the settings: the [Setting] and [Window] keys from `fields`, the options as applied.
    std::optional<std::string> saveSettings(const AppSettings& fields);
    std::filesystem::path historyFile() const;

    // Logs which desktop implementation types and captures, and what it cannot reach.
    void announceDesktop(const DesktopChoice& choice);
    // Logs where the settings now live when they were just taken from beside the program.
    void announceSettingsPlace(const SettingsPlace& place);

    RequestHandler& handler() { return *mHandler; }
    DeviceApproval& approval() { return *mApproval; }
    // The user's side of approval; its warnings go to the log and the security lines.
    ApprovalDesk& approvalDesk() { return *mApprovalDesk; }
    // The one-time code that approves the phone which scans it; the front end issues and shows it.
    ApprovalCode& approvalCode() { return mApprovalCode; }

  private:
    // Passes the listener's end on to the front end, except the end of a suspension.
    class ListenerRelay : public ListenerView {
      public:
        explicit ListenerRelay(AppCore& core) : mCore(core) {}
        void listenerStopped() override;

      private:
        AppCore& mCore;
    };

    void saveDevices();
    // Writes the options with the typed window kinds as they are now; the front end's thread.
    void saveTypedKinds();
    void prepareSettingsFolder() const;
    void reviewAddresses();
    void suspendListening();
    void resumeListening(const std::vector<LocalAddress>& addresses);

    CorePorts mPorts;
    ListenerRelay mRelay{*this};
    std::filesystem::path mSettingsFile;
    AppSettings mSettings;
    std::string mSelectedAddress;
    bool mListening = false;
    bool mSuspended = false;
    // Listening was started on the default route's first address and moves with it.
    bool mFollowsDefaultRoute = false;
    std::string mPortText;
    // Where a suspension's stop is: the server thread that ends the listener and the front end's
    // thread (a user's stop) settle once, between them, who tells the front end.
    enum class SuspensionStage {
        None,      // the listener's end is passed on
        Stopping,  // the listener is asked to end for a suspension: its end is not passed on
        Ended,     // it has ended, unseen: listening can start again
    };
    std::atomic<SuspensionStage> mSuspension{SuspensionStage::None};
    bool mSessionEnding = false;
    bool mAutomaticStartArmed = false;
    ApprovalCode mApprovalCode;
    std::unique_ptr<DeviceApproval> mApproval;
    // The one list of typed window kinds, learned into by request handling on its threads.
    std::shared_ptr<TypedWindowKinds> mTypedKinds;
    std::unique_ptr<RequestHandler> mHandler;
    std::unique_ptr<ApprovalDesk> mApprovalDesk;
    AddressView* mAddressView = nullptr;
    AddressSource mAddressSource;
    std::unique_ptr<AddressWatch> mAddressWatch;
    // Last, so that it is destroyed (waiting for its threads) before what its events use.
    std::unique_ptr<RequestServer> mServer;
};

}  // namespace korvane
