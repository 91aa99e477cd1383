// The self-test: collection, searches, ranking and repair proved on a sample library built in
// a temporary folder.

#include "MissingFiles/MissingFiles.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QUuid>
#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <sys/stat.h>
#include <unistd.h>

namespace pellimor::MissingFiles {

namespace {

// The sample folder, made in the system's temporary folder and removed with everything in it
// however the self-test ends. Only the sample's own folder is made: a temporary folder that
// is missing or not a folder stays so, and the checks that need the sample fail.
class SampleFolder {
public:
    SampleFolder() : m_path(inTemporaryFolder()) { m_made = QDir().mkdir(m_path); }
    ~SampleFolder() {
        if (!m_made)
            return;
        std::error_code ignored;
        std::filesystem::remove_all(std::filesystem::path(QFile::encodeName(m_path).constData()), ignored);
    }
    SampleFolder(const SampleFolder&) = delete;
    SampleFolder& operator=(const SampleFolder&) = delete;

    const QString& path() const { return m_path; }
    // Whether `path` lies in the sample, which exists: nothing is ever made anywhere else.
    bool holds(const QString& path) const { return m_made && path.startsWith(m_path + u'/'); }

private:
    static QString inTemporaryFolder() {
        // Qt names no temporary folder when TMPDIR names nothing; a relative path would then
        // build the sample, and search and repair, wherever the program was started. Below a
        // device nothing can be made or found.
        QString temp = QDir::tempPath();
        if (!QDir::isAbsolutePath(temp))
            temp = QStringLiteral("/dev/null");
        return QDir(temp).filePath(QStringLiteral("tovlin-missing-selftest-") +
                                   QUuid::createUuid().toString(QUuid::WithoutBraces).toUpper());
    }

