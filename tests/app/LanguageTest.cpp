// Start-up language, the language menu and the translation of captions and message slots.

#include "app/TAboutDialog.h"
#include "app/TVeldrisForm.h"
#include "common/MessageSlots.h"

#include "FakeUiServices.h"
#include "GuiTestData.h"
#include "GuiTestMain.h"

#include <QAction>
#include <QGroupBox>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QTreeWidget>

#include <filesystem>
#include <memory>
#include <sstream>

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

private slots:
    void init()
    {
        ui.reset();
        data.reset();
        data = std::make_unique<GuiTestData>();
        ui = std::make_unique<FakeUiServices>();
    }

    // A missing settings file starts with English checked but no language (captions and
    // messages untranslated) and is written.
    void storedLanguageIsAppliedAtStart_data()
    {
        QTest::addColumn<QString>("language"); // "missing": no settings file
        QTest::addColumn<QString>("checked");
        QTest::addColumn<QString>("openCaption");
        QTest::addColumn<QString>("changedNodeId");
        QTest::newRow("German") << "de" << "German1" << QString::fromUtf8("Öffnen") << QString::fromUtf8("Knoten-ID geändert");
        QTest::newRow("Chinese") << "cn" << "Chinese1" << QString::fromUtf8("打开") << QString::fromUtf8("节点 ID 已更改");
        QTest::newRow("Japanese has no catalogue") << "jp" << "" << "Open" << "Changed Node ID";
        QTest::newRow("no language") << "" << "" << "Open" << "Changed Node ID";
        QTest::newRow("no settings") << "missing" << "English1" << "Open" << "Changed Node ID";
    }

    void storedLanguageIsAppliedAtStart()
    {
        QFETCH(QString, language);
        QFETCH(QString, checked);
        QFETCH(QString, openCaption);
        QFETCH(QString, changedNodeId);
        const bool missing = language == QStringLiteral("missing");
        if (!missing)
            data->writeSettings(language.isEmpty() ? "[lastSession]\n" : "[lastSession]\r\nlanguage=" + language.toStdString() + "\r\n");
        TVeldrisForm form;
        for (QAction* item : {form.German1, form.English1, form.Chinese1, form.Japanese1})
            QCOMPARE(item->isChecked(), item->objectName() == checked);
        QCOMPARE(form.FWLoadBtn->text(), openCaption);
        QCOMPARE(slot(Message::ChangedNodeId), changedNodeId);
        if (missing) {
            QVERIFY(form.currentLanguage.empty());
            QCOMPARE(data->settings(), std::string("[lastSession]\r\nlanguage = en\r\n"));
        }
    }

    // Captions are found by their controls' design names: a control that lost its name, or a
    // caption row that misspells it, keeps its English text. A catalogue that marks every
    // translation shows such a caption on the pages of the tree, in the menu and the lists.
    void everyCaptionIsTranslated()
    {
        QStringList sources;
        std::string marked;
        std::istringstream english(data->dir.read("lang/en.po"));
        for (std::string line; std::getline(english, line);) {
            if (line.rfind("msgid \"", 0) != 0 || line.size() < 9)
                continue;
            const std::string source = line.substr(7, line.size() - 8);
            sources << QString::fromStdString(source);
            marked += line + "\nmsgstr \"#" + source + "\"\n";
        }
        data->writeCatalogue("de_DE.po", marked);
        TVeldrisForm form;
        form.German1->trigger();
        QStringList untranslated;
        for (QObject* control : form.findChildren<QObject*>()) {
            auto* widget = qobject_cast<QWidget*>(control);
            if (form.ControlsTab->isAncestorOf(widget) || form.DebugTab->isAncestorOf(widget)
                || form.AboutDialog->isAncestorOf(widget))
                continue; // the service pages and the About box have no caption rows
            QStringList captions = {control->property("text").toString(), control->property("title").toString()};
            if (auto* list = qobject_cast<QTreeWidget*>(control))
                for (int column = 0; column < list->columnCount(); ++column)
                    captions << list->headerItem()->text(column);
            for (const QString& caption : captions)
                if (sources.contains(caption))
                    untranslated << control->objectName() + QStringLiteral(": ") + caption;
        }
        QVERIFY2(untranslated.isEmpty(), qPrintable(untranslated.join(QStringLiteral(", "))));
        QCOMPARE(form.ErrorOutput->headerItem()->text(3), QStringLiteral("#Value")); // the catalogue was used
    }

    // The menu loads each language's catalogue; captions, message slots and the settings follow.
    void menuSwitchesCaptionsMessagesAndSettings()
    {
        TVeldrisForm form;
        form.DCFFilepathInput->setText(QStringLiteral("/home/tech/sensor.dcf"));
        form.German1->trigger();
        QCOMPARE(form.currentLanguage, std::string("de"));
        QCOMPARE(form.DCFFilepathInput->text(), QString::fromUtf8("Kein Pfad ausgewählt")); // every translation resets it
        QCOMPARE(slot(Message::BitrateChangedTo), QString::fromUtf8("Bitrate geändert auf "));
        QCOMPARE(data->settings(), std::string("[lastSession]\r\nlanguage = de\r\n"));

        form.Chinese1->trigger();
        QCOMPARE(form.NodeIdGroupBox->title(), QString::fromUtf8("节点 ID"));
        QCOMPARE(slot(Message::ChecksumSaved), QString::fromUtf8("校验和已保存到设备！"));
        QCOMPARE(data->settings(), std::string("[lastSession]\r\nlanguage = cn\r\n"));

        form.English1->trigger();
        QCOMPARE(form.NodeIdGroupBox->title(), QStringLiteral("Node ID"));
        QCOMPARE(slot(Message::ChecksumSaved), QStringLiteral("Checksum saved to device!"));
        // Window caption, tree nodes, bit-rate items and the language menu are never translated.
        QCOMPARE(form.windowTitle(), QStringLiteral("KAVRO Veldris"));
        QCOMPARE(form.German1->text(), QStringLiteral("Deutsch"));
    }

    // The table is not cleared between catalogues: entries the new one lacks keep the old
    // text, and a missing catalogue changes no caption but still switches the language.
    // Japanese, not offered in the menu, is only remembered.
    void catalogueEntriesStayUntilReplaced()
    {
        data->writeCatalogue("de_DE.po", "msgid \"Open\"\nmsgstr \"\xC3\x96" "ffnen\"\nmsgid \"Save\"\nmsgstr \"Speichern\"\n");
        data->writeCatalogue("en.po", "msgid \"Open\"\nmsgstr \"Open\"\n");
        std::filesystem::remove(data->dir.file("lang/cn.po"));
        TVeldrisForm form;
        form.German1->trigger();
        form.English1->trigger();
        form.Chinese1->trigger();
        QCOMPARE(form.currentLanguage, std::string("cn"));
        QCOMPARE(form.DCFLoadBtn->text() + u'/' + form.ErrorLogSaveBtn->text(), QStringLiteral("Open/Speichern"));
        form.German1->trigger();
        QVERIFY(!form.Japanese1->isEnabled());
        form.ChangeLanguage_JP();
        QCOMPARE(form.currentLanguage, std::string("jp"));
        QCOMPARE(form.DCFLoadBtn->text(), QString::fromUtf8("Öffnen"));
        QCOMPARE(data->settings(), std::string("[lastSession]\r\nlanguage = jp\r\n"));
    }
};

int main(int argc, char** argv) { return runGuiTest<LanguageTest>(argc, argv); }
#include "LanguageTest.moc"
