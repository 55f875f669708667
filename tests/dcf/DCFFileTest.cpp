// Reading device configuration files into sections: headers and sub-entries, key lines, line
// ends, loading from disk, and the public DCF/EDS files of other CANopen projects.

#include "common/Log.h"
#include "dcf/DCFFile.h"
#include "dcf/DownloadFrame.h"

#include "../support/TemporaryDirectory.h"

#include "../support/QuietDiagnostics.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>

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

std::string withCrLf(const std::string& text)
{
    std::string out;
    for (char c : text)
        out += c == '\n' ? std::string("\r\n") : std::string(1, c);
    return out;
}

std::string withoutCr(std::string text)
{
    text.erase(std::remove(text.begin(), text.end(), '\r'), text.end());
    return text;
}

std::string readFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// Diagnostic lines written while `action` runs.
template <typename Action>
std::string diagnosticsOf(Action action)
{
    std::FILE* capture = std::tmpfile();
    setDiagnosticStream(capture);
    action();
    setDiagnosticStream(nullptr);
    std::rewind(capture);
    std::string text;
    for (int c; (c = std::fgetc(capture)) != EOF;)
        text += static_cast<char>(c);
    std::fclose(capture);
    return text;
}

struct SectionCase {
    const char* what;
    const char* text;
    bool loaded;
    const char* sections;
};

void expectSections(const SectionCase& c)
{
    SCOPED_TRACE(c.what);
    DCFFile file;
    EXPECT_EQ(file.loadText(c.text), c.loaded);
    EXPECT_EQ(describe(file), c.sections);
}

using DCFHeaders = QuietDiagnostics;
using DCFKeyLines = QuietDiagnostics;
using DCFLines = QuietDiagnostics;
using DCFLineEnds = QuietDiagnostics;
using DCFLoad = QuietDiagnostics;
using DCFPublicFiles = QuietDiagnostics;

} // namespace

TEST_F(DCFHeaders, IndexAndSubEntry)
{
    const SectionCase cases[] = {
        {"object without sub-entry", "[1A00]\nDataType=0x0007\nParameterValue=0x64\n", true,
         "1A00@1 DataType=0x0007|ParameterValue=0x64"},
        {"sub-entry added after the own keys", "[1800sub5]\nDataType=0x0006\nParameterValue=100\n", true,
         "1800@1 DataType=0x0006|ParameterValue=100|SubNumber=5"},
        {"upper-case SUB", "[1800SUB5]\nDataType=5\n", true, "1800@1 DataType=5|SubNumber=5"},
        {"mixed case, index case kept", "[1a00Sub12]\nDataType=7\n", true, "1a00@1 DataType=7|SubNumber=12"},
        {"own SubNumber wins", "[1800SUB5]\nDataType=5\nSubNumber=3\n", true, "1800@1 DataType=5|SubNumber=3"},
        {"sub without number", "[1000sub]\nDataType=5\n", true, "1000@1 DataType=5"},
        {"header indented by spaces", "  [2000]\nA=1\n", true, "2000@1 A=1"},
        {"section without key lines", "[1000]\n[2000]\nA=1\n", true, "1000@1 / 2000@2 A=1"},
        {"name section", "[DeviceInfo]\nVendorName=KAVRO\n", true, "Devi@1 VendorName=KAVRO"},
    };
    for (const SectionCase& c : cases)
        expectSections(c);
}

TEST_F(DCFHeaders, ShortAndOddHeadersStayInsideTheLine)
{
    const SectionCase cases[] = {
        {"bracket alone", "[\nA=1\n", true, "@1 A=1"},
        {"one character", "[1\nA=1\n", true, "1@1 A=1"},
        {"closing bracket within four", "[12]\nA=1\n", true, "12]@1 A=1"},
        {"sub as the last characters", "[1000sub\nA=1\n", true, "1000@1 A=1"},
        {"sub right after the bracket", "[sub\nA=1\n", true, "sub@1 A=1"},
        {"no closing bracket: the last digit goes", "[1sub12\nA=1\n", true, "1sub@1 A=1|SubNumber=1"},
    };
    for (const SectionCase& c : cases)
        expectSections(c);
}

