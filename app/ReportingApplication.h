#pragma once

#include <QApplication>
#include <string>

namespace korvane {

class FaultReporting;

// The window program's QApplication, which reports faults instead of vanishing: an exception that
// escapes an event handler is caught as the event returns, written down and shown in an
// ErrorReportDialog, and the event loop goes on (the event counts as not handled; what Qt's own
// frames between the handler and here held, such as a copy of a mouse event, is lost). So is an
// exception that escaped a server thread (platform/UnhandledException.h): written down on that
// thread, shown on the GUI thread. GUI thread, unless said otherwise.
class ReportingApplication : public QApplication {
    Q_OBJECT
  public:
    ReportingApplication(int& argc, char** argv);
    // Takes the unhandled-exception sink away: the server's threads must have ended.
    ~ReportingApplication() override;

    // From now on reports are written through `faults`, which outlives the event loop and the
    // server's threads. Without it a fault is still shown, with no file.
    void reportTo(FaultReporting& faults);

    // Shows, each in its dialog, the reports fatal faults of earlier runs left (once: they are
    // taken from the unseen ones).
    void offerEarlierReports();

    bool notify(QObject* receiver, QEvent* event) override;

  private:
    // Any thread: writes the report on the calling thread and shows it on the GUI thread.
    void report(const std::string& what);

    FaultReporting* mFaults = nullptr;
};

}  // namespace korvane
