// Reading device configuration files into sections: headers and sub-entries, key lines, line
// ends, loading from disk, and a huge file without line feeds. The public DCF/EDS files of
// other CANopen projects are read with their download frames.

#include "dcf/DCFFile.h"

#include "../support/TemporaryDirectory.h"

#include "../support/QuietDiagnostics.h"

#include <gtest/gtest.h>

#include <string>

using namespace veldris;

namespace {

// "1800@1 DataType=0x0006|ParameterValue=100|SubNumber=5", sections joined by " / ".
std::string describe(const DCFFile& file)
{
    std::string out;
    for (const DCFSection& section : file.sections()) {
        out += (out.empty() ? "" : " / ") + section.index + "@" + std::to_string(section.headerLine);
        for (std::size_t i = 0; i < section.keys.size(); ++i)
            out += (i == 0 ? " " : "|") + section.keys[i] + "=" + section.values[i];
    }
    return out;
}

using DCFSections = QuietDiagnostics;
using DCFLoad = QuietDiagnostics;

} // namespace

TEST_F(DCFSections, HeadersKeyLinesAndWhereSectionsStartAndEnd)
{
    struct Case {
        const char* what;
        const char* text;
        bool loaded;
        const char* sections;
    } cases[] = {
        // Headers and their sub-entries
        {"object without sub-entry", "[1A00]\nDataType=0x0007\nParameterValue=0x64\n", true,
         "1A00@1 DataType=0x0007|ParameterValue=0x64"},
        {"sub-entry after the own keys; mixed case, index case kept", "[1a00Sub12]\nDataType=7\n", true,
         "1a00@1 DataType=7|SubNumber=12"},
        {"own SubNumber wins", "[1800SUB5]\nDataType=5\nSubNumber=3\n", true, "1800@1 DataType=5|SubNumber=3"},
        {"no key lines; header indented by spaces", "[1000]\n  [2000]\nA=1\n", true, "1000@1 / 2000@2 A=1"},
        {"CR LF: key lines keep their CR, a sub-entry keeps the bracket", "[2001sub3]\r\nDataType=7\r\n[1017]\r\nA=1\r\n", true,
         "2001@1 DataType=7\r|SubNumber=3] / 1017@3 A=1\r"},
        // Short and odd headers stay inside the line (a name section and a lone bracket: with the
        // download frame, whose problem lines quote the index)
        {"closing bracket within four", "[12]\nA=1\n", true, "12]@1 A=1"},
        {"no closing bracket: the last digit goes", "[1sub12\nA=1\n", true, "1sub@1 A=1|SubNumber=1"},
        // Where the sections start and end
        {"key lines before the first header; empty and comment lines counted", "DataType=5\n\n;c\n[2000]\nDataType=6\n", true,
         "2000@4 DataType=6"},
        {"header on the last line", "[1000]\nA=1\n[2000]", true, "1000@1 A=1"},
        {"empty file", "", false, ""},
        {"key lines, but a tab before the bracket is no header", "\t[1000]\nA=1\n", false, ""},
        // What a section takes
        {"comment, empty and blank lines inside",
         "[2000]\n;DataType=5\n\n   \nDataType=6\n; ParameterValue=1\nParameterValue=2\n", true,
         "2000@1 DataType=6|ParameterValue=2"},
        {"line without equals sign", "[2000]\nDataType\nDataType=5\n", true, "2000@1 DataType=5"},
        {"spaces around key and value trimmed, tabs kept, split at the first equals sign",
         "[2000]\n\tDataType =\t5\n  Denotation  =  a=b  \n", true, "2000@1 \tDataType=\t5|Denotation=a=b"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        DCFFile file;
        EXPECT_EQ(file.loadText(c.text), c.loaded);
        EXPECT_EQ(describe(file), c.sections);
    }
}

TEST_F(DCFLoad, FromDiskReplacingTheContentAndAFileThatCannotBeOpened)
{
    TemporaryDirectory dir;
    DCFFile file;
    ASSERT_TRUE(file.load(dir.write("first.dcf", "[1000]\nA=1\n[2000]\nB=2\n")));
    ASSERT_TRUE(file.load(dir.write("second.dcf", "[3000]\nC=3\n")));
    EXPECT_EQ(describe(file), "3000@1 C=3") << "nothing of the first file is left";
    const std::string missing = dir.file("missing.dcf");
    EXPECT_FALSE(file.load(missing));
    EXPECT_TRUE(file.sections().empty());
    EXPECT_EQ(file.path(), missing);
}

TEST_F(DCFLoad, HugeFileWithoutLineFeed)
{
    DCFFile file;
    const std::string noHeader(4 << 20, 'a');
    EXPECT_FALSE(file.loadText(noHeader));

    EXPECT_TRUE(file.loadText("[" + noHeader)) << "a header, on the last line";
    EXPECT_TRUE(file.sections().empty());

    EXPECT_TRUE(file.loadText("[1000sub" + noHeader + "\n" + noHeader + "=1"));
    ASSERT_EQ(file.sections().size(), 1u);
    EXPECT_EQ(file.sections()[0].values, (std::vector<std::string>{"1", noHeader.substr(1)}));
}
