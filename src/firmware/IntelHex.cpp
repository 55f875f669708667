#include "firmware/IntelHex.h"

#include <array>
#include <cstring>
#include <limits>
#include <stdexcept>

namespace veldris {

namespace {

constexpr std::uint8_t dataRecord = 0x00;
constexpr std::uint8_t endOfFileRecord = 0x01;
constexpr std::uint8_t segmentAddressRecord = 0x02;
constexpr std::uint8_t linearAddressRecord = 0x04;

// ':', count (2), address (4), type (2) and checksum (2): the characters of a record without data.
constexpr std::size_t recordFrame = 11;

// Value of a hexadecimal digit, -1 for any other character.
constexpr std::array<std::int8_t, 256> hexValues = [] {
    std::array<std::int8_t, 256> values{};
    values.fill(-1);
    for (int i = 0; i < 10; ++i)
        values['0' + i] = static_cast<std::int8_t>(i);
    for (int i = 0; i < 6; ++i) {
        values['A' + i] = static_cast<std::int8_t>(10 + i);
        values['a' + i] = static_cast<std::int8_t>(10 + i);
    }
    return values;
}();

int hexValue(char c)
{
    return hexValues[static_cast<unsigned char>(c)];
}

// Characters that may stand around records without being part of one.
bool isBlank(char c)
{
    return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

bool isBlankLine(std::string_view line)
{
    for (const char c : line) {
        if (!isBlank(c))
            return false;
    }
    return true;
}

// The bytes of a record's digits after its ':' (count, address, type, data, checksum), each
// from two hexadecimal digits; false when a character is no digit or a digit has no partner.
bool recordBytes(std::string_view digits, std::uint8_t* bytes)
{
    if (digits.size() % 2 != 0)
        return false;
    for (std::size_t i = 0; i < digits.size(); i += 2) {
        const int high = hexValue(digits[i]), low = hexValue(digits[i + 1]);
        if (high < 0 || low < 0)
            return false;
        bytes[i / 2] = static_cast<std::uint8_t>(high << 4 | low);
    }
    return true;
}

} // namespace

IntelHex::IntelHex(const std::uint8_t* text, std::uint32_t size, MemoryImage* target, std::uint32_t /*option*/) : image(target)
{
    readBuffer(text, size);
}

void IntelHex::fail() const
{
    if (lineNumber == 0)
        throw std::runtime_error(failureText);
    throw std::runtime_error(std::string(failureText) + " (line " + std::to_string(lineNumber) + ")");
}

std::string_view IntelHex::takeLine()
{
    if (position >= bufferSize)
        return {};
    const char* text = reinterpret_cast<const char*>(buffer) + position;
    const std::size_t rest = bufferSize - position;
    const void* feed = std::memchr(text, '\n', rest);
    const std::size_t length = feed ? static_cast<std::size_t>(static_cast<const char*>(feed) - text) + 1 : rest;
    position += static_cast<std::uint32_t>(length);
    return {text, length};
}

std::int32_t IntelHex::readBuffer(const std::uint8_t* text, std::uint32_t size)
{
    buffer = text;
    bufferSize = text ? size : 0;
    position = 0;
    lineNumber = 0;
    addressBase = 0;
    endOfFile = false;
    if (!image || (!text && size > 0))
        fail();
    image->expectBytes(bufferSize / 2); // every data byte takes two hexadecimal digits

    std::int32_t lastCount = 0;
    while (!endOfFile && position < bufferSize) {
        const std::string_view line = takeLine();
        ++lineNumber;
        if (isBlankLine(line))
            continue;
        readRecord(line);
        lastCount = static_cast<std::int32_t>(line.size());
    }
    return lastCount;
}

// Checks the whole record (its shape, its digits, its checksum) in one pass over the line
// before anything of it reaches the image, so that a damaged record never leaves half of its
// bytes behind. A record line is ':' and hexadecimal digits only up to its line end (CRs
// before the line feed dropped), exactly 11 + 2 * count characters, its bytes adding up to 0.
void IntelHex::readRecord(std::string_view line)
{
    std::size_t end = line.size();
    while (end > 0 && (line[end - 1] == '\n' || line[end - 1] == '\r'))
        --end;
    std::uint8_t bytes[5 + 255]; // count, address (2), type, data, checksum
    const std::size_t digits = end - 1;
    if (end < recordFrame || line[0] != ':' || digits / 2 > sizeof bytes || !recordBytes(line.substr(1, digits), bytes))
        fail();
    const std::uint8_t count = bytes[0];
    // A line of another length is a record that lost or gained characters on the way (a
    // truncated download, two records run together); its fields cannot be trusted.
    if (end != recordFrame + 2u * count)
        fail();
    std::uint8_t sum = 0;
    for (std::size_t i = 0; i < digits / 2; ++i)
        sum = static_cast<std::uint8_t>(sum + bytes[i]);
    if (sum != 0)
        fail();

    const std::uint32_t address = static_cast<std::uint32_t>(bytes[1] << 8 | bytes[2]);
    switch (bytes[3]) {
    case dataRecord: writeData(static_cast<std::uint32_t>(addressBase + address), bytes + 4, count); break;
    case endOfFileRecord: endOfFile = true; break;
    case segmentAddressRecord:
    case linearAddressRecord: {
        if (count < 2)
            fail();
        const std::uint32_t value = static_cast<std::uint32_t>(bytes[4] << 8 | bytes[5]);
        addressBase = bytes[3] == segmentAddressRecord ? value << 4 : value << 16;
        break;
    }
    default: // start addresses (03, 05) mean nothing to the bootloader
        break;
    }
}

// Addresses are counted in 32 bits: a record that runs past 0xFFFFFFFF goes on at 0.
void IntelHex::writeData(std::uint32_t address, const std::uint8_t* data, std::uint8_t count)
{
    const std::uint32_t beforeWrap = static_cast<std::uint32_t>(0 - address); // 0: no wrap possible
    if (beforeWrap == 0 || count <= beforeWrap) {
        image->write(address, data, count);
        return;
    }
    image->write(address, data, beforeWrap);
    image->write(0, data + beforeWrap, count - beforeWrap);
}

bool readIntelHex(std::string_view text, MemoryImage& image, std::string& error)
{
    if (text.size() > std::numeric_limits<std::uint32_t>::max()) {
        error = IntelHex::failureText;
        return false;
    }
    try {
        [[maybe_unused]] const IntelHex reader(reinterpret_cast<const std::uint8_t*>(text.data()),
                                               static_cast<std::uint32_t>(text.size()), &image);
    } catch (const std::runtime_error& failure) {
        error = failure.what();
        return false;
    }
    error.clear();
    return true;
}

} // namespace veldris
