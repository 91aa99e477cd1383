#include "Manual/Render/MarkdownLayout.h"

#include <QFile>
#include <QGuiApplication>
#include <QImage>
#include <QPixmap>
#include <QRegularExpression>
#include <QTextBlock>
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

// The page's style sheet with every size of a fractional pixel count rounded to a whole one:
// Qt's HTML importer drops a size such as "16.900000000000002px" (what "Larger Text" makes of
// 13px), and the text would fall back to the default font, smaller instead of larger.
QString wholePixels(const QString& html) {
    const qsizetype end = html.indexOf(QStringLiteral("</style>"));
    if (end < 0)
        return html;
    static const QRegularExpression fractional(QStringLiteral("(\\d+\\.\\d+)px"));
    QString sheet = html.left(end);
    QString rounded;
    qsizetype last = 0;
    for (QRegularExpressionMatchIterator it = fractional.globalMatch(sheet); it.hasNext();) {
        const QRegularExpressionMatch match = it.next();
        rounded += QStringView(sheet).mid(last, match.capturedStart() - last);
        rounded += QString::number(qRound(match.captured(1).toDouble())) + QStringLiteral("px");
        last = match.capturedEnd();
    }
    rounded += QStringView(sheet).mid(last);
    return rounded + html.mid(end);
}

} // namespace

std::unique_ptr<QTextDocument> styled(const QString& html, const std::optional<QUrl>& baseURL) {
    if (!qobject_cast<QGuiApplication*>(QCoreApplication::instance()))
        return nullptr;
    auto document = std::make_unique<QTextDocument>();
    if (baseURL)
        document->setBaseUrl(*baseURL);
    document->setResourceProvider(pictureData);
    document->setHtml(wholePixels(html));
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
