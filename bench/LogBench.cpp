// addLog into a log that already holds 100,000 lines, through the window's own path: the line is
// posted to the update queue under LogLock and the window's thread puts it into the list model.
// The first two attach no view, so drawing is not counted; BM_FrameWithView adds a shown list view
// set up as the window's (on the offscreen platform unless QT_QPA_PLATFORM says otherwise) and
// counts the CPU time of one frame: a batch of lines, the newest selected, 16 ms of event loop.
// Run by hand: build/default/bench/bench_log
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QEventLoop>
#include <QTimer>
#include <string>
#include <vector>

#include "app/LogList.h"
#include "app/LogListView.h"
#include "app/QtUiThread.h"
#include "core/UiUpdateQueue.h"
#include "handling/RequestHandler.h"
#include "tools/CannedDesktop.h"
#include "tools/HostedServer.h"

namespace {

using namespace korvane;

constexpr int kLogLines = 100000;

// The window's LogView, as the main window does it: post, never wait for the window's thread.
class QueuedLogView : public LogView {
  public:
    explicit QueuedLogView(UiUpdateQueue& queue) : mQueue(queue) {}
    void insertLogLine(const std::string& line) override { mQueue.postLine(line); }

  private:
    UiUpdateQueue& mQueue;
};

struct Log {
    Log()
        : queue(
              uiThread, [this](LogLines lines) { model.addNewest(std::move(lines)); }, [] {}),
          view(queue),
          handler(desktop, view, window, "/dev/null") {}

    void fill(int lines) {
        for (int i = 0; i < lines; ++i) {
            handler.addLog("PHONE1", "[192.168.1.20][Client_Receive]設定確認要求:101");
        }
        queue.flush();
    }

    LogListModel model;
    QtUiThread uiThread;
    UiUpdateQueue queue;
    QueuedLogView view;
    CannedDesktop desktop{1, 1};
    QuietWindow window;
    RequestHandler handler;
};

void BM_AddLogInto100kLog(benchmark::State& state) {
    Log log;
    log.fill(kLogLines);
    const std::int64_t batch = state.range(0);
    for (auto _ : state) {
        for (std::int64_t i = 0; i < batch; ++i) {
            log.handler.addLog("PHONE1", "[192.168.1.20][Client_Send]設定確認応答:");
        }
        log.queue.flush();
    }
    state.SetItemsProcessed(state.iterations() * batch);
    state.counters["lines"] = log.model.rowCount();
}
// One line per flush of the window's thread, and a burst of 100 sharing one.
BENCHMARK(BM_AddLogInto100kLog)->Arg(1)->Arg(100)->ArgName("burst");

void BM_Fill100kLog(benchmark::State& state) {
    for (auto _ : state) {
        Log log;
        log.fill(kLogLines);
        benchmark::DoNotOptimize(log.model.rowCount());
    }
    state.SetItemsProcessed(state.iterations() * kLogLines);
}
BENCHMARK(BM_Fill100kLog)->Unit(benchmark::kMillisecond);

void BM_FrameWithView(benchmark::State& state) {
    Log log;
    LogListView view(21, nullptr);
    view.setModel(&log.model);
    view.setTextElideMode(Qt::ElideNone);
    view.setSelectionMode(QAbstractItemView::SingleSelection);
    view.resize(800, 400);
    view.show();
    log.fill(static_cast<int>(state.range(0)));
    for (auto _ : state) {
        for (int i = 0; i < 50; ++i) {
            log.handler.addLog("PHONE1", "[192.168.1.20][Client_Send]設定確認応答:");
        }
        log.queue.flush();
        view.selectionModel()->setCurrentIndex(log.model.index(0),
                                               QItemSelectionModel::ClearAndSelect);
        QEventLoop frame;
        QTimer::singleShot(16, &frame, &QEventLoop::quit);
        frame.exec();
    }
    state.SetItemsProcessed(state.iterations() * 50);
    state.counters["lines"] = log.model.rowCount();
}
// 50 lines a frame (3,000 a second) into logs of 1,000, 10,000, 90,000 and 100,000 lines, for a
// second of frames so that the logs below the cap stay below it. A frame should cost the same
// whatever the log's length; at 100,000 each frame also drops the 50 oldest lines.
BENCHMARK(BM_FrameWithView)
    ->Arg(1000)
    ->Arg(10000)
    ->Arg(90000)
    ->Arg(kLogLines)
    ->ArgName("lines")
    ->Iterations(60)
    ->MeasureProcessCPUTime()
    ->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
