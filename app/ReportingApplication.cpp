#include "app/ReportingApplication.h"

#include <QMetaObject>

#include "app/ErrorReportDialog.h"
#include "core/FaultReporting.h"
#include "platform/UnhandledException.h"

namespace korvane {

ReportingApplication::ReportingApplication(int& argc, char** argv) : QApplication(argc, argv) {
    setUnhandledExceptionSink([this](const std::string& what) { report(what); });
}

ReportingApplication::~ReportingApplication() {
    setUnhandledExceptionSink({});
}

void ReportingApplication::reportTo(FaultReporting& faults) {
    mFaults = &faults;
}

void ReportingApplication::offerEarlierReports() {
    if (mFaults == nullptr) {
        return;
    }
    for (const FaultReport& report : mFaults->takeEarlierReports()) {
        ErrorReportDialog::showReport(report);
    }
}

bool ReportingApplication::notify(QObject* receiver, QEvent* event) {
    try {
        return QApplication::notify(receiver, event);
    } catch (...) {
        reportUnhandledException("画面のイベント処理 (イベントの種類 " +
                                 std::to_string(static_cast<int>(event->type())) + ")");
        return false;
    }
}

void ReportingApplication::report(const std::string& what) {
    FaultReport report = mFaults ? mFaults->reportException(what)
                                 : FaultReport{.kind = FaultReport::Kind::Exception, .text = what};
    // Shown once the handler that threw has unwound, and from a server thread on the GUI thread.
    QMetaObject::invokeMethod(
        this, [report = std::move(report)] { ErrorReportDialog::showReport(report); },
        Qt::QueuedConnection);
}

}  // namespace korvane
