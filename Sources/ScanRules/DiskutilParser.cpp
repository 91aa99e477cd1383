#include "ScanRules/DiskutilParser.h"

#include "ScanRules/VolumeScanRules.h"

#include <QList>
#include <QStringView>

namespace pellimor {

namespace {

// Every character that ends a line, so "\r\n", "\r" and the Unicode separators split too.
bool isNewline(QChar c) {
    switch (c.unicode()) {
    case u'\n':
    case u'\r':
    case u'\v':
    case u'\f':
    case 0x0085:
    case 0x2028:
    case 0x2029:
        return true;
    default:
        return false;
    }
}

// Only spaces and tabs: `diskutil` pads with them, and nothing else may be lost.
QStringView trimmedOfBlanks(QStringView text) {
    const auto blank = [](QChar c) { return c == u' ' || c == u'\t'; };
    while (!text.isEmpty() && blank(text.front()))
        text = text.mid(1);
    while (!text.isEmpty() && blank(text.back()))
        text.chop(1);
    return text;
}

std::optional<QString> field(const QHash<QString, QString>& fields, const QString& key) {
    const auto it = fields.constFind(key);
    if (it == fields.constEnd())
        return std::nullopt;
    return *it;
}

// The last component of a path; the root is its own last component.
QString lastPathComponent(QStringView path) {
    while (path.size() > 1 && path.endsWith(u'/'))
        path.chop(1);
    if (path == u"/")
        return QStringLiteral("/");
    const qsizetype slash = path.lastIndexOf(u'/');
    return (slash < 0 ? path : path.mid(slash + 1)).toString();
}

// An unmounted volume or a whole disk reads "Not applicable", sometimes followed by a
// reason such as "(no file system)"; neither is a place anything is mounted.
bool namesNoMountPoint(const QString& mountPoint) {
    return mountPoint.isEmpty() || mountPoint == u"Not applicable" ||
           mountPoint.startsWith(u"Not applicable (");
}

} // namespace

QHash<QString, QString> DiskutilParser::fieldMap(const QString& info) {
    QHash<QString, QString> fields;
    const QStringView text(info);
    qsizetype start = 0;
    const qsizetype size = text.size();
    for (qsizetype i = 0; i <= size; ++i) {
        if (i < size && !isNewline(text[i]))
            continue;
        const QStringView line = text.mid(start, i - start);
        start = i + 1;
        const qsizetype colon = line.indexOf(u':');
        if (colon < 0)
            continue;
        const QStringView key = trimmedOfBlanks(line.first(colon));
        if (key.isEmpty())
            continue;
        fields.insert(key.toString(), trimmedOfBlanks(line.mid(colon + 1)).toString());
    }
    return fields;
}

std::optional<QString> DiskutilParser::emptyToNil(const std::optional<QString>& value) {
    if (!value || value->isEmpty() || *value == u"None")
        return std::nullopt;
    return value;
}

std::optional<MountedVolume> DiskutilParser::parse(const QString& info) {
    const QHash<QString, QString> fields = fieldMap(info);

    const QString mountPoint = field(fields, QStringLiteral("Mount Point")).value_or(QString());
    if (namesNoMountPoint(mountPoint))
        return std::nullopt;

    // An empty "Volume Name" is kept as an empty name: the line is there, the volume is unnamed.
    const QString name = field(fields, QStringLiteral("Volume Name")).value_or(lastPathComponent(mountPoint));
    const std::optional<QString> uuid = emptyToNil(field(fields, QStringLiteral("Volume UUID")));

    std::optional<QString> volumeType = field(fields, QStringLiteral("Volume Type"));
    if (!volumeType)
        volumeType = field(fields, QStringLiteral("Type (Bundle)"));

    const bool isSystem = VolumeScanRules::isSystemVolume(mountPoint, volumeType, name);

    const QString protocol = field(fields, QStringLiteral("Protocol")).value_or(QString()).toUpper();
    const QString personality =
        field(fields, QStringLiteral("File System Personality")).value_or(QString()).toLower();
    const bool isNetwork = protocol.contains(u"SMB") || protocol.contains(u"NFS") ||
                           protocol.contains(u"AFP") || personality.contains(u"smbfs");

    std::optional<QString> server;
    std::optional<QString> share;
    if (isNetwork) {
        std::optional<QString> source = emptyToNil(field(fields, QStringLiteral("Server Name")));
        if (!source)
            source = emptyToNil(field(fields, QStringLiteral("Mounted From")));
        if (source) {
            server = source;
            // "//user@server/share": the share is the last piece, the server all before it.
            if (source->contains(u'/')) {
                QStringList pieces = source->split(u'/', Qt::SkipEmptyParts);
                if (pieces.size() >= 2) {
                    share = pieces.takeLast();
                    server = pieces.join(u'/');
                }
            }
        }
    }

    return MountedVolume(uuid, name, name, mountPoint, server, share, isSystem);
}

} // namespace pellimor
