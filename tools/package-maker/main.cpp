// Writes a firmware package (.kfu) from a readable manifest: the images and descriptors of its
// modules and its update methods, zipped and scrambled with the package mask. The program itself
// only reads packages; this tool makes the sample package for the simulator's sensors.
//   package-maker MANIFEST.ini OUT.kfu
// Manifest: [package] version; [module ENTRY] image (path relative to the manifest) and the
// descriptor fields; [method NAME] modules (comma-separated, in update order).

#define SI_IMPLEMENTATION
#include <SimpleIni.h>

#include "common/AtomicFile.h"
#include "common/PathText.h"
#include "common/SystemConstants.h"

#include <zip.h>

#include <cstdio>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>
#include <vector>

namespace {

struct Entry {
    std::string name;
    std::string content;
};

bool readFile(const std::string& path, std::string& content)
{
    std::ifstream file(path, std::ios::binary);
    if (!file)
        return false;
    content.assign(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
    return true;
}

// The entries in package order: version.kmd, each image followed by its descriptor, the methods.
bool collectEntries(const CSimpleIniA& manifest, const std::string& folder, std::vector<Entry>& entries, std::string& error)
{
    entries.push_back({"version.kmd", std::string("version=") + manifest.GetValue("package", "version", "2")});
    CSimpleIniA::TNamesDepend sections;
    manifest.GetAllSections(sections);
    sections.sort(CSimpleIniA::Entry::LoadOrder());
    std::vector<Entry> methods;
    for (const auto& section : sections) {
        const std::string name = section.pItem;
        if (name.rfind("module ", 0) == 0) {
            const std::string entry = name.substr(7);
            Entry image{entry, {}};
            const std::string path = folder + "/" + manifest.GetValue(section.pItem, "image", entry.c_str());
            if (!readFile(path, image.content)) {
                error = "cannot read " + path;
                return false;
            }
            std::string descriptor = "name=" + entry + "\n";
            for (const char* key : {"type", "description", "location", "startaddress", "endaddress", "version", "device", "ui"})
                descriptor += std::string(key) + "=" + manifest.GetValue(section.pItem, key, "") + "\n";
            entries.push_back(image);
            entries.push_back({entry.substr(0, entry.rfind('.')) + ".kmd", descriptor});
        } else if (name.rfind("method ", 0) == 0) {
            std::string lines;
            std::stringstream modules(manifest.GetValue(section.pItem, "modules", ""));
            std::string module;
            while (std::getline(modules, module, ','))
                lines += module.substr(module.find_first_not_of(' ')) + "\n";
            methods.push_back({name.substr(7) + ".kum", lines});
        }
    }
    entries.insert(entries.end(), methods.begin(), methods.end());
    return true;
}

bool zipEntries(const std::vector<Entry>& entries, const std::string& zipPath, std::string& error)
{
    int code = 0;
    zip_t* archive = zip_open(zipPath.c_str(), ZIP_CREATE | ZIP_TRUNCATE, &code);
    if (!archive) {
        error = "cannot create " + zipPath;
        return false;
    }
    for (const Entry& entry : entries) {
        zip_source_t* source = zip_source_buffer(archive, entry.content.data(), entry.content.size(), 0);
        if (!source || zip_file_add(archive, entry.name.c_str(), source, ZIP_FL_ENC_UTF_8) < 0) {
            zip_source_free(source);
            error = "cannot add " + entry.name;
            zip_discard(archive);
            return false;
        }
    }
    if (zip_close(archive) != 0) {
        error = std::string("cannot write ") + zipPath + ": " + zip_strerror(archive);
        zip_discard(archive);
        return false;
    }
    return true;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc != 3) {
        std::fputs("usage: package-maker MANIFEST.ini OUT.kfu\n", stderr);
        return 2;
    }
    const std::string manifestPath = argv[1], out = argv[2];
    CSimpleIniA manifest(false, false, false);
    if (manifest.LoadFile(manifestPath.c_str()) < 0) {
        std::fprintf(stderr, "package-maker: cannot read %s\n", manifestPath.c_str());
        return 2;
    }
    std::vector<Entry> entries;
    std::string error, zipped;
    const std::string zipPath = out + ".zip";
    if (!collectEntries(manifest, veldris::directoryOf(manifestPath), entries, error) || !zipEntries(entries, zipPath, error)
        || !readFile(zipPath, zipped)) {
        std::fprintf(stderr, "package-maker: %s\n", error.c_str());
        return 1;
    }
    std::remove(zipPath.c_str());
    for (char& byte : zipped)
        byte = static_cast<char>(static_cast<unsigned char>(byte) ^ veldris::packageMask);
    if (!veldris::writeFileAtomically(out, zipped, &error)) {
        std::fprintf(stderr, "package-maker: %s\n", error.c_str());
        return 1;
    }
    return 0;
}
