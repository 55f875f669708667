#include "TerminalProgress.h"

#include <unistd.h>

#include <algorithm>
#include <cstdio>

TerminalProgress::TerminalProgress(std::FILE* lineStream, std::FILE* barStream, bool collectLines)
    : lines(lineStream), bar(barStream), collect(collectLines)
{
}

TerminalProgress::~TerminalProgress()
{
    if (barShown)
        std::fputc('\n', bar);
}

std::FILE* TerminalProgress::terminalOrNull()
{
    return ::isatty(STDERR_FILENO) ? stderr : nullptr;
}

void TerminalProgress::addLine(const std::string& text)
{
    if (collect) {
        collected.push_back(text);
        return;
    }
    clearBar();
    std::fprintf(lines, "%s\n", text.c_str());
    std::fflush(lines);
    drawBar();
}

void TerminalProgress::setProgress(std::uint32_t value)
{
    percent = std::min<std::uint32_t>(value, 100);
    drawBar();
}

void TerminalProgress::setTransfer(std::uint64_t sent, std::uint64_t total)
{
    const bool redraw = total != totalBytes
                     || sent * 100 / std::max<std::uint64_t>(total, 1) != sentBytes * 100 / std::max<std::uint64_t>(total, 1);
    sentBytes = sent;
    totalBytes = total;
    if (redraw)
        drawBar();
}

std::string TerminalProgress::barText(std::uint32_t value, std::chrono::milliseconds elapsed, std::uint64_t sent,
                                      std::uint64_t total, int width)
{
    const std::uint32_t done = std::min<std::uint32_t>(value, 100);
    const int filled = static_cast<int>(done) * width / 100;
    std::string text = "[";
    text.append(static_cast<std::size_t>(filled), '#');
    text.append(static_cast<std::size_t>(width - filled), '.');
    text += ']';
    char part[64];
    std::snprintf(part, sizeof part, " %3u %%", done);
    text += part;
    const double seconds = static_cast<double>(elapsed.count()) / 1000.0;
    long long left = -1; // [s]; -1 while there is nothing to estimate it from
    if (total > 0) {
        const double rate = seconds > 0 ? static_cast<double>(sent) / seconds : 0;
        std::snprintf(part, sizeof part, "  %.1f/%.1f KiB  %.1f KiB/s", static_cast<double>(sent) / 1024,
                      static_cast<double>(total) / 1024, rate / 1024);
        text += part;
        if (rate > 0)
            left = static_cast<long long>(static_cast<double>(total - std::min(sent, total)) / rate);
    } else if (done > 0) {
        left = static_cast<long long>(seconds * (100 - done) / done);
    }
    if (left < 0)
        std::snprintf(part, sizeof part, "  --:-- left");
    else
        std::snprintf(part, sizeof part, "  %lld:%02lld left", left / 60, left % 60);
    return text + part;
}

void TerminalProgress::clearBar()
{
    if (bar && barShown)
        std::fputs("\r\033[K", bar);
}

void TerminalProgress::drawBar()
{
    if (!bar)
        return;
    const auto elapsed = std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - start);
    std::fprintf(bar, "\r\033[K%s", barText(percent, elapsed, sentBytes, totalBytes).c_str());
    std::fflush(bar);
    barShown = true;
}
