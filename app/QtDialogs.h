#pragma once

#include <QObject>
#include <condition_variable>
#include <mutex>
#include <string>

#include "app/AppDialogs.h"

namespace korvane {

// The message boxes as Qt shows them, titled with the application's title. A box asked for by
// another thread is shown by the GUI thread while the asking thread waits.
class TQtDialogs : public QObject, public IAppDialogs {
    Q_OBJECT
  public:
    explicit TQtDialogs(QString pTitle);

    void showError(const std::string& pText) override;
    void ShowWarning(const std::string& pText) override;
    bool Confirm(const std::string& pText) override;

    // From now on no box is shown to another thread and none of them waits: the GUI thread is
    // about to wait for those threads itself.
    void Shutdown();

  private:
    QString mTitle;
    std::mutex mLock;
    std::condition_variable mAnswered;
    bool mShutdown = false;
};

}  // namespace korvane
