#pragma once

#include <cstdint>
#include <string>

namespace veldris {

// What a long procedure on the bus (DCF upload, firmware update, error-log readout, diagnosis)
// reports while it runs: report lines in the order it produces them, and how far it is. The
// window implements it with GUIProgress, the command-line tool with printed lines and a
// terminal progress bar. Called on the procedure's thread only.
class Progress {
public:
    virtual ~Progress() = default;

    virtual void addLine(const std::string& text) = 0;   // one report line, 8-bit text
    virtual void setProgress(std::uint32_t percent) = 0; // 0..100
    // Of a transfer (the firmware image): bytes sent so far and in all. The window shows only
    // the percentage; the command-line tool's bar shows bytes, rate and time left.
    virtual void setTransfer(std::uint64_t /*sent*/, std::uint64_t /*total*/) {}
};

} // namespace veldris
