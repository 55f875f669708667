#include "firmware/FirmwarePackage.h"

#include "common/SystemConstants.h"

#include <zip.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <sstream>

namespace veldris {

// The archive over the package's bytes, kept open until the next package is read.
struct FirmwarePackage::Archive {
    std::vector<std::uint8_t> bytes;
    zip_t* zip = nullptr;

    ~Archive()
    {
        if (zip)
            zip_discard(zip);
    }

    std::int64_t count() const { return zip_get_num_entries(zip, 0); }

    std::string name(std::int64_t index) const
    {
        const char* text = zip_get_name(zip, static_cast<zip_uint64_t>(index), ZIP_FL_ENC_RAW);
        return text ? text : "";
    }

    // The entry's bytes; false when it cannot be read completely.
    bool extract(std::int64_t index, std::vector<std::uint8_t>& out) const
    {
        zip_stat_t stat;
        zip_stat_init(&stat);
        if (zip_stat_index(zip, static_cast<zip_uint64_t>(index), 0, &stat) != 0 || !(stat.valid & ZIP_STAT_SIZE)
            || stat.size > maximumEntrySize)
            return false;
        out.resize(static_cast<std::size_t>(stat.size));
        zip_file_t* file = zip_fopen_index(zip, static_cast<zip_uint64_t>(index), 0);
        if (!file)
            return false;
        const zip_int64_t read = out.empty() ? 0 : zip_fread(file, out.data(), out.size());
        zip_fclose(file);
        return read == static_cast<zip_int64_t>(out.size());
    }

