// Turns the manual's Markdown into a PDF:
//   zkd735-manual MANUAL.md OUT.pdf [--image NAME=FILE]...
// Every --image supplies the picture that the Markdown names NAME.

#include <QCommandLineParser>
#include <QFile>
#include <QGuiApplication>
#include <QColor>
#include <QImage>
#include <QPageLayout>
#include <QPageSize>
#include <QPdfWriter>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextFragment>
#include <QTextFrame>
#include <QTextTable>
#include <QTextImageFormat>
#include <QUrl>

#include <cstdio>

namespace {

constexpr int kExitOk = 0;
constexpr int kExitUsage = 2;
constexpr int kExitInput = 3;
constexpr int kExitOutput = 4;

constexpr qreal kBodyPointSize = 10.0;
// Printing leaves 2 cm on each side of the page; the document measures in
// pixels of 1/96 inch.
constexpr qreal kPrintMarginMm = 20.0;
constexpr qreal kMmPerInch = 25.4;
constexpr qreal kDocumentDpi = 96.0;
constexpr int kPdfResolution = 300;
constexpr qreal kTableCellPadding = 4.0;
constexpr qreal kTableBorder = 1.0;
const QColor kTableBorderColour(160, 160, 160);

void fail(const QString &text)
{
    std::fprintf(stderr, "zkd735-manual: %s\n", qPrintable(text));
}

// Pictures wider than the text are drawn at the text's width, at full resolution.
void fitImages(QTextDocument &document, qreal maxWidth)
{
    for (QTextBlock block = document.begin(); block.isValid(); block = block.next()) {
        for (auto it = block.begin(); !it.atEnd(); ++it) {
            const QTextFragment fragment = it.fragment();
            if (!fragment.charFormat().isImageFormat())
                continue;
            QTextImageFormat format = fragment.charFormat().toImageFormat();
            const QImage image = document.resource(QTextDocument::ImageResource, QUrl(format.name())).value<QImage>();
            if (image.isNull() || image.width() <= maxWidth)
                continue;
            format.setWidth(maxWidth);
            format.setHeight(maxWidth * image.height() / image.width());
            QTextCursor cursor(&document);
            cursor.setPosition(fragment.position());
            cursor.setPosition(fragment.position() + fragment.length(), QTextCursor::KeepAnchor);
            cursor.setCharFormat(format);
        }
    }
}

// Tables as the Markdown gives them have no room in their cells.
void openUpTables(QTextFrame *frame)
{
    for (QTextFrame *child : frame->childFrames()) {
        if (auto *table = qobject_cast<QTextTable *>(child)) {
            QTextTableFormat format = table->format();
            format.setCellPadding(kTableCellPadding);
            format.setCellSpacing(0);
            format.setBorder(kTableBorder);
            format.setBorderBrush(kTableBorderColour);
            format.setBorderStyle(QTextFrameFormat::BorderStyle_Solid);
            format.setBorderCollapse(true);
            table->setFormat(format);
        }
        openUpTables(child);
    }
}

QString firstHeading(const QString &markdown)
{
    for (const QString &line : markdown.split(QLatin1Char('\n'))) {
        if (line.startsWith(QLatin1String("# ")))
            return line.mid(2).trimmed();
    }
    return {};
}

} // namespace

int main(int argc, char *argv[])
{
    QGuiApplication app(argc, argv);
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("Turns the manual's Markdown into a PDF."));
    parser.addHelpOption();
    const QCommandLineOption imageOption(QStringLiteral("image"),
                                         QStringLiteral("The picture NAME in the Markdown is the file FILE."),
                                         QStringLiteral("NAME=FILE"));
    parser.addOption(imageOption);
    parser.addPositionalArgument(QStringLiteral("markdown"), QStringLiteral("The manual in Markdown."));
    parser.addPositionalArgument(QStringLiteral("pdf"), QStringLiteral("The PDF to write."));
    if (!parser.parse(QCoreApplication::arguments()) || parser.positionalArguments().size() != 2) {
        fail(parser.errorText().isEmpty() ? parser.helpText() : parser.errorText());
        return kExitUsage;
    }
    if (parser.isSet(QStringLiteral("help"))) {
        std::printf("%s", qPrintable(parser.helpText()));
        return kExitOk;
    }
    const QString sourcePath = parser.positionalArguments().at(0);
    const QString pdfPath = parser.positionalArguments().at(1);

    QFile source(sourcePath);
    if (!source.open(QIODevice::ReadOnly)) {
        fail(QStringLiteral("%1: %2").arg(sourcePath, source.errorString()));
        return kExitInput;
    }
    const QString markdown = QString::fromUtf8(source.readAll());

    QTextDocument document;
    QFont font = document.defaultFont();
    font.setPointSizeF(kBodyPointSize);
    document.setDefaultFont(font);
    for (const QString &pair : parser.values(imageOption)) {
        const qsizetype split = pair.indexOf(QLatin1Char('='));
        const QImage image(split > 0 ? pair.mid(split + 1) : QString());
        if (split <= 0 || image.isNull()) {
            fail(QStringLiteral("cannot use the picture %1").arg(pair));
            return kExitInput;
        }
        document.addResource(QTextDocument::ImageResource, QUrl(pair.left(split)), image);
    }
    document.setMarkdown(markdown, QTextDocument::MarkdownDialectGitHub);

    QPdfWriter writer(pdfPath);
    writer.setResolution(kPdfResolution);
    writer.setPageLayout(QPageLayout(QPageSize(QPageSize::A4), QPageLayout::Portrait, QMarginsF()));
    writer.setTitle(firstHeading(markdown));
    writer.setCreator(QStringLiteral("zkd735-manual"));
    const qreal textWidthMm = QPageSize(QPageSize::A4).size(QPageSize::Millimeter).width() - 2 * kPrintMarginMm;
    fitImages(document, textWidthMm / kMmPerInch * kDocumentDpi);
    openUpTables(document.rootFrame());
    document.print(&writer);

    if (!QFile::exists(pdfPath) || QFile(pdfPath).size() == 0) {
        fail(QStringLiteral("%1 was not written").arg(pdfPath));
        return kExitOutput;
    }
    return kExitOk;
}
