#define SI_IMPLEMENTATION
#include <SimpleIni.h>

#include "sim/Scenario.h"

#include "common/PathText.h"
#include "sim/StringObjects.h"

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <set>
#include <sstream>
#include <string_view>

#include <strings.h>

namespace sim {

namespace {

// A value from the file in quotes, for messages. Built by appending: GCC 12 at -O3 warns
// (-Wrestrict, a false positive) about "'" + std::string(...).
std::string quoted(std::string_view text)
{
    std::string result;
    result.reserve(text.size() + 2);
    result += '\'';
    result += text;
    result += '\'';
    return result;
}

// Key names compare as the INI reader compares them, without regard to case ("string.100a").
struct CaseLess {
    using is_transparent = void;
    bool operator()(std::string_view a, std::string_view b) const
    {
        const int order = ::strncasecmp(a.data(), b.data(), std::min(a.size(), b.size()));
        return order < 0 || (order == 0 && a.size() < b.size());
    }
};

// Reads the keys of one section, remembering which were used so that a misspelt key is
// reported instead of silently ignored.
class SectionReader {
public:
    SectionReader(const CSimpleIniA& ini, const char* section, const std::string& where)
        : ini(ini), section(section), where(where)
    {
    }

    const char* raw(const char* key)
    {
        used.insert(key);
        return ini.GetValue(section, key, nullptr);
    }

    bool fail(const char* key, const std::string& what)
    {
        if (error.empty())
            error = where + ": [" + section + "] " + key + ": " + what;
        return false;
    }

    bool unsignedValue(const char* key, std::uint32_t& value, std::uint64_t max = 0xFFFFFFFFu)
    {
        const char* text = raw(key);
        if (!text)
            return true;
        char* end = nullptr;
        errno = 0;
        const unsigned long long parsed = std::strtoull(text, &end, 0);
        if (end == text || *end != '\0' || errno || parsed > max || text[0] == '-')
            return fail(key, quoted(text) + " is not a number from 0 to " + std::to_string(max));
        value = static_cast<std::uint32_t>(parsed);
        return true;
    }

    template <class T>
    bool number(const char* key, T& value, std::uint64_t max)
    {
        std::uint32_t parsed = static_cast<std::uint32_t>(value);
        if (!unsignedValue(key, parsed, max))
            return false;
        value = static_cast<T>(parsed);
        return true;
    }

    bool signedValue(const char* key, std::int32_t& value)
    {
        const char* text = raw(key);
        if (!text)
            return true;
        char* end = nullptr;
        errno = 0;
        const long long parsed = std::strtoll(text, &end, 0);
        if (end == text || *end != '\0' || errno || parsed < INT32_MIN || parsed > INT32_MAX)
            return fail(key, quoted(text) + " is not a 32-bit number");
        value = static_cast<std::int32_t>(parsed);
        return true;
    }

    bool real(const char* key, double& value)
    {
        const char* text = raw(key);
        if (!text)
            return true;
        char* end = nullptr;
        const double parsed = std::strtod(text, &end);
        if (end == text || *end != '\0')
            return fail(key, quoted(text) + " is not a number");
        value = parsed;
        return true;
    }

    bool flag(const char* key, bool& value)
    {
        const char* text = raw(key);
        if (!text)
            return true;
        const std::string word = text;
        if (word == "on" || word == "yes" || word == "true" || word == "1")
            value = true;
        else if (word == "off" || word == "no" || word == "false" || word == "0")
            value = false;
        else
            return fail(key, quoted(word) + " is not on or off");
        return true;
    }

    bool text(const char* key, std::string& value)
    {
        if (const char* found = raw(key))
            value = found;
        return true;
    }

    // Every key of the section must have been asked for.
    bool allKeysKnown()
    {
        CSimpleIniA::TNamesDepend keys;
        ini.GetAllKeys(section, keys);
        for (const auto& key : keys)
            if (!used.count(key.pItem))
                return fail(key.pItem, "unknown key");
        return true;
    }

