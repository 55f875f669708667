#pragma once

#include "common/DataDirectory.h"

#include "support/TemporaryDirectory.h"

#include <fstream>
#include <iterator>
#include <string>

// A run folder of its own for one test: config/ (empty unless the test writes settings),
// lang/ with the shipped catalogues. The window's state built on it starts with an empty
// translation table.
class GuiTestData {
public:
    GuiTestData()
    {
        dir.write("config/.keep", "");
        for (const char* name : {"de_DE.po", "en.po", "cn.po"}) {
            std::ifstream in(std::string(VELDRIS_SOURCE_DIR "/resources/lang/") + name, std::ios::binary);
            dir.write(std::string("lang/") + name, {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()});
        }
    }

    veldris::DataDirectory folder() const { return veldris::DataDirectory(dir.path()); }

    void writeSettings(const std::string& content) { dir.write("config/settings.ini", content); }
    std::string settings() const { return dir.read("config/settings.ini"); }
    void writeCatalogue(const std::string& name, const std::string& content) { dir.write("lang/" + name, content); }

    TemporaryDirectory dir;
};
