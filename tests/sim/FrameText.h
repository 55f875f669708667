#pragma once

#include "sim/SimFrame.h"

#include <cstdio>
#include <string>
#include <vector>

// Frames written as candump does: "605#4000102A00000000".
inline sim::Frame frameOf(const std::string& text)
{
    sim::Frame frame;
    const auto hash = text.find('#');
    frame.id = static_cast<std::uint32_t>(std::stoul(text.substr(0, hash), nullptr, 16));
    for (std::size_t i = hash + 1; i + 1 < text.size() && frame.length < 8; i += 2)
        frame.data[frame.length++] = static_cast<std::uint8_t>(std::stoul(text.substr(i, 2), nullptr, 16));
    return frame;
}

inline std::string textOf(const sim::Frame& frame)
{
    char text[32];
    int used = std::snprintf(text, sizeof text, "%03X#", static_cast<unsigned>(frame.id));
    for (int i = 0; i < frame.length; ++i)
        used += std::snprintf(text + used, sizeof text - static_cast<std::size_t>(used), "%02X", frame.data[i]);
    return text;
}

// The frames with identifier `id` (any, when 0).
inline std::vector<std::string> textsOf(const std::vector<sim::Transmission>& frames, std::uint32_t id = 0)
{
    std::vector<std::string> texts;
    for (const sim::Transmission& tx : frames)
        if (id == 0 || tx.frame.id == id)
            texts.push_back(textOf(tx.frame));
    return texts;
}
