#include "common/MessageSlots.h"
#include "common/Translations.h"

#include <gtest/gtest.h>

#include <sstream>
#include <tuple>

using veldris::Message;
using veldris::Translations;

namespace {

Translations fromText(const std::string& catalogue)
{
    Translations table;
    std::istringstream in(catalogue);
    table.read(in);
    return table;
}

} // namespace

TEST(Translations, EntryTextRules)
{
    const std::tuple<const char*, const char*, const char*> cases[] = {
        // Only single-line msgid / msgstr pairs count: comments, the header's continuation
        // lines and blank lines go; UTF-8 stays as it is. (An unknown text staying English and trailing
        // blanks being kept show in the message slots and the shipped catalogues below.)
        {"# comment\nmsgid \"\"\nmsgstr \"\"\n\"Content-Type: text/plain; charset=UTF-8\\n\"\n\n"
         "msgid \"Open\"\nmsgstr \"\xC3\x96"
         "ffnen\"\n",
         "Open",
         "\xC3\x96"
         "ffnen"},
        {"msgid \"Save\"\n\"continuation lines are ignored\"\nmsgstr \"Speichern\"\n", "Save", "Speichern"},
        // An empty translation wins over the English source.
        {"msgid \"Load\"\nmsgstr \"\"\n", "Load", ""},
        // Every quotation mark goes, wherever it stands; no escape is decoded: backslash-n stays
        // two characters.
        {"msgid \"Say \"hi\"\"\nmsgstr \"Sag \"hallo\"\"\n", "Say hi", "Sag hallo"},
        {"msgid \"A\\nB\"\nmsgstr \"X\"\n", "A\\nB", "X"},
        // CR LF catalogues: the CR is part of the line end, not of the text.
        {"msgid \"Get\"\r\nmsgstr \"Abrufen\"\r\n", "Get", "Abrufen"},
        // Lines too short to hold text give empty texts, not a crash.
        {"msgid \nmsgstr \n", "", ""},
    };
    for (const auto& [catalogue, source, expected] : cases)
        EXPECT_EQ(fromText(catalogue).translate(source), expected) << catalogue;
}

TEST(MessageSlots, FilledFromTheTableAndLineBreakSourcesStayEnglish)
{
    const veldris::Translations table =
        fromText("msgid \"Errorlog missing\"\nmsgstr \"Fehlerspeicher fehlt\"\n"
                 "msgid \"The COB ID is not active.\\nShould it be activated?\"\nmsgstr \"nie\"\n");
    // Both error-log handlers have their own slot with the same source.
    EXPECT_EQ(veldris::message(Message::ReadErrorlogMissing, table), "Fehlerspeicher fehlt");
    EXPECT_EQ(veldris::message(Message::OpenErrorlogMissing, table), "Fehlerspeicher fehlt");
    EXPECT_EQ(veldris::message(Message::CobIdNotActive, table), "The COB ID is not active.\nShould it be activated?");
}

TEST(Catalogues, ShippedCataloguesTranslateEveryMessageAMissingOneNothing)
{
    for (const char* name : {"de_DE.po", "cn.po", "en.po"}) {
        SCOPED_TRACE(name);
        const bool english = std::string(name) == "en.po";
        Translations table;
        ASSERT_TRUE(table.load(std::string(VELDRIS_SOURCE_DIR "/resources/lang/") + name));
        for (int slot = 1; slot <= veldris::messageSlotCount; ++slot) {
            const std::string source = veldris::messageSource(static_cast<Message>(slot));
            if (source.find('\n') != std::string::npos)
                continue; // can never be matched
            const std::string text = table.translate(source);
            EXPECT_FALSE(text.empty()) << source;
            EXPECT_EQ(text == source, english) << source;
            // A text that ends in a blank is followed by a value: the blank must stay.
            EXPECT_EQ(text.back() == ' ', source.back() == ' ') << source;
        }
    }
    // A missing catalogue leaves the table as it was and says so on standard error. (Loading one
    // catalogue over another is checked through the window's language menu.)
    Translations table = fromText("msgid \"Open\"\nmsgstr \"Oeffnen\"\n");
    testing::internal::CaptureStderr();
    EXPECT_FALSE(table.load("/nonexistent/lang/de_DE.po"));
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "Failed to open translation file.\n");
    EXPECT_EQ(table.translate("Open"), "Oeffnen");
}
