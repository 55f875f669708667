#include "app/UiServices.h"

#include <QDesktopServices>
#include <QDialog>
#include <QFileDialog>
#include <QFileInfo>
#include <QMessageBox>
#include <QUrl>

namespace {

class QtUiServices final : public UiServices {
public:
    void showMessage(QWidget* parent, const QString& text) override
    {
        QMessageBox::information(parent, QStringLiteral("KAVRO Veldris"), text);
    }

    void showError(QWidget* parent, const QString& text) override
    {
        QMessageBox::critical(parent, QStringLiteral("KAVRO Veldris"), text);
    }

    void showErrorBox(const QString& caption, const QString& text) override { QMessageBox::critical(nullptr, caption, text); }

    bool askYesNo(QWidget* parent, const QString& caption, const QString& text) override
    {
        return QMessageBox::question(parent, caption, text, QMessageBox::Yes | QMessageBox::No) == QMessageBox::Yes;
    }

    QString runFileDialog(QFileDialog* dialog) override
    {
        if (dialog->exec() != QDialog::Accepted || dialog->selectedFiles().isEmpty())
            return {};
        return dialog->selectedFiles().constFirst();
    }

    int runModal(QDialog* dialog) override { return dialog->exec(); }

    bool openDocument(const QString& path) override
    {
        // The desktop's opener reports a missing file only after it has started, so look first.
        if (!QFileInfo(path).isFile())
            return false;
        return QDesktopServices::openUrl(QUrl::fromLocalFile(path));
    }
};

QtUiServices qtServices;
UiServices* installed = nullptr;

} // namespace

UiServices& uiServices()
{
    return installed ? *installed : qtServices;
}

void setUiServices(UiServices* services)
{
    installed = services;
}
