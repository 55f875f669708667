// What a simulated sensor keeps between runs: object values and texts, node ID and bit rate in
// effect, the SDO-mapped memory and the application flash.

#include "sim/VirtualSensor.h"

namespace sim {

namespace {

// The runs of bytes that are not erased (0xFF), by their address.
std::map<std::uint32_t, std::vector<std::uint8_t>> writtenRuns(const std::vector<std::uint8_t>& bytes, std::uint32_t base)
{
    std::map<std::uint32_t, std::vector<std::uint8_t>> runs;
    std::size_t i = 0;
    while (i < bytes.size()) {
        if (bytes[i] == 0xFF) {
            ++i;
            continue;
        }
        const std::size_t start = i;
        while (i < bytes.size() && bytes[i] != 0xFF)
            ++i;
        runs[base + static_cast<std::uint32_t>(start)].assign(bytes.begin() + static_cast<std::ptrdiff_t>(start),
                                                              bytes.begin() + static_cast<std::ptrdiff_t>(i));
    }
    return runs;
}

} // namespace

SensorState VirtualSensor::saveState() const
{
    SensorState saved;
    for (const auto& [key, entry] : dictionary.entries())
        saved.objects[key] = {entry.active, entry.stored};
    for (const auto& [key, entry] : dictionary.stringEntries())
        saved.strings[key] = {entry.active, entry.stored};
    // A sensor caught in its reset is saved as it will come up.
    const bool booting = mode == Mode::Booting;
    saved.nodeId = booting ? static_cast<std::uint8_t>(dictionary.value(0x2000, 0, node)) : node;
    saved.bitrateKbit = booting ? static_cast<int>(dictionary.value(0x2001, 0, static_cast<std::uint32_t>(bitrate))) : bitrate;
    saved.inBootloader = mode == Mode::Bootloader;
    saved.powerCut = powerCutDone;
    saved.memory = writtenRuns(mappedMemory, 0);
    for (const auto& [base, block] : flash)
        for (const auto& [address, run] : writtenRuns(block, base))
            saved.flash[address] = run;
    return saved;
}

void VirtualSensor::loadState(const SensorState& saved, Micros now)
{
    for (const auto& [key, values] : saved.objects) {
        if (ObjectEntry* entry = dictionary.find(static_cast<std::uint16_t>(key >> 8), static_cast<std::uint8_t>(key))) {
            entry->active = values.first;
            entry->stored = values.second;
        }
    }
    for (const auto& [key, texts] : saved.strings) {
        if (StringEntry* entry = dictionary.findString(static_cast<std::uint16_t>(key >> 8), static_cast<std::uint8_t>(key))) {
            entry->active = texts.first.substr(0, entry->maxLength);
            entry->stored = texts.second.substr(0, entry->maxLength);
        }
    }
    if (saved.nodeId <= 127)
        node = saved.nodeId;
    if (saved.bitrateKbit > 0)
        bitrate = saved.bitrateKbit;
    mode = saved.inBootloader ? Mode::Bootloader : Mode::Application;
    powerCutDone = saved.powerCut;
    imageIncomplete = saved.inBootloader && saved.powerCut; // the update the cut broke off
    std::fill(mappedMemory.begin(), mappedMemory.end(), 0xFF);
    for (const auto& [address, run] : saved.memory)
        for (std::size_t i = 0; i < run.size() && address + i < mappedMemory.size(); ++i)
            mappedMemory[address + i] = run[i];
    flash.clear();
    for (const auto& [address, run] : saved.flash)
        writeFlash(address, run.data(), run.size());
    state = NmtState::PreOperational;
    restartSchedules(now);
}

} // namespace sim