    std::string text(std::int64_t index) const
    {
        std::vector<std::uint8_t> content;
        if (!extract(index, content))
            return {};
        return std::string(content.begin(), content.end());
    }
};

namespace {

bool endsWith(const std::string& text, const std::string& end)
{
    return text.size() >= end.size() && text.compare(text.size() - end.size(), end.size(), end) == 0;
}

// The three characters after the last ".", compared exactly.
bool isScrambledName(const std::string& path)
{
    const auto dot = path.rfind('.');
    return dot != std::string::npos && path.substr(dot + 1) == "kfu";
}

std::vector<std::string> splitLines(const std::string& text)
{
    std::vector<std::string> lines;
    std::stringstream stream(text);
    std::string line;
    while (std::getline(stream, line))
        lines.push_back(line); // a carriage return before the line feed stays part of the line
    return lines;
}

// The decimal number after the last "=" of "version=N"; nullopt-like false when it is none.
bool packageVersionOf(const std::string& text, int& version)
{
    const auto equals = text.rfind('=');
    const std::string number = equals == std::string::npos ? text : text.substr(equals + 1);
    char* end = nullptr;
    errno = 0;
    const long value = std::strtol(number.c_str(), &end, 10);
    if (end == number.c_str() || errno || value < INT32_MIN || value > INT32_MAX)
        return false;
    version = static_cast<int>(value);
    return true;
}

} // namespace

FirmwarePackage::FirmwarePackage() = default;
FirmwarePackage::~FirmwarePackage() = default;

void parseModuleDescriptor(const std::string& text, FirmwareModule& module)
{
    const std::pair<const char*, std::string FirmwareModule::*> fields[] = {{"name", &FirmwareModule::name},
                                                                            {"type", &FirmwareModule::type},
                                                                            {"description", &FirmwareModule::description},
                                                                            {"location", &FirmwareModule::location},
                                                                            {"startaddress", &FirmwareModule::startaddress},
                                                                            {"endaddress", &FirmwareModule::endaddress},
                                                                            {"version", &FirmwareModule::version},
                                                                            {"device", &FirmwareModule::device},
                                                                            {"ui", &FirmwareModule::ui}};
    for (const std::string& line : splitLines(text)) {
        const auto equals = line.rfind('=');
        if (equals == std::string::npos)
            continue;
        const std::string key = line.substr(0, equals);
        for (const auto& [name, field] : fields)
            if (key == name)
                module.*field = line.substr(equals + 1);
    }
}

int FirmwarePackage::readPackage(const std::string& path)
{
    std::ifstream file(path, std::ios::binary);
    std::vector<std::uint8_t> bytes;
    if (file)
        bytes.assign(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
    if (!file) {
        moduleList.clear();
        methodList.clear();
        archive.reset();
        readProblem = "Cannot read " + path + ": " + std::strerror(errno);
        return -1;
    }
    return readPackageBytes(std::move(bytes), isScrambledName(path));
}

int FirmwarePackage::readPackageBytes(std::vector<std::uint8_t> bytes, bool scrambled)
{
    moduleList.clear();
    methodList.clear();
    archive.reset();
    readProblem.clear();
    packageVersion = 0;
    if (scrambled)
        for (std::uint8_t& byte : bytes)
            byte ^= packageMask;
    if (bytes.empty())
        return -1; // libzip reads no bytes as an empty archive; an empty file is no package
    auto opened = std::make_unique<Archive>();
    opened->bytes = std::move(bytes);
    zip_error_t error;
    zip_error_init(&error);
    zip_source_t* source = zip_source_buffer_create(opened->bytes.data(), opened->bytes.size(), 0, &error);
    opened->zip = source ? zip_open_from_source(source, ZIP_RDONLY, &error) : nullptr;
    zip_error_fini(&error);
    if (!opened->zip) {
        if (source)
            zip_source_free(source);
        return -1;
    }
    archive = std::move(opened);
    std::uint64_t total = 0;
    int status = 0;
    for (std::int64_t i = 0; i < archive->count(); ++i) {
        zip_stat_t stat;
        zip_stat_init(&stat);
        if (zip_stat_index(archive->zip, static_cast<zip_uint64_t>(i), 0, &stat) == 0 && (stat.valid & ZIP_STAT_SIZE)) {
            total += stat.size;
            if (stat.size > maximumEntrySize || total > maximumPackageSize) {
                readProblem = "The package entry " + archive->name(i) + " is implausibly large (" + std::to_string(stat.size)
                            + " bytes); the file is not a firmware package.";
                archive.reset();
                return -1;
            }
        }
        if (archive->name(i) == "version.kmd" && !packageVersionOf(archive->text(i), packageVersion)) {
            readProblem = "version.kmd of the package holds no version number.";
            return -1;
        }
        if (archive->name(i) == "version.kmd")
            status = packageVersion < supportedPackageVersion ? -2 : packageVersion > supportedPackageVersion ? -3 : 0;
    }
    return status;
}

std::string FirmwarePackage::loadPackage(const std::string& path)
{
    return finishLoad(readPackage(path));
}

std::string FirmwarePackage::loadPackageBytes(std::vector<std::uint8_t> bytes, bool scrambled)
{
    return finishLoad(readPackageBytes(std::move(bytes), scrambled));
}

std::string FirmwarePackage::finishLoad(int status)
{
    if (status == 0) {
        if (readHandlingModules())
            readModuleDescriptors();
        return {};
    }
    moduleList.clear();
    methodList.clear();
    if (!readProblem.empty())
        return readProblem;
    return status == -3 ? "KFU handling module is out of date." : "KFU file is out of date.";
}

bool FirmwarePackage::readHandlingModules()
{
    methodList.clear();
    if (!archive)
        return false;
    for (std::int64_t i = 0; i < archive->count(); ++i) {
        const std::string name = archive->name(i);
        if (!endsWith(name, ".kum"))
            continue;
        methodList.push_back({name.substr(0, name.rfind('.')), splitLines(archive->text(i))});
    }
    return !methodList.empty();
}

// A descriptor (.kmd) describes the entry right before it. A descriptor that is the archive's
// first entry has no image: its module gets an empty one.
void FirmwarePackage::readModuleDescriptors()
{
    moduleList.clear();
    if (!archive)
        return;
    for (std::int64_t i = 0; i < archive->count(); ++i) {
        const std::string name = archive->name(i);
        if (name == "version.kmd" || !endsWith(name, ".kmd"))
            continue;
        FirmwareModule module;
        if (i > 0) {
            module.name = archive->name(i - 1);
            archive->extract(i - 1, module.image);
        }
        parseModuleDescriptor(archive->text(i), module);
        moduleList.push_back(std::move(module));
    }
}

const FirmwareModule* FirmwarePackage::findModule(const std::string& name) const
{
    for (const FirmwareModule& module : moduleList)
        if (module.name == name)
            return &module;
    return nullptr;
}

} // namespace veldris
