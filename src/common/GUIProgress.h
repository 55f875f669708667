#pragma once

#include <atomic>
#include <cstdint>
#include <mutex>
#include <string>
#include <vector>

namespace veldris {

// What a worker thread (firmware update, DCF upload) reports to the window: a percentage and
// report lines. Exactly two threads use one object: the worker writes progress and lines and
// sets `running` to false as its very last action on every way out; the user-interface thread
// sets `running` to true before it starts the worker and reads the rest.
//
// Every operation waits at most 100 ms for the lock and then gives up silently: a write is
// lost, a read gives its empty value. The lock is held for one field access only.
class GUIProgress {
public:
    std::atomic<bool> running{false};

    // Worker side.
    void setProgress(std::uint32_t value);  // [%], 0..100
    void addLine(const std::string& text);  // 8-bit text

    // User-interface side.
    std::uint32_t lineCount();
    std::string line(std::uint32_t index); // empty also for an index past the end
    std::uint32_t progressValue();

private:
    std::timed_mutex lock;
    std::uint32_t progress = 0;
    std::vector<std::string> lines;
};

} // namespace veldris
