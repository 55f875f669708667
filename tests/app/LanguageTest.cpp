// Start-up language, the language menu and the translation of captions and message slots.

#include "app/TVeldrisForm.h"
#include "common/MessageSlots.h"

#include "FakeUiServices.h"
#include "GuiTestData.h"
#include "GuiTestMain.h"

#include <QAction>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QTreeWidget>

#include <filesystem>
#include <memory>

using veldris::Message;

namespace {

QString slot(Message which)
{
    return QString::fromStdString(veldris::message(which));
}

} // namespace

class LanguageTest : public QObject {
    Q_OBJECT

    std::unique_ptr<GuiTestData> data;
    std::unique_ptr<FakeUiServices> ui;

    std::unique_ptr<TVeldrisForm> makeForm() { return std::make_unique<TVeldrisForm>(); }

private slots:
    void init()
    {
        data = std::make_unique<GuiTestData>();
        ui = std::make_unique<FakeUiServices>();
    }

    void cleanup()
    {
        ui.reset();
        data.reset();
    }

    void missingSettingsStartInEnglishAndWriteTheFile()
    {
        auto form = makeForm();
        QVERIFY(form->English1->isChecked());
        QVERIFY(form->currentLanguage.empty());
        QCOMPARE(form->DCFLoadBtn->text(), QStringLiteral("Open"));
        QCOMPARE(form->File1->title(), QStringLiteral("File"));
        QCOMPARE(form->DCFFilepathInput->text(), QStringLiteral("No path selected"));
        QCOMPARE(slot(Message::NodeIdOutOfRange), QStringLiteral("Only range 1 - 127 allowed."));
        QCOMPARE(data->settings(), std::string("[lastSession]\r\nlanguage = en\r\n"));
    }

    void storedLanguageIsAppliedAtStart_data()
    {
        QTest::addColumn<QString>("settings");
        QTest::addColumn<QString>("checked");
        QTest::addColumn<QString>("openCaption");
        QTest::addColumn<QString>("changedNodeId");
        QTest::newRow("German") << "[lastSession]\r\nlanguage=de\r\n" << "German1" << QString::fromUtf8("Öffnen")
                                << QString::fromUtf8("Knoten-ID geändert");
        QTest::newRow("section in capitals") << "[LASTSESSION]\nlanguage=de\n" << "German1"
                                             << QString::fromUtf8("Öffnen") << QString::fromUtf8("Knoten-ID geändert");
        QTest::newRow("Chinese") << "[lastSession]\nlanguage=cn\n" << "Chinese1" << QString::fromUtf8("打开")
                                 << QString::fromUtf8("节点 ID 已更改");
        QTest::newRow("Japanese has no catalogue") << "[lastSession]\nlanguage=jp\n" << "" << "Open"
                                                   << "Changed Node ID";
        QTest::newRow("no language") << "[lastSession]\n" << "" << "Open" << "Changed Node ID";
    }

    void storedLanguageIsAppliedAtStart()
    {
        QFETCH(QString, settings);
        QFETCH(QString, checked);
        QFETCH(QString, openCaption);
        QFETCH(QString, changedNodeId);
        data->writeSettings(settings.toStdString());
        auto form = makeForm();
        for (QAction* item : {form->German1, form->English1, form->Chinese1, form->Japanese1})
            QCOMPARE(item->isChecked(), item->objectName() == checked);
        for (QPushButton* button : {form->DCFLoadBtn, form->FWLoadBtn, form->ErrorLogLoadBtn})
            QCOMPARE(button->text(), openCaption);
        QCOMPARE(slot(Message::ChangedNodeId), changedNodeId);
    }

    void menuSwitchesCaptionsMessagesAndSettings()
    {
        auto form = makeForm();
        form->German1->trigger();
        QVERIFY(form->German1->isChecked());
        QCOMPARE(form->currentLanguage, std::string("de"));
        QCOMPARE(form->Help1->title(), QStringLiteral("Hilfe"));
        QCOMPARE(form->ErrorOutput->headerItem()->text(0), QStringLiteral("Zeitstempel"));
        QCOMPARE(slot(Message::BitrateChangedTo), QString::fromUtf8("Bitrate geändert auf "));
        QCOMPARE(data->settings(), std::string("[lastSession]\r\nlanguage = de\r\n"));

        form->Chinese1->trigger();
        QVERIFY(!form->German1->isChecked());
        QCOMPARE(form->NodeIdGroupBox->title(), QString::fromUtf8("节点 ID"));
        QCOMPARE(slot(Message::ChecksumSaved), QString::fromUtf8("校验和已保存到设备！"));
        QCOMPARE(data->settings(), std::string("[lastSession]\r\nlanguage = cn\r\n"));

        form->English1->trigger();
        QCOMPARE(form->NodeIdGroupBox->title(), QStringLiteral("Node ID"));
        QCOMPARE(slot(Message::ChecksumSaved), QStringLiteral("Checksum saved to device!"));
        // Texts with a line break can never be matched and stay English in every language.
        QCOMPARE(slot(Message::CobIdNotActive), QStringLiteral("The COB ID is not active.\nShould it be activated?"));
        // Window caption, tree nodes, bit-rate items and the language menu are never translated.
        QCOMPARE(form->windowTitle(), QStringLiteral("KAVRO Veldris"));
        QCOMPARE(form->German1->text(), QStringLiteral("Deutsch"));
    }

    void entriesMissingFromTheNewCatalogueKeepTheOldText()
    {
        data->writeCatalogue("de_DE.po", "msgid \"Open\"\nmsgstr \"\xC3\x96" "ffnen\"\nmsgid \"Save\"\nmsgstr \"Speichern\"\n"
                                         "msgid \"Load\"\nmsgstr \"\"\n");
        data->writeCatalogue("en.po", "msgid \"Open\"\nmsgstr \"Open\"\n");
        auto form = makeForm();
        form->German1->trigger();
        QCOMPARE(form->DCFLoadBtn->text(), QString::fromUtf8("Öffnen"));
        QCOMPARE(form->CRCLoadBtn->text(), QString()); // an empty translation wins
        form->English1->trigger();
        QCOMPARE(form->DCFLoadBtn->text(), QStringLiteral("Open"));
        QCOMPARE(form->ErrorLogSaveBtn->text(), QStringLiteral("Speichern"));
    }

    void missingCatalogueKeepsTheCaptions()
    {
        std::filesystem::remove(data->dir.file("lang/cn.po"));
        auto form = makeForm();
        form->Chinese1->trigger();
        QCOMPARE(form->DCFLoadBtn->text(), QStringLiteral("Open"));
        QCOMPARE(form->currentLanguage, std::string("cn"));
    }

    void everyTranslationResetsThePathField()
    {
        auto form = makeForm();
        form->DCFFilepathInput->setText(QStringLiteral("/home/tech/sensor.dcf"));
        form->German1->trigger();
        QCOMPARE(form->DCFFilepathInput->text(), QStringLiteral("Kein Pfad ausgewählt"));
    }

    void japaneseIsOnlyRemembered()
    {
        auto form = makeForm();
        QVERIFY(!form->Japanese1->isEnabled());
        form->German1->trigger();
        form->ChangeLanguage_JP();
        QCOMPARE(form->currentLanguage, std::string("jp"));
        QCOMPARE(form->DCFLoadBtn->text(), QString::fromUtf8("Öffnen"));
        QCOMPARE(data->settings(), std::string("[lastSession]\r\nlanguage = jp\r\n"));
    }
};

VELDRIS_GUI_TEST_MAIN(LanguageTest)
#include "LanguageTest.moc"
