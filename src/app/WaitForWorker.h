#pragma once

#include <cstdint>

class QPlainTextEdit;
class QProgressBar;

namespace veldris {
class GUIProgress;
}

// Follows a worker from the user-interface thread until it has ended and all its report
// lines are shown: every 100 ms at most one new line goes into `output`, the bar (if any)
// follows the progress, and the window processes its pending messages. `shownLines` counts
// the lines already shown; a handler that runs several workers on one GUIProgress passes
// the same counter to each.
void waitForWorker(veldris::GUIProgress& progress, QPlainTextEdit* output, QProgressBar* bar,
                   std::uint32_t& shownLines);
