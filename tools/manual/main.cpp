// Builds an operating manual PDF from its Markdown source with Qt's own text layout (no
// network, no LaTeX): A4, the language's font (the CJK font for Chinese), pictures scaled to
// the text width, page numbers at the foot of each page.
//   veldris-manual SOURCE.md LANGUAGE OUT.pdf
// Pictures are taken relative to the source's folder. Run with QT_QPA_PLATFORM=offscreen.

#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QImageReader>
#include <QPageLayout>
#include <QPdfWriter>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextFragment>
#include <QTextImageFormat>
#include <QUrl>

#include <cstdio>

namespace {

// QTextDocument::print() lays the text out inside 2 cm margins of its own (and puts the page
// number into the lower one), so the writer's page has none: the text is 170 mm wide, 642
// pixels at the document's 96 dpi, less the root frame's margin.
constexpr qreal textWidthPixels = 620;

// Loads every picture into the document (a missing one is an error, not an empty frame) at its
// own size, or narrowed to the text width. Returns false after naming the pictures it missed.
bool loadPictures(QTextDocument& document, const QString& folder, const QString& sourceName)
{
    bool complete = true;
    for (QTextBlock block = document.begin(); block.isValid(); block = block.next()) {
        for (auto fragment = block.begin(); !fragment.atEnd(); ++fragment) {
            const QTextFragment part = fragment.fragment();
            if (!part.charFormat().isImageFormat())
                continue;
            QTextImageFormat picture = part.charFormat().toImageFormat();
            QImageReader reader(folder + QStringLiteral("/") + picture.name());
            const QImage image = reader.read();
            if (image.isNull()) {
                std::fprintf(stderr, "veldris-manual: %s, line %d: cannot read picture %s: %s\n", qPrintable(sourceName),
                             block.firstLineNumber() + 1, qPrintable(reader.fileName()), qPrintable(reader.errorString()));
                complete = false;
                continue;
            }
            document.addResource(QTextDocument::ImageResource, QUrl(picture.name()), image);
            const qreal width = std::min<qreal>(image.width(), textWidthPixels);
            picture.setWidth(width);
            picture.setHeight(width * image.height() / image.width());
            QTextCursor cursor(&document);
            cursor.setPosition(part.position());
            cursor.setPosition(part.position() + part.length(), QTextCursor::KeepAnchor);
            cursor.setCharFormat(picture);
        }
    }
    return complete;
}

bool holdsPicture(const QTextBlock& block)
{
    for (auto fragment = block.begin(); !fragment.atEnd(); ++fragment)
        if (fragment.fragment().charFormat().isImageFormat())
            return true;
    return false;
}

// A heading directly followed by a picture starts a new page, so that the two stay together
// (the layout knows no "keep with next").
void keepHeadingsWithPictures(QTextDocument& document)
{
    for (QTextBlock block = document.begin(); block.isValid(); block = block.next()) {
        if (block.blockFormat().headingLevel() == 0 || !holdsPicture(block.next()))
            continue;
        QTextBlockFormat format = block.blockFormat();
        format.setPageBreakPolicy(QTextFormat::PageBreak_AlwaysBefore);
        QTextCursor(block).setBlockFormat(format);
    }
}

} // namespace

int main(int argc, char** argv)
{
    QGuiApplication application(argc, argv);
    const QStringList arguments = application.arguments();
    if (arguments.size() != 4) {
        std::fputs("usage: veldris-manual SOURCE.md LANGUAGE OUT.pdf\n", stderr);
        return 2;
    }
    QFile source(arguments[1]);
    if (!source.open(QIODevice::ReadOnly)) {
        std::fprintf(stderr, "veldris-manual: cannot read %s\n", qPrintable(arguments[1]));
        return 1;
    }
    const QString folder = QFileInfo(arguments[1]).absolutePath();
    QTextDocument document;
    QFont font(arguments[2] == QLatin1String("cn") ? QStringLiteral("Noto Sans CJK SC") : QStringLiteral("DejaVu Sans"));
    font.setPointSizeF(9.5);
    document.setDefaultFont(font);
    document.setMarkdown(QString::fromUtf8(source.readAll()), QTextDocument::MarkdownDialectGitHub);
    if (!loadPictures(document, folder, arguments[1]))
        return 1;
    keepHeadingsWithPictures(document);

    QPdfWriter writer(arguments[3]);
    writer.setPageLayout(
        QPageLayout(QPageSize(QPageSize::A4), QPageLayout::Portrait, QMarginsF(0, 0, 0, 0), QPageLayout::Millimeter));
    writer.setTitle(document.toPlainText().section(QLatin1Char('\n'), 0, 0));
    writer.setCreator(QStringLiteral("KAVRO Veldris"));
    document.print(&writer);
    if (!QFileInfo(arguments[3]).size()) {
        std::fprintf(stderr, "veldris-manual: cannot write %s\n", qPrintable(arguments[3]));
        return 1;
    }
    return 0;
}
