#include "app/WorkerFollower.h"

#include "common/GUIProgress.h"

#include <QPlainTextEdit>
#include <QProgressBar>

#include <chrono>
#include <string>

namespace {

constexpr std::chrono::milliseconds passInterval{100};

// The worker's side: every report goes into the GUIProgress first and is then signalled, so
// that the window finds it there when the queued signal arrives.
class SignallingProgress : public veldris::Progress {
public:
    SignallingProgress(veldris::Progress& into, WorkerFollower& follower) : target(into), window(follower) {}

    void addLine(const std::string& text) override
    {
        target.addLine(text);
        emit window.reported();
    }
    void setProgress(std::uint32_t percent) override
    {
        target.setProgress(percent);
        emit window.reported();
    }
    void setTransfer(std::uint64_t sent, std::uint64_t total) override { target.setTransfer(sent, total); }

private:
    veldris::Progress& target;
    WorkerFollower& window;
};

// Signals the end of the procedure when it returns or unwinds.
class EndSignal {
public:
    explicit EndSignal(WorkerFollower& follower) : window(follower) {}
    ~EndSignal() { emit window.ended(); }
    EndSignal(const EndSignal&) = delete;
    EndSignal& operator=(const EndSignal&) = delete;

private:
    WorkerFollower& window;
};

} // namespace

WorkerFollower::WorkerFollower(veldris::GUIProgress& into, WorkerDisplay shownIn, std::uint32_t& shownLines)
    : progress(into), display(std::move(shownIn)), shown(shownLines)
{
    pacer.setInterval(passInterval);
    pacer.setTimerType(Qt::PreciseTimer); // never a pass early: at most ten lines a second
    connect(&pacer, &QTimer::timeout, this, &WorkerFollower::pass);
    connect(this, &WorkerFollower::reported, this, &WorkerFollower::startPasses, Qt::QueuedConnection);
    connect(this, &WorkerFollower::ended, this, &WorkerFollower::workerEnded, Qt::QueuedConnection);
}

veldris::BusWorker::Procedure WorkerFollower::relay(veldris::BusWorker::Procedure procedure)
{
    return [this, procedure = std::move(procedure)](veldris::Progress& into) {
        const EndSignal end(*this);
        SignallingProgress report(into, *this);
        procedure(report);
    };
}

void WorkerFollower::follow(const std::function<void()>& join)
{
    joinWorker = join;
    loop.exec();
}

void WorkerFollower::startPasses()
{
    if (!pacer.isActive())
        pacer.start();
}

// A line whose read did not get the lock within its 100 ms is read again in the next pass
// instead of leaving an empty line in its place.
void WorkerFollower::pass()
{
    std::string line;
    if (linesLeft() && progress.readLine(shown, line)) {
        if (display.showLine)
            display.showLine(QString::fromLatin1(line));
        ++shown;
    }
    if (display.showProgress)
        display.showProgress(static_cast<int>(progress.progressValue()));
    if (linesLeft())
        return;
    pacer.stop(); // until the next report
    if (joined)
        loop.quit();
}

// Lines the worker added after its procedure (an exception's text) are in the GUIProgress once
// it is joined.
void WorkerFollower::workerEnded()
{
    if (joinWorker)
        joinWorker();
    joined = true;
    if (linesLeft())
        startPasses();
    else if (!pacer.isActive())
        loop.quit();
}

bool WorkerFollower::linesLeft()
{
    return progress.lineCount() > shown;
}

WorkerDisplay displayIn(QPlainTextEdit* output, QProgressBar* bar)
{
    WorkerDisplay display{[output](const QString& line) { output->appendPlainText(line); }, {}};
    if (bar)
        display.showProgress = [bar](int percent) { bar->setValue(percent); };
    return display;
}
