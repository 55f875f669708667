#pragma once

#include "canopen/BusWorker.h"

#include <QEventLoop>
#include <QObject>
#include <QString>
#include <QTimer>

#include <cstdint>
#include <functional>

class QPlainTextEdit;
class QProgressBar;

namespace veldris {
class GUIProgress;
}

// Where the window shows what a worker reports: each report line, and its percentage (may be
// left empty).
struct WorkerDisplay {
    std::function<void(const QString&)> showLine;
    std::function<void(int)> showProgress;
};

// Follows one worker from the user-interface thread until it has ended and all its report
// lines are shown. The worker keeps its lines and percentage in the GUIProgress and signals
// each report and its end through queued connections; the window waits for them in a local
// event loop, so it stays painted and its handlers run meanwhile.
//
// Pace: one pass per 100 ms while something is left to show; a pass shows at most one new line
// and then the percentage. A handler that runs several workers on one GUIProgress passes the
// same counter of shown lines to the follower of each.
class WorkerFollower : public QObject {
    Q_OBJECT
public:
    WorkerFollower(veldris::GUIProgress& progress, WorkerDisplay display, std::uint32_t& shownLines);

    // What the worker runs: `procedure`, reporting into the GUIProgress it is handed and
    // signalling this follower, which must outlive the worker thread. Its end is signalled
    // on every way out of `procedure`, also by an exception.
    veldris::BusWorker::Procedure relay(veldris::BusWorker::Procedure procedure);

    // Waits until the relayed procedure has ended, then calls `join` (the worker thread has
    // only its last steps left then: an exception's line, the bus released), and returns once
    // every line is shown.
    void follow(const std::function<void()>& join);

signals:
    // Emitted on the worker thread.
    void reported();
    void ended();

private:
    void startPasses();
    void pass();
    void workerEnded();
    bool linesLeft();

    veldris::GUIProgress& progress;
    WorkerDisplay display;
    std::uint32_t& shown;
    std::function<void()> joinWorker;
    bool joined = false;
    QTimer pacer;
    QEventLoop loop;
};

WorkerDisplay displayIn(QPlainTextEdit* output, QProgressBar* bar);