TEST_F(DCFHeaders, WhereTheSectionsStartAndEnd)
{
    const SectionCase cases[] = {
        {"key lines before the first header", "DataType=5\nParameterValue=1\n[2000]\nDataType=6\n", true,
         "2000@3 DataType=6"},
        {"header on the last line", "[1000]\nA=1\n[2000]", true, "1000@1 A=1"},
        {"header on the last line, line feed after it", "[1000]\nA=1\n[2000]\n", true, "1000@1 A=1"},
        {"only header is the last line", "[1000]\n", true, ""},
        {"only header, no line feed", "[1000]", true, ""},
        {"header counted after empty lines", "\n\n;c\n[1000]\nA=1\n", true, "1000@4 A=1"},
        {"no header", "DataType=5\nParameterValue=1\n", false, ""},
        {"empty file", "", false, ""},
        {"empty lines only", "\n\n\n", false, ""},
        {"tab before the bracket is no header", "\t[1000]\nA=1\n", false, ""},
    };
    for (const SectionCase& c : cases)
        expectSections(c);
}

TEST_F(DCFKeyLines, WhatASectionTakes)
{
    const SectionCase cases[] = {
        {"comment, empty and blank lines inside",
         "[2000]\n;DataType=5\n\n   \nDataType=6\n; ParameterValue=1\nParameterValue=2\n", true,
         "2000@1 DataType=6|ParameterValue=2"},
        {"hash is no comment", "[2000]\n#ParameterValue=0x2\n", true, "2000@1 #ParameterValue=0x2"},
        {"line without equals sign", "[2000]\nDataType\nDataType=5\n", true, "2000@1 DataType=5"},
        {"equals sign inside the value", "[2000]\nDenotation=a=b\n", true, "2000@1 Denotation=a=b"},
        {"blanks around key and value", "[2000]\n  ParameterValue  =  0x10  \n", true, "2000@1 ParameterValue=0x10"},
        {"empty key and value", "[2000]\n=\n", true, "2000@1 ="},
        {"tabs stay", "[2000]\n\tDataType =\t5\n", true, "2000@1 \tDataType=\t5"},
        {"duplicates kept", "[2000]\nA=1\nA=2\n", true, "2000@1 A=1|A=2"},
    };
    for (const SectionCase& c : cases)
        expectSections(c);
}

TEST_F(DCFKeyLines, LookupTakesTheFirstExactKey)
{
    DCFFile file;
    ASSERT_TRUE(file.loadText("[2000]\nDataType=5\ndatatype=6\nDataType=7\n\tParameterValue=1\n"));
    const DCFSection& section = file.sections().at(0);
    ASSERT_NE(section.value("DataType"), nullptr);
    EXPECT_EQ(*section.value("DataType"), "5");
    EXPECT_EQ(section.value("ParameterValue"), nullptr) << "only spaces are trimmed, not the tab";
    EXPECT_EQ(section.value("SubNumber"), nullptr);
}

TEST_F(DCFLines, PlaceholderTrimmingAndLowerCaseHeaders)
{
    DCFFile file;
    ASSERT_TRUE(file.loadText("  ; note  \n[1A00SUB2]  \n  Key = Value \n\n \t \n[6000Sub1]\n"));
    const std::vector<std::string> expected = {"", "; note", "[1a00sub2]", "Key = Value", "", "\t", "[6000Sub1]"};
    EXPECT_EQ(file.lines(), expected) << "the last header stays as written: no section was read from it";
}

TEST_F(DCFLines, TrimBlanksTakesSpacesOnly)
{
    EXPECT_EQ(trimBlanks(""), "");
    EXPECT_EQ(trimBlanks("    "), "");
    EXPECT_EQ(trimBlanks("  a b  "), "a b");
    EXPECT_EQ(trimBlanks("\ta\r"), "\ta\r");
    EXPECT_EQ(trimBlanks(" 5\r"), "5\r");
}

