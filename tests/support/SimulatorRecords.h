#pragma once

#include "common/Progress.h"

#include <nlohmann/json.hpp>

#include <cstdint>
#include <fstream>
#include <iterator>
#include <map>
#include <sstream>
#include <string>
#include <vector>

// What the tests of long procedures read back: the report of a procedure, and the simulator's
// trace (VELDRIS_SIM_TRACE, candump log) and state file (VELDRIS_SIM_STATE, written at every
// CAN_Uninitialize, that is at every re-opening of the bus).

struct RecordingProgress : veldris::Progress {
    std::vector<std::string> lines;
    std::uint32_t percent = 0;
    std::uint64_t sent = 0;

    void addLine(const std::string& text) override { lines.push_back(text); }
    void setProgress(std::uint32_t value) override { percent = value; }
    void setTransfer(std::uint64_t bytes, std::uint64_t) override { sent = bytes; }

    int count(const std::string& line) const
    {
        int found = 0;
        for (const std::string& each : lines)
            found += each == line;
        return found;
    }
};

// The frames of the trace file from byte `offset` on, in candump notation ("605#2B17...").
inline std::vector<std::string> framesOfTrace(const std::string& path, std::streamoff offset)
{
    std::ifstream in(path, std::ios::binary);
    in.seekg(offset);
    std::vector<std::string> frames;
    for (std::string line; std::getline(in, line);)
        frames.push_back(line.substr(line.rfind(' ') + 1));
    return frames;
}

inline std::streamoff sizeOfFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary | std::ios::ate);
    return in ? static_cast<std::streamoff>(in.tellg()) : 0;
}

// The written (not erased) bytes of a sensor's flash by address, from the state file.
inline std::map<std::uint32_t, std::uint8_t> flashOfSensor(const std::string& statePath, const std::string& sensor)
{
    std::ifstream in(statePath, std::ios::binary);
    const nlohmann::json state = nlohmann::json::parse(in, nullptr, false);
    std::map<std::uint32_t, std::uint8_t> bytes;
    if (state.is_discarded())
        return bytes;
    for (const nlohmann::json& run : state["sensors"][sensor].value("flash", nlohmann::json::array())) {
        std::uint32_t address = static_cast<std::uint32_t>(std::stoul(run["address"].get<std::string>(), nullptr, 16));
        const std::string data = run["data"].get<std::string>();
        for (std::size_t i = 0; i + 1 < data.size(); i += 2)
            bytes[address++] = static_cast<std::uint8_t>(std::stoul(data.substr(i, 2), nullptr, 16));
    }
    return bytes;
}