    const QString m_path;
    bool m_made = false;
};

void printLine(const QByteArray& line) {
    std::fwrite(line.constData(), 1, size_t(line.size()), stdout);
    std::fputc('\n', stdout);
    std::fflush(stdout);
}

// Building the sample ignores every error: a check that needs what could not be made fails.
void write(const SampleFolder& sample, const QString& path, const QString& text) {
    if (!sample.holds(path))
        return;
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    if (file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        file.write(text.toUtf8());
}

QString read(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
}

bool isLink(const QString& path) {
    struct stat facts {};
    return ::lstat(QFile::encodeName(path).constData(), &facts) == 0 && S_ISLNK(facts.st_mode);
}

// Links followed.
bool exists(const QString& path) {
    struct stat facts {};
    return ::stat(QFile::encodeName(path).constData(), &facts) == 0;
}

QString resolved(const QString& path) {
    return QFileInfo(path).canonicalFilePath();
}

const QString kOldLibrary = QStringLiteral("/nonexistent/Old.fcpbundle/EvX/Original Media/");

} // namespace

bool selfTest() {
    const SampleFolder sample;
    const QDir root(sample.path());
    const QString library = root.filePath(QStringLiteral("Test.fcpbundle"));
    const QString media = library + QStringLiteral("/Ev/Original Media");
    const QString foundFolder = root.filePath(QStringLiteral("Found"));

    write(sample, library + QStringLiteral("/CurrentVersion.flexolibrary"), QStringLiteral("x"));
    write(sample, library + QStringLiteral("/Ev/CurrentVersion.fcpevent"), QStringLiteral("x"));
    write(sample, media + QStringLiteral("/kept.mov"), QStringLiteral("REAL ORIGINAL"));
    for (const char* name : {"a.mov", "b.mov", "c.mov", "d.mov"}) {
        const QString link = media + u'/' + QString::fromLatin1(name);
        const QString target = kOldLibrary + QString::fromLatin1(name).toUpper();
        (void)::symlink(QFile::encodeName(target).constData(), QFile::encodeName(link).constData());
    }
    write(sample, foundFolder + QStringLiteral("/A.MOV"), QStringLiteral("content of a"));
    write(sample, foundFolder + QStringLiteral("/B.MOV"), QStringLiteral("content of b"));
    write(sample, foundFolder + QStringLiteral("/one/C.MOV"), QStringLiteral("short"));
    write(sample, foundFolder + QStringLiteral("/two/C.MOV"), QStringLiteral("a much longer c"));
    write(sample, foundFolder + QStringLiteral("/d.mp4"), QStringLiteral("wrong type"));

    LibraryInfo record;
    record.path = library;
    record.name = QStringLiteral("Test");
    record.volumeName = QStringLiteral("Temp");

    int failures = 0;
    const auto check = [&failures](bool passed, const char* name) {
        printLine((passed ? QByteArrayLiteral("  ok   ") : QByteArrayLiteral("  FAIL ")) + ' ' + name);
        if (!passed)
            ++failures;
    };

    // 1
    const QList<MissingFile> files = collect({record});
    QStringList wanted;
    for (const MissingFile& file : files)
        wanted.append(file.wantedName());
    wanted.sort();
    check(files.size() == 4 && wanted == QStringList{"a.mov", "b.mov", "c.mov", "d.mov"},
          "four broken links are listed, the real original is not");

    // 2
    Found found;
    searchFolders({foundFolder}, QSet<QString>(wanted.cbegin(), wanted.cend()), std::make_shared<Stop>(),
                  found);
    const auto entry = [&found](const char* name) { return found.value(QString::fromLatin1(name)); };
    check(entry("a.mov").size() == 1 && entry("c.mov").size() == 2 &&
              !found.contains(QStringLiteral("d.mov")),
          "search finds files by the real file's name, any letter case");

    const auto fileNamed = [&files](const char* name) -> std::optional<MissingFile> {
        for (const MissingFile& file : files)
            if (file.name == QLatin1String(name))
                return file;
        return std::nullopt;
    };

    // 3
    const std::optional<MissingFile> c = fileNamed("c.mov");
    check(c && !candidate(*c, entry("c.mov")).path, "two same-named files of different sizes are not used");

    // 4
    const QString realC = root.filePath(QStringLiteral("Backup/Renamed.fcpbundle/EvX/Original Media/c.mov"));
    write(sample, realC, QStringLiteral("the real c"));
    {
        const std::optional<Candidate> proposed =
            c ? std::optional(candidate(*c, entry("c.mov") << realC)) : std::nullopt;
        check(proposed && proposed->path == resolved(realC) && proposed->match && proposed->match->isStrong(),
              "the same event and name inside a library wins over same-named strangers");
    }

    // 5
    {
        QStringList paths;
        for (const QString& text : entry("c.mov"))
            paths.append(resolved(text));
        bool passed = c && paths.size() >= 2;
        if (passed) {
            passed = candidate(*c, entry("c.mov"), paths.at(1)).path == paths.at(1) &&
                     !candidate(*c, entry("c.mov"), QStringLiteral("Trip/iPhone/X.JPG")).path;
        }
        check(passed, "a file the user marked as right is used; a mark on a file that is gone is ignored");
    }

    // 6
    const MissingFile photo{
        QStringLiteral("Test"),  library,
        QStringLiteral("Temp"),  QStringLiteral("Ev"),
        QStringLiteral("x.jpg"), QStringLiteral("/Volumes/Old/Pictures/2015/Trip/iPhone/X.JPG")};
    const QString tripPhoto = root.filePath(QStringLiteral("New/06 - 2015/Trip/iPhone/X.JPG"));
    const QString otherPhoto = root.filePath(QStringLiteral("New/2018/Other/iPhone/X.JPG"));
    write(sample, tripPhoto, QStringLiteral("the trip photo"));
    write(sample, otherPhoto, QStringLiteral("a different photo, different size"));
    {
        const Candidate proposed = candidate(photo, {otherPhoto, tripPhoto});
        check(proposed.path && proposed.path->endsWith(QLatin1String("Trip/iPhone/X.JPG")) &&
                  proposed.match && proposed.match->isStrong(),
              "the file in the same two folders wins over a same-named file elsewhere");
    }

    // 7
    {
        const MissingFile image{QStringLiteral("L"),
                                QStringLiteral("/x/L.fcpbundle"),
                                QStringLiteral("D"),
                                QStringLiteral("E"),
                                QStringLiteral("IMG_2204.jpg"),
                                QStringLiteral("/Volumes/G-RAID 4TB/Pictures/ImageLibrary/2015/June "
                                               "2015/Flinders - Simpson/iPhone/IMG_2204.JPG")};
        const int same =
            sharedFolders(image, QStringLiteral("/Volumes/Main HD 8TB/Pictures/ImageLibrary/2015/"
                                                "06 - June 2015/Flinders - Simpson/iPhone/IMG_2204.JPG"));
        const int other =
            sharedFolders(image, QStringLiteral("/Volumes/Main HD 8TB/Pictures/ImageLibrary/2018/"
                                                "03 - March 2018/Tasmania 2018/iPhone/IMG_2204.JPG"));
        const int archive =
            sharedFolders(image, QStringLiteral("/Volumes/Pegasus/FCP Archive/Touring/2013 "
                                                "Touring.fcpbundle/Outback Holliday 2012/Original "
                                                "Media/IMG_2204.jpg"));
        check(same == 6 && other == 1 && archive == 0,
              "the folder path is compared with the old one: only the drive changed scores highest");
    }

    // 8
    {
        const QString loose = root.filePath(QStringLiteral("Found/X.JPG"));
        write(sample, loose, QStringLiteral("yet another"));
        const QStringList places = realPlaces(photo, {loose, otherPhoto});
        check(!places.isEmpty() && places.front().endsWith(QLatin1String("Other/iPhone/X.JPG")),
              "among weaker matches, the one sharing more of the old folder path is listed first");
    }

    // 9 to 16: the repair. A link whose file the search did not find has no source to repair
    // with, and every check that needs one fails.
    const QString log = root.filePath(QStringLiteral("repair-log.txt"));
    const auto repairOne = [&](const char* name, const std::optional<QString>& source,
                               RepairMode mode) -> std::optional<RepairResult> {
        const std::optional<MissingFile> file = fileNamed(name);
        if (!file || !source)
            return std::nullopt;
        return repair({RepairItem{*file, *source}}, mode, false, log);
    };
    const auto firstFound = [&entry](const char* name) -> std::optional<QString> {
        const QStringList list = entry(name);
        return list.isEmpty() ? std::nullopt : std::optional(list.front());
    };
    const QString aLink = media + QStringLiteral("/a.mov");
    const QString bLink = media + QStringLiteral("/b.mov");
    const QString dLink = media + QStringLiteral("/d.mov");
    const QString keptFile = media + QStringLiteral("/kept.mov");

    // 9
    const std::optional<RepairResult> copied = repairOne("a.mov", firstFound("a.mov"), RepairMode::copy);
    check(copied && copied->done == 1 && !isLink(aLink) && read(aLink) == QLatin1String("content of a"),
          "copy: the broken link became a real copy of the found file");
    // 10
    check(exists(foundFolder + QStringLiteral("/A.MOV")), "copy: the found file is still where it was");
    // 11
    const std::optional<RepairResult> linked = repairOne("b.mov", firstFound("b.mov"), RepairMode::link);
    check(linked && linked->done == 1 && isLink(bLink) && read(bLink) == QLatin1String("content of b"),
          "repair link: the link now points at the found file");
    // 12
    const std::optional<RepairResult> wrongType =
        repairOne("d.mov", foundFolder + QStringLiteral("/d.mp4"), RepairMode::copy);
    check(wrongType && wrongType->done == 0 && !exists(dLink), "a found file of a different type is refused");
    // 13
    {
        const MissingFile kept{QStringLiteral("Test"),     library,
                               QStringLiteral("Temp"),     QStringLiteral("Ev"),
                               QStringLiteral("kept.mov"), QStringLiteral("/nonexistent/kept.mov")};
        const RepairResult result =
            repair({RepairItem{kept, foundFolder + QStringLiteral("/A.MOV")}}, RepairMode::copy, false, log);
        check(result.done == 0 && read(keptFile) == QLatin1String("REAL ORIGINAL"),
              "a real original is never replaced");
    }
    // 14
    const std::optional<RepairResult> again = repairOne("a.mov", firstFound("a.mov"), RepairMode::copy);
    check(again && again->done == 0, "an already repaired file is left alone");
    // 15: the new items are made in the event folder, beside Original Media.
    {
        bool clean = true;
        for (const QString& folder : {media, QFileInfo(media).absolutePath()}) {
            const QStringList names =
                QDir(folder).entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
            clean = clean && QFileInfo(folder).isDir() &&
                    std::none_of(names.cbegin(), names.cend(), [](const QString& name) {
                        return name.startsWith(QLatin1String(kTemporaryPrefix));
                    });
        }
        check(clean, "no temporary files are left in Original Media");
    }
    // 16
    check(read(log).contains(kOldLibrary + QStringLiteral("A.MOV")),
          "the log records where the old link pointed");

    // 17 and 18: the catalogue search, on records only.
    const MissingFile clip{QStringLiteral("Tech"),     QStringLiteral("/Volumes/Work/Tech.fcpbundle"),
                           QStringLiteral("Work"),     QStringLiteral("Ev"),
                           QStringLiteral("clip.mp4"), QStringLiteral("/Volumes/Old RAID/clip.mp4")};
    const LibraryTable libraries = {
        {QStringLiteral("/Volumes/B1/Tech.fcpbundle"),
         LibraryRow{QStringLiteral("Tech"), QStringLiteral("B1"), false}},
        {QStringLiteral("/Volumes/B2/Tech.fcpbundle"),
         LibraryRow{QStringLiteral("Tech"), QStringLiteral("B2"), false}},
        {QStringLiteral("/Volumes/B3/Other.fcpbundle"),
         LibraryRow{QStringLiteral("Other"), QStringLiteral("B3"), false}},
    };
    const auto entryOf = [](const char* library, const char* event, qint64 size) {
        return Catalog::MediaEntry2{QString::fromLatin1(library),
                                    MediaEntry{QStringLiteral("clip.mp4"), size, QString::fromLatin1(event)}};
    };
    // 17
    {
        const Found leads = searchCatalog({clip},
                                          {entryOf("/Volumes/B1/Tech.fcpbundle", "Ev", 0),
                                           entryOf("/Volumes/B2/Tech.fcpbundle", "Ev", 65'536)},
                                          libraries);
        check(leads.isEmpty(), "the same broken link in backup copies on unconnected drives is not a find");
    }
    // 18
    {
        const Found leads = searchCatalog({clip},
                                          {entryOf("/Volumes/B1/Tech.fcpbundle", "Ev", 0),
                                           entryOf("/Volumes/B3/Other.fcpbundle", "Trip", 12'000'000)},
                                          libraries);
        const QStringList list = leads.value(QStringLiteral("clip.mp4"));
        check(list.size() == 1 && !wasFound(list),
              "a real file listed on an unconnected drive is a lead to check, not counted as found");
    }

    printLine(failures == 0 ? QByteArrayLiteral("MISSING FILES CHECKS PASSED")
                            : QByteArrayLiteral("FAILED: ") + QByteArray::number(failures));
    return failures == 0;
}

} // namespace pellimor::MissingFiles