TEST_F(DCFLineEnds, CrLfGivesTheSameSectionsAndFrames)
{
    const std::string lf = "; KAVRO KS-40 configuration\n"
                           "[2001sub3]\nDataType=0x0007\nParameterValue=0x12345678\n\n"
                           "[1017]\nDataType=0x0006\nParameterValue=1000\n"
                           "[2100sub1]\nDataType=5\nParameterValue=-1\n"
                           "[2200]\nSubNumber=0x2\nDataType=5\nParameterValue=7\n";
    DCFFile lfFile;
    DCFFile crLfFile;
    ASSERT_TRUE(lfFile.loadText(lf));
    ASSERT_TRUE(crLfFile.loadText(withCrLf(lf)));
    ASSERT_EQ(crLfFile.sections().size(), 4u);
    ASSERT_EQ(lfFile.sections().size(), 4u);

    // Key lines keep their CR; a header's sub-entry text loses it and keeps the "]".
    EXPECT_EQ(describe(crLfFile), "2001@2 DataType=0x0007\r|ParameterValue=0x12345678\r|SubNumber=3]"
                                 " / 1017@6 DataType=0x0006\r|ParameterValue=1000\r"
                                 " / 2100@9 DataType=5\r|ParameterValue=-1\r|SubNumber=1]"
                                 " / 2200@12 SubNumber=0x2\r|DataType=5\r|ParameterValue=7\r");
    for (std::size_t s = 0; s < 4; ++s) {
        SCOPED_TRACE(s);
        CanFrame fromLf;
        CanFrame fromCrLf;
        std::vector<std::string> problems;
        buildDownloadFrame(lfFile.sections()[s], 5, fromLf, &problems);
        buildDownloadFrame(crLfFile.sections()[s], 5, fromCrLf, &problems);
        EXPECT_EQ(std::memcmp(fromLf.data, fromCrLf.data, 8), 0);
        EXPECT_TRUE(problems.empty()) << problems.front();
    }
    CanFrame first;
    buildDownloadFrame(crLfFile.sections()[0], 5, first);
    const std::uint8_t expected[8] = {0x23, 0x01, 0x20, 0x03, 0x78, 0x56, 0x34, 0x12};
    EXPECT_EQ(std::memcmp(first.data, expected, 8), 0);
}

TEST_F(DCFLoad, FromDiskAndReplacingTheContent)
{
    TemporaryDirectory dir;
    const std::string first = dir.write("first.dcf", "[1000]\r\nA=1\r\n[2000]\r\nB=2\r\n");
    const std::string second = dir.write("second.dcf", "[3000]\nC=3\n");
    const std::string headerless = dir.write("headerless.dcf", "C=3\n");

    DCFFile file;
    ASSERT_TRUE(file.load(first));
    EXPECT_EQ(file.path(), first);
    EXPECT_EQ(describe(file), "1000@1 A=1\r / 2000@3 B=2\r");

    ASSERT_TRUE(file.load(second));
    EXPECT_EQ(describe(file), "3000@1 C=3");
    EXPECT_EQ(file.lines().size(), 3u) << "no line of the first file is left";

    EXPECT_FALSE(file.load(headerless));
    EXPECT_EQ(file.path(), headerless);
    EXPECT_TRUE(file.sections().empty());
}

TEST_F(DCFLoad, FileThatCannotBeOpened)
{
    TemporaryDirectory dir;
    const std::string good = dir.write("good.dcf", "[1000]\nA=1\n");
    const std::string missing = dir.file("missing.dcf");
    DCFFile file;
    EXPECT_EQ(diagnosticsOf([&] { EXPECT_TRUE(file.load(good)); }), "parsed all sections\n");
    EXPECT_EQ(diagnosticsOf([&] { EXPECT_FALSE(file.load(missing)); }), "Could not open file - '" + missing + "'\n");
    EXPECT_TRUE(file.sections().empty());
    EXPECT_EQ(file.lines(), std::vector<std::string>{""});
    EXPECT_EQ(file.path(), missing);
}

