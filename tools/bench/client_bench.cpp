// Measures the CANopen client against the simulated library:
//  1. a full scan of an empty bus: wall time against 128 × 30 ms, and the CPU time the
//     process spends on it (the client waits on the receive event instead of polling);
//  2. answered requests with the bus's bit timing off: the time from the answer reaching the
//     adapter's queue (its time stamp) to the request's return, median over 1000 requests.
// Usage: client-bench SIM_LIBRARY SCENARIO_DIR

#include "canopen/CanOpenClient.h"
#include "canopen/NetworkManagement.h"
#include "canopen/RequestTemplates.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <string>
#include <vector>

namespace {

double cpuSeconds()
{
    timespec t{};
    ::clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) / 1e9;
}

// µs since the epoch on the clock the simulated adapter stamps frames with.
std::int64_t epochMicros()
{
    return std::chrono::duration_cast<std::chrono::microseconds>(std::chrono::system_clock::now().time_since_epoch())
        .count();
}

void scanEmptyBus()
{
    veldris::CanOpenClient& client = veldris::canOpenClient();
    veldris::openBus(client, 0, 3);
    const auto start = std::chrono::steady_clock::now();
    const double cpuStart = cpuSeconds();
    std::vector<std::int32_t> nodes;
    veldris::scanNodes(client, nodes);
    const double cpu = cpuSeconds() - cpuStart;
    const double wall = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    std::printf("scan of an empty bus: %.3f s (128 x 30 ms = 3.840 s, +%.2f %%), CPU %.3f s = %.2f %% of one core, %zu nodes\n",
                wall, (wall / 3.84 - 1) * 100, cpu, cpu / wall * 100, nodes.size());
}

void answeredRequests()
{
    veldris::CanOpenClient& client = veldris::canOpenClient();
    veldris::openBus(client, 0, 3);
    std::vector<double> latencies;
    for (int i = 0; i < 1000; ++i) {
        veldris::CanFrame answer;
        client.request(answer, veldris::requests::readUid(5), 100);
        const std::int64_t returned = epochMicros();
        if (answer.data[0] == 0x43)
            latencies.push_back(static_cast<double>(returned - static_cast<std::int64_t>(answer.timestampMicros())));
    }
    std::sort(latencies.begin(), latencies.end());
    if (latencies.empty()) {
        std::printf("answered requests: none answered\n");
        return;
    }
    std::printf("answered requests: %zu of 1000; from the answer's time stamp to the return: median %.0f us, "
                "90th percentile %.0f us, max %.0f us\n",
                latencies.size(), latencies[latencies.size() / 2], latencies[latencies.size() * 9 / 10],
                latencies.back());
}

} // namespace

int main(int argc, char** argv)
{
    if (argc < 3) {
        std::fprintf(stderr, "usage: client-bench SIM_LIBRARY SCENARIO_DIR [scan|requests]\n");
        return 2;
    }
    const std::string part = argc > 3 ? argv[3] : "";
    const std::string scenarios = argv[2];
    ::setenv("VELDRIS_PCANBASIC", argv[1], 1);
    if (part == "scan") {
        ::setenv("VELDRIS_SIM_SCENARIO", (scenarios + "/empty.ini").c_str(), 1);
        scanEmptyBus();
    } else if (part == "requests") {
        ::setenv("VELDRIS_SIM_SCENARIO", (scenarios + "/untimed.ini").c_str(), 1);
        answeredRequests();
    } else {
        // Each part needs its own simulated bus, so each runs in a process of its own.
        const std::string self = std::string("\"") + argv[0] + "\" \"" + argv[1] + "\" \"" + scenarios + "\" ";
        return std::system((self + "scan").c_str()) || std::system((self + "requests").c_str());
    }
    return 0;
}
