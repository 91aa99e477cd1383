#include "Manual/ManualDoc.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMutex>
#include <QMutexLocker>
#include <QStringDecoder>
#include <mutex>

// The documents are compiled into this static library; a program links only the objects it
// uses, so the resources are registered by hand before the first read.
static void registerManualResources() {
    Q_INIT_RESOURCE(manual);
}

namespace pellimor {

namespace {

QMutex g_mutex;
std::optional<ManualDoc::Places> g_places; // a test's places; nothing: the standard ones

ManualDoc::Places placesInForce() {
    static std::once_flag registered;
    std::call_once(registered, registerManualResources);
    QMutexLocker lock(&g_mutex);
    return g_places ? *g_places : ManualDoc::standardPlaces();
}

QString fileIn(const QString& folder, const ManualDoc& doc) {
    return folder + QLatin1Char('/') + doc.resourceName() + QStringLiteral(".md");
}

// The file's text when it can be read and is valid UTF-8.
std::optional<QString> utf8File(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return std::nullopt;
    const QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError)
        return std::nullopt;
    QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString text = decoder.decode(bytes);
    if (decoder.hasError())
        return std::nullopt;
    return text;
}

bool holds(const QString& folder, const ManualDoc& doc) {
    return !folder.isEmpty() && QFileInfo(fileIn(folder, doc)).isFile();
}

QUrl folderURL(const QString& folder) {
    if (folder.startsWith(QLatin1Char(':')))
        return QUrl(QStringLiteral("qrc") + folder + QLatin1Char('/'));
    return QUrl::fromLocalFile(QDir(folder).absolutePath() + QLatin1Char('/'));
}

} // namespace

QList<ManualDoc> ManualDoc::all() {
    return {manual, whatsNew};
}

std::optional<ManualDoc> ManualDoc::fromRawValue(const QString& raw) {
    for (const ManualDoc& doc : all()) {
        if (doc.rawValue() == raw)
            return doc;
    }
    return std::nullopt;
}

QString ManualDoc::rawValue() const {
    return m_index == 0 ? QStringLiteral("Manual") : QStringLiteral("What's New");
}

QString ManualDoc::resourceName() const {
    return m_index == 0 ? QStringLiteral("MANUAL") : QStringLiteral("CHANGELOG");
}

ManualDoc::Places ManualDoc::standardPlaces() {
    return {QStringLiteral(":/manual"), QStringLiteral(TOVLIN_RESOURCES_DIR)};
}

ManualDoc::ScopedPlaces::ScopedPlaces(Places places) {
    QMutexLocker lock(&g_mutex);
    m_previous = g_places;
    g_places = std::move(places);
}

ManualDoc::ScopedPlaces::~ScopedPlaces() {
    QMutexLocker lock(&g_mutex);
    g_places = std::move(m_previous);
}

std::optional<QString> ManualDoc::text() const {
    const Places places = placesInForce();
    for (const QString& folder : {places.resources, places.sources}) {
        if (folder.isEmpty())
            continue;
        if (std::optional<QString> markdown = utf8File(fileIn(folder, *this)))
            return markdown;
    }
    return std::nullopt;
}

std::optional<QUrl> ManualDoc::baseURL() const {
    const Places places = placesInForce();
    if (holds(places.resources, *this))
        return folderURL(places.resources);
    if (holds(places.sources, *this))
        return folderURL(places.sources);
    return std::nullopt;
}

} // namespace pellimor
