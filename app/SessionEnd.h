#pragma once

#include <QObject>
#include <functional>

#include "platform/TerminationSignal.h"

class QSocketNotifier;

namespace korvane {

// The ways the desktop session ends the program: SIGTERM, SIGINT and the session manager's quit.
// Each runs the handler once, on the GUI thread, instead of asking the user anything.
class SessionEnd : public QObject {
    Q_OBJECT
  public:
    explicit SessionEnd(std::function<void()> onEnd);
    ~SessionEnd() override;

    bool ended() const { return mEnded; }

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    void finish();

    std::function<void()> mOnEnd;
    TerminationSignal mSignal;
    QSocketNotifier* mNotifier = nullptr;
    bool mEnded = false;
};

}  // namespace korvane
