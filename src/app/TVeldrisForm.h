#pragma once

#include "canopen/BusLease.h"
#include "canopen/BusWorker.h"
#include "canopen/SdoResult.h"
#include "common/NumberText.h"
#include "sensor/DiagnosisReport.h"
#include "sensor/SrdoChecksum.h"

#include <QMainWindow>
#include <QString>

#include <array>
#include <cstdint>
#include <exception>
#include <functional>
#include <optional>
#include <vector>
#include <string>

class AppState;
class DropDownCombo;
class QAction;
class QActionGroup;
class QCheckBox;
class QCloseEvent;
class QComboBox;
class QFileDialog;
class QGroupBox;
class QLabel;
class QLineEdit;
class QMenu;
class QMenuBar;
class QPlainTextEdit;
class QProgressBar;
class QPushButton;
class QStackedWidget;
class QStatusBar;
class QTextEdit;
class QTimer;
class QTreeWidget;
class TAboutDialog;
struct WorkerDisplay;

namespace veldris {
struct DcfReadout;
struct DCFSection;
class CanOpenClient;
struct SensorInfo;
enum class Message;
struct DiagnosisOutcome;
struct ErrorLogRow;
class GUIProgress;
} // namespace veldris

// The main window: a page tree selects one card of the card panel `Tabs`; the bottom bar
// holds the bit-rate and node-ID choosers. Controls carry their design names as objectName
// and as members; the handlers are spread over one source file per page.
class TVeldrisForm : public QMainWindow {
    Q_OBJECT
public:
    // The window works on `state` (owned by its creator) for its whole life.
    explicit TVeldrisForm(AppState& state, QWidget* parent = nullptr);
    ~TVeldrisForm() override;

    // Window states.
    void showNoSensorState();
    void showConnectedState();
    void lockForFirmwareUpdate();
    void lockForDiagnosis();

    // The error-log handlers' reaction to a negative status (false: the window was closed), and
    // the listing of decoded rows in ErrorOutput.
    enum class ErrorLogHandler { Read, Open };
    bool showStatus(std::int32_t status, ErrorLogHandler handler);
    void showRows(const std::vector<veldris::ErrorLogRow>& rows);

    // Runs `procedure` on a worker thread that holds the bus, shows its report lines in
    // `output` (and its progress in `bar`, if given) until it has ended, and joins it. False
    // when nothing ran because the bus was busy, or when the user stopped the worker to close
    // the window (which then closes once the handler has returned).
    bool runOnWorker(veldris::GUIProgress& progress, std::uint32_t& shownLines, QPlainTextEdit* output, QProgressBar* bar,
                     veldris::BusWorker::Procedure procedure);
    bool runOnWorker(veldris::GUIProgress& progress, std::uint32_t& shownLines, const WorkerDisplay& display,
                     veldris::BusWorker::Procedure procedure);

    // The two ways the diagnosis writes into DiagnoseOutput and the report buffer, on the
    // window's thread: a line in the window text colour, and a result's line in red or green,
    // whose record also goes to the results list. The diagnosis's thread has waited the 100 ms
    // each of them takes and put the time prefix in front.
    void appendLine(const std::string& line);
    void addResult(const veldris::DiagnosisResult& result, const std::string& line);
    void showDiagnosisField(veldris::DiagnosisField field, const std::string& text);
    void showSlotMessage(veldris::Message slot);

    // The diagnosis's report buffer (every line of DiagnoseOutput, as exported) and results list;
    // emptied by Reset.
    std::vector<std::string> diagnosisReport;
    std::vector<veldris::DiagnosisResult> diagnosisResults;

    // Sets every translatable caption from the translation table (message boxes translate their
    // texts when shown).
    void applyTranslation();
    QString translate(const char* source) const;

    // What the program keeps while it runs: the client, the connected sensor, the loaded files.
    AppState& app;

    // Values the window keeps.
    QString lastNodeIdText;       // NodeIDCombo text when it got the focus or an item was chosen
    QString applicationDirectory; // folder of the running executable, no trailing "/"
    std::string currentLanguage;  // "de", "en", "cn", "jp" or empty
    bool nodesFound = false;
    bool dcfLoaded = false;
    bool sensorSelected = false; // the window is in its sensor-selected state

protected:
    // While a long procedure holds the bus (a worker, the diagnosis), closing asks whether to
    // stop it; the window closes when it has ended.
    void closeEvent(QCloseEvent* event) override;

public slots:
    void TabTreeView_OnClick();

    void NodeIDCombo_OnDropdown();
    void NodeIDCombo_OnCloseup();
    void NodeIDComboEnter();
    void NodeIDComboSelect();
    void NodeIDComboExit();

