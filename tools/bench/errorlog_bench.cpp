// Measures the error-log readout against the simulated library, bus timing on, 125 kbit/s: an
// 8 KiB log area (4 pages of 0x800 bytes) read word by word, against the bus time of its frames
// (per 4 bytes one 8-byte upload request and its 8-byte answer, 1.08 ms each on the bus).
// With "busy", two foreign nodes load the bus to 75.6 % (0x080 every 2 ms, 0x0F0 every 5 ms,
// 8 bytes each, both of higher priority than the SDO frames), and the time is compared with
// what the remaining 24.4 % of the bus allows.
// Usage: errorlog-bench SIM_LIBRARY [busy]

#include "canopen/CanOpenClient.h"
#include "canopen/NetworkManagement.h"
#include "common/Progress.h"
#include "errorlog/DescriptionFile.h"
#include "errorlog/ErrorLogReadout.h"
#include "sensor/SensorConnection.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>

namespace {

constexpr double frameMs = 1.08; // an 8-byte standard frame at 125 kbit/s, stuffing included

struct Silent : veldris::Progress {
    void addLine(const std::string&) override {}
    void setProgress(std::uint32_t) override {}
};

void write(const std::string& path, const std::string& text)
{
    std::ofstream(path, std::ios::binary) << text;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc < 2) {
        std::fprintf(stderr, "usage: errorlog-bench SIM_LIBRARY [busy]\n");
        return 2;
    }
    const std::string scenario = "/tmp/veldris-errorlog-bench.ini";
    const std::string description = "/tmp/veldris-errorlog-bench.dev";
    const bool busy = argc > 2 && std::string(argv[2]) == "busy";
    const double foreignLoad = busy ? frameMs / 2 + frameMs / 5 : 0;
    write(scenario, std::string("[bus]\ntiming = on\n") + (busy ? "traffic.1 = 0x080 8 2\ntraffic.2 = 0x0F0 8 5\n" : "")
                        + "[sensor bench]\nnode = 5\nuid = 0x06102200\nheartbeat = 0\n"
                          "errorlog.virtaddr = 0\nerrorlog.pagesize = 0x800\nerrorlog.pagecnt = 4\n"
                          "errorlog.errorstruct = EEEETTVV\nerrorlog.pageheader = AFEEXXXX\nerrorlog.entry1 = 0x4, 1, 2\n");
    std::string section = "[KV06102200]\nvirtaddr = 0\npagesize = 0x800\npagecnt = 4\nlist = 0xFFFFFFFF\n"
                          "errorstruct = EEEETTVV\npageheader = AFEEXXXX\nlog1 = 1\nlog2 = 2\nlog3 = 3\n";
    for (int bit = 1; bit <= 32; ++bit)
        section += "ebit" + std::to_string(bit) + " = 1\nibit" + std::to_string(bit) + " = 16\n";
    write(description, veldris::unscrambleDescription(section));
    ::setenv("VELDRIS_PCANBASIC", argv[1], 1);
    ::setenv("VELDRIS_SIM_SCENARIO", scenario.c_str(), 1);

    veldris::CanOpenClient client;
    veldris::openBus(client, 0, 3);
    const veldris::SensorInfo sensor = veldris::connectToSensor(client, "5").sensor;
    Silent progress;
    const auto start = std::chrono::steady_clock::now();
    const veldris::ErrorLogReadout readout = veldris::readErrorLog(client, sensor, description, progress);
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    const double busSeconds = static_cast<double>(readout.memory.size()) / 4 * 2 * frameMs / 1000;
    const double allowed = busSeconds / (1 - foreignLoad);
    std::printf("%serror log of %zu bytes read in %.2f s (%u words unread); bus time of its frames %.2f s, %.2f s in the "
                "free share of the bus; ratio %.3f (target <= 1.1)\n",
                busy ? "75.6 % foreign traffic: " : "", readout.memory.size(), seconds, readout.unreadWords, busSeconds,
                allowed, seconds / allowed);
    std::remove(scenario.c_str());
    std::remove(description.c_str());
    return readout.memory.size() == 8192 ? 0 : 1;
}
