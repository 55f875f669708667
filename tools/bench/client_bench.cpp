// Measures the CANopen client against the simulated library:
//  1. a full scan of the default scenario's bus (sensors at 5 and 32) at 125 kbit/s, from the
//     first probe to the list: wall time, and the CPU time the process spends on it (the client
//     waits on the receive event instead of polling);
//  2. answered requests with the bus's bit timing off, so that the sensor's answer reaches the
//     adapter's queue the moment the request is written: the time from the call to the
//     request's return, median over 1000 requests;
//  3. two threads sharing the client, 1000 requests each (30 ms time-out; one in ten of the
//     second thread's goes to a node that is not there, holding the bus for its whole
//     time-out): answers that are not their request's own, and how far any request ends past
//     its deadline (call + time-out);
//  4. stopping a worker that waits 10 s for an answer: the time from the stop request to the
//     worker's end, over 20 stops.
// Usage: client-bench SIM_LIBRARY SCENARIO_DIR [scan|requests|threads|stop]

#include "canopen/CanOpenClient.h"
#include "canopen/NetworkManagement.h"
#include "canopen/RequestTemplates.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <future>
#include <string>
#include <thread>
#include <vector>

namespace {

double cpuSeconds()
{
    timespec t{};
    ::clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) / 1e9;
}

// µs on the steady clock.
std::int64_t steadyMicros()
{
    return std::chrono::duration_cast<std::chrono::microseconds>(std::chrono::steady_clock::now().time_since_epoch()).count();
}

void scanBus(const char* name)
{
    veldris::CanOpenClient client;
    veldris::openBus(client, 0, 3);
    const auto start = std::chrono::steady_clock::now();
    const double cpuStart = cpuSeconds();
    const veldris::NodeScan scan = veldris::scanNodes(client);
    const double cpu = cpuSeconds() - cpuStart;
    const double wall = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    std::string nodes;
    for (std::int32_t node : scan.nodes) {
        nodes += ' ';
        nodes += std::to_string(node);
    }
    std::printf("scan of %s: %.3f s, CPU %.3f s = %.2f %% of one core, nodes:%s%s\n", name, wall, cpu, cpu / wall * 100,
                nodes.empty() ? " none" : nodes.c_str(), scan.complete() ? "" : " (incomplete)");
}

void answeredRequests()
{
    veldris::CanOpenClient client;
    veldris::openBus(client, 0, 3);
    std::vector<double> latencies;
    for (int i = 0; i < 1000; ++i) {
        const std::int64_t sent = steadyMicros();
        const veldris::CanFrame answer = client.exchange(veldris::requests::readUid(5), 100).answer;
        const std::int64_t returned = steadyMicros();
        if (answer.data[0] == 0x43)
            latencies.push_back(static_cast<double>(returned - sent));
    }
    std::sort(latencies.begin(), latencies.end());
    if (latencies.empty()) {
        std::printf("answered requests: none answered\n");
        return;
    }
    std::printf("answered requests: %zu of 1000; from the call to the return: median %.0f us, "
                "90th percentile %.0f us, max %.0f us\n",
                latencies.size(), latencies[latencies.size() / 2], latencies[latencies.size() * 9 / 10], latencies.back());
}

struct Outcome {
    int wrong = 0;   // answered with a frame that is not the request's own answer
    int notSent = 0; // the other thread's exchange held the bus past the time-out
    std::vector<double> overrunsMs;
};

