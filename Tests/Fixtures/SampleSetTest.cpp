#include "Tests/Fixtures/SampleSet.h"

#include "Tests/Fixtures/FixtureFiles.h"
#include "Tests/Fixtures/FixtureReadBack.h"
#include "Tests/Fixtures/LibraryBuilder.h"
#include "Tests/Support/TestEnv.h"

#include <QCryptographicHash>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QSet>
#include <gtest/gtest.h>
#include <map>
#include <unistd.h>

using namespace pellimor::fixtures;
namespace rb = pellimor::fixtures::readback;
using pellimor::test::TestEnv;

namespace {

QString identifierOf(const QString& bundle) {
    const rb::QueryResult result =
        rb::query(bundle + "/CurrentVersion.flexolibrary",
                  "select ZTYPE, ZIDENTIFIER from ZCOLLECTION where ZTYPE = 'FFLibrary' limit 1");
    return result.rows.empty() ? QString() : QString::fromUtf8(result.rows.front().second);
}

std::vector<std::pair<QString, QByteArray>> identified(const QString& db) {
    return rb::query(db, "select ZTYPE, ZIDENTIFIER from ZCOLLECTION where ZIDENTIFIER is not null and "
                         "ZIDENTIFIER != ''")
        .rows;
}

QString readLink(const QString& path) {
    char buffer[4096];
    const ssize_t n = ::readlink(QFile::encodeName(path).constData(), buffer, sizeof buffer);
    return n < 0 ? QString() : QFile::decodeName(QByteArray(buffer, n));
}

// Everything below `root`, by relative path: kind, size, content hash or link target (with the
// root replaced), and the modification time inside library bundles.
std::map<QString, QString> describe(const QString& root) {
    std::map<QString, QString> items;
    QDirIterator it(root, QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
                    QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString path = it.next();
        const QFileInfo info(path);
        const QString relative = path.mid(root.size());
        QString text;
        if (info.isSymLink()) {
            text = "link " + readLink(path).replace(root, "<root>");
        } else if (info.isDir()) {
            text = "folder";
        } else {
            QFile file(path);
            file.open(QIODevice::ReadOnly);
            text = QString("file %1 %2")
                       .arg(info.size())
                       .arg(QString::fromLatin1(
                           QCryptographicHash::hash(file.readAll(), QCryptographicHash::Sha256).toHex()));
        }
        if (relative.contains(".fcpbundle"))
            text += " " + FixtureFiles::modifiedTime(path).value_or(QDateTime()).toString(Qt::ISODate);
        items[relative] = text;
    }
    return items;
}

} // namespace

