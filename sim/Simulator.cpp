#include "sim/Simulator.h"

#include "can/CandumpLine.h"
#include "common/AtomicFile.h"
#include "common/Log.h"
#include "sim/Scenario.h"
#include "sim/SimState.h"

#include <cstdlib>
#include <iterator>
#include <sys/stat.h>

namespace sim {

namespace {

std::string environment(const char* name)
{
    const char* value = std::getenv(name);
    return value ? value : "";
}

bool readWholeFile(const std::string& path, std::string& text)
{
    std::ifstream file(path, std::ios::binary);
    if (!file)
        return false;
    text.assign(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
    return true;
}

} // namespace

void simMessage(const std::string& text)
{
    veldris::logLine("libpcanbasic-sim: " + text, veldris::LogStream::Error);
}

// Never destroyed: the program's own static objects (its CAN client) call the library while
// the process ends, in an order no static object here could rely on. The state is written at
// exit by a handler instead.
Simulator& Simulator::instance()
{
    static Simulator* simulator = [] {
        auto* created = new Simulator();
        std::atexit([] { instance().saveState(); });
        return created;
    }();
    return *simulator;
}

Simulator::Simulator()
{
    const std::string scenarioPath = environment("VELDRIS_SIM_SCENARIO");
    std::string text = defaultScenarioText();
    if (!scenarioPath.empty() && !readWholeFile(scenarioPath, text)) {
        simMessage("cannot read the scenario " + scenarioPath + "; no adapter is attached");
        return;
    }
    Scenario scenario;
    std::string error;
    if (!parseScenario(text, scenarioPath.empty() ? "default scenario" : scenarioPath, scenario, error)) {
        simMessage(error + "; no adapter is attached");
        return;
    }
    for (const SensorConfig& sensor : scenario.sensors)
        names.push_back(sensor.name);
    running = std::make_unique<VirtualBus>(scenario.bus, std::move(scenario.sensors));
    statePath = environment("VELDRIS_SIM_STATE");
    loadState();
    const std::string tracePath = environment("VELDRIS_SIM_TRACE");
    if (!tracePath.empty())
        startTrace(tracePath);
}

void Simulator::loadState()
{
    std::string text;
    if (statePath.empty() || !readWholeFile(statePath, text))
        return; // no state yet: the sensors start as the scenario describes them
    std::map<std::string, SensorState> saved;
    std::string error;
    if (!stateFromJson(text, saved, error)) {
        simMessage(statePath + ": " + error + "; starting from the scenario");
        return;
    }
    const Micros now = running->now();
    running->inspect([&](std::vector<std::unique_ptr<VirtualSensor>>& sensors) {
        for (std::size_t i = 0; i < sensors.size(); ++i) {
            const auto found = saved.find(names[i]);
            if (found != saved.end())
                sensors[i]->loadState(found->second, now);
        }
    });
}

void Simulator::saveState()
{
    if (!running || statePath.empty())
        return;
    std::map<std::string, SensorState> states;
    running->inspect([&](std::vector<std::unique_ptr<VirtualSensor>>& sensors) {
        for (std::size_t i = 0; i < sensors.size(); ++i)
            states[names[i]] = sensors[i]->saveState();
    });
    std::string error;
    if (!veldris::writeFileAtomically(statePath, stateToJson(states), &error))
        simMessage(error);
}

void Simulator::startTrace(const std::string& path)
{
    traceFile.open(path, std::ios::binary | std::ios::app);
    if (!traceFile) {
        simMessage("cannot write the trace " + path);
        return;
    }
    // The trace's readers expect wall-clock time stamps: bus time plus the moment the bus started.
    const Micros epochAtStart = running->epochMicrosAtStart();
    running->setTrace([this, epochAtStart](const Frame& frame, Micros stamp) {
        std::lock_guard lock(traceMutex);
        traceFile << veldris::candumpLine(static_cast<std::uint64_t>(epochAtStart + stamp), "vcan0", frame.id, frame.extended,
                                          frame.data, frame.remote ? 0 : frame.length)
                  << (frame.remote ? "R" : "") << '\n';
        traceFile.flush();
    });
}

} // namespace sim
