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
    void init() { setUp(); }

    // The About box, shown modally: its fixed texts follow the language (one without texts of
    // its own gets English), its values come from the build.
    void aboutBox()
    {
        const std::pair<const char*, QStringList> languages[] = {
            {"de", {QString::fromUtf8("Über"), "Version", "Erstellt", "Deutschland"}}, // caption, "Version", "Created", country
            {"cn", QString::fromUtf8("关于,版本,编译于,德国").split(u',')},
            {"jp", {"About", "Version", "Created", "Germany"}},
        };
        for (const auto& [language, texts] : languages) {
            form->currentLanguage = language;
            form->Help2->trigger();
            const TAboutDialog* about = form->AboutDialog;
            QCOMPARE(QStringList({about->windowTitle(), about->Label2->text(), about->Label5->text(), about->Label4->text()}),
                     texts);
        }
        QCOMPARE(ui->modalDialogs.size(), 3);
        // The build's own values: "main version / build number", the date, the copyright, the logo.
        const TAboutDialog* about = form->AboutDialog;
        QVERIFY2(QRegularExpression(QStringLiteral("^\\d+\\.\\d+\\.\\d+ / \\d+$")).match(about->lblVersion->text()).hasMatch(),
                 qPrintable(about->lblVersion->text()));
        QVERIFY(!about->lblDate->text().isEmpty() && !about->ImageLogo->pixmap().isNull());
        QVERIFY(about->lblCopyright->text().contains(QStringLiteral("KAVRO GmbH")));
    }

    // The manual in the language when it is there, else the English one; none at all says
    // nothing.
    void manualInTheLanguageElseEnglish()
    {
        const QString prefix = QString::fromStdString(veldris::dataPath("doc/Operating Manual KAVRO Veldris"));
        const struct {
            const char* language;
            QStringList existing;
            QStringList tried;
        } cases[] = {
            {"cn", {"_CN", "_EN"}, {"_CN"}},
            {"cn", {"_EN"}, {"_CN", "_EN"}},
            {"de", {}, {"_DE", "_EN"}},
            {"", {"_EN"}, {"_", "_EN"}}, // no language chosen yet
        };
        for (const auto& c : cases) {
            ui->openedDocuments.clear();
            ui->existingDocuments.clear();
            for (const QString& suffix : c.existing)
                ui->existingDocuments << prefix + suffix + QStringLiteral(".pdf");
            form->currentLanguage = c.language;
            form->Manual1->trigger();
            QStringList expected;
            for (const QString& suffix : c.tried)
                expected << prefix + suffix + QStringLiteral(".pdf");
            QCOMPARE(ui->openedDocuments, expected);
        }
        QVERIFY(ui->messages.isEmpty());
    }

    // A line at most per 100 ms pass, each once and in order. Workers one after another (the
    // modules of an update) share the counter of shown lines; one that ends at once, without a
    // line, ends the wait as well.
    void waitForWorkerShowsEveryLineOnceInOrder()
    {
        QPlainTextEdit output;
        QProgressBar bar;
        veldris::GUIProgress progress;
        std::uint32_t shown = 0;
        QElapsedTimer clock;
        clock.start();
        const std::pair<const char*, int> workers[] = {{"failed ", 0}, {"boot ", 3}, {"app ", 30}};
        QStringList expected;
        for (const auto& [module, lines] : workers) {
            std::thread worker = startWorker(progress, module, lines);
            waitForWorker(progress, &output, &bar, shown);
            worker.join();
            for (int i = 1; i <= lines; ++i)
                expected << QString::fromLatin1(module) + QString::number(i);
        }
        QCOMPARE(output.toPlainText().split(u'\n'), expected);
        QCOMPARE(shown, 33u);
        QCOMPARE(bar.value(), 100);
        QVERIFY2(clock.elapsed() >= 3200, "more than one line in a 100 ms pass");
    }
};

int main(int argc, char** argv) { return runGuiTest<AboutManualProgressTest>(argc, argv); }
#include "AboutManualProgressTest.moc"
