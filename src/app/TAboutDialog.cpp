#include "app/TAboutDialog.h"

#include "app/WidgetFactory.h"
#include "common/VersionInfo.h"

#include <QFont>
#include <QGridLayout>
#include <QLabel>
#include <QPainter>
#include <QPixmap>
#include <QPushButton>
#include <QVBoxLayout>

namespace {

struct AboutTexts {
    const char* caption;
    const char* version;
    const char* created;
    const char* country;
};

// The fixed texts of the dialog; any language without a row of its own gets English.
AboutTexts aboutTexts(const std::string& language)
{
    if (language == "de")
        return {"Über", "Version", "Erstellt", "Deutschland"};
    if (language == "cn")
        return {"关于", "版本", "编译于", "德国"};
    return {"About", "Version", "Created", "Germany"};
}

// The maker's word mark, drawn so that the program needs no picture file.
QPixmap makerLogo()
{
    QPixmap logo(150, 44);
    logo.fill(Qt::transparent);
    QPainter painter(&logo);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setBrush(QColor(0x00, 0x4f, 0x9f));
    painter.setPen(Qt::NoPen);
    painter.drawRoundedRect(logo.rect(), 6, 6);
    QFont font = painter.font();
    font.setBold(true);
    font.setPixelSize(24);
    font.setLetterSpacing(QFont::AbsoluteSpacing, 3);
    painter.setFont(font);
    painter.setPen(Qt::white);
    painter.drawText(logo.rect(), Qt::AlignCenter, QStringLiteral("KAVRO"));
    return logo;
}

QString version(const char* name)
{
    return QString::fromStdString(veldris::versionValue(name));
}

} // namespace

TAboutDialog::TAboutDialog(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint)
{
    setObjectName(QStringLiteral("AboutDialog"));
    setWindowTitle(QStringLiteral("About"));
    setModal(true);

    lblTitle = named<QLabel>("lblTitle");
    QFont titleFont = lblTitle->font();
    titleFont.setBold(true);
    titleFont.setPointSizeF(titleFont.pointSizeF() * 1.5);
    lblTitle->setFont(titleFont);
    Label2 = named<QLabel>("Label2");
    lblVersion = named<QLabel>("lblVersion");
    Label5 = named<QLabel>("Label5");
    lblDate = named<QLabel>("lblDate");
    lblCopyright = named<QLabel>("lblCopyright");
    ImageLogo = named<QLabel>("ImageLogo");
    ImageLogo->setPixmap(makerLogo());
    Label1 = named<QLabel>("Label1", QStringLiteral("KAVRO GmbH, Sensorweg 12"));
    Label3 = named<QLabel>("Label3", QStringLiteral("79100 Freiburg"));
    Label4 = named<QLabel>("Label4");
    btnOK = named<QPushButton>("btnOK", QStringLiteral("OK"));
    btnOK->setDefault(true);

    auto* layout = new QGridLayout(this);
    layout->addWidget(ImageLogo, 0, 0, 1, 2, Qt::AlignLeft);
    layout->addWidget(lblTitle, 1, 0, 1, 2);
    layout->addWidget(Label2, 2, 0);
    layout->addWidget(lblVersion, 2, 1);
    layout->addWidget(Label5, 3, 0);
    layout->addWidget(lblDate, 3, 1);
    layout->addWidget(lblCopyright, 4, 0, 1, 2);
    layout->setRowMinimumHeight(5, 8);
    layout->addWidget(Label1, 6, 0, 1, 2);
    layout->addWidget(Label3, 7, 0, 1, 2);
    layout->addWidget(Label4, 8, 0, 1, 2);
    layout->addWidget(btnOK, 9, 1, Qt::AlignRight);
    layout->setColumnStretch(1, 1);
    layout->setSizeConstraint(QLayout::SetFixedSize);

    connect(btnOK, &QPushButton::clicked, this, &TAboutDialog::btnOKClick);
}

void TAboutDialog::showEvent(QShowEvent* event)
{
    FormShow();
    QDialog::showEvent(event);
    if (parentWidget()) // centred on the main window
        move(parentWidget()->geometry().center() - rect().center());
}

void TAboutDialog::FormShow()
{
    const AboutTexts texts = aboutTexts(language);
    setWindowTitle(QString::fromUtf8(texts.caption));
    Label2->setText(QString::fromUtf8(texts.version));
    Label5->setText(QString::fromUtf8(texts.created));
    Label4->setText(QString::fromUtf8(texts.country));

    const veldris::VersionParts parts = veldris::splitVersion(veldris::versionValue("FileVersion"));
    lblTitle->setText(version("FileDescription"));
    lblVersion->setText(QString::fromStdString(parts.mainVersion + " / " + parts.buildNumber));
    lblDate->setText(version("Comments"));
    lblCopyright->setText(version("LegalCopyright"));
}

void TAboutDialog::btnOKClick()
{
    accept();
}
