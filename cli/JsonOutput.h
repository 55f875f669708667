#pragma once

#include <nlohmann/json.hpp>

#include <iostream>

// Prints a command's one JSON document on standard output. Texts from files and sensors need
// not be valid UTF-8 (a Latin-1 DCF or package, a sensor's string object): their invalid bytes
// become U+FFFD, where a plain dump() would throw and end the tool without a result.
inline void printJson(const nlohmann::json& document)
{
    std::cout << document.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace) << '\n';
}
