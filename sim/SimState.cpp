#include "sim/SimState.h"

#include <nlohmann/json.hpp>

#include <cstdio>

namespace sim {

namespace {

using nlohmann::json;

std::string hex(std::uint32_t value, int digits)
{
    char text[16];
    std::snprintf(text, sizeof text, "0x%0*X", digits, value);
    return text;
}

std::string hexBytes(const std::vector<std::uint8_t>& bytes)
{
    static const char digits[] = "0123456789ABCDEF";
    std::string text;
    text.reserve(bytes.size() * 2);
    for (std::uint8_t byte : bytes) {
        text += digits[byte >> 4];
        text += digits[byte & 0xF];
    }
    return text;
}

std::uint32_t number(const json& value)
{
    if (value.is_string())
        return static_cast<std::uint32_t>(std::stoul(value.get<std::string>(), nullptr, 0));
    return value.get<std::uint32_t>();
}

std::vector<std::uint8_t> bytesOf(const std::string& text)
{
    if (text.size() % 2)
        throw std::invalid_argument("odd number of hex digits");
    std::vector<std::uint8_t> bytes;
    for (std::size_t i = 0; i < text.size(); i += 2)
        bytes.push_back(static_cast<std::uint8_t>(std::stoul(text.substr(i, 2), nullptr, 16)));
    return bytes;
}

json ranges(const std::map<std::uint32_t, std::vector<std::uint8_t>>& runs)
{
    json list = json::array();
    for (const auto& [address, bytes] : runs)
        list.push_back({{"address", hex(address, 8)}, {"data", hexBytes(bytes)}});
    return list;
}

std::map<std::uint32_t, std::vector<std::uint8_t>> rangesFrom(const json& list)
{
    std::map<std::uint32_t, std::vector<std::uint8_t>> runs;
    for (const json& range : list)
        runs[number(range.at("address"))] = bytesOf(range.at("data").get<std::string>());
    return runs;
}

json sensorJson(const SensorState& state)
{
    json objects = json::array();
    for (const auto& [key, values] : state.objects)
        objects.push_back(
            {{"index", hex(key >> 8, 4)}, {"sub", hex(key & 0xFF, 2)}, {"active", values.first}, {"stored", values.second}});
    // Texts as hex bytes: a client may have written any bytes, and JSON takes only UTF-8.
    json strings = json::array();
    for (const auto& [key, texts] : state.strings)
        strings.push_back({{"index", hex(key >> 8, 4)},
                           {"sub", hex(key & 0xFF, 2)},
                           {"active", hexBytes({texts.first.begin(), texts.first.end()})},
                           {"stored", hexBytes({texts.second.begin(), texts.second.end()})}});
    return {{"nodeId", state.nodeId},         {"bitrate", state.bitrateKbit}, {"inBootloader", state.inBootloader},
            {"powerCut", state.powerCut},     {"objects", objects},           {"strings", strings},
            {"memory", ranges(state.memory)}, {"flash", ranges(state.flash)}};
}

SensorState sensorFrom(const json& document)
{
    SensorState state;
    state.nodeId = static_cast<std::uint8_t>(document.at("nodeId").get<int>());
    state.bitrateKbit = document.at("bitrate").get<int>();
    state.inBootloader = document.value("inBootloader", false);
    state.powerCut = document.value("powerCut", false); // absent from files of older versions
    for (const json& object : document.at("objects"))
        state.objects[number(object.at("index")) << 8 | number(object.at("sub"))] = {number(object.at("active")),
                                                                                     number(object.at("stored"))};
    for (const json& text : document.value("strings", json::array())) { // absent from files of older versions
        const std::vector<std::uint8_t> active = bytesOf(text.at("active").get<std::string>());
        const std::vector<std::uint8_t> stored = bytesOf(text.at("stored").get<std::string>());
        state.strings[number(text.at("index")) << 8 | number(text.at("sub"))] = {{active.begin(), active.end()},
                                                                                 {stored.begin(), stored.end()}};
    }
    state.memory = rangesFrom(document.value("memory", json::array()));
    state.flash = rangesFrom(document.value("flash", json::array()));
    return state;
}

} // namespace

std::string stateToJson(const std::map<std::string, SensorState>& sensors)
{
    json document = {{"format", "veldris-sim-state"}, {"version", 1}, {"sensors", json::object()}};
    for (const auto& [name, state] : sensors)
        document["sensors"][name] = sensorJson(state);
    return document.dump(1) + "\n";
}

bool stateFromJson(const std::string& text, std::map<std::string, SensorState>& sensors, std::string& error)
{
    try {
        const json document = json::parse(text);
        if (document.value("format", "") != "veldris-sim-state") {
            error = "not a simulator state file";
            return false;
        }
        for (const auto& [name, sensor] : document.at("sensors").items())
            sensors[name] = sensorFrom(sensor);
        return true;
    } catch (const std::exception& problem) {
        error = problem.what();
        return false;
    }
}

} // namespace sim
