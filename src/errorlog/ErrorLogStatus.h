#pragma once

#include <cstdint>

namespace veldris {

// How reading a description file, a .kel file or a sensor's error log ended. The window's
// message boxes and the command line's JSON show each by its status number.
enum class ErrorLogStatus {
    Ok,
    Missing,       // the .kel file cannot be read, or the description has no section for the UID
    NotValid,      // not a .kel file or its header is damaged; a description key missing or no number
    ConfigMissing, // the description file cannot be read
};

// The status numbers of the window's and the command line's edge: 0, -1, -2, -3.
constexpr std::int32_t statusNumber(ErrorLogStatus status)
{
    switch (status) {
    case ErrorLogStatus::Ok: return 0;
    case ErrorLogStatus::Missing: return -1;
    case ErrorLogStatus::NotValid: return -2;
    case ErrorLogStatus::ConfigMissing: return -3;
    }
    return 0;
}

} // namespace veldris
