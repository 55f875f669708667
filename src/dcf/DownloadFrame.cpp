#include "dcf/DownloadFrame.h"

#include "canopen/SdoProtocol.h"

#include <algorithm>

namespace veldris {

namespace {

// CiA 301 data types the sensors take from a DCF.
constexpr std::int32_t unsigned8 = 5;
constexpr std::int32_t unsigned16 = 6;
constexpr std::int32_t unsigned32 = 7;

// The digits of a number text, before its range is checked. The magnitude stops growing once
// it is past every range, so that no run of digits can overflow it.
struct Digits {
    bool found = false;
    bool negative = false;
    std::uint64_t magnitude = 0;
};

constexpr std::uint64_t pastEveryRange = 0x100000000ull;

bool isSpace(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r'; }

int digitValue(char c, bool hexadecimal)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (hexadecimal && c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (hexadecimal && c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

bool isHexadecimal(const std::string& text) { return text.find('x') != std::string::npos; }

Digits readDigits(const std::string& text, bool hexadecimal)
{
    Digits digits;
    std::size_t at = 0;
    while (at < text.size() && isSpace(text[at]))
        ++at;
    if (at < text.size() && (text[at] == '+' || text[at] == '-'))
        digits.negative = text[at++] == '-';
    if (hexadecimal && at < text.size() && text[at] == '0') {
        ++at;
        digits.found = true; // "0" alone is a number, "0x" without digits after it is not
        if (at < text.size() && (text[at] == 'x' || text[at] == 'X')) {
            ++at;
            digits.found = false;
        }
    }
    const std::uint64_t base = hexadecimal ? 16 : 10;
    for (int digit; at < text.size() && (digit = digitValue(text[at], hexadecimal)) >= 0; ++at) {
        digits.found = true;
        digits.magnitude = std::min(digits.magnitude * base + static_cast<std::uint64_t>(digit), pastEveryRange);
    }
    return digits;
}

std::uint32_t twosComplement(const Digits& digits)
{
    const auto bits = static_cast<std::uint32_t>(digits.magnitude);
    return digits.negative ? 0u - bits : bits;
}

std::uint32_t refuse(bool* ok)
{
    if (ok)
        *ok = false;
    return 0;
}

std::uint32_t accept(const Digits& digits, bool* ok)
{
    if (ok)
        *ok = true;
    return twosComplement(digits);
}

} // namespace

std::int32_t readNumber(const std::string& text, bool* ok)
{
    const Digits digits = readDigits(text, isHexadecimal(text));
    const std::uint64_t limit = digits.negative ? 0x80000000ull : 0x7FFFFFFFull;
    if (!digits.found || digits.magnitude > limit)
        return static_cast<std::int32_t>(refuse(ok));
    return static_cast<std::int32_t>(accept(digits, ok));
}

std::uint32_t readUnsignedNumber(const std::string& text, bool* ok)
{
    if (!isHexadecimal(text))
        return static_cast<std::uint32_t>(readNumber(text, ok));
    const Digits digits = readDigits(text, true);
    if (!digits.found || digits.magnitude > 0xFFFFFFFFull)
        return refuse(ok);
    return accept(digits, ok);
}

namespace {

// The lines that tell the technician which part of a section could not be used as written.
class Problems {
public:
    Problems(const DCFSection& of, std::vector<std::string>* into) : section(of), lines(into) {}

    void missing(const char* key) { add(" has no " + std::string(key)); }

    // The text as written, without the CR of a CR LF line end.
    void notANumber(const char* what, std::string text)
    {
        if (!text.empty() && text.back() == '\r')
            text.pop_back();
        add(": " + std::string(what) + " '" + text + "' is not a number");
    }

    std::int32_t number(const char* key, const std::string& text)
    {
        bool ok = true;
        const std::int32_t value = readNumber(text, &ok);
        if (!ok)
            notANumber(key, text);
        return value;
    }

    std::uint32_t unsignedNumber(const char* key, const std::string& text)
    {
        bool ok = true;
        const std::uint32_t value = readUnsignedNumber(text, &ok);
        if (!ok)
            notANumber(key, text);
        return value;
    }

private:
    void add(const std::string& tail)
    {
        if (lines)
            lines->push_back("Section at line " + std::to_string(section.headerLine) + tail);
    }

    const DCFSection& section;
    std::vector<std::string>* lines;
};

// The index text is two hexadecimal byte texts, "1A" and "00" of "1A00". A short index from a
// header such as "[1A" leaves the missing byte text empty, which is no number.
void writeObjectIndex(const std::string& index, CanFrame& frame, Problems& problems)
{
    const auto byteText = [&index](std::size_t from) {
        return "0x" + (from < index.size() ? index.substr(from, 2) : std::string());
    };
    bool highOk = true;
    bool lowOk = true;
    const std::int32_t high = readNumber(byteText(0), &highOk);
    const std::int32_t low = readNumber(byteText(2), &lowOk);
    if (!highOk || !lowOk)
        problems.notANumber("object index", index);
    frame.data[1] = static_cast<std::uint8_t>(low);
    frame.data[2] = static_cast<std::uint8_t>(high);
}

// Only the bytes of the data type's size carry the value; the rest of the frame stays 0.
void writeValue(std::int32_t dataType, const std::string& text, CanFrame& frame, Problems& problems)
{
    std::uint32_t value = 0;
    switch (dataType) {
    case unsigned8:
        frame.data[0] = sdo::download1;
        value = static_cast<std::uint8_t>(problems.number("ParameterValue", text));
        break;
    case unsigned16:
        frame.data[0] = sdo::download2;
        value = static_cast<std::uint16_t>(problems.number("ParameterValue", text));
        break;
    case unsigned32:
        frame.data[0] = sdo::download4;
        value = problems.unsignedNumber("ParameterValue", text);
        break;
    default: // strings, signed and wider types are not written: command 0, no value bytes
        return;
    }
    for (int i = 0; i < 4; ++i)
        frame.data[4 + i] = static_cast<std::uint8_t>(value >> (8 * i));
}

} // namespace

void buildDownloadFrame(const DCFSection& section, std::uint8_t node, CanFrame& frame,
                        std::vector<std::string>* problems)
{
    Problems report(section, problems);
    frame = CanFrame{}; // nothing of the previous section's frame may go out with this one
    frame.identifier = 0x600u + node;
    frame.messageType = pcan::messageStandard;
    frame.length = 8;
    writeObjectIndex(section.index, frame, report);
    // A header's sub-entry ([1018sub4], [1600subA], [1A00sub12]) is hexadecimal in DCF files:
    // read as decimal, sub-index 0x12 would be written to 0x0C and 0x0A could not be written.
    if (const std::string* sub = section.value("SubNumber"))
        frame.data[3] = static_cast<std::uint8_t>(
            report.number("SubNumber", section.subIndexFromHeader && sub->find('x') == std::string::npos ? "0x" + *sub : *sub));

    const std::string* dataType = section.value("DataType");
    const std::string* value = section.value("ParameterValue");
    if (!dataType)
        report.missing("DataType");
    if (!value)
        report.missing("ParameterValue");
    // Without either key there is nothing to write: the frame goes out like one of an
    // unknown data type, with command 0 and no value.
    if (dataType && value)
        writeValue(report.number("DataType", *dataType), *value, frame, report);
}

} // namespace veldris
