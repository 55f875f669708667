#include "app/WaitForWorker.h"

#include "common/GUIProgress.h"

#include <QApplication>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QThread>

// A line whose read did not get the lock within its 100 ms is read again on the next pass
// instead of leaving an empty line in its place.
void waitForWorker(veldris::GUIProgress& progress, QPlainTextEdit* output, QProgressBar* bar,
                   std::uint32_t& shownLines)
{
    while (progress.running || progress.lineCount() > shownLines) {
        QThread::msleep(100);
        std::string line;
        if (progress.lineCount() > shownLines && progress.readLine(shownLines, line)) {
            output->appendPlainText(QString::fromLatin1(line));
            ++shownLines;
        }
        if (bar)
            bar->setValue(static_cast<int>(progress.progressValue()));
        QApplication::processEvents();
    }
}
