#pragma once

#include <QObject>

#include "core/UiThread.h"

namespace korvane {

// The UiThread of the Qt front end: the thread this object was made on (the GUI thread), by its
// event loop. What is posted and not yet run is dropped when this object is destroyed.
class QtUiThread : public QObject, public UiThread {
    Q_OBJECT
  public:
    void post(std::function<void()> fn) override;
    void postAfter(std::chrono::milliseconds delay, std::function<void()> fn) override;
};

}  // namespace korvane
