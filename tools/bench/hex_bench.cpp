// Measures the Intel HEX reader on two firmware images, side by side in one run:
//  1. dense: 4 MiB of random bytes in 16-byte records with extended linear address records,
//     as objcopy writes them; the reader must be at least 5 times as fast as srec_cat
//     converting the same file to binary;
//  2. sparse: 4096 ranges of 64 bytes, 64 KiB apart; per data byte the reader may take at
//     most twice as long as in the dense case (the range index keeps jumps at O(log n)).
//  3. end to end: `veldris-cli hex show` on the dense file as a whole process (start, reading
//     the file, output) must be at least 5 times as fast as srec_cat on it.
// The reader alone is timed on the file's bytes in memory; srec_cat and veldris-cli as whole
// processes started the same way; all best of 3, wall clock.
// Usage: hex-bench [WORKDIR [VELDRIS_CLI]]   (default: a folder in the system's temporary
// folder; without VELDRIS_CLI the end-to-end case is left out)

#include "firmware/IntelHex.h"
#include "firmware/MemoryImage.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <random>
#include <string>
#include <vector>

namespace {

constexpr std::size_t denseSize = 4u << 20;
constexpr std::uint64_t denseBase = 0x8000000;
constexpr std::uint32_t sparseRanges = 4096;
constexpr std::uint32_t sparseRangeSize = 64;

std::string readFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void writeFile(const std::string& path, const std::string& bytes)
{
    std::ofstream(path, std::ios::binary).write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

std::string quoted(const std::string& path)
{
    return "'" + path + "'";
}

void appendRecord(std::string& out, std::uint8_t type, std::uint16_t address, const std::uint8_t* data, std::uint8_t count)
{
    char digits[3];
    std::uint8_t sum = static_cast<std::uint8_t>(count + (address >> 8) + address + type);
    auto put = [&](std::uint8_t b) {
        std::snprintf(digits, sizeof digits, "%02X", b);
        out += digits;
    };
    out += ':';
    put(count);
    put(static_cast<std::uint8_t>(address >> 8));
    put(static_cast<std::uint8_t>(address));
    put(type);
    for (std::uint8_t i = 0; i < count; ++i) {
        put(data[i]);
        sum = static_cast<std::uint8_t>(sum + data[i]);
    }
    put(static_cast<std::uint8_t>(-sum));
    out += '\n';
}

// Range k lies at k * 64 KiB: each range gets its own extended linear address record.
std::string sparseHex(std::mt19937_64& random)
{
    std::string text;
    std::uint8_t data[16];
    for (std::uint32_t k = 0; k < sparseRanges; ++k) {
        const std::uint8_t base[2] = {static_cast<std::uint8_t>(k >> 8), static_cast<std::uint8_t>(k)};
        appendRecord(text, 0x04, 0, base, 2);
        for (std::uint16_t offset = 0; offset < sparseRangeSize; offset += 16) {
            for (std::uint8_t& b : data)
                b = static_cast<std::uint8_t>(random());
            appendRecord(text, 0x00, offset, data, 16);
        }
    }
    text += ":00000001FF\n";
    return text;
}

// Best of 3 wall-clock times of `run`, which times its own part and returns the seconds.
double bestOf3(const std::function<double()>& run)
{
    double best = 1e30;
    for (int i = 0; i < 3; ++i)
        best = std::min(best, run());
    return best;
}

double secondsSince(std::chrono::steady_clock::time_point start)
{
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

// Seconds for the best of 3 reads of `text` (the image is made before and dropped after the
// clock runs); false when the text does not read or does not hold `dataBytes` bytes in
// `ranges` ranges.
bool timeReader(const std::string& text, std::size_t dataBytes, std::size_t ranges, double& seconds)
{
    bool good = true;
    seconds = bestOf3([&] {
        veldris::MemoryImage image;
        std::string error;
        const auto start = std::chrono::steady_clock::now();
        good = veldris::readIntelHex(text, image, error) && good;
        const double elapsed = secondsSince(start);
        std::size_t held = 0;
        for (const veldris::MemoryRange& range : image.ranges())
            held += range.bytes.size();
        good = good && held == dataBytes && image.ranges().size() == ranges;
        return elapsed;
    });
    return good;
}

// Best of 3 wall-clock times of a whole process started through the shell; false (and a
// message) when it fails.
bool timeCommand(const std::string& command, double& seconds)
{
    bool good = true;
    seconds = bestOf3([&] {
        const auto start = std::chrono::steady_clock::now();
        good = std::system(command.c_str()) == 0 && good;
        return secondsSince(start);
    });
    if (!good)
        std::fprintf(stderr, "hex-bench: failed: %s\n", command.c_str());
    return good;
}

void report(const char* name, const std::string& text, std::size_t dataBytes, double seconds)
{
    std::printf("%-6s %9zu text bytes, %8zu data bytes: %8.3f ms, %7.1f MB/s of text, %6.2f ns per data byte\n", name,
                text.size(), dataBytes, seconds * 1e3, static_cast<double>(text.size()) / seconds / 1e6,
                seconds * 1e9 / static_cast<double>(dataBytes));
}

} // namespace

int main(int argc, char** argv)
{
    const std::string work = argc > 1 ? argv[1] : (std::filesystem::temp_directory_path() / "veldris-hex-bench").string();
    std::filesystem::create_directories(work);
    const std::string denseBin = work + "/dense.bin", denseHexPath = work + "/dense.hex";

    std::mt19937_64 random(20240611);
    std::string binary(denseSize, '\0');
    for (char& c : binary)
        c = static_cast<char>(random());
    writeFile(denseBin, binary);
    const std::string objcopy = "objcopy -I binary -O ihex --change-addresses " + std::to_string(denseBase) + " "
                              + quoted(denseBin) + " " + quoted(denseHexPath);
    if (std::system(objcopy.c_str()) != 0) {
        std::fprintf(stderr, "hex-bench: objcopy failed: %s\n", objcopy.c_str());
        return 2;
    }
    const std::string dense = readFile(denseHexPath);
    const std::string sparse = sparseHex(random);
    writeFile(work + "/sparse.hex", sparse);

    double denseSeconds = 0, sparseSeconds = 0;
    const std::size_t sparseBytes = std::size_t{sparseRanges} * sparseRangeSize;
    if (!timeReader(dense, denseSize, 1, denseSeconds) || !timeReader(sparse, sparseBytes, sparseRanges, sparseSeconds)) {
        std::fprintf(stderr, "hex-bench: a generated file did not read back as written\n");
        return 2;
    }
    report("dense", dense, denseSize, denseSeconds);
    report("sparse", sparse, sparseBytes, sparseSeconds);

    const double perByteRatio = (sparseSeconds / static_cast<double>(sparseBytes)) / (denseSeconds / denseSize);
    const bool sparseMet = perByteRatio <= 2.0;
    std::printf("sparse per data byte = %.2f x dense (target <= 2): %s\n", perByteRatio, sparseMet ? "met" : "NOT met");

    const std::string srecCat =
        "srec_cat " + quoted(denseHexPath) + " -Intel -o " + quoted(work + "/dense-out.bin") + " -Binary";
    if (std::system("command -v srec_cat >/dev/null 2>&1") != 0) {
        std::printf("srec_cat not found (package srecord): speed target not measured\n");
        return sparseMet ? 0 : 1;
    }
    double srecSeconds = 0;
    if (!timeCommand(srecCat, srecSeconds))
        return 2;
    const double speedRatio = srecSeconds / denseSeconds;
    bool speedMet = speedRatio >= 5.0;
    std::printf("srec_cat dense -> binary: %.3f ms; reader is %.1f x as fast (target >= 5): %s\n", srecSeconds * 1e3,
                speedRatio, speedMet ? "met" : "NOT met");
    if (argc > 2) {
        const std::string show = quoted(argv[2]) + " hex show " + quoted(denseHexPath) + " >/dev/null";
        double showSeconds = 0;
        if (!timeCommand(show, showSeconds))
            return 2;
        const double endToEndRatio = srecSeconds / showSeconds;
        std::printf("veldris-cli hex show, whole process: %.3f ms; %.1f x as fast as srec_cat (target >= 5): %s\n",
                    showSeconds * 1e3, endToEndRatio, endToEndRatio >= 5.0 ? "met" : "NOT met");
        speedMet = speedMet && endToEndRatio >= 5.0;
    }
    std::printf("both targets %s\n", sparseMet && speedMet ? "met" : "NOT met");
    return sparseMet && speedMet ? 0 : 1;
}
