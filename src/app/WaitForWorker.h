#pragma once

#include <QString>

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

// Follows a worker from the user-interface thread until it has ended and all its report
// lines are shown: every 100 ms at most one new line goes to the display, the percentage
// follows the progress, and the window processes its pending messages. `shownLines` counts
// the lines already shown; a handler that runs several workers on one GUIProgress passes
// the same counter to each.
void waitForWorker(veldris::GUIProgress& progress, const WorkerDisplay& display, std::uint32_t& shownLines);

// The same into an output box and, if given, a progress bar.
void waitForWorker(veldris::GUIProgress& progress, QPlainTextEdit* output, QProgressBar* bar,
                   std::uint32_t& shownLines);
WorkerDisplay displayIn(QPlainTextEdit* output, QProgressBar* bar);
