// The About box, the manual, and following a worker thread from the window.

#include "app/TAboutDialog.h"
#include "app/WaitForWorker.h"
#include "common/DataDirectory.h"
#include "common/GUIProgress.h"

#include "GuiFixture.h"
#include "GuiTestMain.h"

#include <QElapsedTimer>
#include <QLabel>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QRegularExpression>

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

    // The About box, shown modally: its fixed texts follow the language (one without texts of
    // its own gets English), its values come from the build.
    void aboutBox_data()
    {
        QTest::addColumn<QString>("language");
        QTest::addColumn<QStringList>("texts"); // caption, "Version", "Created", country
        QTest::newRow("de") << "de" << QStringList{QString::fromUtf8("Über"), "Version", "Erstellt", "Deutschland"};
        QTest::newRow("en") << "en" << QStringList{"About", "Version", "Created", "Germany"};
        QTest::newRow("cn") << "cn" << QString::fromUtf8("关于,版本,编译于,德国").split(u',');
        QTest::newRow("jp") << "jp" << QStringList{"About", "Version", "Created", "Germany"};
    }

    void aboutBox()
    {
        QFETCH(QString, language);
        QFETCH(QStringList, texts);
        form->currentLanguage = language.toStdString();
        form->Help2->trigger();
        QCOMPARE(ui->modalDialogs.size(), 1);
        TAboutDialog* about = form->AboutDialog;
        QCOMPARE(QStringList({about->windowTitle(), about->Label2->text(), about->Label5->text(), about->Label4->text()}),
                 texts);
        // The build's own values: "main version / build number", the date and the copyright.
        QCOMPARE(about->lblTitle->text(), QStringLiteral("KAVRO Veldris"));
        QVERIFY2(QRegularExpression(QStringLiteral("^\\d+\\.\\d+\\.\\d+ / \\d+$")).match(about->lblVersion->text()).hasMatch(),
                 qPrintable(about->lblVersion->text()));
        QVERIFY(!about->lblDate->text().isEmpty());
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

    // Workers one after another (the modules of an update) share the counter of shown lines;
    // one that ends at once, without a line, ends the wait as well.
    void consecutiveWorkersShareTheCounter()
    {
        QPlainTextEdit output;
        veldris::GUIProgress progress;
        std::uint32_t shown = 0;
        const std::pair<const char*, int> workers[] = {{"failed ", 0}, {"boot ", 3}, {"app ", 3}};
        for (const auto& [module, lines] : workers) {
            std::thread worker = startWorker(progress, module, lines);
            waitForWorker(progress, &output, nullptr, shown);
            worker.join();
        }
        QCOMPARE(output.toPlainText().split(u'\n'),
                 QStringList({"boot 1", "boot 2", "boot 3", "app 1", "app 2", "app 3"}));
        QCOMPARE(shown, 6u);
    }
};

VELDRIS_GUI_TEST_MAIN(AboutManualProgressTest)
#include "AboutManualProgressTest.moc"
