#include "dcf/DownloadFrame.h"

#include "canopen/RequestTemplates.h"
#include "canopen/SdoProtocol.h"
#include "common/NumberText.h"
#include "dcf/DataTypes.h"
#include "dcf/DcfValue.h"

#include <algorithm>

namespace veldris {

namespace {

// The digits of a number text, before its range is checked. The magnitude stops growing once
// it is past every range, so that no run of digits can overflow it.
struct Digits {
    bool found = false;
    bool negative = false;
    std::uint64_t magnitude = 0;
};

constexpr std::uint64_t pastEveryRange = 0x100000000ull;

bool isSpace(char c)
{
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

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

bool isHexadecimal(const std::string& text)
{
    return text.find('x') != std::string::npos;
}

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

namespace {

// What a section's text could not give, for the problem lines of `dcf show` (with the
// "Section at line N" prefix) and as the reason a section is not sent.
class Problems {
public:
    Problems(const DCFSection& of, std::vector<std::string>* into) : section(of), lines(into) {}

    void missing(const char* key) { add(" has no " + std::string(key), "no " + std::string(key)); }

    // The text as written, without the CR of a CR LF line end.
    void notANumber(const char* what, std::string text)
    {
        if (!text.empty() && text.back() == '\r')
            text.pop_back();
        const std::string reason = std::string(what) + " '" + text + "' is not a number";
        add(": " + reason, reason);
    }

    std::int32_t number(const char* key, const std::string& text)
    {
        bool ok = true;
        const std::int32_t value = readNumber(text, &ok);
        if (!ok)
            notANumber(key, text);
        return value;
    }

    // A ParameterValue that is no number or does not fit its DataType: a typo in the file.
    void badValue(const std::string& refusal)
    {
        valueRefused = true;
        const std::string reason = "ParameterValue " + refusal;
        add(": " + reason, reason);
    }

    const std::string& firstReason() const { return reasons.front(); }
    bool any() const { return !reasons.empty(); }
    bool badValueFound() const { return valueRefused; }

private:
    void add(const std::string& tail, const std::string& reason)
    {
        reasons.push_back(reason);
        if (lines)
            lines->push_back("Section at line " + std::to_string(section.headerLine) + tail);
    }

    const DCFSection& section;
    std::vector<std::string>* lines;
    std::vector<std::string> reasons;
    bool valueRefused = false;
};

// The index text is two hexadecimal byte texts, "1A" and "00" of "1A00". A short index from a
// header such as "[1A" leaves the missing byte text empty, which is no number.
std::uint16_t objectIndex(const std::string& index, Problems& problems)
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
    return static_cast<std::uint16_t>((static_cast<std::uint8_t>(high) << 8) | static_cast<std::uint8_t>(low));
}

// What a section's download request carries; the request template builds the frame of it.
struct RequestFields {
    std::uint8_t command = 0;
    std::uint16_t index = 0;
    std::uint8_t subIndex = 0;
    std::uint32_t value = 0;
    DataTypeInfo type;
    std::vector<std::uint8_t> bytes; // the whole value
};

std::string lowerCase(std::string text)
{
    for (char& c : text)
        c = static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
    return text;
}

// The value text without "$NODEID" and the "+" that joins it to the number ("$NODEID+0x180",
// "0x180+$NODEID", "$NODEID"): DCF files write COB-IDs relative to the node this way. True
// when the text was relative to the node.
bool withoutNodeId(std::string& text)
{
    const std::size_t at = lowerCase(text).find("$nodeid");
    if (at == std::string::npos)
        return false;
    std::string rest = text.substr(0, at) + text.substr(at + 7);
    rest = trimBlanks(rest);
    if (!rest.empty() && rest.front() == '+')
        rest.erase(0, 1);
    else if (!rest.empty() && rest.back() == '+')
        rest.pop_back();
    rest = trimBlanks(rest);
    text = rest.empty() || rest == "\r" ? "0" : rest;
    return true;
}

// A string goes out whole (segmented above four bytes): the frame is the transfer's first, an
// expedited download of up to four bytes or the initiate frame 0x21 with the size.
void writeString(const DataTypeInfo& type, const std::string& text, RequestFields& request, Problems& problems)
{
    StringReading reading = readStringValue(type, text);
    if (!reading.ok()) {
        problems.badValue(reading.problem + " for " + type.name);
        return;
    }
    request.bytes = std::move(reading.bytes);
    const std::size_t size = request.bytes.size();
    if (size > 4) {
        request.command = sdo::downloadSegmentedSized;
        request.value = static_cast<std::uint32_t>(size);
        return;
    }
    request.command = size == 0 ? sdo::downloadSegmentedSized : sdo::downloadCommand(static_cast<int>(size));
    for (std::size_t i = 0; i < size; ++i)
        request.value |= static_cast<std::uint32_t>(request.bytes[i]) << (8 * i);
}

// Only the bytes of the data type's size carry the value; the rest of the frame stays 0. A
// value that is no number or does not fit the type (after adding the node to a value written
// relative to it) leaves the value bytes 0 and refuses the file.
void writeValue(std::int32_t dataType, std::string text, std::uint8_t node, RequestFields& request, Problems& problems)
{
    const DataTypeInfo type = dataTypeInfo(dataType);
    request.type = type;
    if (type.isString()) {
        writeString(type, text, request, problems);
        return;
    }
    if (!type.isNumber())
        return;
    request.command = type.command;
    if (!text.empty() && text.back() == '\r')
        text.pop_back(); // of a CR LF line end
    const std::string written = text;
    const bool relative = withoutNodeId(text);
    const NumberRange range = type.rangeOf(text);
    NumberReading reading = readNumberText(text, relative ? NumberRange::anyBytes(4) : range);
    if (reading.ok() && relative) {
        reading.value += node;
        if (!range.contains(reading.value))
            reading.problem = NumberReading::Problem::OutOfRange;
    }
    if (!reading.ok()) {
        problems.badValue(numberRefusal(written, reading, range) + " for " + type.name);
        return;
    }
    request.value = type.bitsOf(reading.bits());
    for (int i = 0; i < type.bytes; ++i)
        request.bytes.push_back(static_cast<std::uint8_t>(request.value >> (8 * i)));
}

RequestFields buildFrame(const DCFSection& section, std::uint8_t node, CanFrame& frame, Problems& report)
{
    RequestFields request; // nothing of the previous section's frame may go out with this one
    request.index = objectIndex(section.index, report);
    // A header's sub-entry ([1018sub4], [1600subA], [1A00sub12]) is hexadecimal in DCF files:
    // read as decimal, sub-index 0x12 would be written to 0x0C and 0x0A could not be written.
    if (const std::string* sub = section.value("SubNumber"))
        request.subIndex = static_cast<std::uint8_t>(
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
        writeValue(report.number("DataType", *dataType), *value, node, request, report);
    frame = requests::sdoFrame(node, request.command, request.index, request.subIndex, request.value);
    return request;
}

bool isHexDigit(char c)
{
    return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
}

// The value of a key as a word: trimmed, CR of a CR LF line end dropped, lower case.
std::string word(const DCFSection& section, const char* key)
{
    const std::string* value = section.value(key);
    if (!value)
        return {};
    std::string text = *value;
    while (!text.empty() && (text.back() == '\r' || text.back() == ' '))
        text.pop_back();
    return lowerCase(text);
}

// Why a section holds no value to write, or nothing when it holds one.
std::string skipReason(const DCFSection& section)
{
    if (section.index.size() != 4 || !std::all_of(section.index.begin(), section.index.end(), isHexDigit))
        return "no object entry";
    const std::string objectType = word(section, "ObjectType");
    if (!objectType.empty()) {
        bool ok = true;
        const std::int32_t type = readNumber(objectType, &ok);
        if (ok && (type == 8 || type == 9))
            return std::string(type == 8 ? "array" : "record") + " header, its SubNumber counts its sub-entries";
        if (ok && type != 7)
            return "ObjectType " + objectType + " is no variable";
    }
    const std::string access = word(section, "AccessType");
    if (access == "ro" || access == "const")
        return "read-only (AccessType " + access + ")";
    // A DOMAIN's content (a program, a table) is no ParameterValue a configuration carries.
    if (const std::string* dataType = section.value("DataType");
        dataType && dataTypeInfo(readNumber(*dataType)).kind == DataTypeInfo::Kind::Domain)
        return "DOMAIN is not written";
    const std::string* value = section.value("ParameterValue");
    if (!value || trimBlanks(*value).empty() || trimBlanks(*value) == "\r")
        return "no ParameterValue";
    return {};
}

} // namespace

void buildDownloadFrame(const DCFSection& section, std::uint8_t node, CanFrame& frame, std::vector<std::string>* problems)
{
    Problems report(section, problems);
    buildFrame(section, node, frame, report);
}

DownloadPlan planDownload(const DCFSection& section, std::uint8_t node)
{
    DownloadPlan plan;
    Problems report(section, nullptr);
    RequestFields request = buildFrame(section, node, plan.frame, report);
    plan.type = request.type;
    plan.bytes = std::move(request.bytes);
    plan.reason = skipReason(section);
    if (!plan.reason.empty()) {
        plan.action = DownloadPlan::Action::Skip;
    } else if (report.badValueFound()) {
        plan.action = DownloadPlan::Action::BadValue;
        plan.reason = report.firstReason();
    } else if (report.any()) {
        plan.action = DownloadPlan::Action::Refuse;
        plan.reason = report.firstReason();
    } else if (plan.frame.data[0] == 0) {
        plan.action = DownloadPlan::Action::Refuse;
        plan.reason = "DataType " + trimBlanks(*section.value("DataType"))
                    + " is not written (only BOOLEAN, INTEGER8/16/32, UNSIGNED8/16/32, VISIBLE_STRING and OCTET_STRING are)";
        if (plan.reason.find('\r') != std::string::npos)
            plan.reason.erase(plan.reason.find('\r'), 1);
    }
    return plan;
}

std::vector<std::string> badValues(const std::vector<DCFSection>& sections, std::uint8_t node)
{
    std::vector<std::string> lines;
    for (const DCFSection& section : sections) {
        const DownloadPlan plan = planDownload(section, node);
        if (plan.action == DownloadPlan::Action::BadValue)
            lines.push_back("line " + std::to_string(section.lineOf("ParameterValue")) + ": " + plan.reason);
    }
    return lines;
}

} // namespace veldris