    void ChangeNodeIdBtnClick();
    void ChangeBitrateBtnClick();

    void CRCLoadBtnClick();
    void CRCCalcBtnClick();
    void CRCSaveBtnClick();

    void DCFLoadBtnClick();
    void DCFUpdateBtnClick();
    void DCFCompareBtnClick();
    void DCFSaveFromSensorBtnClick();

    void FWLoadBtnClick();
    void MethodSelectionCombo_OnCloseup();
    void FWForceCheckboxClick();
    void FWUpdateBtnClick();

    void ErrorLogReadBtnClick();
    void ErrorLogSaveBtnClick();
    void ErrorLogLoadBtnClick();

    void DiagnoseStartBtnClick();
    void ResetDiagnoseResultsBtnClick();
    void CurrentValueCheckbox_OnClick();
    void GetCurrentValueTimer_OnTimer();
    void GetCurrentErrorsBtnClick();
    void ExportDiagnoseOutputBtnClick();

    void StartSensorBtnClick();
    void PreopSensorBtnClick();
    void ResetSensorBtnClick();
    void SetHeartbeatBtnClick();
    void GetHeartbeatBtnClick();
    void GetPDOMappingBtnClick();
    void GetPDOCobIdBtnClick();
    void GetPDOEventTimerBtnClick();
    void SetPDOEventTimerBtnClick();
    void GetSRDOMappingBtnClick();
    void GetSRDOCobIdBtnClick();
    void GetSRDOEventTimerBtnClick();

    void DemoBtnClick();

    void ChangeLanguage_DE();
    void ChangeLanguage_EN();
    void ChangeLanguage_CN();
    void ChangeLanguage_JP();
    void File2Click();
    void Manual1Click();
    void Help2Click();

public:
    // Menu MainMenu1.
    QMenuBar* MainMenu1 = nullptr;
    QMenu* File1 = nullptr;
    QMenu* Language1 = nullptr;
    QAction* German1 = nullptr;
    QAction* English1 = nullptr;
    QAction* Chinese1 = nullptr;
    QAction* Japanese1 = nullptr;
    QAction* File2 = nullptr;
    QMenu* Help1 = nullptr;
    QAction* Manual1 = nullptr;
    QAction* Help2 = nullptr;

    // Bottom bar.
    QLabel* BitRateLabel = nullptr;
    QComboBox* BitrateCombo = nullptr;
    QLabel* NodeIdLabel = nullptr;
    DropDownCombo* NodeIDCombo = nullptr;
    QStatusBar* StatusBar1 = nullptr;

    // Page tree and card panel.
    QTreeWidget* TabTreeView = nullptr;
    QStackedWidget* Tabs = nullptr;
    QWidget* BasicTab = nullptr;
    QWidget* CRCTab = nullptr;
    QWidget* DCFTab = nullptr;
    QWidget* FWUpdateTab = nullptr;
    QWidget* ErrorLogTab = nullptr;
    QWidget* DiagnoseTab = nullptr;
    QWidget* DebugTab = nullptr;
    QWidget* ControlsTab = nullptr;

    // Basic card.
    QLabel* UIDLabel = nullptr;
    QLineEdit* UIDInput = nullptr;
    QLabel* FWVersionLabel = nullptr;
    QLineEdit* FWVersionInput = nullptr;
    QLabel* ItemNumberLabel = nullptr;
    QLineEdit* ItemNumberInput = nullptr;
    QLabel* SerialNumberLabel = nullptr;
    QLineEdit* SerialNumberInput = nullptr;
    QGroupBox* NodeIdGroupBox = nullptr;
    QLabel* NodeIDCurrentValueLabel = nullptr;
    QLabel* CurrentNodeIdLabel = nullptr;
    QLineEdit* NewNodeIdInput = nullptr;
    QPushButton* ChangeNodeIdBtn = nullptr;
    QGroupBox* BitRateGroupBox = nullptr;
    QLabel* BitRateCurrentValueLabel = nullptr;
    QLabel* CurrentBitrateLabel = nullptr;
    QComboBox* NewBitrateCombo = nullptr;
    QPushButton* ChangeBitrateBtn = nullptr;

