#include "Catalogue/Reader/LibraryReader.h"
#include "Tests/Fixtures/FixtureFiles.h"
#include "Tests/Fixtures/LibraryBuilder.h"
#include "Tests/Support/TestEnv.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <fcntl.h>
#include <filesystem>
#include <functional>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace pellimor;
using fixtures::LibraryBuilder;
namespace Files = fixtures::FixtureFiles;

namespace {

const QDateTime kStamp = QDateTime::fromSecsSinceEpoch(1733650000, Qt::UTC);
const QString kT = QStringLiteral("1733650000.0");

// Two events whose names sort by number ("Event 2" before "Event 10"), one of them with a
// project and every kind of generated media, the other with its database only; and two top
// folders that are no events. Everything carries one time.
QString writeSample(const QString& hint) {
    LibraryBuilder lib(QStringLiteral("Sig"));
    lib.stamp = kStamp;
    lib.event(QStringLiteral("Event 2"))
        .media(QStringLiteral("a.mov"), 1'000)
        .render(QStringLiteral("b.rnd"), 1'000)
        .render(QStringLiteral("a/peak"), 1'000)
        .file(QStringLiteral("Render Files/.hidden"), 100)
        .proxy(QStringLiteral("a.mov"), 1'000)
        .analysis(QStringLiteral("x.analysis"), 1'000)
        .project(QStringLiteral("P1"));
    lib.event(QStringLiteral("Event 10"));
    lib.item(LibraryBuilder::Item::file(QStringLiteral("__Temp/CurrentVersion.fcpevent"), 10));
    lib.item(LibraryBuilder::Item::file(QStringLiteral("Plain/readme.txt"), 10));
    return lib.write(test::TestEnv::freshDir(hint));
}

struct Halves {
    QString project;
    QString size;
};

Halves halves(const QString& signature) {
    const qsizetype at = signature.indexOf(QLatin1String(LibraryReader::sizeToken));
    EXPECT_GE(at, 0) << signature.toStdString();
    return {signature.left(at), signature.mid(at + 7)};
}

void setNativeTime(const QByteArray& path, time_t seconds, long nanoseconds) {
    const timespec times[2] = {{seconds, nanoseconds}, {seconds, nanoseconds}};
    ASSERT_EQ(::utimensat(AT_FDCWD, path.constData(), times, AT_SYMLINK_NOFOLLOW), 0) << path.constData();
}

} // namespace

TEST(LibrarySignatureTest, ListsDatabaseAndFolderTimesInOrder) {
    const QString bundle = writeSample(QStringLiteral("sig-layout"));
    const QString project = QStringList{kT, "Event 2", kT, "P1", kT, "Event 10", kT}.join('|');
    // Event 2: its folder, "Original Media", then each generated-media folder with its visible
    // direct entries; Event 10 has none of those folders.
    const QString size =
        QStringList{kT, "Event 2",    kT, kT,         kT, "a",   kT,    "b.rnd", kT,   kT, "Proxy Media", kT,
                    kT, "x.analysis", kT, "Event 10", kT, "0.0", "0.0", "0.0",   "0.0"}
            .join('|');
    EXPECT_EQ(LibraryReader::signature(bundle), project + QStringLiteral("|@size|") + size);
}

TEST(LibrarySignatureTest, TimesAreShortestRoundTripDecimals) {
    LibraryBuilder lib(QStringLiteral("Times"));
    const QString bundle = lib.write(test::TestEnv::freshDir(QStringLiteral("sig-times")));
    const QString database = bundle + QStringLiteral("/CurrentVersion.flexolibrary");
    Files::setModified(database, kStamp.addMSecs(250));
    Files::setModified(bundle, kStamp);
    EXPECT_EQ(LibraryReader::signature(bundle), QStringLiteral("1733650000.25|@size|1733650000.0"));

    // A time to the nanosecond reads back to exactly the double the file system gave.
    setNativeTime(QFile::encodeName(database), 1733650000, 123456789);
    const QString element = halves(LibraryReader::signature(bundle)).project;
    EXPECT_TRUE(element.contains('.')) << element.toStdString();
    EXPECT_FALSE(element.contains('e')) << element.toStdString();
    bool ok = false;
    EXPECT_EQ(element.toDouble(&ok), LibraryReader::mtime(database));
    EXPECT_TRUE(ok);
    EXPECT_EQ(LibraryReader::mtime(database), 1733650000.0 + 123456789 / 1e9);

    // A bundle that is not there still has both halves, and is never the invalidated "0.0".
    EXPECT_EQ(LibraryReader::signature(bundle + QStringLiteral("-gone")), QStringLiteral("0.0|@size|0.0"));
}

TEST(LibrarySignatureTest, ModificationTimeIsTheItemsOwn) {
    const QString dir = test::TestEnv::freshDir(QStringLiteral("sig-mtime"));
    const QString target = dir + QStringLiteral("/target");
    const QString link = dir + QStringLiteral("/link");
    Files::writeBytes(target, "x");
    Files::makeLink(link, QStringLiteral("target"));
    Files::setModified(target, kStamp);
    Files::setModified(link, kStamp.addSecs(100));
    EXPECT_EQ(LibraryReader::mtime(target), 1733650000.0);
    EXPECT_EQ(LibraryReader::mtime(link), 1733650100.0);
    EXPECT_EQ(LibraryReader::mtime(dir + QStringLiteral("/missing")), 0.0);
}

TEST(LibrarySignatureTest, EachChangeMovesOnlyItsHalf) {
    const QDateTime later = kStamp.addSecs(60);
    struct Case {
        const char* what;
        std::function<void(const QString& bundle)> change;
        bool projectChanges;
        bool sizeChanges;
    };
    const Case cases[] = {
        {"a render file added",
         [](const QString& b) { Files::writeRandom(b + "/Event 2/Render Files/new.rnd", 500); }, false, true},
        {"proxy media removed",
         [](const QString& b) { QDir(b + "/Event 2/Transcoded Media/Proxy Media").removeRecursively(); },
         false, true},
        {"an analysis file added",
         [](const QString& b) { Files::writeRandom(b + "/Event 2/Analysis Files/y.analysis", 500); }, false,
         true},
        {"an original media file added",
         [](const QString& b) { Files::writeRandom(b + "/Event 2/Original Media/new.mov", 500); }, false,
         true},
        {"the event database saved",
         [&](const QString& b) { Files::setModified(b + "/Event 10/CurrentVersion.fcpevent", later); }, true,
         false},
        {"the project database saved",
         [&](const QString& b) { Files::setModified(b + "/Event 2/P1/CurrentVersion.fcpevent", later); },
         true, false},
        {"the library database saved",
         [&](const QString& b) { Files::setModified(b + "/CurrentVersion.flexolibrary", later); }, true,
         false},
        {"a hidden render file added, the folder's time kept",
         [](const QString& b) {
             Files::writeRandom(b + "/Event 2/Render Files/.cache", 500);
             Files::setModified(b + "/Event 2/Render Files", kStamp);
         },
         false, false},
        {"a folder without event database added, the bundle's time kept",
         [](const QString& b) {
             Files::writeRandom(b + "/__Old/CurrentVersion.fcpevent", 10);
             Files::writeRandom(b + "/Other/CurrentVersion.plist", 10);
             Files::setModified(b, kStamp);
         },
         false, false},
        {"an event added",
         [](const QString& b) { Files::writeBytes(b + "/Event 3/CurrentVersion.fcpevent", "x"); }, true,
         true},
    };
    int index = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const QString bundle = writeSample(QStringLiteral("sig-change-%1").arg(index++));
        const Halves before = halves(LibraryReader::signature(bundle));
        c.change(bundle);
        const Halves after = halves(LibraryReader::signature(bundle));
        EXPECT_EQ(before.project != after.project, c.projectChanges) << after.project.toStdString();
        EXPECT_EQ(before.size != after.size, c.sizeChanges) << after.size.toStdString();
    }
}

TEST(LibrarySignatureTest, EntryNamesThatAreNotUtf8KeepTheirTimes) {
    const QString bundle = writeSample(QStringLiteral("sig-bytes"));
    const QByteArray entry = QFile::encodeName(bundle) + "/Event 10/Render Files/bad\xff";
    Files::makeFolder(bundle + QStringLiteral("/Event 10/Render Files"));
    const int fd = ::open(entry.constData(), O_WRONLY | O_CREAT, 0644);
    ASSERT_GE(fd, 0);
    ::close(fd);
    setNativeTime(entry, 1733650000, 500000000);
    Files::setModified(bundle + QStringLiteral("/Event 10/Render Files"), kStamp);
    Files::setModified(bundle + QStringLiteral("/Event 10"), kStamp);

    const QString size = halves(LibraryReader::signature(bundle)).size;
    EXPECT_TRUE(size.endsWith(QStringLiteral("|Event 10|%1|0.0|%1|bad\uFFFD|1733650000.5|0.0|0.0").arg(kT)))
        << size.toStdString();
}

TEST(LibrarySignatureTest, SelfTestPassesAndCleansUp) {
    const QString temp = QDir::tempPath();
    const auto leftovers = [&] {
        return QDir(temp).entryList({QStringLiteral("pellimor-sig-*")}, QDir::Dirs | QDir::Hidden);
    };
    const QStringList before = leftovers();

    testing::internal::CaptureStdout();
    const bool passed = LibraryReader::selfTestSignature();
    const QString output = QString::fromStdString(testing::internal::GetCapturedStdout());

    EXPECT_TRUE(passed) << output.toStdString();
    const QStringList expected{
        "  ok    a .fcpbundle folder inside DaVinci's cache is not listed as a library",
        "  ok    Final Cut's automatic backups are left out of a scan",
        "  ok    with the setting off, Final Cut's automatic backups are listed",
        "  ok    a library in the Final Cut Backups folder is recognised, a normal one is not",
        "  ok    signature carries a size token",
        "  ok    project half stops before the size token",
        "  ok    render files are counted before deletion",
        "  ok    deleting render files leaves the project fingerprint alone",
        "  ok    deleting render files changes the size token",
        "  ok    a fresh read reports no render files",
        "  ok    a fresh read reports a smaller library",
        "SIGNATURE CHECKS PASSED",
        "",
    };
    EXPECT_EQ(output.split('\n'), expected);
    EXPECT_EQ(leftovers(), before) << "the sample folder is removed";
}
