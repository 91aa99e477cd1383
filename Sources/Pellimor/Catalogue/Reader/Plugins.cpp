#include "Catalogue/Reader/Plugins.h"

#include "Platform/FinalCutApp.h"
#include "Platform/Paths.h"
#include "Platform/Services.h"
#include "Support/AtomicFile.h"
#include "Support/Graphemes.h"
#include "Support/RegularFile.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QStringDecoder>
#include <algorithm>
#include <array>
#include <mutex>

namespace pellimor::Plugins {

namespace {

constexpr qsizetype uuidLength = 36;
constexpr qint64 largestSearchedFile = 7'999'999;

bool isAsciiHex(char c) {
    return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
}

bool isAsciiHex(QChar c) {
    return c.unicode() < 0x80 && isAsciiHex(char(c.unicode()));
}

int hexValue(QChar c) {
    const char ch = char(c.unicode());
    if (ch >= '0' && ch <= '9')
        return ch - '0';
    if (ch >= 'a' && ch <= 'f')
        return ch - 'a' + 10;
    return ch - 'A' + 10;
}

bool isUUIDAt(const char* p) {
    for (qsizetype i = 0; i < uuidLength; ++i) {
        const bool dashPlace = i == 8 || i == 13 || i == 18 || i == 23;
        if (dashPlace ? p[i] != '-' : !isAsciiHex(p[i]))
            return false;
    }
    return true;
}

// Printable codes read as their four letters; anything else as hexadecimal, so a code never
// carries control characters into a table or a file name.
QString fourCharCode(const std::array<quint8, 4>& bytes) {
    const bool printable =
        std::all_of(bytes.begin(), bytes.end(), [](quint8 b) { return b >= 32 && b <= 126; });
    if (printable) {
        QString code;
        for (quint8 b : bytes)
            code += QChar(char16_t(b));
        return code;
    }
    QString code = QStringLiteral("0x");
    for (quint8 b : bytes)
        code += QStringLiteral("%1").arg(uint(b), 2, 16, QLatin1Char('0'));
    return code;
}

// A template folder that Final Cut Pro named after a UUID carries no pack name worth showing.
bool looksLikeUUIDName(const QString& text) {
    return text.size() >= uuidLength && text.count(QLatin1Char('-')) == 4 &&
           Graphemes::count(text) == uuidLength;
}

std::optional<QString> templateKind(const QString& categoryFolder) {
    if (categoryFolder == QLatin1String("Titles"))
        return QStringLiteral("Title");
    if (categoryFolder == QLatin1String("Effects"))
        return QStringLiteral("Effect");
    if (categoryFolder == QLatin1String("Generators"))
        return QStringLiteral("Generator");
    if (categoryFolder == QLatin1String("Transitions"))
        return QStringLiteral("Transition");
    return std::nullopt;
}

std::optional<PluginUse> classifyTemplate(const QString& id, const std::optional<QString>& displayName) {
    static const QString localized = QStringLiteral(".localized");
    const QStringList pieces = id.split(QLatin1Char('/'), Qt::SkipEmptyParts);
    qsizetype category = -1;
    QString kind;
    for (qsizetype i = 0; i < pieces.size(); ++i) {
        if (!pieces[i].endsWith(localized))
            continue;
        if (const auto found = templateKind(pieces[i].chopped(localized.size()))) {
            category = i;
            kind = *found;
            break;
        }
    }
    if (category < 0)
        return std::nullopt;

    QString name;
    if (displayName) {
        name = *displayName;
    } else {
        const QString& last = pieces.last();
        const qsizetype dot = last.lastIndexOf(QLatin1Char('.'));
        name = dot < 0 ? last : last.left(dot);
    }

    QString pack = name;
    if (pieces.size() - category - 1 >= 2) {
        pack = pieces[category + 1];
        if (pack.endsWith(localized))
            pack.chop(localized.size());
    }
    if (looksLikeUUIDName(pack))
        pack = QStringLiteral("(unnamed template folder)");

    return PluginUse{kind, pack, name, id, 0};
}

// The version text becomes part of a file name; a separator in it must not lead the cache
// out of the program's folder.
QString cacheFilePath(const QString& version) {
    QString safe = version;
    safe.replace(QLatin1Char('/'), QLatin1Char('_'));
    return QDir(Paths::programSupportFolder()).filePath(QStringLiteral("apple-fxplug-%1.txt").arg(safe));
}

// The cached set, or nothing when the file cannot be read, is not UTF-8 or is empty.
std::optional<QSet<QString>> readCache(const QString& path) {
    // Only a regular file: a pipe at the name would hold the caller for good.
    const RegularFile::Contents file = RegularFile::read(path);
    if (file.status != RegularFile::Status::ok)
        return std::nullopt;
    QStringDecoder decoder(QStringDecoder::Utf8);
    const QString text = decoder.decode(file.bytes);
    if (decoder.hasError() || text.isEmpty())
        return std::nullopt;
    QSet<QString> ids;
    for (const QString& piece : text.split(QLatin1Char('\n'), Qt::SkipEmptyParts))
        ids.insert(piece);
    return ids;
}

void scanFile(const QString& path, QSet<QString>& into) {
    // The item's own type: a link is not a regular file, whatever it points at.
    const QFileInfo info(path);
    if (info.isSymLink() || !info.isFile() || info.size() > largestSearchedFile)
        return;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return;
    const qint64 size = file.size();
    if (size <= 0 || size > largestSearchedFile)
        return;
    if (uchar* mapped = file.map(0, size)) {
        scanUUIDs(QByteArray::fromRawData(reinterpret_cast<const char*>(mapped), qsizetype(size)), into);
        file.unmap(mapped);
        return;
    }
    const QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError)
        return;
    scanUUIDs(bytes, into);
}

QSet<QString> searchApplication(const QString& appPath) {
    static const QStringList folders{
        QStringLiteral("PlugIns"),
        QStringLiteral("Resources"),
        QStringLiteral("Frameworks/Flexo.framework"),
        QStringLiteral("Frameworks/Ozone.framework"),
        QStringLiteral("Frameworks/ProCore.framework"),
    };
    static const QSet<QString> extensions{
        QStringLiteral("plist"),   QStringLiteral("moef"), QStringLiteral("moti"),   QStringLiteral("motn"),
        QStringLiteral("moge"),    QStringLiteral("motr"), QStringLiteral("xml"),    QStringLiteral("json"),
        QStringLiteral("strings"), QStringLiteral("txt"),  QStringLiteral("fxplug"),
    };
    QSet<QString> ids;
    const QDir contents(QDir(appPath).filePath(QStringLiteral("Contents")));
    for (const QString& folder : folders) {
        // Links to folders are not followed, so a looping link cannot keep the walk going.
        QDirIterator walk(contents.filePath(folder),
                          QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
                          QDirIterator::Subdirectories);
        while (walk.hasNext()) {
            const QString path = walk.next();
            const QString name = walk.fileName();
            const qsizetype dot = name.lastIndexOf(QLatin1Char('.'));
            if (dot < 0 || !extensions.contains(name.mid(dot + 1).toLower()))
                continue;
            scanFile(path, ids);
        }
    }
    return ids;
}

QSet<QString> computeAppleFxPlugIDs() {
    const std::shared_ptr<platform::FinalCutApp> finalCut = platform::services().finalCut;
    if (!finalCut)
        return {};
    const std::optional<QString> appPath = finalCut->location();
    if (!appPath)
        return {};

    QString version = QStringLiteral("unknown");
    if (const std::optional<QVariantMap> info = finalCut->infoDictionary(*appPath)) {
        const QVariant value = info->value(QStringLiteral("CFBundleShortVersionString"));
        if (value.typeId() == QMetaType::QString)
            version = value.toString();
    }

    const QString cachePath = cacheFilePath(version);
    if (std::optional<QSet<QString>> cached = readCache(cachePath))
        return std::move(*cached);

    const QSet<QString> ids = searchApplication(*appPath);

    QStringList sorted(ids.begin(), ids.end());
    std::sort(sorted.begin(), sorted.end());
    QDir().mkpath(Paths::programSupportFolder());
    // A cache that cannot be written only means the search is repeated at the next start.
    (void)AtomicFile::write(cachePath, sorted.join(QLatin1Char('\n')).toUtf8());
    return ids;
}

std::mutex g_appleMutex;
std::optional<QSet<QString>> g_appleIDs;

} // namespace

