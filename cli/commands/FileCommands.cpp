#include "commands/FileCommands.h"

#include "ExitStatus.h"
#include "JsonOutput.h"
#include "HexText.h"

#include "common/AtomicFile.h"
#include "common/FileContent.h"
#include "firmware/IntelHex.h"
#include "firmware/MemoryImage.h"

#include <nlohmann/json.hpp>

#include <cstdio>
#include <iostream>

CLI::App* HexCommand::add(CLI::App& app)
{
    CLI::App* hexFiles = app.add_subcommand("hex", "Intel HEX images");
    hexFiles->require_subcommand(1);
    CLI::App* show = hexFiles->add_subcommand("show", "lowest and highest address and the ranges of FILE");
    show->add_option("file", path, "Intel HEX file")->required();
    show->add_option("--dump", dumpPath, "write the bytes from the lowest to the highest address to this file");
    return hexFiles;
}

int HexCommand::run(Session& session)
{
    const GlobalOptions& options = session.options;
    const veldris::FileContent file(path);
    if (!file.ok()) {
        std::cerr << "veldris-cli: cannot read " << path << ": " << file.problem() << '\n';
        return exitUsage;
    }
    veldris::MemoryImage image;
    std::string error;
    if (!veldris::readIntelHex(file.bytes(), image, error)) {
        std::cerr << "veldris-cli: " << path << ": " << error << '\n';
        return exitUsage;
    }
    if (options.json) {
        nlohmann::json ranges = nlohmann::json::array();
        for (const veldris::MemoryRange& range : image.ranges())
            ranges.push_back({{"start", range.start}, {"length", range.length}});
        printJson(nlohmann::json{{"lowest", image.lowest()}, {"highest", image.highest()}, {"ranges", ranges}});
    } else {
        std::cout << "lowest  " << hexText(image.lowest(), 8) << "\nhighest " << hexText(image.highest(), 8) << "\nranges:\n";
        for (const veldris::MemoryRange& range : image.ranges())
            std::cout << "  " << hexText(range.start, 8) << "  " << range.length << " bytes\n";
    }
    if (dumpPath.empty() || image.empty())
        return exitDone;
    std::string bytes(static_cast<std::size_t>(image.highest() - image.lowest() + 1), '\0');
    image.read(image.lowest(), reinterpret_cast<std::uint8_t*>(bytes.data()), bytes.size());
    if (!veldris::writeFileAtomically(dumpPath, bytes, &error)) {
        std::cerr << "veldris-cli: " << error << '\n';
        return exitUsage;
    }
    return exitDone;
}