// `silentEvery`: every n-th request goes to node 77, where nobody answers.
Outcome askRepeatedly(veldris::CanOpenClient& client, std::uint8_t node, std::uint32_t uid, int silentEvery)
{
    constexpr std::uint32_t timeoutMs = 30;
    Outcome outcome;
    for (int i = 0; i < 1000; ++i) {
        const bool silent = silentEvery > 0 && i % silentEvery == 0;
        const auto start = std::chrono::steady_clock::now();
        const veldris::Exchange result = client.exchange(veldris::requests::readUid(silent ? 77 : node), timeoutMs);
        const double elapsedMs = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
        outcome.overrunsMs.push_back(std::max(0.0, elapsedMs - timeoutMs));
        if (result.status == veldris::ExchangeStatus::Busy)
            ++outcome.notSent;
        else if (silent ? result.answered() : result.answer.identifier != 0x580u + node || result.answer.value() != uid)
            ++outcome.wrong;
    }
    return outcome;
}

void twoThreads()
{
    veldris::CanOpenClient client;
    veldris::openBus(client, 0, 3);
    auto second = std::async(std::launch::async, askRepeatedly, std::ref(client), 32, 0x12345678u, 10);
    Outcome all = askRepeatedly(client, 5, 0x06102200u, 0);
    const Outcome other = second.get();
    all.wrong += other.wrong;
    all.notSent += other.notSent;
    all.overrunsMs.insert(all.overrunsMs.end(), other.overrunsMs.begin(), other.overrunsMs.end());
    std::sort(all.overrunsMs.begin(), all.overrunsMs.end());
    std::printf("two threads, 2 x 1000 requests: %d answers not their own, %d not sent in time (bus held by the other "
                "thread's exchange); past the deadline: 99th percentile %.2f ms, max %.2f ms\n",
                all.wrong, all.notSent, all.overrunsMs[all.overrunsMs.size() * 99 / 100], all.overrunsMs.back());
}

void stopWorker()
{
    veldris::CanOpenClient client;
    veldris::openBus(client, 0, 3);
    std::vector<double> latencies;
    for (int run = 0; run < 20; ++run) {
        std::promise<void> asking;
        std::chrono::steady_clock::time_point ended;
        std::thread worker([&] {
            veldris::BusLease lease = client.tryLease();
            asking.set_value();
            client.exchange(veldris::requests::readUid(77), 10000);
            ended = std::chrono::steady_clock::now();
        });
        asking.get_future().wait();
        std::this_thread::sleep_for(std::chrono::milliseconds(50)); // well into the wait
        const auto stopped = std::chrono::steady_clock::now();
        client.requestStop();
        worker.join();
        client.clearStop();
        latencies.push_back(std::chrono::duration<double, std::milli>(ended - stopped).count());
    }
    std::sort(latencies.begin(), latencies.end());
    std::printf("stopping a worker in a 10 s wait: median %.3f ms, max %.3f ms from the stop request to its end\n",
                latencies[latencies.size() / 2], latencies.back());
}

} // namespace

int main(int argc, char** argv)
{
    if (argc < 3) {
        std::fprintf(stderr, "usage: client-bench SIM_LIBRARY SCENARIO_DIR [scan|requests|threads|stop]\n");
        return 2;
    }
    const std::string part = argc > 3 ? argv[3] : "";
    const std::string scenarios = argv[2];
    ::setenv("VELDRIS_PCANBASIC", argv[1], 1);
    if (part == "scan") {
        ::unsetenv("VELDRIS_SIM_SCENARIO"); // the simulator's default scenario
        scanBus("the default scenario");
    } else if (part == "requests") {
        ::setenv("VELDRIS_SIM_SCENARIO", (scenarios + "/untimed.ini").c_str(), 1);
        answeredRequests();
    } else if (part == "threads" || part == "stop") {
        ::setenv("VELDRIS_SIM_SCENARIO", (scenarios + "/owner.ini").c_str(), 1);
        part == "threads" ? twoThreads() : stopWorker();
    } else {
        // Each part needs its own simulated bus, so each runs in a process of its own.
        const std::string self = std::string("\"") + argv[0] + "\" \"" + argv[1] + "\" \"" + scenarios + "\" ";
        for (const char* each : {"scan", "requests", "threads", "stop"})
            if (std::system((self + each).c_str()) != 0)
                return 1;
    }
    return 0;
}