TEST_F(DCFLoad, HugeFileWithoutLineFeed)
{
    DCFFile file;
    const std::string noHeader(4 << 20, 'a');
    EXPECT_FALSE(file.loadText(noHeader));
    EXPECT_EQ(file.lines().size(), 2u);

    EXPECT_TRUE(file.loadText("[" + noHeader)) << "a header, on the last line";
    EXPECT_TRUE(file.sections().empty());

    EXPECT_TRUE(file.loadText("[1000sub" + noHeader + "\n" + noHeader + "=1"));
    ASSERT_EQ(file.sections().size(), 1u);
    EXPECT_EQ(file.sections()[0].values, (std::vector<std::string>{"1", noHeader.substr(1)}));
}

// Real files of public CANopen projects, byte for byte (see the folder's README.md).
namespace {

std::string publicFolder()
{
#ifdef VELDRIS_SOURCE_DIR
    const std::string folder = VELDRIS_SOURCE_DIR "/../shared/testdata/dcf-public";
    if (std::filesystem::is_directory(folder))
        return folder;
#endif
    return {};
}

} // namespace

TEST_F(DCFPublicFiles, LoadIntoOneSectionPerHeader)
{
    const std::string folder = publicFolder();
    if (folder.empty())
        GTEST_SKIP() << "public DCF files not found";
    const std::map<std::string, std::size_t> headers = {
        {"lely-co-sdev.dcf", 37},
        {"lely-coctl.dcf", 55},
        {"python-canopen-sample.eds", 127},
        {"python-canopen-e35.eds", 1112},
        {"canopennode-DS301_profile.eds", 200},
    };
    for (const auto& [name, count] : headers) {
        SCOPED_TRACE(name);
        DCFFile file;
        ASSERT_TRUE(file.load(folder + "/" + name));
        EXPECT_EQ(file.sections().size(), count);
        std::int32_t previous = 0;
        for (const DCFSection& section : file.sections()) {
            SCOPED_TRACE(section.headerLine);
            EXPECT_EQ(section.index.size(), 4u);
            EXPECT_GT(section.headerLine, previous);
            previous = section.headerLine;
            const std::string& header = file.lines().at(static_cast<std::size_t>(section.headerLine));
            EXPECT_EQ(header.front(), '[');
            EXPECT_TRUE(std::none_of(header.begin(), header.end(), [](char c) { return c >= 'A' && c <= 'Z'; }));
            EXPECT_EQ(section.keys.size(), section.values.size());
            if (header.find("sub") != std::string::npos) {
                EXPECT_NE(section.value("SubNumber"), nullptr);
            }
        }
    }
}

TEST_F(DCFPublicFiles, CrLfFileReadsLikeItsLfCopy)
{
    const std::string folder = publicFolder();
    if (folder.empty())
        GTEST_SKIP() << "public DCF files not found";
    const std::string bytes = readFile(folder + "/python-canopen-sample.eds");
    ASSERT_NE(bytes.find("\r\n"), std::string::npos);
    DCFFile crLfFile;
    DCFFile lfFile;
    ASSERT_TRUE(crLfFile.loadText(bytes));
    ASSERT_TRUE(lfFile.loadText(withoutCr(bytes)));
    ASSERT_EQ(crLfFile.sections().size(), lfFile.sections().size());
    for (std::size_t s = 0; s < lfFile.sections().size(); ++s) {
        const DCFSection& a = lfFile.sections()[s];
        const DCFSection& b = crLfFile.sections()[s];
        SCOPED_TRACE(a.headerLine);
        EXPECT_EQ(a.keys, b.keys);
        CanFrame fromLf;
        CanFrame fromCrLf;
        std::vector<std::string> problemsLf;
        std::vector<std::string> problemsCrLf;
        buildDownloadFrame(a, 5, fromLf, &problemsLf);
        buildDownloadFrame(b, 5, fromCrLf, &problemsCrLf);
        EXPECT_EQ(std::memcmp(fromLf.data, fromCrLf.data, 8), 0);
        EXPECT_EQ(problemsLf, problemsCrLf);
    }
}
