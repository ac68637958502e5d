#include "app/SessionEnd.h"

#include <QCoreApplication>
#include <QEvent>
#include <QSocketNotifier>

namespace korvane {

SessionEnd::SessionEnd(std::function<void()> onEnd) : mOnEnd(std::move(onEnd)) {
    if (mSignal.descriptor() >= 0) {
        mNotifier = new QSocketNotifier(mSignal.descriptor(), QSocketNotifier::Read, this);
        connect(mNotifier, &QSocketNotifier::activated, this, [this] {
            mSignal.drain();
            finish();
        });
    }
    // The session manager ends the program with a quit event to the application.
    QCoreApplication::instance()->installEventFilter(this);
}

SessionEnd::~SessionEnd() = default;

bool SessionEnd::eventFilter(QObject* watched, QEvent* event) {
    if (watched == QCoreApplication::instance() && event->type() == QEvent::Quit) {
        finish();
        return true;
    }
    return QObject::eventFilter(watched, event);
}

void SessionEnd::finish() {
    if (mEnded) {
        return;
    }
    mEnded = true;
    mOnEnd();
}

}  // namespace korvane