    std::string error;

private:
    const CSimpleIniA& ini;
    const char* section;
    std::string where;
    std::set<std::string, CaseLess> used;
};

std::vector<std::string> splitList(const std::string& text)
{
    std::vector<std::string> items;
    std::stringstream stream(text);
    std::string item;
    while (std::getline(stream, item, ',')) {
        const auto first = item.find_first_not_of(" \t");
        const auto last = item.find_last_not_of(" \t");
        if (first != std::string::npos)
            items.push_back(item.substr(first, last - first + 1));
    }
    return items;
}

bool parseUnsigned(const std::string& text, std::uint64_t max, std::uint32_t& value, int base = 0)
{
    char* end = nullptr;
    errno = 0;
    const unsigned long long parsed = std::strtoull(text.c_str(), &end, base);
    if (text.empty() || *end != '\0' || errno || parsed > max || text[0] == '-')
        return false;
    value = static_cast<std::uint32_t>(parsed);
    return true;
}

// "a.b.c.d" -> a << 24 | b << 16 | c << 8 | d
bool parseVersion(const std::string& text, std::uint32_t& value)
{
    const std::vector<std::string> parts = [&] {
        std::vector<std::string> out;
        std::stringstream stream(text);
        std::string part;
        while (std::getline(stream, part, '.'))
            out.push_back(part);
        return out;
    }();
    if (parts.size() != 4)
        return false;
    value = 0;
    for (const std::string& part : parts) {
        std::uint32_t number = 0;
        if (!parseUnsigned(part, 255, number))
            return false;
        value = value << 8 | number;
    }
    return true;
}

bool readIdentity(SectionReader& r, SensorConfig& s)
{
    std::string version, layout;
    bool ok = r.number("node", s.nodeId, 127) && r.number("bitrate", s.bitrateKbit, 1000) && r.unsignedValue("uid", s.uid)
           && r.text("firmware", version) && r.signedValue("item", s.itemNumber) && r.signedValue("serial", s.serialNumber)
           && r.text("layout", layout) && r.unsignedValue("firmwareVersionAddress", s.firmwareVersionAddress)
           && r.text("bootloaderId", s.bootloaderId) && r.flag("startInBootloader", s.startInBootloader);
    if (ok && !version.empty() && !parseVersion(version, s.firmwareVersion))
        ok = r.fail("firmware", quoted(version) + " is not four numbers a.b.c.d");
    // The listed UIDs use the other object layout; "layout" overrides the choice by UID.
    s.listed = s.uid == 0x06102000 || s.uid == 0x06102100 || s.uid == 0x06102200;
    if (ok && layout == "listed")
        s.listed = true;
    else if (ok && layout == "unlisted")
        s.listed = false;
    else if (ok && !layout.empty())
        ok = r.fail("layout", quoted(layout) + " is not listed or unlisted");
    return ok;
}

bool readProcess(SectionReader& r, SensorConfig& s)
{
    return r.unsignedValue("heartbeat", s.heartbeatMs, 0xFFFF) && r.unsignedValue("tpdo.cobid", s.tpdoCobId)
        && r.unsignedValue("tpdo.type", s.tpdoTransmissionType, 0xFF)
        && r.unsignedValue("tpdo.eventTimer", s.tpdoEventTimerMs, 0xFFFF) && r.unsignedValue("tpdo.mapping", s.tpdoMapping)
        && r.real("value", s.processValue) && r.unsignedValue("decimals", s.decimalDigits, 9)
        && r.unsignedValue("unit", s.unitCode) && r.unsignedValue("currentError", s.currentError);
}

bool readSrdo(SectionReader& r, SrdoConfig& srdo)
{
    std::string checksum;
    bool ok = r.flag("srdo", srdo.enabled) && r.unsignedValue("srdo.direction", srdo.direction, 0xFF)
           && r.unsignedValue("srdo.cycleTime", srdo.cycleTimeMs, 0xFFFF)
           && r.unsignedValue("srdo.validationTime", srdo.validationTimeMs, 0xFF)
           && r.unsignedValue("srdo.type", srdo.transmissionType, 0xFF) && r.unsignedValue("srdo.cobid1", srdo.cobId1)
           && r.unsignedValue("srdo.cobid2", srdo.cobId2) && r.unsignedValue("srdo.mappingCount", srdo.mappingCount, 0xFF)
           && r.unsignedValue("srdo.mapping1", srdo.mapping1) && r.unsignedValue("srdo.mapping2", srdo.mapping2)
           && r.text("srdo.checksum", checksum) && r.unsignedValue("srdo.valid", srdo.validMark, 0xFF);
    srdo.checksumAuto = checksum.empty() || checksum == "auto";
    if (ok && !srdo.checksumAuto && !parseUnsigned(checksum, 0xFFFF, srdo.checksum))
        ok = r.fail("srdo.checksum", quoted(checksum) + " is neither auto nor a 16-bit number");
    return ok;
}

bool readMemoryFile(SectionReader& r, const std::string& source, SensorConfig& s)
{
    std::string path;
    r.text("errorlog.memoryFile", path);
    if (path.empty())
        return true;
    if (path[0] != '/' && source.find('/') != std::string::npos)
        path = veldris::directoryOf(source) + "/" + path;
    std::ifstream file(path, std::ios::binary);
    if (!file)
        return r.fail("errorlog.memoryFile", "cannot read " + path);
    s.errorLogMemory.assign(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
    if (s.errorLogMemory.size() > 65536)
        return r.fail("errorlog.memoryFile", path + " is larger than the sensor's 64 KiB memory");
    s.hasErrorLog = true;
    return true;
}

bool readErrorLog(SectionReader& r, const std::string& source, SensorConfig& s)
{
    ErrorLogLayout& log = s.errorLog;
    std::uint32_t pageSize = log.pageSize, pageCount = log.pageCount;
    const bool described = r.raw("errorlog.virtaddr") != nullptr;
    bool ok = r.unsignedValue("errorlog.virtaddr", log.virtaddr, 0xFFFF)
           && r.unsignedValue("errorlog.pagesize", pageSize, 0xFFFF) && r.unsignedValue("errorlog.pagecnt", pageCount, 0xFF)
           && r.text("errorlog.errorstruct", log.errorStruct) && r.text("errorlog.pageheader", log.pageHeader)
           && readMemoryFile(r, source, s);
    log.pageSize = static_cast<std::uint16_t>(pageSize);
    log.pageCount = static_cast<std::uint8_t>(pageCount);
    log.listed = s.listed;
    for (int i = 1; ok; ++i) {
        const std::string key = "errorlog.entry" + std::to_string(i);
        const char* text = r.raw(key.c_str());
        if (!text)
            break;
        const std::vector<std::string> fields = splitList(text);
        ErrorLogEntry entry;
        std::uint32_t timestamp = 0;
        if (fields.size() != 3 || !parseUnsigned(fields[0], 0xFFFFFFFFu, entry.error)
            || !parseUnsigned(fields[1], 0xFFFF, timestamp) || !parseUnsigned(fields[2], 0xFFFFFFFFu, entry.value))
            return r.fail(key.c_str(), quoted(text) + " is not: error field, timestamp, value");
        entry.timestamp = static_cast<std::uint16_t>(timestamp);
        s.errorLogEntries.push_back(entry);
    }
    if (ok && described && s.errorLogMemory.empty()) {
        std::string problem;
        if (buildErrorLogMemory(log, s.errorLogEntries, 0, &problem).empty())
            return r.fail("errorlog", problem);
        s.hasErrorLog = true;
    }
    return ok;
}

bool readStrings(SectionReader& r, SensorConfig& s)
{
    for (const StringObject& object : stringObjects()) {
        const std::string key = stringKey(object.index);
        const char* text = r.raw(key.c_str());
        if (!text)
            continue;
        if (std::strlen(text) > object.maxLength)
            return r.fail(key.c_str(), quoted(text) + " is longer than " + std::to_string(object.maxLength) + " bytes");
        s.strings[object.index] = text;
    }
    return true;
}

bool readFaults(SectionReader& r, SensorFaults& f)
{
    std::string aborts;
    bool ok =
        r.flag("fault.silent", f.silent) && r.text("fault.abort", aborts) && r.unsignedValue("fault.abortCode", f.abortCode)
        && r.real("fault.lossPercent", f.lossPercent) && r.number("fault.answerDelayMs", f.answerDelayMs, 60000)
        && r.number("fault.bootloaderEchoLimit", f.bootloaderEchoLimit, 0x7FFFFFFF)
        && r.number("fault.leaveBusAfterS", f.leaveBusAfterS, 0x7FFFFFFF)
        && r.number("fault.silentAfterFrames", f.silentAfterFrames, 0x7FFFFFFF) && r.text("fault.bootloaderId", f.bootloaderId)
        && r.flag("fault.refuseSrdoStart", f.refuseSrdoStart) && r.number("fault.tpdoPeriodMs", f.tpdoPeriodMs, 60000)
        && r.number("fault.heartbeatPeriodMs", f.heartbeatPeriodMs, 60000)
        && r.number("fault.srdoPeriodMs", f.srdoPeriodMs, 60000) && r.number("fault.jitterMs", f.jitterMs, 1000)
        && r.number("fault.powerCutAfterFrames", f.powerCutAfterFrames, 0x7FFFFFFF)
        && r.flag("fault.sdoToggleError", f.sdoToggleError);
    for (const std::string& object : splitList(aborts)) {
        const auto colon = object.find(':');
        std::uint32_t index = 0, sub = 0;
        // Objects are written as the object dictionary writes them: hexadecimal, "0x" optional.
        if (colon == std::string::npos || !parseUnsigned(object.substr(0, colon), 0xFFFF, index, 16)
            || !parseUnsigned(object.substr(colon + 1), 0xFF, sub, 16))
            return r.fail("fault.abort", quoted(object) + " is not INDEX:SUB");
        f.abortObjects.push_back(index << 8 | sub);
    }
    if (ok && (f.lossPercent < 0 || f.lossPercent > 100))
        ok = r.fail("fault.lossPercent", "must be 0 to 100");
    return ok;
}

std::vector<std::string> splitWords(const std::string& text)
{
    std::vector<std::string> words;
    std::stringstream stream(text);
    for (std::string word; stream >> word;)
        words.push_back(word);
    return words;
}

// "IDENTIFIER LENGTH PERIOD_MS": a hexadecimal 11-bit identifier, 0..8 data bytes and a period
// of more than 0 ms (fractions allowed, whole µs).
bool readTrafficEntry(SectionReader& r, const char* key, const std::string& text, TrafficConfig& traffic)
{
    const std::vector<std::string> fields = splitWords(text);
    if (fields.size() != 3)
        return r.fail(key, quoted(text) + " is not: IDENTIFIER LENGTH PERIOD_MS");
    std::uint32_t id = 0, length = 0;
    if (!parseUnsigned(fields[0], 0x7FF, id, 16))
        return r.fail(key, quoted(fields[0]) + " is not an 11-bit identifier (hexadecimal, 0x000 to 0x7FF)");
    if (!parseUnsigned(fields[1], 8, length, 10))
        return r.fail(key, quoted(fields[1]) + " is not a length from 0 to 8");
    char* end = nullptr;
    const double periodMs = std::strtod(fields[2].c_str(), &end);
    // Shorter than the shortest frame (8 bytes at 1 Mbit/s, 0.135 ms) no CAN node sends, and the
    // bus thread would never catch up with its due times.
    if (*end != '\0' || !(periodMs >= 0.1 && periodMs <= 3'600'000))
        return r.fail(key, quoted(fields[2]) + " is not a period from 0.1 to 3600000 ms");
    traffic = {id, static_cast<std::uint8_t>(length), static_cast<Micros>(std::llround(periodMs * 1000))};
    return true;
}

bool readTraffic(SectionReader& r, std::vector<TrafficConfig>& traffic)
{
    for (int i = 1;; ++i) {
        const std::string key = "traffic." + std::to_string(i);
        const char* text = r.raw(key.c_str());
        if (!text)
            return true;
        TrafficConfig entry;
        if (!readTrafficEntry(r, key.c_str(), text, entry))
            return false;
        traffic.push_back(entry);
    }
}

bool readBus(SectionReader& r, BusOptions& bus)
{
    std::string refused;
    std::uint32_t busOffAtMs = 0, busOffForMs = 0;
    const bool ok = r.flag("timing", bus.timing) && r.unsignedValue("seed", bus.seed)
                 && r.unsignedValue("fault.txError", bus.txError) && r.text("fault.txErrorIds", refused)
                 && r.unsignedValue("fault.openRefusedAfter", bus.openRefusedAfter) && readTraffic(r, bus.traffic)
                 && r.unsignedValue("fault.busOffAtMs", busOffAtMs) && r.unsignedValue("fault.busOffForMs", busOffForMs);
    if (ok && r.raw("fault.busOffAtMs") && busOffForMs == 0)
        return r.fail("fault.busOffAtMs", "needs fault.busOffForMs, how long the adapter stays bus-off");
    bus.busOffAt = millis(busOffAtMs);
    bus.busOffFor = millis(busOffForMs);
    for (const std::string& id : splitList(refused)) {
        std::uint32_t identifier = 0;
        if (!parseUnsigned(id, 0x7FF, identifier))
            return r.fail("fault.txErrorIds", quoted(id) + " is not an 11-bit identifier");
        bus.txErrorIds.push_back(identifier);
    }
    return ok;
}

} // namespace

bool parseScenario(const std::string& text, const std::string& source, Scenario& scenario, std::string& error)
{
    CSimpleIniA ini(false, false, false);
    if (ini.LoadData(text.data(), text.size()) < 0) {
        error = source + ": not readable as INI text";
        return false;
    }
    scenario = Scenario{};
    CSimpleIniA::TNamesDepend sections;
    ini.GetAllSections(sections);
    sections.sort(CSimpleIniA::Entry::LoadOrder());
    for (const auto& section : sections) {
        const std::string name = section.pItem;
        SectionReader r(ini, section.pItem, source);
        bool ok = true;
        if (name == "bus") {
            ok = readBus(r, scenario.bus);
        } else if (name == "sensor" || name.rfind("sensor ", 0) == 0) {
            SensorConfig sensor;
            sensor.name = name;
            ok = readIdentity(r, sensor) && readProcess(r, sensor) && readSrdo(r, sensor.srdo)
              && readErrorLog(r, source, sensor) && readStrings(r, sensor) && readFaults(r, sensor.faults);
            scenario.sensors.push_back(std::move(sensor));
        } else {
            error = source + ": [" + name + "] is neither [bus] nor a [sensor ...] section";
            return false;
        }
        if (!ok || !r.allKeysKnown()) {
            error = r.error;
            return false;
        }
    }
    return true;
}

} // namespace sim
