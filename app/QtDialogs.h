#pragma once

#include <QObject>
#include <condition_variable>
#include <mutex>
#include <string>

#include "core/AppDialogs.h"

namespace korvane {

// The message boxes as Qt shows them, titled with the application's title. A box asked for by
// another thread is shown by the GUI thread while the asking thread waits.
class QtDialogs : public QObject, public AppDialogs {
    Q_OBJECT
  public:
    explicit QtDialogs(QString title);

    void showError(const std::string& text) override;
    void showWarning(const std::string& text) override;
    bool confirm(const std::string& text) override;

    // From now on no box is shown to another thread and none of them waits: the GUI thread is
    // about to wait for those threads itself.
    void shutdown();

  private:
    QString mTitle;
    std::mutex mLock;
    std::condition_variable mAnswered;
    bool mShutdown = false;
};

}  // namespace korvane
