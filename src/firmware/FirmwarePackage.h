#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace veldris {

// One firmware image of a package with the fields of its descriptor (.kmd).
struct FirmwareModule {
    std::string name; // methods name modules by it
    std::string type; // the image format; only "hex" is updated
    std::string description;
    std::string location;
    std::string startaddress;
    std::string endaddress;
    std::string version; // shown when a method is chosen
    std::string device;  // the bootloader ID the image is built for
    std::string ui;      // the sensor UIDs it supports, searched as one text
    std::vector<std::uint8_t> image;
    std::size_t imageSize() const { return image.size(); }
};

// One update method (.kum): the names of the modules it writes, in order.
struct HandlingModule {
    std::string name;
    std::vector<std::string> lines;
};

inline constexpr int supportedPackageVersion = 2;

// Entries larger than these are refused instead of being allocated: a package is untrusted input.
inline constexpr std::uint64_t maximumEntrySize = 64ull << 20;
inline constexpr std::uint64_t maximumPackageSize = 256ull << 20;

// The package state: a firmware package (.kfu: a zip archive scrambled with packageMask; any
// other extension: a plain zip archive) read into its modules and methods. Each read replaces
// everything.
class FirmwarePackage {
public:
    FirmwarePackage();
    ~FirmwarePackage();

    // 0: read; -1: not a readable zip archive (or a file that cannot be read, see problem());
    // -2: package older than supportedPackageVersion; -3: newer.
    int readPackage(const std::string& path);
    int readPackageBytes(std::vector<std::uint8_t> bytes, bool scrambled);
    // The error text for the user; empty on success.
    std::string loadPackage(const std::string& path);
    std::string loadPackageBytes(std::vector<std::uint8_t> bytes, bool scrambled);
    bool readHandlingModules();
    void readModuleDescriptors();

    const std::vector<FirmwareModule>& modules() const { return moduleList; }
    const std::vector<HandlingModule>& methods() const { return methodList; }
    int version() const { return packageVersion; }
    // The first module of that name, or nullptr.
    const FirmwareModule* findModule(const std::string& name) const;
    // What made the last read fail beyond the package's own statuses ("cannot read ...").
    const std::string& problem() const { return readProblem; }

private:
    struct Archive;
    std::string finishLoad(int status);

    std::unique_ptr<Archive> archive;
    std::vector<FirmwareModule> moduleList;
    std::vector<HandlingModule> methodList;
    int packageVersion = 0;
    std::string readProblem;
};

// Fills the descriptor fields of `module` from a descriptor text: each line split at its last "=".
void parseModuleDescriptor(const std::string& text, FirmwareModule& module);

} // namespace veldris
