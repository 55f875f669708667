// The About box, the manual, and following a worker thread from the window.

#include "app/TAboutDialog.h"
#include "app/WorkerFollower.h"
#include "common/DataDirectory.h"
#include "common/GUIProgress.h"

#include "GuiFixture.h"
#include "GuiTestMain.h"

#include <QElapsedTimer>
#include <QLabel>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QRegularExpression>

#include <stdexcept>
#include <thread>

class AboutManualProgressTest : public QObject, private GuiFixture {
    Q_OBJECT

private slots:
    void init() { setUp(); }

    // The About box has the texts of the language and the build's version as "main version /
    // build number". The manual is opened in the language
    // when it is there, else in English.
    void aboutBoxAndManual()
    {
        form->currentLanguage = "de";
        form->Help2->trigger();
        const TAboutDialog* about = form->AboutDialog;
        QCOMPARE(about->windowTitle() + u'/' + about->Label4->text(), QString::fromUtf8("Über/Deutschland"));
        const QRegularExpression version(QStringLiteral("^\\d+\\.\\d+\\.\\d+ / \\d+$"));
        QVERIFY2(version.match(about->lblVersion->text()).hasMatch(), qPrintable(about->lblVersion->text()));

        const QString prefix = QString::fromStdString(state->data.path("doc/Operating Manual KAVRO Veldris"));
        ui->existingDocuments << prefix + QStringLiteral("_EN.pdf");
        form->Manual1->trigger();
        QCOMPARE(ui->openedDocuments, QStringList({prefix + QStringLiteral("_DE.pdf"), prefix + QStringLiteral("_EN.pdf")}));
        QVERIFY(ui->messages.isEmpty());
    }

    // A line at most per 100 ms pass, each once and in order. Workers one after another (the
    // modules of an update) share the counter of shown lines; one that ends at once, without a
    // line, ends the wait as well.
    void followingAWorkerShowsEveryLineOnceInOrder()
    {
        QPlainTextEdit output;
        QProgressBar bar;
        veldris::GUIProgress progress;
        std::uint32_t shown = 0;
        QElapsedTimer clock;
        clock.start();
        QStringList expected;
        for (const auto& [module, count] : {std::pair<std::string, int>{"failed ", 0}, {"boot ", 3}, {"app ", 30}}) {
            WorkerFollower follower(progress, displayIn(&output, &bar), shown);
            const veldris::BusWorker::Procedure procedure = follower.relay([module, count](veldris::Progress& report) {
                for (int i = 1; i <= count; ++i) {
                    report.addLine(module + std::to_string(i));
                    report.setProgress(static_cast<std::uint32_t>(100 * i / count));
                }
            });
            progress.running = true;
            std::thread worker([&progress, &procedure] {
                procedure(progress);
                progress.finish();
            });
            follower.follow([&worker] { worker.join(); });
            QVERIFY(!worker.joinable());
            for (int i = 1; i <= count; ++i)
                expected << QString::fromStdString(module) + QString::number(i);
        }
        QCOMPARE(output.toPlainText().split(u'\n'), expected);
        QCOMPARE(shown, 33u);
        QCOMPARE(bar.value(), 100);
        QVERIFY2(clock.elapsed() >= 3200, "more than one line in a 100 ms pass");
    }

    // A line that the worker adds after its procedure has ended (the text of an exception that
    // escaped it) is shown too: the follower joins the worker before it looks for the last lines.
    void aLineAfterTheProcedureIsShown()
    {
        QPlainTextEdit output;
        veldris::GUIProgress progress;
        std::uint32_t shown = 0;
        WorkerFollower follower(progress, displayIn(&output, nullptr), shown);
        const veldris::BusWorker::Procedure procedure = follower.relay([](veldris::Progress& report) {
            report.addLine("erasing");
            throw std::runtime_error("no answer");
        });
        progress.running = true;
        std::thread worker([&progress, &procedure] {
            try {
                procedure(progress);
            } catch (const std::runtime_error& error) {
                progress.addLine(std::string("Error: ") + error.what());
            }
            progress.finish();
        });
        follower.follow([&worker] { worker.join(); });
        QCOMPARE(output.toPlainText(), QStringLiteral("erasing\nError: no answer"));
        QCOMPARE(shown, 2u);
    }
};

int main(int argc, char** argv)
{
    return runGuiTest<AboutManualProgressTest>(argc, argv);
}
#include "AboutManualProgressTest.moc"
