#include "errorlog/ErrorLog.h"

#include "common/AtomicFile.h"
#include "common/Crc16.h"
#include "common/Log.h"
#include "errorlog/EntryDecoder.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>

namespace veldris {

namespace {

constexpr std::uint8_t terminator = 255;

// Where the fields of the two header versions stand.
struct Layout {
    std::size_t uid, pagesize, pagecnt, pageheader, listed, errorstruct, list, ebit, ibit, log;
};
constexpr Layout version2{18, 34, 36, 37, 45, 46, 54, 58, 90, 122};
constexpr Layout version1{18, 22, 24, 25, 33, 34, 42, 46, 78, 110};

void putBig(std::vector<std::uint8_t>& out, std::uint32_t value, int bytes)
{
    for (int shift = 8 * (bytes - 1); shift >= 0; shift -= 8)
        out.push_back(static_cast<std::uint8_t>(value >> shift));
}

std::uint32_t getBig(const std::vector<std::uint8_t>& in, std::size_t at, int bytes)
{
    std::uint32_t value = 0;
    for (int i = 0; i < bytes; ++i)
        value = value << 8 | in[at + static_cast<std::size_t>(i)];
    return value;
}

// The UID text as a number: hexadecimal when it holds a lower-case "x", else decimal; 0 when
// it is none.
std::uint32_t uidValue(const std::string& uid)
{
    const auto x = uid.find('x');
    const std::string digits = x == std::string::npos ? uid : uid.substr(x + 1);
    return static_cast<std::uint32_t>(std::strtoul(digits.c_str(), nullptr, x == std::string::npos ? 10 : 16));
}

void putPattern(std::vector<std::uint8_t>& out, const std::string& pattern, const char* letters)
{
    for (char c : pattern)
        if (std::strchr(letters, c) && c != '\0')
            out.push_back(static_cast<std::uint8_t>(c));
}

// A list as one byte per value, exactly `count` of them (missing values 0).
void putList(std::vector<std::uint8_t>& out, const std::vector<std::int32_t>& values, std::size_t count)
{
    for (std::size_t i = 0; i < count; ++i)
        out.push_back(static_cast<std::uint8_t>(i < values.size() ? values[i] : 0));
}

std::string text(const std::vector<std::uint8_t>& in, std::size_t at, std::size_t count)
{
    return std::string(in.begin() + static_cast<std::ptrdiff_t>(at), in.begin() + static_cast<std::ptrdiff_t>(at + count));
}

std::vector<std::int32_t> listOf(const std::vector<std::uint8_t>& in, std::size_t at, std::size_t count)
{
    return std::vector<std::int32_t>(in.begin() + static_cast<std::ptrdiff_t>(at),
                                     in.begin() + static_cast<std::ptrdiff_t>(at + count));
}

// "0x0" and the value in lower-case hexadecimal, a value under 16 with one more "0".
std::string uidText(std::uint32_t value)
{
    char digits[16];
    std::snprintf(digits, sizeof digits, "%x", value);
    return std::string("0x0") + (value < 16 ? "0" : "") + digits;
}

// The offset of the special numbers' terminator, or 0 when the header holds none.
std::size_t terminatorOffset(const std::vector<std::uint8_t>& image, std::size_t from)
{
    for (std::size_t at = from; at + 2 < ErrorLog::headerSize; ++at)
        if (image[at] == terminator)
            return at;
    return 0;
}

} // namespace

void ErrorLog::buildImage(const ErrorLogDescriptor& given, const std::vector<std::uint8_t>& memory)
{
    description = given;
    std::vector<std::uint8_t> header(magic, magic + 16);
    putBig(header, 2, 2);
    putBig(header, uidValue(given.uid), 4);
    putBig(header, given.serialNumber, 4);
    putBig(header, given.itemNumber, 4);
    int version[4] = {0, 0, 0, 0};
    std::sscanf(given.firmwareVersion.c_str(), "%d.%d.%d.%d", &version[0], &version[1], &version[2], &version[3]);
    for (int part : version)
        header.push_back(static_cast<std::uint8_t>(part));
    putBig(header, given.pagesize, 2);
    header.push_back(given.pagecnt);
    putPattern(header, given.pageheader.substr(0, 8), "AFEX");
    header.push_back(given.uidListed);
    putPattern(header, given.errorstruct.substr(0, 8), "ETVX");
    putBig(header, given.list, 4);
    putList(header, given.ebit, 32);
    putList(header, given.ibit, 32);
    // As many special numbers as leave room for the terminator and the checksum.
    putList(header, given.log, std::min<std::size_t>(given.log.size(), headerSize - 3 - header.size()));
    header.push_back(terminator);
    putBig(header, crc16(header.data(), header.size()), 2);
    header.resize(headerSize, 0xFF);
    bytes = header;
    bytes.insert(bytes.end(), memory.begin(), memory.end());
}

bool ErrorLog::readHeader()
{
    if (bytes.size() < headerSize || std::memcmp(bytes.data(), magic, 16) != 0)
        return false;
    const std::uint16_t version = static_cast<std::uint16_t>(getBig(bytes, 16, 2));
    if (version != 1 && version != 2)
        return false;
    const Layout& at = version == 2 ? version2 : version1;
    description.version = version;
    description.uid = uidText(getBig(bytes, at.uid, 4));
    description.pagesize = static_cast<std::uint16_t>(getBig(bytes, at.pagesize, 2));
    description.pagecnt = bytes[at.pagecnt];
    description.pageheader = text(bytes, at.pageheader, 8);
    description.uidListed = bytes[at.listed];
    description.errorstruct = text(bytes, at.errorstruct, 8);
    description.list = getBig(bytes, at.list, 4);
    description.ebit = listOf(bytes, at.ebit, 32);
    description.ibit = listOf(bytes, at.ibit, 32);
    const std::size_t end = terminatorOffset(bytes, at.log);
    description.log = listOf(bytes, at.log, end ? end - at.log : 0);
    if (version == 2) {
        description.serialNumber = getBig(bytes, 22, 4);
        description.itemNumber = getBig(bytes, 26, 4);
        description.firmwareVersion = std::to_string(bytes[30]) + "." + std::to_string(bytes[31]) + "."
                                    + std::to_string(bytes[32]) + "." + std::to_string(bytes[33]);
    } else {
        description.serialNumber = 0;
        description.itemNumber = 0;
        description.firmwareVersion = "n/a";
    }
    return true;
}

bool ErrorLog::checksumMatches() const
{
    if (bytes.size() < headerSize)
        return false;
    const std::size_t end = terminatorOffset(bytes, description.version == 1 ? version1.log : version2.log);
    return end != 0 && crc16(bytes.data(), end + 1) == getBig(bytes, end + 1, 2);
}

std::vector<ErrorLogRow> ErrorLog::rows()
{
    if (!readHeader())
        return {};
    return decodeEntries(description, bytes, filterRows);
}

bool ErrorLog::save(const std::string& path, std::string* error) const
{
    const std::string target = path.size() >= 4 && path.compare(path.size() - 4, 4, ".kel") == 0 ? path : path + ".kel";
    return writeFileAtomically(target, std::string(bytes.begin(), bytes.end()), error);
}

std::vector<ErrorLogRow> ErrorLog::load(const std::string& path, ErrorLogStatus& status)
{
    std::ifstream file(path, std::ios::binary);
    if (!file) {
        bytes.clear();
        lastProblem = "cannot read " + path + ": " + std::strerror(errno);
        status = ErrorLogStatus::Missing;
        return {};
    }
    return loadBytes({std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()}, status);
}

std::vector<ErrorLogRow> ErrorLog::loadBytes(std::vector<std::uint8_t> content, ErrorLogStatus& status)
{
    bytes = std::move(content);
    lastProblem.clear();
    if (bytes.empty())
        logLine("kel not set");
    if (!readHeader()) {
        lastProblem = bytes.size() < headerSize ? "the file is shorter than an error log's 256-byte header"
                                                : "the file is no error log (magic or header version)";
        status = ErrorLogStatus::NotValid;
        return {};
    }
    if (!checksumMatches()) {
        lastProblem = "the header's checksum does not match: the file is damaged";
        status = ErrorLogStatus::NotValid;
    }
    return decodeEntries(description, bytes, filterRows);
}

} // namespace veldris
