// "Write" on the DCF page and "Update" on the FW Update page, through the window against the
// simulated sensors of tests/scenarios/procedures.ini: the lines as the window shows them,
// the control locking and the states afterwards.

#include "GuiFixture.h"
#include "GuiTestMain.h"
#include "support/IntelHexText.h"
#include "support/ZipArchive.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFile>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QStatusBar>
#include <QTreeWidget>

#include <fstream>
#include <iterator>

namespace {

std::string contentOf(const char* path)
{
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

} // namespace

class ProcedurePagesTest : public QObject, private GuiFixture {
    Q_OBJECT

    QStringList outputOf(QPlainTextEdit* output) { return output->toPlainText().split(u'\n'); }

private slots:
    void init() { setUp(); }

    // A failed upload keeps the sensor and leaves "Write" enabled; a whole one stores the
    // parameters and leaves the window without a sensor (it restarted). No handler tries the
    // bus meanwhile.
    void writingADcf()
    {
        const struct {
            int node;
            const char* dcf;
            QStringList lines;
        } uploads[] = {
            {40,
             "[1017]\nDataType=6\nParameterValue=300\n[7132sub1]\nDataType=7\nParameterValue=3\n",
             {"attempting to upload dcf sections..", "Section at line 1 was sent successfully",
              "Section at line 4 returned an error",
              "Section at line 4: SDO abort 0x06090030 (Invalid value for parameter (download only).)",
              "Sensor restarted.. please reconnect"}},
            {32,
             "[1017]\nDataType=6\nParameterValue=250\n[1800sub5]\nDataType=6\nParameterValue=200\n",
             {"attempting to upload dcf sections..", "Section at line 1 was sent successfully",
              "Section at line 4 was sent successfully", "Saving parameters successful.",
              "Sensor restarted.. please reconnect"}},
        };
        for (const auto& upload : uploads) {
            const bool keepsSensor = upload.node == 40;
            choose(upload.node);
            ui->fileAnswers.push_back(QString::fromStdString(data->dir.write("upload.dcf", upload.dcf)));
            form->DCFLoadBtn->click();
            form->DCFUpdateBtn->click();
            QCOMPARE(outputOf(form->DCFOutput), upload.lines);
            QCOMPARE(form->sensorSelected, keepsSensor);
            QCOMPARE(form->DCFUpdateBtn->isEnabled(), keepsSensor);
            QVERIFY(!keepsSensor || form->DCFLoadBtn->isEnabled());
            QVERIFY(form->TabTreeView->isEnabled() && form->BitrateCombo->isEnabled());
            QVERIFY(form->NodeIDCombo->isEnabled());
            QCOMPARE(form->cursor().shape(), Qt::ArrowCursor);
        }
        QVERIFY(ui->messages.isEmpty());

        // A value that does not fit its DataType refuses the file before its first section.
        choose(40);
        ui->fileAnswers.push_back(QString::fromStdString(data->dir.write(
            "typo.dcf", "[1017]\nDataType=6\nParameterValue=250\n[1800sub5]\nDataType=6\nParameterValue=70000\n")));
        form->DCFLoadBtn->click();
        form->DCFUpdateBtn->click();
        QCOMPARE(outputOf(form->DCFOutput),
                 QStringList{"line 6: ParameterValue '70000' is out of range (0..65535) for UNSIGNED16"});
        QCOMPARE(ui->messages,
                 QStringList{"The DCF was not written: a ParameterValue does not fit its DataType. Nothing was sent."});
        QVERIFY(form->sensorSelected && form->DCFUpdateBtn->isEnabled());
    }

