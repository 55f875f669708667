#include "TerminalProgress.h"

#include <unistd.h>

#include <algorithm>

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

std::string TerminalProgress::barText(std::uint32_t value, std::chrono::seconds elapsed, int width)
{
    const std::uint32_t done = std::min<std::uint32_t>(value, 100);
    const int filled = static_cast<int>(done) * width / 100;
    std::string text = "[" + std::string(static_cast<std::size_t>(filled), '#')
        + std::string(static_cast<std::size_t>(width - filled), '.') + "]";
    char tail[48];
    if (done == 0) {
        std::snprintf(tail, sizeof tail, " %3u %%  --:-- left", done);
    } else {
        const long long left = elapsed.count() * (100 - done) / done;
        std::snprintf(tail, sizeof tail, " %3u %%  %lld:%02lld left", done, left / 60, left % 60);
    }
    return text + tail;
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
    const auto elapsed = std::chrono::duration_cast<std::chrono::seconds>(std::chrono::steady_clock::now() - start);
    std::fprintf(bar, "\r\033[K%s", barText(percent, elapsed).c_str());
    std::fflush(bar);
    barShown = true;
}
