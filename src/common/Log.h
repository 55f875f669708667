#pragma once

#include <cstdio>
#include <string_view>

namespace veldris {

enum class LogStream {
    Diagnostic, // developer lines such as "Bitrate not set!"; never shown in the window
    Error,      // problems the user may need to see on a terminal; always standard error
};

// The one way diagnostic lines leave the program. Each call writes one whole line and
// flushes it; callable from any thread.
void logLine(std::string_view text, LogStream stream = LogStream::Diagnostic);

// Where diagnostic lines go: standard output in the window program (the default), standard
// error in the command-line tool, whose standard output carries only results.
void setDiagnosticStream(std::FILE* stream);

} // namespace veldris