std::optional<PluginUse> classify(const QString& id, const std::optional<QString>& displayName) {
    if (id.startsWith(QLatin1String(".../")))
        return std::nullopt;

    static const QString fxPlug = QStringLiteral("FxPlug:");
    if (id.startsWith(fxPlug)) {
        const QString uuid = id.mid(fxPlug.size()).toUpper();
        if (appleFxPlugIDs().contains(uuid))
            return std::nullopt;
        const QString shown = displayName.value_or(uuid);
        return PluginUse{QStringLiteral("Video plug-in"), shown, shown, id, 0};
    }

    if (id.startsWith(QLatin1String("AudioUnit:"))) {
        const std::optional<AudioUnitCodes> codes = parseAudioUnit(id);
        if (!codes || codes->manufacturer == QLatin1String("appl") ||
            codes->manufacturer == QLatin1String("EMAG"))
            return std::nullopt;
        return PluginUse{QStringLiteral("Audio"),
                         QStringLiteral("Audio Unit \u201C") + codes->manufacturer + QChar(0x201D),
                         displayName.value_or(codes->subtype), id, 0};
    }

    if (id.contains(QLatin1String(".localized/")))
        return classifyTemplate(id, displayName);

    return std::nullopt;
}

std::optional<AudioUnitCodes> parseAudioUnit(const QString& id) {
    const qsizetype prefix = id.indexOf(QLatin1String("0x"));
    if (prefix < 0)
        return std::nullopt;
    // Twelve bytes are all that is read; digits beyond them do not matter.
    std::array<int, 24> digits{};
    qsizetype found = 0;
    for (qsizetype i = prefix + 2; i < id.size() && found < qsizetype(digits.size()); ++i) {
        if (isAsciiHex(id[i]))
            digits[size_t(found++)] = hexValue(id[i]);
    }
    if (found < qsizetype(digits.size()))
        return std::nullopt;
    std::array<std::array<quint8, 4>, 3> codes{};
    for (int byte = 0; byte < 12; ++byte)
        codes[size_t(byte / 4)][size_t(byte % 4)] =
            quint8(digits[size_t(2 * byte)] << 4 | digits[size_t(2 * byte + 1)]);
    return AudioUnitCodes{fourCharCode(codes[0]), fourCharCode(codes[1]), fourCharCode(codes[2])};
}

void scanUUIDs(const QByteArray& bytes, QSet<QString>& into) {
    const char* data = bytes.constData();
    const qsizetype size = bytes.size();
    qsizetype p = 0;
    while (p + uuidLength <= size) {
        if (isUUIDAt(data + p)) {
            into.insert(QString::fromLatin1(data + p, uuidLength).toUpper());
            p += uuidLength;
        } else {
            ++p;
        }
    }
}

QSet<QString> appleFxPlugIDs() {
    // Held while computing: every other caller waits for the first one's answer.
    std::lock_guard lock(g_appleMutex);
    if (!g_appleIDs)
        g_appleIDs = computeAppleFxPlugIDs();
    return *g_appleIDs;
}

void resetAppleFxPlugIDs() {
    std::lock_guard lock(g_appleMutex);
    g_appleIDs.reset();
}

} // namespace pellimor::Plugins
