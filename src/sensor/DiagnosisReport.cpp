#include "sensor/DiagnosisReport.h"

#include <cstdio>

namespace veldris {

std::string timePrefix(std::time_t now)
{
    std::tm local{};
    localtime_r(&now, &local);
    char text[16];
    std::snprintf(text, sizeof text, "%02d:%02d:%02d | ", local.tm_hour, local.tm_min, local.tm_sec);
    return text;
}

std::string resultLine(const DiagnosisResult& result, std::time_t now)
{
    return timePrefix(now) + "[" + result.section + "] " + result.text;
}

} // namespace veldris