// The set holds what later features need to show: drives, copies of one library, a backup,
// broken links with their files elsewhere, plug-ins and a stand-in application.
TEST(SampleSet, WritesDrivesCopiesBackupsAndBrokenLinks) {
    const SampleSet::Result set = SampleSet::write(TestEnv::freshDir("samples"));
    EXPECT_EQ(QDir(set.volumesRoot).entryList(QDir::Dirs | QDir::NoDotAndDotDot),
              (QStringList{"Archive", "Backup", "Studio"}));
    ASSERT_EQ(set.libraries.size(), 6);
    QMap<QString, QStringList> byIdentifier;
    for (const QString& library : set.libraries) {
        EXPECT_TRUE(library.endsWith(".fcpbundle")) << library.toStdString();
        byIdentifier[identifierOf(library)] << library.mid(set.folder.size());
    }
    EXPECT_FALSE(byIdentifier.contains(QString()));
    const QStringList weddings = byIdentifier.value(identifierOf(set.libraries.first()));
    EXPECT_EQ(weddings,
              (QStringList{
                  "/Volumes/Studio/Libraries/Wedding 2024.fcpbundle",
                  "/Volumes/Archive/Libraries/Wedding 2024.fcpbundle",
                  "/Volumes/Backup/Final Cut Backups.localized/Wedding 2024/20250301_0930_GMT+10.fcpbundle",
              }));
    EXPECT_EQ(byIdentifier.size(), 4);

    // The two working copies differ: one project re-edited, one media file missing.
    const QString studio = set.volumesRoot + "/Studio/Libraries/Wedding 2024.fcpbundle";
    const QString archive = set.volumesRoot + "/Archive/Libraries/Wedding 2024.fcpbundle";
    EXPECT_NE(identified(studio + "/Ceremony/Ceremony Edit/CurrentVersion.fcpevent"),
              identified(archive + "/Ceremony/Ceremony Edit/CurrentVersion.fcpevent"));
    EXPECT_EQ(identified(studio + "/Reception/Highlights/CurrentVersion.fcpevent"),
              identified(archive + "/Reception/Highlights/CurrentVersion.fcpevent"));
    EXPECT_TRUE(QFileInfo::exists(studio + "/Ceremony/Original Media/A001_C002.mov"));
    EXPECT_FALSE(QFileInfo::exists(archive + "/Ceremony/Original Media/A001_C002.mov"));
    for (const QString& copy : {studio, archive})
        EXPECT_TRUE(QFileInfo(copy + "/Ceremony/Original Media/DJI_0001.MP4").exists()) << copy.toStdString();

    // A broken link to a drive that is not connected, and a file of that name on another drive.
    const QString broken = set.volumesRoot + "/Studio/Libraries/Documentary - Rivers.fcpbundle/Interviews/"
                                             "Original Media/C0042.MP4";
    EXPECT_TRUE(QFileInfo(broken).isSymLink());
    EXPECT_FALSE(QFileInfo(broken).exists());
    EXPECT_EQ(readLink(broken), set.volumesRoot + "/Field Drive/Card 2/C0042.MP4");
    EXPECT_TRUE(QFileInfo::exists(set.volumesRoot + "/Archive/Footage/Card 2/C0042.MP4"));
    // More on a second drive, whose file lies on a third drive and in the home folder, and one
    // whose file is nowhere.
    const QString drone =
        set.volumesRoot + "/Archive/Libraries/Wedding 2024.fcpbundle/Reception/Original Media/DJI_0007.MP4";
    EXPECT_TRUE(QFileInfo(drone).isSymLink());
    EXPECT_FALSE(QFileInfo(drone).exists());
    EXPECT_EQ(readLink(drone), set.volumesRoot + "/Field Drive/Wedding 2024/Drone/DJI_0007.MP4");
    EXPECT_TRUE(QFileInfo::exists(set.volumesRoot + "/Backup/Card Backups/Wedding 2024/Drone/DJI_0007.MP4"));
    EXPECT_TRUE(QFileInfo::exists(set.homeFolder + "/Downloads/DJI_0007.MP4"));
    const QString heron = set.volumesRoot + "/Studio/Libraries/Documentary - Rivers.fcpbundle/B-Roll/"
                                            "Original Media/Heron.mov";
    EXPECT_TRUE(QFileInfo(heron).isSymLink());
    EXPECT_FALSE(QFileInfo(heron).exists());

    // Library versions around the application's own, and the application itself.
    QStringList versions;
    for (const QString& library : set.libraries)
        versions << rb::readPlistFile(library + "/CurrentVersion.plist")
                        .toMap()
                        .value("catalogVersion")
                        .toString();
    EXPECT_TRUE(versions.filter("10.6.5").size() == 1 && versions.filter("11.0").size() == 1)
        << versions.join("; ").toStdString();
    const QVariantMap info = rb::readPlistFile(set.finalCutApp + "/Contents/Info.plist").toMap();
    EXPECT_EQ(info.value("CFBundleIdentifier"), QVariant("com.apple.FinalCut"));
    EXPECT_EQ(info.value("CFBundleShortVersionString"), QVariant("10.8.1"));
    EXPECT_TRUE(QFileInfo(set.finalCutApp + "/Contents/MacOS/Final Cut Pro").isExecutable());

    // DeRoom 2 on 120 clips of one project.
    const rb::QueryResult deroom = rb::query(
        set.volumesRoot +
            "/Studio/Clients/Acme/Acme Promo.fcpbundle/Podcast/Podcast Ep 12/CurrentVersion.fcpevent",
        "select c.ZTYPE, m.ZDICTIONARYDATA from ZCOLLECTION c join ZCOLLECTIONMD m on m.ZCOLLECTION = c.Z_PK "
        "where "
        "c.ZTYPE in ('FFMotionEffect','FFFxPlugEffect','FFAudioUnitEffect','FFAudioUnitAnalyzingEffect')");
    int deroomRows = 0;
    for (const auto& row : deroom.rows)
        deroomRows += rb::decodeArchive(row.second).toMap().value("effectID") ==
                      QVariant(CollectionRow::audioUnitID("aufx", "ADR2", "Actz"));
    EXPECT_EQ(deroomRows, 120);

    EXPECT_LT(FixtureFiles::allocatedSize(set.folder), 64LL * 1024 * 1024);
}

// Two runs give the same set: names, bytes, identifiers and times inside the libraries.
TEST(SampleSet, IsTheSameOnEveryRun) {
    const QString first = SampleSet::write(TestEnv::freshDir("samples-a")).folder;
    const QString second = SampleSet::write(TestEnv::freshDir("samples-b")).folder;
    const auto a = describe(first);
    const auto b = describe(second);
    EXPECT_GT(a.size(), 100u);
    EXPECT_EQ(a, b);
}

// Writing again replaces an earlier sample set; any other folder is refused and left alone.
TEST(SampleSet, ReplacesItsOwnSetAndRefusesOtherFolders) {
    const QString folder = TestEnv::freshDir("samples-again");
    SampleSet::write(folder);
    FixtureFiles::writeBytes(folder + "/Volumes/Studio/stray.txt", "left over");
    const SampleSet::Result again = SampleSet::write(folder);
    EXPECT_FALSE(QFileInfo::exists(folder + "/Volumes/Studio/stray.txt"));
    EXPECT_EQ(again.libraries.size(), 6);

    const QString foreign = TestEnv::freshDir("samples-foreign");
    FixtureFiles::writeBytes(foreign + "/Volumes/keep.txt", "mine");
    EXPECT_THROW(SampleSet::write(foreign), std::runtime_error);
    EXPECT_EQ(QDir(foreign + "/Volumes").entryList(QDir::AllEntries | QDir::NoDotAndDotDot),
              QStringList{"keep.txt"});

    // A sample set with a foreign file beside it is not ours to clear either.
    FixtureFiles::writeBytes(folder + "/notes.txt", "mine");
    EXPECT_THROW(SampleSet::write(folder), std::runtime_error);
    EXPECT_TRUE(QFileInfo::exists(folder + "/notes.txt"));
    EXPECT_TRUE(QFileInfo::exists(folder + "/Volumes/Studio/Libraries/Wedding 2024.fcpbundle"));
}