    // CRC card: the eight SRDO values in checksum order, then the checksum.
    QGroupBox* CRC1301GroupBox = nullptr;
    QLabel* CRC1301Sub1Label = nullptr;
    QLineEdit* CRC1301Sub1Input = nullptr;
    QLabel* CRC1301Sub2Label = nullptr;
    QLineEdit* CRC1301Sub2Input = nullptr;
    QLabel* CRC1301Sub3Label = nullptr;
    QLineEdit* CRC1301Sub3Input = nullptr;
    QLabel* CRC1301Sub5Label = nullptr;
    QLineEdit* CRC1301Sub5Input = nullptr;
    QLabel* CRC1301Sub6Label = nullptr;
    QLineEdit* CRC1301Sub6Input = nullptr;
    QGroupBox* CRC1381GroupBox = nullptr;
    QLabel* CRC1381Sub0Label = nullptr;
    QLineEdit* CRC1381Sub0Input = nullptr;
    QLabel* CRC1381Sub1Label = nullptr;
    QLineEdit* CRC1381Sub1Input = nullptr;
    QLabel* CRC1381Sub2Label = nullptr;
    QLineEdit* CRC1381Sub2Input = nullptr;
    QLabel* CRCChecksumLabel = nullptr;
    QLineEdit* CRCChecksumInput = nullptr;
    QPushButton* CRCLoadBtn = nullptr;
    QPushButton* CRCCalcBtn = nullptr;
    QPushButton* CRCSaveBtn = nullptr;

    // DCF card.
    QLabel* DCFPathLabel = nullptr;
    QLineEdit* DCFFilepathInput = nullptr;
    QPushButton* DCFLoadBtn = nullptr;
    QPushButton* DCFUpdateBtn = nullptr;
    QPushButton* DCFCompareBtn = nullptr;
    QPushButton* DCFSaveFromSensorBtn = nullptr;
    QPlainTextEdit* DCFOutput = nullptr;
    QFileDialog* OpenDCFDialog = nullptr;
    QFileDialog* SaveDCFDialog = nullptr;

    // FW Update card.
    QPushButton* FWLoadBtn = nullptr;
    QLabel* FWMethodLabel = nullptr;
    DropDownCombo* MethodSelectionCombo = nullptr;
    QCheckBox* FWForceCheckbox = nullptr;
    QPushButton* FWUpdateBtn = nullptr;
    QProgressBar* FWUpdateProgressBar = nullptr;
    QPlainTextEdit* FWUpdateOutput = nullptr;
    QFileDialog* OpenFWUpdate = nullptr;

    // Error Log card.
    QPushButton* ErrorLogLoadBtn = nullptr;
    QPushButton* ErrorLogReadBtn = nullptr;
    QPushButton* ErrorLogSaveBtn = nullptr;
    QTreeWidget* ErrorOutput = nullptr;
    QFileDialog* OpenErrorLogDialog = nullptr;
    QFileDialog* SaveErrorLogDialog = nullptr;

    // Diagnose card. The "NV Memory:" row shows the configured value, the "Active value:"
    // row the measured one; note that the heartbeat group names its two value labels the
    // other way round.
    QPushButton* DiagnoseStartBtn = nullptr;
    QPushButton* ResetDiagnoseResultsBtn = nullptr;
    QPushButton* ExportDiagnoseOutputBtn = nullptr;
    QGroupBox* PDODiagnoseGroupbox = nullptr;
    QLabel* PDOEventTimerMemoryLabel = nullptr;
    QLabel* PDOEventTimerLabel = nullptr;
    QLabel* PDOEventTimerActualLabel = nullptr;
    QLabel* PDOEventTimerValue = nullptr;
    QGroupBox* HBDiagnoseGroupbox = nullptr;
    QLabel* HBEventTimerMemoryLabel = nullptr;
    QLabel* HBEventTimerValue = nullptr;
    QLabel* HBEventTimerActualLabel = nullptr;
    QLabel* HBEventTimerLabel = nullptr;
    QGroupBox* SRDODiagnoseGroupbox = nullptr;
    QLabel* SRDOEventTimerMemoryLabel = nullptr;
    QLabel* SRDOEventTimerLabel = nullptr;
    QLabel* SRDOEventTimerActualLabel = nullptr;
    QLabel* SRDOEventTimerValue = nullptr;
    QCheckBox* CurrentValueCheckbox = nullptr;
    QLineEdit* CurrentValueOutput = nullptr;
    QLabel* CurrentErrorLabel = nullptr;
    QLineEdit* CurrentErrorOutput = nullptr;
    QPushButton* GetCurrentErrorsBtn = nullptr;
    QTextEdit* DiagnoseOutput = nullptr;
    QTimer* GetCurrentValueTimer = nullptr;
    QFileDialog* SaveDiagnosisDialog = nullptr;

