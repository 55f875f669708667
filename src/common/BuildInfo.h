#pragma once

// Version values stamped into the executables by the build (cmake/WriteBuildInfo.cmake).
// They stand in for the executable's version information, raw, before post-processing.
namespace veldris::buildinfo {
extern const char* const fileDescription;
extern const char* const fileVersion;    // "x.y.z.build"
extern const char* const comments;       // build date, then a blank and further words
extern const char* const legalCopyright; // UTF-8
}
