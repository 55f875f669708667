#include "common/Log.h"

#include <mutex>

namespace veldris {

namespace {
std::mutex logMutex;
std::FILE* diagnosticStream = nullptr; // nullptr: standard output
}

void setDiagnosticStream(std::FILE* stream)
{
    std::lock_guard lock(logMutex);
    diagnosticStream = stream;
}

void logLine(std::string_view text, LogStream stream)
{
    std::lock_guard lock(logMutex);
    std::FILE* out = stream == LogStream::Error ? stderr : (diagnosticStream ? diagnosticStream : stdout);
    std::fwrite(text.data(), 1, text.size(), out);
    std::fputc('\n', out);
    std::fflush(out);
}

} // namespace veldris