    // Controls card.
    QLineEdit* HeartbeatValInput = nullptr;
    QPushButton* GetHeartbeatBtn = nullptr;
    QPushButton* SetHeartbeatBtn = nullptr;
    QLineEdit* PDOMappingValInput = nullptr;
    QPushButton* GetPDOMappingBtn = nullptr;
    QLineEdit* PDOCobIdValInput = nullptr;
    QPushButton* GetPDOCobIdBtn = nullptr;
    QLineEdit* PDOEventTimerValInput = nullptr;
    QPushButton* GetPDOEventTimerBtn = nullptr;
    QPushButton* SetPDOEventTimerBtn = nullptr;
    QLineEdit* SRDOMappingValInput = nullptr;
    QPushButton* GetSRDOMappingBtn = nullptr;
    QLineEdit* SRDOCobIdValInput = nullptr;
    QPushButton* GetSRDOCobIdBtn = nullptr;
    QLineEdit* SRDOEventTimerValInput = nullptr;
    QPushButton* GetSRDOEventTimerBtn = nullptr;
    QPushButton* StartSensorBtn = nullptr;
    QPushButton* PreopSensorBtn = nullptr;
    QPushButton* ResetSensorBtn = nullptr;

    // Debug card.
    QPushButton* DemoBtn = nullptr;

    TAboutDialog* AboutDialog = nullptr;

private:
    void addFoundNode(std::int32_t node);
    void describeFoundNodes(const std::vector<std::int32_t>& nodes);
    void buildMenu();
    QWidget* buildBottomBar();
    QWidget* buildPageTree();
    QWidget* buildCards();
    QWidget* buildBasicTab();
    QWidget* buildCrcTab();
    QWidget* buildDcfTab();
    QWidget* buildFirmwareTab();
    QWidget* buildErrorLogTab();
    QWidget* buildDiagnoseTab();
    QWidget* buildControlsTab();
    QWidget* buildDebugTab();
    void applyStartupLanguage();
    void connectChosenNode();
    std::array<QLineEdit*, 8> srdoValueInputs() const;
    veldris::SrdoValues srdoValuesFromInputs() const;
    void changeLanguage(const std::string& code, const char* catalogue);

    // The bus for one handler; an empty lease, with the "bus busy" message shown, while a
    // procedure holds it.
    veldris::BusLease leaseBus();
    // Runs `work` holding the bus; false (with the message) when the bus was busy.
    bool withBus(const std::function<void()>& work);
    // A Controls page read into its field: the value bytes, or the number.
    void showBytes(QLineEdit* field, veldris::SdoResult (*read)(veldris::CanOpenClient&, const veldris::SensorInfo&),
                   bool srdoCobId);
    void showNumber(QLineEdit* field, veldris::SdoResult (*read)(veldris::CanOpenClient&, const veldris::SensorInfo&));
    // The connected sensor's record for a handler that sends to it. Before a node was chosen its
    // node ID is empty, and the window's conversion refuses it ("invalid stoi argument" in the
    // error box) before anything is sent.
    const veldris::SensorInfo& addressedSensor() const;
    // Shows what the connected sensor gave instead of a value or a confirmation; false then.
    bool sensorGave(const veldris::SdoResult& result);
    // The number typed into `input`, or nothing (with a message) when `range` does not take it.
    std::optional<std::uint32_t> typedNumber(const QLineEdit* input, const veldris::NumberRange& range, const char* object);

    // Runs `procedure` on a worker that holds `lease` and follows its reports into `display`
    // until it has ended and is joined; meanwhile the window counts as running a long procedure.
    void followWorker(veldris::BusLease lease, veldris::GUIProgress& progress, std::uint32_t& shownLines,
                      const WorkerDisplay& display, veldris::BusWorker::Procedure procedure);
    // After a long procedure on the bus: closes the window when the user asked to while it ran
    // (showing `stateLine`, what the procedure left the sensor in). True when closing.
    bool endLongProcedure(const std::string& stateLine);
    // The diagnosis on a worker that holds `lease`, into `outcome`; the exception that ended
    // it, if one did.
    std::exception_ptr diagnoseOnWorker(veldris::BusLease lease, veldris::DiagnosisOutcome& outcome);
    // The current-value checkbox's switch, with the bus held.
    void switchCurrentValue();
    // The sensor's values of `sections` on a worker, its lines in DCFOutput, with the DCF page
    // locked; false when nothing ran (a value refuses the file, the bus is busy) or it was
    // stopped.
    bool readDcfFromSensor(const std::vector<veldris::DCFSection>& sections, veldris::DcfReadout& readout);

    bool longProcedureRunning = false; // a worker or the diagnosis holds the bus; see LongProcedureScope
    bool closeAfterWorker = false;     // the user chose to stop it and close
    bool valueBusy = false;            // the current-value tick runs
    int valueFailures = 0;             // consecutive current-value ticks without a value
    bool valueDeclined = false;        // the user refused to activate the PDO
};
