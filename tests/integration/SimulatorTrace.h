#pragma once

// The simulator's bus trace (VELDRIS_SIM_TRACE: a candump log, one line written and flushed as
// each frame completes on the bus) in a file of this test run.

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>
#include <unistd.h>
#include <vector>

inline const std::string& simulatorTracePath()
{
    static const std::string path =
        (std::filesystem::temp_directory_path() / ("veldris-bus-" + std::to_string(::getpid()) + ".log")).string();
    return path;
}

// Before the simulator loads, so that the file's removal runs after the simulator's exit handler.
inline void traceTheSimulatedBus()
{
    ::setenv("VELDRIS_SIM_TRACE", simulatorTracePath().c_str(), 1);
    std::atexit([] {
        std::error_code ignored;
        std::filesystem::remove(simulatorTracePath(), ignored);
    });
}

inline std::uintmax_t traceSize()
{
    std::error_code none;
    const std::uintmax_t size = std::filesystem::file_size(simulatorTracePath(), none);
    return none ? 0 : size;
}

// The candump lines written after `offset` bytes of the trace.
inline std::vector<std::string> tracedLines(std::uintmax_t offset)
{
    std::ifstream trace(simulatorTracePath());
    trace.seekg(static_cast<std::streamoff>(offset));
    std::vector<std::string> lines;
    for (std::string line; std::getline(trace, line);)
        lines.push_back(line);
    return lines;
}

// The frames ("605#40002A0100000000") completed on the bus after `offset` bytes of the trace.
inline std::vector<std::string> tracedFrames(std::uintmax_t offset)
{
    std::vector<std::string> frames;
    for (const std::string& line : tracedLines(offset))
        frames.push_back(line.substr(line.rfind(' ') + 1));
    return frames;
}

// The time stamps [µs since the Unix epoch] of the frames beginning with `frame` ("589#4B1710")
// completed on the bus after `offset` bytes of the trace, in the order they completed.
inline std::vector<std::uint64_t> tracedStamps(std::uintmax_t offset, const std::string& frame)
{
    std::vector<std::uint64_t> stamps;
    for (const std::string& line : tracedLines(offset)) {
        if (line.compare(line.rfind(' ') + 1, frame.size(), frame) != 0)
            continue;
        unsigned long long seconds = 0, micros = 0;
        if (std::sscanf(line.c_str(), "(%llu.%6llu)", &seconds, &micros) == 2)
            stamps.push_back(seconds * 1000000 + micros);
    }
    return stamps;
}

// Waits until a frame beginning with `frame` ("709#00") has completed on the bus after `offset`.
// The simulator writes the trace line and puts the frame into the receive queue under one lock
// that every read and reset of the queue takes too: once traced, the frame is in the queue.
inline bool traced(std::uintmax_t offset, const std::string& frame)
{
    for (const auto giveUp = std::chrono::steady_clock::now() + std::chrono::seconds(20);
         std::chrono::steady_clock::now() < giveUp; std::this_thread::yield())
        for (const std::string& each : tracedFrames(offset))
            if (each.rfind(frame, 0) == 0)
                return true;
    return false;
}
