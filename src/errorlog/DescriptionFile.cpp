#define SI_IMPLEMENTATION
#include <SimpleIni.h>

#include "errorlog/DescriptionFile.h"

#include "common/Log.h"
#include "common/SystemConstants.h"
#include "errorlog/ErrorLog.h"

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <sstream>

namespace veldris {

namespace {

bool readAll(const std::string& path, std::string& bytes)
{
    std::ifstream in(path, std::ios::binary);
    if (!in)
        return false;
    bytes.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    return !in.bad();
}

// The chosen section's keys, with the reason of the first one that is missing or no number.
class SectionKeys {
public:
    SectionKeys(const CSimpleIniA& ini, std::string name) : ini(ini), section(std::move(name)) {}

    // Stream extraction in hexadecimal mode: "0x" accepted, the rest must be hexadecimal digits.
    std::uint32_t hex(const char* key)
    {
        const char* text = ini.GetValue(section.c_str(), key, nullptr);
        std::istringstream in(text ? text : "");
        std::uint32_t value = 0;
        if (!(in >> std::hex >> value) || !(in >> std::ws).eof())
            fail(key, text);
        return value;
    }

    std::int32_t decimal(const std::string& key)
    {
        const char* text = ini.GetValue(section.c_str(), key.c_str(), nullptr);
        char* end = nullptr;
        errno = 0;
        const long value = text ? std::strtol(text, &end, 10) : 0;
        if (!text || end == text || *end != '\0' || errno || value < INT32_MIN || value > INT32_MAX)
            fail(key.c_str(), text);
        return static_cast<std::int32_t>(value);
    }

    // Exactly 8 characters, each one of `letters`.
    std::string pattern(const char* key, const std::string& letters)
    {
        const char* text = ini.GetValue(section.c_str(), key, nullptr);
        const std::string value = text ? text : "";
        if (value.size() != 8 || value.find_first_not_of(letters) != std::string::npos)
            fail(key, text, "is not 8 of the letters " + letters);
        return value;
    }

    const std::string& problem() const { return firstProblem; }

private:
    void fail(const char* key, const char* text, const std::string& what = "is not a number")
    {
        if (!firstProblem.empty())
            return;
        firstProblem = "[" + section + "] " + key + (text ? " '" + std::string(text) + "' " + what : " is missing");
    }

    const CSimpleIniA& ini;
    std::string section;
    std::string firstProblem;
};

void fillDescriptor(SectionKeys& keys, const SensorInfo& sensor, Description& result)
{
    ErrorLogDescriptor& d = result.descriptor;
    const std::uint32_t virtaddr = keys.hex("virtaddr");
    const std::uint32_t pagesize = keys.hex("pagesize");
    const std::uint32_t pagecnt = keys.hex("pagecnt");
    result.blocks = blockRange(virtaddr, pagesize, pagecnt);
    d.pagesize = static_cast<std::uint16_t>(pagesize);
    d.pagecnt = static_cast<std::uint8_t>(pagecnt);
    d.list = keys.hex("list");
    d.errorstruct = keys.pattern("errorstruct", "ETVX");
    d.pageheader = keys.pattern("pageheader", "AFEX");
    d.uidListed = sensor.uidListed ? 1 : 0;
    for (int bit = 1; bit <= 32; ++bit)
        d.ebit.push_back(keys.decimal("ebit" + std::to_string(bit)));
    for (int bit = 1; bit <= 32; ++bit)
        d.ibit.push_back(keys.decimal("ibit" + std::to_string(bit)));
    for (int special = 1; special <= 3; ++special)
        d.log.push_back(keys.decimal("log" + std::to_string(special)));
    d.uid = sensor.uid;
    d.firmwareVersion = sensor.firmwareVersion;
    d.itemNumber = static_cast<std::uint32_t>(std::strtol(sensor.itemNumber.c_str(), nullptr, 10));
    d.serialNumber = static_cast<std::uint32_t>(std::strtol(sensor.serialNumber.c_str(), nullptr, 10));
}

} // namespace

std::string unscrambleDescription(const std::string& bytes)
{
    std::string text = bytes;
    for (char& c : text)
        c = static_cast<char>(static_cast<std::uint8_t>(c) ^ descriptionFileMask);
    return text;
}

std::string findModelSection(const std::string& iniText, const std::string& uid)
{
    CSimpleIniA ini(false, false, false);
    std::string chosen;
    if (ini.LoadData(iniText.data(), iniText.size()) >= 0) {
        CSimpleIniA::TNamesDepend sections;
        ini.GetAllSections(sections);
        for (const auto& section : sections) {
            const std::string name = section.pItem;
            if (name.size() >= 2 && "0x" + name.substr(2, 40) == uid)
                chosen = name;
        }
    }
    logLine("closest ui: " + chosen);
    return chosen;
}

BlockRange blockRange(std::uint32_t virtaddr, std::uint32_t pagesize, std::uint32_t pagecnt)
{
    const std::uint32_t end = virtaddr + pagesize * pagecnt; // 32 bits, as the sensor counts
    return {static_cast<int>((virtaddr >> 8) & 0xFF), static_cast<int>((end >> 8) & 0xFF)};
}

Description loadDescription(const std::string& path, const SensorInfo& sensor)
{
    Description result;
    std::string bytes;
    if (!readAll(path, bytes)) {
        result.status = ErrorLogStatus::ConfigMissing;
        result.problem = "cannot read the description file " + path;
        return result;
    }
    const std::string text = unscrambleDescription(bytes);
    const std::string section = findModelSection(text, sensor.uid);
    CSimpleIniA ini(false, false, false);
    if (section.empty() || ini.LoadData(text.data(), text.size()) < 0) {
        result.status = ErrorLogStatus::Missing;
        result.problem = path + " describes no sensor with the UID " + sensor.uid;
        return result;
    }
    SectionKeys keys(ini, section);
    fillDescriptor(keys, sensor, result);
    if (!keys.problem().empty()) {
        result.status = ErrorLogStatus::NotValid;
        result.problem = path + ": " + keys.problem();
    }
    return result;
}

} // namespace veldris
