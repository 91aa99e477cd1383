#include "Catalogue/LibraryReader.h"
#include "Support/FileTimes.h"
#include "Support/TextCompare.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QUuid>
#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <dirent.h>
#include <sys/stat.h>
#include <vector>

namespace pellimor::LibraryReader {

namespace {

// Seconds as the shortest decimal text that reads back to the same double, always with a
// decimal point ("1733650000.0", "1733650000.25"). Plain positional notation is used for
// every magnitude, never an exponent: a signature is compared as text, so one number must
// have exactly one spelling, and file times never come near the sizes where an exponent
// would save space.
QString secondsText(double seconds) {
    if (!std::isfinite(seconds))
        return QStringLiteral("0.0");
    // Enough for the longest fixed form of any finite double (about 330 characters).
    char buffer[512];
    const auto [end, error] =
        std::to_chars(buffer, buffer + sizeof buffer, seconds, std::chars_format::fixed);
    if (error != std::errc())
        return QStringLiteral("0.0");
    QString text = QString::fromLatin1(buffer, end - buffer);
    if (!text.contains(QLatin1Char('.')))
        text += QStringLiteral(".0");
    return text;
}

QString lastComponent(QString path) {
    while (path.size() > 1 && path.endsWith(QLatin1Char('/')))
        path.chop(1);
    return path.mid(path.lastIndexOf(QLatin1Char('/')) + 1);
}

struct Entry {
    QString name;
    QByteArray path; // the file system's own bytes, so a name that is not UTF-8 is still examined
};

// The visible direct entries of a folder in the file manager's order; none when it cannot be
// listed.
std::vector<Entry> visibleEntries(const QString& folder) {
    std::vector<Entry> entries;
    const QByteArray native = QFile::encodeName(folder);
    DIR* dir = ::opendir(native.constData());
    if (!dir)
        return entries;
    while (const dirent* item = ::readdir(dir)) {
        const QByteArray name(item->d_name);
        if (name.startsWith('.'))
            continue;
        entries.push_back(Entry{QFile::decodeName(name), native + '/' + name});
    }
    ::closedir(dir);
    // Byte order first, so names that only differ in undecodable bytes keep a fixed order.
    std::sort(entries.begin(), entries.end(), [](const Entry& a, const Entry& b) { return a.path < b.path; });
    std::stable_sort(entries.begin(), entries.end(), [](const Entry& a, const Entry& b) {
        return TextCompare::localizedStandard(a.name, b.name) < 0;
    });
    return entries;
}

double nativeMtime(const QByteArray& path) {
    struct stat st {};
    if (::lstat(path.constData(), &st) != 0)
        return 0;
    return double(st.st_mtim.tv_sec) + double(st.st_mtim.tv_nsec) / 1e9;
}

QString child(const QString& folder, const QString& name) {
    return QDir(folder).filePath(name);
}

const QString kDatabase = QStringLiteral("CurrentVersion.fcpevent");

} // namespace

double mtime(const QString& path) {
    return FileTimes::modifiedSeconds(path).value_or(0.0);
}

QString signature(const QString& bundle) {
    QStringList projectHalf;
    QStringList sizeHalf;
    projectHalf.append(secondsText(mtime(child(bundle, QStringLiteral("CurrentVersion.flexolibrary")))));
    sizeHalf.append(secondsText(mtime(bundle)));

    for (const QString& event : eventFolders(bundle)) {
        const QString eventName = lastComponent(event);
        projectHalf.append(eventName);
        projectHalf.append(secondsText(mtime(child(event, kDatabase))));
        for (const QString& project : projectFolders(event)) {
            projectHalf.append(lastComponent(project));
            projectHalf.append(secondsText(mtime(child(project, kDatabase))));
        }

        sizeHalf.append(eventName);
        sizeHalf.append(secondsText(mtime(event)));
        // The folder's own time moves when media is added or removed; its contents are left
        // alone, because walking them would cost as much as reading the library.
        sizeHalf.append(secondsText(mtime(child(event, QStringLiteral("Original Media")))));
        for (const char* generated : {"Render Files", "Transcoded Media", "Analysis Files"}) {
            const QString folder = child(event, QString::fromLatin1(generated));
            sizeHalf.append(secondsText(mtime(folder)));
            for (const Entry& entry : visibleEntries(folder)) {
                sizeHalf.append(entry.name);
                sizeHalf.append(secondsText(nativeMtime(entry.path)));
            }
        }
    }
    return projectHalf.join(QLatin1Char('|')) + QLatin1String(sizeToken) + sizeHalf.join(QLatin1Char('|'));
}

bool selfTestSignature() {
    const QString root = QDir(QDir::tempPath())
                             .filePath(QStringLiteral("pellimor-sig-") +
                                       QUuid::createUuid().toString(QUuid::WithoutBraces).toUpper());
    const auto write = [](const QString& path, const QString& text) {
        QDir().mkpath(QFileInfo(path).absolutePath());
        QFile file(path);
        if (file.open(QIODevice::WriteOnly | QIODevice::Truncate))
            file.write(text.toUtf8());
    };
    const QString x = QStringLiteral("x");

    const QString sample = child(root, QStringLiteral("Test.fcpbundle"));
    write(child(sample, QStringLiteral("CurrentVersion.flexolibrary")), x);
    const QString event = child(sample, QStringLiteral("EventA"));
    write(child(event, kDatabase), x);
    write(child(event, QStringLiteral("Original Media/clip.mov")), QString(8000, QLatin1Char('o')));
    write(child(event, QStringLiteral("Render Files/Peaks Data/peak")), QString(4000, QLatin1Char('r')));
    write(child(event, QStringLiteral("EventA Project/CurrentVersion.fcpevent")), x);
    write(child(root,
                QStringLiteral("DaVinci/CacheClip/audio/Volumes/X/Fake.fcpbundle/Ev/Original Media/a.pfl")),
          x);
    const QString backup =
        child(root, QStringLiteral("Movies/Final Cut Backups.localized/Test/20260101_0900_GMT+10.fcpbundle"));
    write(child(backup, QStringLiteral("CurrentVersion.flexolibrary")), x);

    QStringList failures;
    const auto check = [&failures](bool passed, const QString& message) {
        const QByteArray line = (passed ? QStringLiteral("  ok   ") : QStringLiteral("  FAIL ")).toUtf8() +
                                ' ' + message.toUtf8() + '\n';
        std::fwrite(line.constData(), 1, size_t(line.size()), stdout);
        std::fflush(stdout);
        if (!passed)
            failures.append(message);
    };
    const auto foundNames = [&root](bool skipFCPBackups) {
        QList<PendingDir> pending{PendingDir{root, 0}};
        QStringList found;
        discover(pending, found, std::nullopt, false, skipFCPBackups, {}, {});
        QStringList names;
        for (const QString& path : found)
            names.append(lastComponent(path));
        return names;
    };
    const auto halves = [](const QString& text) {
        const qsizetype at = text.indexOf(QLatin1String(sizeToken));
        if (at < 0)
            return std::pair<QString, std::optional<QString>>{text, std::nullopt};
        return std::pair<QString, std::optional<QString>>{text.left(at),
                                                          text.mid(at + qsizetype(qstrlen(sizeToken)))};
    };
    const auto renderSize = [](const LibraryInfo& info) {
        return info.events.isEmpty() ? qint64(-1) : info.events.first().renderSize;
    };

    const QString sampleName = lastComponent(sample);
    const QString backupName = lastComponent(backup);
    const QStringList names = foundNames(true);
    check(names == QStringList{sampleName},
          QStringLiteral("a .fcpbundle folder inside DaVinci's cache is not listed as a library"));
    check(!names.contains(backupName),
          QStringLiteral("Final Cut's automatic backups are left out of a scan"));
    QStringList withBackups = foundNames(false);
    withBackups.sort();
    QStringList expected{sampleName, backupName};
    expected.sort();
    check(withBackups == expected,
          QStringLiteral("with the setting off, Final Cut's automatic backups are listed"));
    check(isFinalCutBackup(backup) && !isFinalCutBackup(sample),
          QStringLiteral("a library in the Final Cut Backups folder is recognised, a normal one is not"));

    const QString before = signature(sample);
    check(before.contains(QLatin1String(sizeToken)), QStringLiteral("signature carries a size token"));
    const auto [projectBefore, sizeBefore] = halves(before);
    check(!projectBefore.contains(QStringLiteral("@size")),
          QStringLiteral("project half stops before the size token"));
    QList<MediaEntry> media;
    const LibraryInfo first = read(sample, before, media);
    check(renderSize(first) > 0, QStringLiteral("render files are counted before deletion"));

    QDir(child(event, QStringLiteral("Render Files/Peaks Data"))).removeRecursively();
    const QString after = signature(sample);
    const auto [projectAfter, sizeAfter] = halves(after);
    check(projectBefore == projectAfter,
          QStringLiteral("deleting render files leaves the project fingerprint alone"));
    check(sizeBefore != sizeAfter, QStringLiteral("deleting render files changes the size token"));
    media.clear();
    const LibraryInfo second = read(sample, after, media);
    check(renderSize(second) == 0, QStringLiteral("a fresh read reports no render files"));
    check(second.totalSize() < first.totalSize(), QStringLiteral("a fresh read reports a smaller library"));

    const QByteArray verdict = failures.isEmpty()
                                   ? QByteArray("SIGNATURE CHECKS PASSED\n")
                                   : "SIGNATURE FAILED: " + QByteArray::number(failures.size()) + '\n';
    std::fwrite(verdict.constData(), 1, size_t(verdict.size()), stdout);
    std::fflush(stdout);
    QDir(root).removeRecursively();
    return failures.isEmpty();
}

} // namespace pellimor::LibraryReader
