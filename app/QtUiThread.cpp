#include "app/QtUiThread.h"

#include <QTimer>

namespace korvane {

void QtUiThread::post(std::function<void()> fn) {
    QMetaObject::invokeMethod(this, std::move(fn), Qt::QueuedConnection);
}

void QtUiThread::postAfter(std::chrono::milliseconds delay, std::function<void()> fn) {
    // The timer is started by this object's thread: a server thread has no event loop to run it.
    QMetaObject::invokeMethod(
        this, [this, delay, fn = std::move(fn)] { QTimer::singleShot(delay, this, fn); },
        Qt::QueuedConnection);
}

}  // namespace korvane