    // "Save from sensor…" saves the opened DCF with the sensor's values (an aborted entry without
    // ParameterValue, listed); "Compare" of the saved file finds every value equal, and of the
    // template names the abort. A folder that does not exist is reported.
    void comparingAndSavingFromTheSensor()
    {
        QCOMPARE(form->DCFCompareBtn->text(), QStringLiteral("Compare"));
        QCOMPARE(form->DCFSaveFromSensorBtn->text(), QString::fromUtf8("Save from sensor\u2026"));
        QVERIFY(!form->DCFCompareBtn->isEnabled() && !form->DCFSaveFromSensorBtn->isEnabled());
        choose(40);
        const std::string dcf = "; template\n[1017]\nDataType=6\nParameterValue=0x0000\n[7132sub1]\nDataType=7\n"
                                "ParameterValue=3\n";
        const QString templatePath = QString::fromStdString(data->dir.write("template.dcf", dcf));
        ui->fileAnswers << templatePath;
        form->DCFLoadBtn->click();
        QVERIFY(form->DCFCompareBtn->isEnabled() && form->DCFSaveFromSensorBtn->isEnabled());

        const QString saved = QString::fromStdString(data->dir.file("saved.dcf"));
        ui->fileAnswers << saved;
        form->DCFSaveFromSensorBtn->click();
        const QStringList lines = outputOf(form->DCFOutput);
        QCOMPARE(lines.size(), 6);
        QCOMPARE(lines.value(0), QStringLiteral("reading dcf sections from the sensor.."));
        QVERIFY(lines.value(1).startsWith(QStringLiteral("Section at line 2 was read: 0x")));
        QCOMPARE(lines.mid(2),
                 QStringList({"Section at line 5 returned an error",
                              "Section at line 5: SDO abort 0x06090030 (Invalid value for parameter (download only).)",
                              "Not read: section at line 5 (0x7132:01): aborted 0x7132:01 with 0x06090030 (Invalid value "
                              "for parameter (download only).)",
                              "Saved " + saved}));
        QCOMPARE(ui->messages, QStringList{"Entries that could not be read have no ParameterValue in the saved DCF."});
        const std::string written = data->dir.read("saved.dcf");
        const std::string value = lines.value(1).mid(28).toStdString();
        QCOMPARE(written, "; template\n[1017]\nDataType=6\nParameterValue=" + value + "\n[7132sub1]\nDataType=7\n");
        QVERIFY(form->DCFLoadBtn->isEnabled() && form->DCFUpdateBtn->isEnabled() && form->NodeIDCombo->isEnabled());

        ui->fileAnswers << saved;
        form->DCFLoadBtn->click();
        form->DCFCompareBtn->click();
        QCOMPARE(outputOf(form->DCFOutput).last(), QStringLiteral("The sensor holds every value of the DCF."));

        ui->fileAnswers << templatePath;
        form->DCFLoadBtn->click();
        form->DCFCompareBtn->click();
        const QStringList compared = outputOf(form->DCFOutput);
        QVERIFY(compared.contains(QStringLiteral("0x7132:01  sensor aborted 0x06090030  file 3")));
        QVERIFY(compared.last().startsWith(QStringLiteral("Sections that are not equal: ")));

        ui->messages.clear();
        ui->fileAnswers << QString::fromStdString(data->dir.file("no/such/folder.dcf"));
        form->DCFSaveFromSensorBtn->click();
        QCOMPARE(ui->messages.size(), 1);
        QVERIFY(ui->messages.value(0).startsWith(QStringLiteral("The DCF could not be saved:\n")));
        QVERIFY(!QFile::exists(QString::fromStdString(data->dir.file("no/such/folder.dcf"))));
    }

    // A method of two modules: the lines of both, each once, "DONE" twice, the bar at 100 and
    // the window without a sensor afterwards (it restarted).
    void updatingWithAMethodOfTwoModules()
    {
        const std::string identity = "type=hex\ndevice=KVR200\nui=06102200\n";
        const char* app = VELDRIS_SOURCE_DIR "/resources/samples/firmware/app-kvr200.hex";
        const std::vector<std::uint8_t> package = zipOf({{"version.kmd", "version=2"},
                                                         {"app.hex", contentOf(app)},
                                                         {"app.kmd", identity + "version=1.5.0.0\n"},
                                                         {"patch.hex", hexImage({{0x0100, {0, 0, 6, 1}}})},
                                                         {"patch.kmd", identity + "version=1.6.0.0\n"},
                                                         {"Application and patch.kum", "app.hex\npatch.hex\n"}});
        const std::string zip(package.begin(), package.end());
        ui->fileAnswers.push_back(QString::fromStdString(data->dir.write("two.zip", zip)));
        form->FWLoadBtn->click();
        choose(5);
        form->MethodSelectionCombo->setCurrentIndex(0);
        form->MethodSelectionCombo_OnCloseup();
        form->FWUpdateBtn->click();
        const QStringList module = {"unlocking device",
                                    "setting device to bootloader mode",
                                    "setting auto increment",
                                    "erasing memory",
                                    "uploading..",
                                    "rebooting device",
                                    "DONE"};
        QCOMPARE(outputOf(form->FWUpdateOutput), module + module);
        QCOMPARE(form->FWUpdateProgressBar->value(), 100);
        QVERIFY(!form->sensorSelected);
        QVERIFY(form->MethodSelectionCombo->isEnabled() && form->FWLoadBtn->isEnabled());
        QVERIFY(ui->messages.isEmpty());
        choose(5);
        QCOMPARE(state->sensor.firmwareVersion, std::string("1.6.0.0"));
    }

