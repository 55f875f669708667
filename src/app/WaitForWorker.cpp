#include "app/WaitForWorker.h"

#include "common/GUIProgress.h"

#include <QApplication>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QThread>

// A line whose read did not get the lock within its 100 ms is read again on the next pass
// instead of leaving an empty line in its place.
void waitForWorker(veldris::GUIProgress& progress, const WorkerDisplay& display, std::uint32_t& shownLines)
{
    while (progress.running || progress.lineCount() > shownLines) {
        QThread::msleep(100);
        std::string line;
        if (progress.lineCount() > shownLines && progress.readLine(shownLines, line)) {
            display.showLine(QString::fromLatin1(line));
            ++shownLines;
        }
        if (display.showProgress)
            display.showProgress(static_cast<int>(progress.progressValue()));
        QApplication::processEvents();
    }
}

WorkerDisplay displayIn(QPlainTextEdit* output, QProgressBar* bar)
{
    WorkerDisplay display{[output](const QString& line) { output->appendPlainText(line); }, {}};
    if (bar)
        display.showProgress = [bar](int percent) { bar->setValue(percent); };
    return display;
}

void waitForWorker(veldris::GUIProgress& progress, QPlainTextEdit* output, QProgressBar* bar,
                   std::uint32_t& shownLines)
{
    waitForWorker(progress, displayIn(output, bar), shownLines);
}
