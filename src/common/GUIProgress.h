#pragma once

#include "common/Progress.h"
#include "common/TimedLock.h"

#include <atomic>
#include <chrono>
#include <cstdint>
#include <string>
#include <vector>

namespace veldris {

// What a worker thread (firmware update, DCF upload) reports to the window: a percentage and
// report lines. Exactly two threads use one object: the worker writes progress and lines and,
// through finish(), sets `running` to false as its very last action on every way out; the
// user-interface thread sets `running` to true before it starts the worker and reads the rest.
//
// Every operation waits at most 100 ms for the lock; the lock is held for one field access
// only. A read that does not get it gives its empty value. A line that cannot be appended in
// that time is kept by the worker and appended, in order, with its next line or by finish();
// a lost setProgress is corrected by the next one.
class GUIProgress : public Progress {
public:
    std::atomic<bool> running{false};

    // Worker side.
    void setProgress(std::uint32_t value) override; // [%], 0..100
    void addLine(const std::string& text) override; // 8-bit text
    // Appends the lines still kept back (waiting for the lock as long as it takes), then
    // clears `running`. The worker's last action.
    void finish();

    // User-interface side.
    std::uint32_t lineCount();
    std::string line(std::uint32_t index); // empty also for an index past the end
    // The line at `index`; false, with `text` untouched, when the lock was not obtained or the
    // index is past the end: the caller tries again instead of showing a hole.
    bool readLine(std::uint32_t index, std::string& text);
    std::uint32_t progressValue();

protected:
    TimedLock lock; // waited for on the steady clock

private:
    static constexpr std::chrono::milliseconds lockWait{100};

    std::uint32_t progress = 0;
    std::vector<std::string> lines;
    std::vector<std::string> keptBack; // worker only
};

} // namespace veldris
