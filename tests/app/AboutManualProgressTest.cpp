// The About box, the manual, and following a worker thread from the window.

#include "app/TAboutDialog.h"
#include "app/TVeldrisForm.h"
#include "app/WaitForWorker.h"
#include "common/DataDirectory.h"
#include "common/GUIProgress.h"
#include "common/VersionInfo.h"

#include "FakeUiServices.h"
#include "GuiFixture.h"
#include "GuiTestData.h"
#include "GuiTestMain.h"

#include <QElapsedTimer>
#include <QLabel>
#include <QPlainTextEdit>
#include <QProgressBar>

#include <memory>
#include <thread>

namespace {

// Starts a worker that reports `count` lines named after `prefix`, with progress, and ends.
std::thread startWorker(veldris::GUIProgress& progress, const std::string& prefix, int count)
{
    progress.running = true;
    return std::thread([&progress, prefix, count] {
        for (int i = 1; i <= count; ++i) {
            progress.addLine(prefix + std::to_string(i));
            progress.setProgress(static_cast<std::uint32_t>(100 * i / count));
        }
        progress.running = false;
    });
}

} // namespace

class AboutManualProgressTest : public QObject, private GuiFixture {
    Q_OBJECT

private slots:
    void init() { setUp(false); }
    void cleanup() { tearDown(); }

    void aboutTextsFollowTheLanguage_data()
    {
        QTest::addColumn<QString>("language");
        QTest::addColumn<QString>("caption");
        QTest::addColumn<QString>("version");
        QTest::addColumn<QString>("created");
        QTest::addColumn<QString>("country");
        QTest::newRow("de") << "de" << QString::fromUtf8("Über") << "Version" << "Erstellt" << "Deutschland";
        QTest::newRow("en") << "en" << "About" << "Version" << "Created" << "Germany";
        QTest::newRow("cn") << "cn" << QString::fromUtf8("关于") << QString::fromUtf8("版本")
                            << QString::fromUtf8("编译于") << QString::fromUtf8("德国");
        QTest::newRow("jp") << "jp" << "About" << "Version" << "Created" << "Germany";
        QTest::newRow("empty") << "" << "About" << "Version" << "Created" << "Germany";
    }

    void aboutTextsFollowTheLanguage()
    {
        QFETCH(QString, language);
        QFETCH(QString, caption);
        QFETCH(QString, version);
        QFETCH(QString, created);
        QFETCH(QString, country);
        form->currentLanguage = language.toStdString();
        form->Help2->trigger();
        QCOMPARE(ui->modalDialogs.size(), 1);
        TAboutDialog* about = form->AboutDialog;
        QCOMPARE(about->language, language.toStdString());
        QCOMPARE(about->windowTitle(), caption);
        QCOMPARE(about->Label2->text(), version);
        QCOMPARE(about->Label5->text(), created);
        QCOMPARE(about->Label4->text(), country);
    }

    void aboutShowsTheBuildsVersionInformation()
    {
        form->Help2->trigger();
        TAboutDialog* about = form->AboutDialog;
        const veldris::VersionParts parts = veldris::splitVersion(veldris::versionValue("FileVersion"));
        QCOMPARE(about->lblTitle->text(), QStringLiteral("KAVRO Veldris"));
        QCOMPARE(about->lblVersion->text(), QString::fromStdString(parts.mainVersion + " / " + parts.buildNumber));
        QVERIFY(about->lblVersion->text().count(u'.') == 2);
        QVERIFY(!about->lblDate->text().isEmpty());
        QVERIFY(!about->lblDate->text().contains(u' '));
        QVERIFY(about->lblCopyright->text().contains(QStringLiteral("KAVRO GmbH")));
        QVERIFY(!about->ImageLogo->pixmap().isNull());
    }

    void manualInTheLanguageElseEnglish_data()
    {
        QTest::addColumn<QString>("language");
        QTest::addColumn<QStringList>("existing");
        QTest::addColumn<QStringList>("tried");
        QTest::newRow("Chinese manual there") << "cn" << QStringList{"_CN", "_EN"} << QStringList{"_CN"};
        QTest::newRow("Chinese manual missing") << "cn" << QStringList{"_EN"} << QStringList{"_CN", "_EN"};
        QTest::newRow("no manual at all") << "de" << QStringList{} << QStringList{"_DE", "_EN"};
        QTest::newRow("no language chosen yet") << "" << QStringList{"_EN"} << QStringList{"_", "_EN"};
    }

    void manualInTheLanguageElseEnglish()
    {
        QFETCH(QString, language);
        QFETCH(QStringList, existing);
        QFETCH(QStringList, tried);
        const QString prefix = QString::fromStdString(veldris::dataPath("doc/Operating Manual KAVRO Veldris"));
        for (const QString& suffix : existing)
            ui->existingDocuments << prefix + suffix + QStringLiteral(".pdf");
        form->currentLanguage = language.toStdString();
        form->Manual1->trigger();
        QStringList expected;
        for (const QString& suffix : tried)
            expected << prefix + suffix + QStringLiteral(".pdf");
        QCOMPARE(ui->openedDocuments, expected);
        QVERIFY(ui->messages.isEmpty());
    }

    void waitForWorkerShowsEveryLineOnceInOrder()
    {
        QPlainTextEdit output;
        QProgressBar bar;
        veldris::GUIProgress progress;
        std::uint32_t shown = 0;
        QElapsedTimer clock;
        clock.start();
        std::thread worker = startWorker(progress, "line ", 30);
        waitForWorker(progress, &output, &bar, shown);
        worker.join();
        QStringList expected;
        for (int i = 1; i <= 30; ++i)
            expected << QStringLiteral("line %1").arg(i);
        QCOMPARE(output.toPlainText().split(u'\n'), expected);
        QCOMPARE(shown, 30u);
        QCOMPARE(bar.value(), 100);
        QVERIFY2(clock.elapsed() >= 2900, "at most one line per 100 ms pass"); // about three seconds
    }

    void consecutiveWorkersShareTheCounter()
    {
        QPlainTextEdit output;
        veldris::GUIProgress progress;
        std::uint32_t shown = 0;
        for (const char* module : {"boot ", "app "}) {
            std::thread worker = startWorker(progress, module, 3);
            waitForWorker(progress, &output, nullptr, shown);
            worker.join();
        }
        QCOMPARE(output.toPlainText().split(u'\n'),
                 QStringList({"boot 1", "boot 2", "boot 3", "app 1", "app 2", "app 3"}));
    }

    void workerThatFailsAtOnceEndsTheWait()
    {
        QPlainTextEdit output;
        veldris::GUIProgress progress;
        std::uint32_t shown = 0;
        progress.running = true;
        std::thread worker([&progress] { progress.running = false; });
        waitForWorker(progress, &output, nullptr, shown);
        worker.join();
        QCOMPARE(shown, 0u);
        QVERIFY(output.toPlainText().isEmpty());
    }
};

VELDRIS_GUI_TEST_MAIN(AboutManualProgressTest)
#include "AboutManualProgressTest.moc"
