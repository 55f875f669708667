// Start-up language, the language menu and the translation of captions and message slots.

#include "app/AppState.h"
#include "app/TVeldrisForm.h"
#include "common/MessageSlots.h"

#include "FakeUiServices.h"
#include "GuiTestData.h"
#include "GuiTestMain.h"

#include <QAction>
#include <QGroupBox>
#include <QLineEdit>
#include <QPushButton>

#include <filesystem>
#include <memory>

using veldris::Message;

class LanguageTest : public QObject {
    Q_OBJECT

    std::unique_ptr<GuiTestData> data;
    std::unique_ptr<FakeUiServices> ui;

private slots:
    void init()
    {
        ui.reset();
        data.reset();
        data = std::make_unique<GuiTestData>();
        ui = std::make_unique<FakeUiServices>();
    }

    // Without a settings file the window starts with English checked but no language loaded,
    // and writes the file. The menu loads each language's
    // catalogue; captions, message slots and the settings follow.
    void menuSwitchesCaptionsMessagesAndSettings()
    {
        AppState state(data->folder());
        TVeldrisForm form(state);
        QVERIFY(form.English1->isChecked() && form.currentLanguage.empty());
        QCOMPARE(data->settings(), std::string("[lastSession]\r\nlanguage = en\r\n"));
        form.DCFFilepathInput->setText(QStringLiteral("/home/tech/sensor.dcf"));
        form.German1->trigger();
        QCOMPARE(form.currentLanguage, std::string("de"));
        QVERIFY(form.German1->isChecked() && !form.English1->isChecked());
        QCOMPARE(form.FWLoadBtn->text(), QString::fromUtf8("Öffnen"));
        // Every translation resets the path.
        QCOMPARE(form.DCFFilepathInput->text(), QString::fromUtf8("Kein Pfad ausgewählt"));
        QCOMPARE(veldris::message(Message::BitrateChangedTo, state.translations), std::string("Bitrate geändert auf "));
        QCOMPARE(data->settings(), std::string("[lastSession]\r\nlanguage = de\r\n"));

        form.English1->trigger();
        QCOMPARE(form.NodeIdGroupBox->title(), QStringLiteral("Node ID"));
        QCOMPARE(veldris::message(Message::ChecksumSaved, state.translations), std::string("Checksum saved to device!"));
    }

    // The stored language is applied at start. The table is not cleared between catalogues:
    // entries the new one lacks keep the old text, and a missing catalogue changes no caption
    // but still switches the language. Japanese, not offered in the menu, is only remembered.
    void catalogueEntriesStayUntilReplaced()
    {
        data->writeCatalogue("de_DE.po", "msgid \"Open\"\nmsgstr \"\xC3\x96"
                                         "ffnen\"\nmsgid \"Save\"\nmsgstr \"Speichern\"\n");
        data->writeCatalogue("en.po", "msgid \"Open\"\nmsgstr \"Open\"\n");
        std::filesystem::remove(data->dir.file("lang/cn.po"));
        data->writeSettings("[lastSession]\r\nlanguage=de\r\n");
        AppState state(data->folder());
        TVeldrisForm form(state);
        QVERIFY(form.German1->isChecked() && !form.English1->isChecked());
        form.English1->trigger();
        form.Chinese1->trigger();
        QCOMPARE(form.currentLanguage, std::string("cn"));
        QCOMPARE(form.DCFLoadBtn->text() + u'/' + form.ErrorLogSaveBtn->text(), QStringLiteral("Open/Speichern"));
        form.German1->trigger();
        form.ChangeLanguage_JP();
        QCOMPARE(form.currentLanguage, std::string("jp"));
        QCOMPARE(form.DCFLoadBtn->text(), QString::fromUtf8("Öffnen"));
        QCOMPARE(data->settings(), std::string("[lastSession]\r\nlanguage = jp\r\n"));
    }
};

int main(int argc, char** argv)
{
    return runGuiTest<LanguageTest>(argc, argv);
}
#include "LanguageTest.moc"
