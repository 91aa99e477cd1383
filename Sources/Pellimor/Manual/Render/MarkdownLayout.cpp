#include "Manual/Render/MarkdownLayout.h"

#include <QFile>
#include <QGuiApplication>
#include <QImage>
#include <QPixmap>
#include <QRegularExpression>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextFragment>
#include <QVariant>

namespace pellimor::MarkdownHTML {

namespace {

// A picture smaller than this is no capture of a window: an empty or broken file.
constexpr qint64 pictureBytes = 10000;

// The bytes behind a picture's address: a "qrc:" resource or a local file. Qt's own loading
// reads local files only, and the manual's pictures are compiled in.
QVariant pictureData(const QUrl& url) {
    QString path;
    if (url.scheme() == QLatin1String("qrc"))
        path = QLatin1Char(':') + url.path();
    else if (url.isLocalFile())
        path = url.toLocalFile();
    QFile file(path);
    if (path.isEmpty() || !file.open(QIODevice::ReadOnly))
        return QVariant();
    return file.readAll();
}

// Whether the document drew the picture from a file of a real capture's size. Qt hands a local
// file over as an image and a resource as its bytes (through pictureData()).
bool shows(const QTextDocument& document, const QUrl& name) {
    const QVariant loaded = document.resource(QTextDocument::ImageResource, name);
    bool image = false;
    if (loaded.metaType() == QMetaType::fromType<QImage>())
        image = !loaded.value<QImage>().isNull();
    else if (loaded.metaType() == QMetaType::fromType<QPixmap>())
        image = !loaded.value<QPixmap>().isNull();
    else if (loaded.metaType() == QMetaType::fromType<QByteArray>())
        image = !QImage::fromData(loaded.toByteArray()).isNull();
    return image && pictureData(document.baseUrl().resolved(name)).toByteArray().size() > pictureBytes;
}

// The page's style sheet with its font sizes in points. The page gives them in pixels of a
// screen where a pixel is a point, as the rest of the program's text is sized; Qt reads a pixel
// as a pixel of this screen (a 13-point window font stands beside 13-pixel page text, a
// quarter smaller) and drops a fractional one such as "16.900000000000002px" (what "Larger
// Text" makes of 13), falling back to the default font, smaller instead of larger.
QString pointSizes(const QString& html) {
    const qsizetype end = html.indexOf(QStringLiteral("</style>"));
    if (end < 0)
        return html;
    static const QRegularExpression size(QStringLiteral("(font(?:-size)?:\\s*)(\\d+(?:\\.\\d+)?)px"));
    const QString sheet = html.left(end);
    QString sized;
    qsizetype last = 0;
    for (QRegularExpressionMatchIterator it = size.globalMatch(sheet); it.hasNext();) {
        const QRegularExpressionMatch match = it.next();
        sized += QStringView(sheet).mid(last, match.capturedStart() - last);
        sized +=
            match.captured(1) + QString::number(match.captured(2).toDouble(), 'f', 2) + QStringLiteral("pt");
        last = match.capturedEnd();
    }
    sized += QStringView(sheet).mid(last);
    return sized + html.mid(end);
}

// Qt sizes a heading by its level, relative to the default font, over the size the style sheet
// gives it: the page's own heading sizes win instead, wherever it gives one.
void headingSizesFromTheSheet(QTextDocument& document) {
    struct Run {
        int start;
        int length;
        QTextCharFormat format;
    };
    QList<Run> runs; // gathered first: changing a format can merge the fragments being walked
    for (QTextBlock block = document.begin(); block.isValid(); block = block.next()) {
        for (auto it = block.begin(); !it.atEnd(); ++it) {
            const QTextFragment fragment = it.fragment();
            QTextCharFormat format = fragment.charFormat();
            if (!format.hasProperty(QTextFormat::FontSizeAdjustment) ||
                !(format.hasProperty(QTextFormat::FontPointSize) ||
                  format.hasProperty(QTextFormat::FontPixelSize)))
                continue;
            format.clearProperty(QTextFormat::FontSizeAdjustment);
            runs.append({fragment.position(), fragment.length(), format});
        }
    }
    for (const Run& run : runs) {
        QTextCursor cursor(&document);
        cursor.setPosition(run.start);
        cursor.setPosition(run.start + run.length, QTextCursor::KeepAnchor);
        cursor.setCharFormat(run.format);
    }
}

} // namespace

std::unique_ptr<QTextDocument> styled(const QString& html, const std::optional<QUrl>& baseURL) {
    if (!qobject_cast<QGuiApplication*>(QCoreApplication::instance()))
        return nullptr;
    auto document = std::make_unique<QTextDocument>();
    if (baseURL)
        document->setBaseUrl(*baseURL);
    document->setResourceProvider(pictureData);
    document->setHtml(pointSizes(html));
    headingSizesFromTheSheet(*document);
    return document;
}

LaidOut inspect(const QTextDocument* document) {
    LaidOut shown;
    if (!document)
        return shown;
    shown.plainText = document->toPlainText();
    QString lastLink;
    for (QTextBlock block = document->begin(); block.isValid(); block = block.next()) {
        for (auto it = block.begin(); !it.atEnd(); ++it) {
            const QTextFragment fragment = it.fragment();
            const QTextCharFormat format = fragment.charFormat();
            if (format.isImageFormat() && shows(*document, QUrl(format.toImageFormat().name())))
                ++shown.picturesShown;
            // A link split into fragments by its formatting (bold inside it) is one link.
            const QString link = format.isAnchor() ? format.anchorHref() : QString();
            if (!link.isEmpty() && link != lastLink)
                shown.links.append(link);
            lastLink = link;
        }
        lastLink.clear();
    }
    return shown;
}

} // namespace pellimor::MarkdownHTML
