#include "Catalogue/Reader/BundleFolders.h"
#include "Catalogue/Reader/LibraryReader.h"
#include "Support/DirectoryListing.h"
#include "Support/FileTimes.h"
#include "Support/PathText.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QUuid>
#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>
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

// A time that could not be read counts as 0.
QString timeText(std::optional<double> seconds) {
    return secondsText(seconds.value_or(0.0));
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

    // Everything below the bundle is looked up from its open folders: a lookup by full path
    // would walk every component of a long path again, for each of the many times read here.
    const DirectoryListing library(QFile::encodeName(bundle));
    for (const BundleFolders::Folder& event : BundleFolders::events(library)) {
        const DirectoryListing eventFolder(library, event.entry.name);
        projectHalf.append(event.entry.text);
        projectHalf.append(timeText(event.databaseModified));
        for (const BundleFolders::Folder& project : BundleFolders::projects(eventFolder)) {
            projectHalf.append(project.entry.text);
            projectHalf.append(timeText(project.databaseModified));
        }

        sizeHalf.append(event.entry.text);
        sizeHalf.append(timeText(library.modifiedSeconds(event.entry.name)));
        // The folder's own time moves when media is added or removed; its contents are left
        // alone, because walking them would cost as much as reading the library.
        sizeHalf.append(timeText(eventFolder.modifiedSeconds(QByteArrayLiteral("Original Media"))));
        for (const char* generated : {"Render Files", "Transcoded Media", "Analysis Files"}) {
            const QByteArray name(generated);
            const std::optional<DirectoryListing::Item> item = eventFolder.item(name);
            sizeHalf.append(timeText(item ? item->modifiedSeconds : std::nullopt));
            if (!item)
                continue; // nothing there to list
            const DirectoryListing folder(eventFolder, name);
            std::vector<DirectoryListing::Entry> entries = folder.entries();
            std::sort(entries.begin(), entries.end(), DirectoryListing::finderLess);
            for (const DirectoryListing::Entry& entry : entries) {
                sizeHalf.append(entry.text);
                sizeHalf.append(timeText(folder.modifiedSeconds(entry.name)));
            }
        }
    }
    // An event folder whose name is not UTF-8 is no event, yet its bytes are the library's:
    // they are followed here by their sum, which only a walk of the folder gives. Such folders
    // are rare, and a library without one keeps its signature. A whole number of bytes has no
    // decimal point, so it is never taken for a time.
    for (const BundleFolders::Folder& folder : BundleFolders::undecodableEvents(library)) {
        sizeHalf.append(folder.entry.text);
        sizeHalf.append(
            QString::number(nativeAllocatedSize(QFile::encodeName(bundle) + '/' + folder.entry.name)));
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
            names.append(PathText::lastComponent(path));
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

    const QString sampleName = PathText::lastComponent(sample);
    const QString backupName = PathText::lastComponent(backup);
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
