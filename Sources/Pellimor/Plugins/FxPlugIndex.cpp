#include "Plugins/FxPlugIndex.h"

#include "Catalogue/Reader/Plugins.h"
#include "Platform/FxPlugRegistry.h"
#include "Platform/Services.h"
#include "Plugins/PluginPlaces.h"
#include "Support/RegularFile.h"

#include <QDir>
#include <QFileInfo>

namespace pellimor::FxPlugIndex {

namespace {

bool isBlank(QChar c) {
    return c == QLatin1Char(' ') || c == QLatin1Char('\t');
}

// The text after the last "." of the place's last name; none for a name that only starts
// with one. A trailing separator does not hide the name.
QString extensionOf(QString path) {
    while (path.size() > 1 && path.endsWith(QLatin1Char('/')))
        path.chop(1);
    const QString name = path.mid(path.lastIndexOf(QLatin1Char('/')) + 1);
    const qsizetype dot = name.lastIndexOf(QLatin1Char('.'));
    return dot > 0 ? name.mid(dot + 1) : QString();
}

QString infoListOf(const QString& bundle) {
    return QDir(bundle).filePath(QStringLiteral("Contents/Info.plist"));
}

} // namespace

QSet<QString> build() {
    QStringList places{PluginPlaces::systemFxPlug(), PluginPlaces::userFxPlug()};
    if (const std::shared_ptr<platform::FxPlugRegistry> registry = platform::services().fxplugs) {
        if (const std::optional<QByteArray> listing = registry->listing())
            places += registryPlaces(*listing);
    }
    QSet<QString> ids;
    for (const QString& place : places)
        scanPlace(place, ids);
    return ids;
}

QStringList registryPlaces(const QByteArray& listing) {
    QStringList places;
    const QString text = QString::fromUtf8(listing);
    for (const QStringView line : QStringView(text).split(QLatin1Char('\n'), Qt::SkipEmptyParts)) {
        const qsizetype slash = line.indexOf(QLatin1Char('/'));
        if (slash < 0)
            continue;
        QStringView path = line.mid(slash);
        while (!path.isEmpty() && isBlank(path.back()))
            path.chop(1);
        places.append(path.toString());
    }
    return places;
}

void scanPlace(const QString& place, QSet<QString>& into) {
    const QFileInfo info(place);
    if (!info.exists())
        return;
    const QString extension = extensionOf(place);
    if (extension == QLatin1String("appex") || extension == QLatin1String("fxplug")) {
        scanInfoList(infoListOf(place), into);
        return;
    }
    if (!info.isDir())
        return;
    const QDir folder(place);
    const QStringList entries =
        folder.entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot, QDir::NoSort);
    for (const QString& entry : entries)
        scanInfoList(infoListOf(folder.filePath(entry)), into);
}

void scanInfoList(const QString& path, QSet<QString>& into) {
    // A pipe at the name would hold the main thread until something writes to it.
    const RegularFile::Contents file = RegularFile::read(path);
    if (file.status != RegularFile::Status::ok)
        return;
    // UUIDs are ASCII: decoding the bytes first would find the same ones.
    Plugins::scanUUIDs(file.bytes, into);
}

} // namespace pellimor::FxPlugIndex
