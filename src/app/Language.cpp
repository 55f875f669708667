// The user-interface language: the start-up choice from the settings file, the language
// menu and the translation of every caption.

#include "app/AppState.h"
#include "app/TVeldrisForm.h"

#include "common/DataDirectory.h"
#include "common/Log.h"
#include "common/MessageSlots.h"
#include "common/Settings.h"
#include "common/Translations.h"

#include <QAbstractButton>
#include <QAction>
#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QTreeWidget>

namespace {

struct CaptionRow {
    const char* control;
    const char* source;
    int column = 0; // the column title, for the error list
};

// Every translated caption, in the order they are set.
constexpr CaptionRow captionRows[] = {
    {"File1", "File"},
    {"Help1", "Help"},
    {"Manual1", "Manual"},
    {"File2", "Close"},
    {"Help2", "About"},
    {"BitRateLabel", "Bit Rate:"},
    {"NodeIdLabel", "Node ID:"},
    {"NodeIdGroupBox", "Node ID"},
    {"NodeIDCurrentValueLabel", "Current Value:"},
    {"ChangeNodeIdBtn", "Set"},
    {"BitRateGroupBox", "Bit Rate"},
    {"BitRateCurrentValueLabel", "Current Value:"},
    {"ChangeBitrateBtn", "Set"},
    {"UIDLabel", "UID:"},
    {"FWVersionLabel", "FW Version:"},
    {"ItemNumberLabel", "Item Number:"},
    {"SerialNumberLabel", "Serial Number:"},
    {"CRC1301GroupBox", "1301 - Communication parameter for SRDO 1"},
    {"CRC1301Sub1Label", "Sub-Index1:"},
    {"CRC1301Sub2Label", "Sub-Index2:"},
    {"CRC1301Sub3Label", "Sub-Index3:"},
    {"CRC1301Sub5Label", "Sub-Index5:"},
    {"CRC1301Sub6Label", "Sub-Index6:"},
    {"CRC1381GroupBox", "1381 - SRDO Mapping Parameter 1"},
    {"CRC1381Sub0Label", "Sub-Index0:"},
    {"CRC1381Sub1Label", "Sub-Index1:"},
    {"CRC1381Sub2Label", "Sub-Index2:"},
    {"CRCLoadBtn", "Load"},
    {"CRCCalcBtn", "Calculate"},
    {"CRCSaveBtn", "Write"},
    {"CRCChecksumLabel", "Checksum:"},
    {"DCFLoadBtn", "Open"},
    {"DCFUpdateBtn", "Write"},
    {"DCFCompareBtn", "Compare"},
    {"DCFSaveFromSensorBtn", "Save from sensor…"},
    {"DCFPathLabel", "Path:"},
    {"DCFFilepathInput", "No path selected"},
    {"FWLoadBtn", "Open"},
    {"FWMethodLabel", "Method:"},
    {"FWUpdateBtn", "Update"},
    {"FWForceCheckbox", "Force"},
    {"ErrorLogLoadBtn", "Open"},
    {"ErrorLogReadBtn", "Read"},
    {"ErrorLogSaveBtn", "Save"},
    {"ErrorOutput", "Timestamp", 0},
    {"ErrorOutput", "Error Number", 1},
    {"ErrorOutput", "Error", 2},
    {"ErrorOutput", "Value", 3},
    {"CurrentValueCheckbox", "Current Value:"},
    {"CurrentErrorLabel", "Current Error:"},
    {"GetCurrentErrorsBtn", "Get"},
    {"PDOEventTimerMemoryLabel", "NV Memory:"},
    {"PDOEventTimerActualLabel", "Active value:"},
    {"HBEventTimerMemoryLabel", "NV Memory:"},
    {"HBEventTimerActualLabel", "Active value:"},
    {"SRDOEventTimerMemoryLabel", "NV Memory:"},
    {"SRDOEventTimerActualLabel", "Active value:"},
    {"DiagnoseStartBtn", "Start"},
    {"ExportDiagnoseOutputBtn", "Export Errors"},
    {"ResetDiagnoseResultsBtn", "Reset"},
    {"PDODiagnoseGroupbox", "PDO - Event Timer"},
    {"HBDiagnoseGroupbox", "Heartbeat"},
    {"SRDODiagnoseGroupbox", "SRDO - Cycle Time"},
};

// Sets the caption of any kind of control the table names.
void setCaption(QObject* control, int column, const QString& text)
{
    if (auto* list = qobject_cast<QTreeWidget*>(control))
        list->headerItem()->setText(column, text);
    else if (auto* menu = qobject_cast<QMenu*>(control))
        menu->setTitle(text);
    else if (auto* action = qobject_cast<QAction*>(control))
        action->setText(text);
    else if (auto* label = qobject_cast<QLabel*>(control))
        label->setText(text);
    else if (auto* button = qobject_cast<QAbstractButton*>(control))
        button->setText(text);
    else if (auto* group = qobject_cast<QGroupBox*>(control))
        group->setTitle(text);
    else if (auto* field = qobject_cast<QLineEdit*>(control))
        field->setText(text);
}

struct LanguageChoice {
    const char* code;
    const char* catalogue;
};
constexpr LanguageChoice german{"de", "lang/de_DE.po"};
constexpr LanguageChoice english{"en", "lang/en.po"};
constexpr LanguageChoice chinese{"cn", "lang/cn.po"};

// Stores the language for the next start. The language changes for this run even when the
// file cannot be written; the next start then uses the old one.
void rememberLanguage(const veldris::DataDirectory& data, const std::string& code)
{
    const std::string path = data.settingsPath();
    if (!veldris::saveLanguageSetting(path, code))
        veldris::logLine("Cannot write " + path, veldris::LogStream::Error);
}

} // namespace

QString TVeldrisForm::translate(const char* source) const
{
    return QString::fromStdString(app.translations.translate(source));
}

void TVeldrisForm::applyTranslation()
{
    for (const CaptionRow& row : captionRows)
        if (QObject* control = findChild<QObject*>(QString::fromLatin1(row.control)))
            setCaption(control, row.column, translate(row.source));
}

void TVeldrisForm::applyStartupLanguage()
{
    const std::string settings = app.data.settingsPath();
    const std::optional<std::string> stored = veldris::loadLanguageSetting(settings);
    if (!stored) {
        // First start: English, and the settings file is written for the next one.
        English1->setChecked(true);
        rememberLanguage(app.data, english.code);
        applyTranslation();
        return;
    }
    currentLanguage = *stored;
    const std::pair<LanguageChoice, QAction*> choices[] = {{german, German1}, {english, English1}, {chinese, Chinese1}};
    for (const auto& [choice, item] : choices) {
        if (currentLanguage == choice.code) {
            app.translations.load(app.data.path(choice.catalogue));
            item->setChecked(true);
        }
    }
    applyTranslation();
}

void TVeldrisForm::changeLanguage(const std::string& code, const char* catalogue)
{
    rememberLanguage(app.data, code);
    app.translations.load(app.data.path(catalogue));
    currentLanguage = code;
    applyTranslation();
}

void TVeldrisForm::ChangeLanguage_DE()
{
    changeLanguage(german.code, german.catalogue);
}

void TVeldrisForm::ChangeLanguage_EN()
{
    changeLanguage(english.code, english.catalogue);
}

void TVeldrisForm::ChangeLanguage_CN()
{
    changeLanguage(chinese.code, chinese.catalogue);
}

// Japanese has no catalogue: the choice is only remembered.
void TVeldrisForm::ChangeLanguage_JP()
{
    rememberLanguage(app.data, "jp");
    currentLanguage = "jp";
}