    // The readout runs on a worker with its progress in the status bar; its rows appear when it
    // has ended, and Save is offered for them. Saved under a name without extension the log
    // becomes a .kel that opens with the same rows (Save stays off: only a readout offers it);
    // a folder that does not exist is reported, and so is a sensor that answers nothing.
    void readingTheErrorLog()
    {
        const auto row = [this] {
            const QTreeWidgetItem* item = form->ErrorOutput->topLevelItem(1);
            return QStringList({item->text(0), item->text(1), item->text(2), item->text(3)});
        };
        data->dir.write("canopen.dev", contentOf(VELDRIS_DIST_DIR "/canopen.dev"));
        choose(60);
        form->ErrorLogReadBtn->click();
        QCOMPARE(form->ErrorOutput->topLevelItemCount(), 10);
        const QStringList read = row();
        QCOMPARE(read.value(2), QStringLiteral("Maximaldruck"));
        QVERIFY(form->ErrorLogSaveBtn->isEnabled() && form->ErrorLogReadBtn->isEnabled());
        QVERIFY(form->NodeIDCombo->isEnabled() && form->StatusBar1->currentMessage().isEmpty());

        ui->fileAnswers = {QString::fromStdString(data->dir.file("saved")),
                           QString::fromStdString(data->dir.file("saved.kel"))};
        form->ErrorLogSaveBtnClick();
        form->ErrorLogLoadBtn->click();
        QCOMPARE(form->ErrorOutput->topLevelItemCount(), 10);
        QCOMPARE(row(), read);
        QVERIFY(!form->ErrorLogSaveBtn->isEnabled() && ui->messages.isEmpty());
        ui->fileAnswers.push_back(QString::fromStdString(data->dir.file("no/such/folder/log.kel")));
        form->ErrorLogSaveBtnClick();
        QVERIFY(ui->messages.takeLast().startsWith(QStringLiteral("The error log could not be saved:")));

        choose(63);
        form->ErrorLogReadBtn->click();
        QCOMPARE(form->ErrorOutput->topLevelItemCount(), 0);
        QVERIFY(!form->ErrorLogSaveBtn->isEnabled());
        QCOMPARE(ui->messages, QStringList{QStringLiteral("The sensor does not answer: its UID could not be read.")});

        // A sensor that stops answering in the middle: what it gave is listed and can be saved,
        // and the status bar says where it stopped.
        ui->messages.clear();
        choose(65);
        form->ErrorLogReadBtn->click();
        QVERIFY(form->ErrorOutput->topLevelItemCount() > 0);
        QVERIFY(form->ErrorLogSaveBtn->isEnabled() && ui->messages.isEmpty());
        QVERIFY2(form->StatusBar1->currentMessage().startsWith(
                     QStringLiteral("The error log is incomplete: the sensor stopped answering at address 0x0000")),
                 qPrintable(form->StatusBar1->currentMessage()));
    }

    // A probe the adapter refuses (here at node 127, as a bus-off adapter refuses every frame)
    // ends the scan: the nodes found before are listed, and a box says the list is incomplete
    // and why.
    void aScanTheAdapterCutsShort()
    {
        form->NodeIDCombo->showPopup();
        QVERIFY(form->NodeIDCombo->count() > 0);
        QCOMPARE(ui->messages,
                 QStringList{QStringLiteral("The scan is incomplete:\nnode 127 could not be asked for 0x1010:00: the "
                                            "adapter refused the request (status 0x00010 (bus off))")});
        form->NodeIDCombo->hidePopup();
    }
};

int main(int argc, char** argv)
{
    return runGuiTest<ProcedurePagesTest>(argc, argv, VELDRIS_SIM_LIBRARY,
                                          VELDRIS_SOURCE_DIR "/tests/scenarios/procedures.ini");
}

#include "ProcedurePagesTest.moc"
