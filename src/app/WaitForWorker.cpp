#include "app/WaitForWorker.h"

#include "common/GUIProgress.h"

#include <QApplication>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QThread>

void waitForWorker(veldris::GUIProgress& progress, QPlainTextEdit* output, QProgressBar* bar,
                   std::uint32_t& shownLines)
{
    while (progress.running || progress.lineCount() > shownLines) {
        QThread::msleep(100);
        if (progress.lineCount() > shownLines) {
            output->appendPlainText(QString::fromLatin1(progress.line(shownLines)));
            ++shownLines;
        }
        if (bar)
            bar->setValue(static_cast<int>(progress.progressValue()));
        QApplication::processEvents();
    }
}
