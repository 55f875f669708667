#pragma once

#include "common/Progress.h"

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

// The command-line tool's side of a long procedure on the bus. Report lines go to `lines`
// (standard output) as they come, or are collected for the --json document; when `bar` is
// given (standard error, and only when it is a terminal) a progress bar is kept on its last
// line and redrawn in place, below the report lines.
class TerminalProgress : public veldris::Progress {
public:
    TerminalProgress(std::FILE* lines, std::FILE* bar, bool collectLines);
    ~TerminalProgress() override; // ends the bar's line

    void addLine(const std::string& text) override;
    void setProgress(std::uint32_t percent) override;
    void setTransfer(std::uint64_t sent, std::uint64_t total) override;

    const std::vector<std::string>& collectedLines() const { return collected; }

    // "[##########..........]  50 %  0:12 left": the bar after `elapsed` at `percent`, the time
    // left estimated from the pace so far ("--:--" before anything is done). With a transfer
    // (total > 0) the bytes sent and the rate come before the time left:
    // "[####......]  40 %  25.6/64.0 KiB  2.6 KiB/s  0:15 left".
    static std::string barText(std::uint32_t percent, std::chrono::milliseconds elapsed, std::uint64_t sent = 0,
                               std::uint64_t total = 0, int width = 30);

    // Standard error when it is a terminal, else nullptr: where the bar of a command goes.
    static std::FILE* terminalOrNull();

private:
    void clearBar();
    void drawBar();

    std::FILE* lines;
    std::FILE* bar;
    bool collect;
    std::vector<std::string> collected;
    std::uint32_t percent = 0;
    std::uint64_t sentBytes = 0;
    std::uint64_t totalBytes = 0;
    bool barShown = false;
    std::chrono::steady_clock::time_point start = std::chrono::steady_clock::now();
};
