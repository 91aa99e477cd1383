#include "ScanRules/VolumeScanRules.h"

#include <QStringView>

namespace pellimor::VolumeScanRules {

namespace {

// The platform's path-extension rule: the last path component (trailing slashes
// ignored), then the text after its last "."; no extension when that dot is the
// component's first character, so hidden names like ".fcpcache" have none.
QString pathExtension(QStringView path) {
    while (path.size() > 1 && path.endsWith(u'/'))
        path.chop(1);
    const qsizetype slash = path.lastIndexOf(u'/');
    const QStringView component = slash < 0 ? path : path.mid(slash + 1);
    const qsizetype dot = component.lastIndexOf(u'.');
    if (dot <= 0)
        return {};
    return component.mid(dot + 1).toString();
}

bool isStartupVolumePath(const QString& mountPath) {
    return mountPath == u"/" || mountPath == u"/System/Volumes/Data";
}

} // namespace

const QString& finalCutBundleExtension() {
    static const QString value = QStringLiteral("fcpbundle");
    return value;
}

const QSet<QString>& generatedMediaFolderNames() {
    static const QSet<QString> names{
        QStringLiteral("Render Files"),   QStringLiteral("Transcoded Media"),
        QStringLiteral("Analysis Files"), QStringLiteral("Optimized Media"),
        QStringLiteral("Proxy Media"),    QStringLiteral(".fcpcache"),
    };
    return names;
}

const QSet<QString>& skippedPackageExtensions() {
    static const QSet<QString> extensions{
        QStringLiteral("app"),          QStringLiteral("photoslibrary"), QStringLiteral("imovielibrary"),
        QStringLiteral("framework"),    QStringLiteral("bundle"),        QStringLiteral("backupdb"),
        QStringLiteral("sparsebundle"), QStringLiteral("lrdata"),        QStringLiteral("keyflow"),
    };
    return extensions;
}

const QSet<QString>& skippedDirectoryNames() {
    static const QSet<QString> names{
        QStringLiteral("Backups.backupdb"), QStringLiteral(".MobileBackups"),
        QStringLiteral(".Trashes"),         QStringLiteral(".Trash"),
        QStringLiteral(".Spotlight-V100"),  QStringLiteral(".fseventsd"),
        QStringLiteral(".TemporaryItems"),  QStringLiteral("node_modules"),
        QStringLiteral("$RECYCLE.BIN"),     QStringLiteral("System Volume Information"),
    };
    return names;
}

const QSet<QString>& videoExtensions() {
    static const QSet<QString> extensions{
        QStringLiteral("mov"),  QStringLiteral("mp4"),  QStringLiteral("m4v"),  QStringLiteral("mxf"),
        QStringLiteral("avi"),  QStringLiteral("mkv"),  QStringLiteral("braw"), QStringLiteral("r3d"),
        QStringLiteral("mts"),  QStringLiteral("m2ts"), QStringLiteral("mpg"),  QStringLiteral("mpeg"),
        QStringLiteral("insv"), QStringLiteral("lrv"),  QStringLiteral("dv"),   QStringLiteral("vob"),
    };
    return extensions;
}

const QSet<QString>& photoExtensions() {
    static const QSet<QString> extensions{
        QStringLiteral("jpg"),  QStringLiteral("jpeg"), QStringLiteral("png"),  QStringLiteral("heic"),
        QStringLiteral("heif"), QStringLiteral("tif"),  QStringLiteral("tiff"), QStringLiteral("dng"),
        QStringLiteral("raw"),  QStringLiteral("cr2"),  QStringLiteral("cr3"),  QStringLiteral("nef"),
        QStringLiteral("arw"),  QStringLiteral("raf"),  QStringLiteral("orf"),  QStringLiteral("rw2"),
        QStringLiteral("gif"),  QStringLiteral("webp"),
    };
    return extensions;
}

bool shouldSkipDirectory(const QString& name, bool insideFinalCutBundle, bool skipSafetyNet) {
    // Hidden folders outside a library are system clutter; inside one, Final Cut Pro keeps
    // its own, and the cache folder is dealt with by the generated-media rule.
    if (!insideFinalCutBundle && name.startsWith(u'.') && name != u".fcpcache")
        return true;
    if (skippedDirectoryNames().contains(name))
        return true;
    if (insideFinalCutBundle && generatedMediaFolderNames().contains(name))
        return true;
    if (skippedPackageExtensions().contains(pathExtension(name).toLower()))
        return true;
    if (skipSafetyNet && name.contains(u"SafetyNet", Qt::CaseInsensitive))
        return true;
    return false;
}

bool isFinalCutBundle(const QString& name) {
    return pathExtension(name).toLower() == finalCutBundleExtension();
}

bool isOriginalMediaFolder(const QString& name) {
    return name == u"Original Media";
}

bool shouldSkipVolume(const QString& mountPath, bool isSystem) {
    return isSystem || isStartupVolumePath(mountPath);
}

bool isSystemVolume(const QString& mountPath, const std::optional<QString>& volumeType,
                    const std::optional<QString>& volumeName) {
    if (isStartupVolumePath(mountPath))
        return true;
    const QString type = volumeType.value_or(QString()).toLower();
    if (type.contains(u"system") && !type.contains(u"external"))
        return true;
    if (!volumeName)
        return false;
    return *volumeName == u"Recovery" || *volumeName == u"Preboot" || *volumeName == u"VM";
}

std::optional<MediaKind> mediaKindForExtension(const QString& extension) {
    const QString lowered = extension.toLower();
    if (videoExtensions().contains(lowered))
        return MediaKind::video;
    if (photoExtensions().contains(lowered))
        return MediaKind::photo;
    return std::nullopt;
}

std::optional<MediaKind> mediaKindForFileName(const QString& fileName) {
    return mediaKindForExtension(pathExtension(fileName));
}

} // namespace pellimor::VolumeScanRules
