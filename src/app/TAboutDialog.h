#pragma once

#include <QDialog>

#include <string>

class QLabel;
class QPushButton;

// The About box: the program's description, version, build date and copyright line from its
// version information, and the maker's address with a few labels in the user's language.
class TAboutDialog : public QDialog {
    Q_OBJECT
public:
    explicit TAboutDialog(QWidget* parent = nullptr);

    std::string language; // set by the main window before the dialog is shown

    QLabel* lblTitle = nullptr;
    QLabel* Label2 = nullptr;
    QLabel* lblVersion = nullptr;
    QLabel* Label5 = nullptr;
    QLabel* lblDate = nullptr;
    QLabel* lblCopyright = nullptr;
    QLabel* ImageLogo = nullptr;
    QLabel* Label1 = nullptr;
    QLabel* Label3 = nullptr;
    QLabel* Label4 = nullptr;
    QPushButton* btnOK = nullptr;

public slots:
    void FormShow();
    void btnOKClick();

protected:
    void showEvent(QShowEvent* event) override;
};
