#include "dcf/DcfValue.h"

#include "canopen/SdoResult.h"

namespace veldris {

namespace {

int hexDigit(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

bool isBlank(char c)
{
    return c == ' ' || c == '\t';
}

// Byte pairs, blanks only between bytes: "0 1" would hide a lost digit.
bool readOctets(const std::string& text, std::vector<std::uint8_t>& bytes)
{
    std::size_t at = 0;
    while (at < text.size()) {
        if (isBlank(text[at])) {
            ++at;
            continue;
        }
        if (at + 1 >= text.size())
            return false;
        const int high = hexDigit(text[at]);
        const int low = hexDigit(text[at + 1]);
        if (high < 0 || low < 0)
            return false;
        bytes.push_back(static_cast<std::uint8_t>(high * 16 + low));
        at += 2;
    }
    return true;
}

} // namespace

DcfValue sensorValue(const DataTypeInfo& type, const SdoResult& uploaded)
{
    DcfValue value;
    value.kind = type.kind;
    if (type.isNumber())
        value.number = type.valueOfBits(uploaded.value);
    else
        value.bytes = uploaded.data;
    return value;
}

StringReading readStringValue(const DataTypeInfo& type, std::string text)
{
    StringReading reading;
    if (!text.empty() && text.back() == '\r')
        text.pop_back();
    const std::string quoted = "'" + text + "'";
    if (type.kind == DataTypeInfo::Kind::OctetString) {
        if (!readOctets(text, reading.bytes)) {
            reading.bytes.clear();
            reading.problem = quoted + " is not hexadecimal bytes (such as 01 02 0A)";
        }
        return reading;
    }
    for (const char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte < 0x20 || byte == 0x7F) {
            reading.problem = quoted + " holds a control character";
            return reading;
        }
    }
    reading.bytes.assign(text.begin(), text.end());
    return reading;
}

} // namespace veldris
