// The system Trash on real files: where moved items land and what their records say, that a
// Trash which cannot take an item (too long a name, read-only, no inodes, no room, planted
// links, the wrong owner) leaves it where it was and says so, that nothing is ever replaced,
// copied or moved when it is not the item that was checked, and that deleting for good never
// reaches through a link or into another mount. Drives are small tmpfs mounts; tests that need
// one skip with the reason where mounting is not allowed.

#include "Platform/Trash.h"

#include "Platform/FreedesktopTrash.h"
#include "Platform/MountTable.h"
#include "Platform/Services.h"
#include "Tests/Fixtures/FixtureFiles.h"
#include "Tests/Support/ScopedMount.h"
#include "Tests/Support/Scopes.h"
#include "Tests/Support/TempFiles.h"
#include "Tests/Support/TestEnv.h"
#include "Tests/Support/TreeListing.h"
#include "Tests/Support/VirtualClock.h"

#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>
#include <QUrl>
#include <cerrno>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace pellimor;
using test::TestEnv;
namespace FixtureFiles = pellimor::fixtures::FixtureFiles;

namespace {

const QString kChanged = QStringLiteral("It changed since it was checked, so it was left alone.");
const QString kNotRecorded =
    QStringLiteral("Its record could not be written in the Trash (%1), so it was left "
                   "where it was.");

// Sorted by their code units, as QStringList::sort() does.
QStringList entries(const QString& folder) {
    QStringList names =
        QDir(folder).entryList(QDir::AllEntries | QDir::System | QDir::Hidden | QDir::NoDotAndDotDot);
    names.sort();
    return names;
}

QStringList sorted(QStringList names) {
    names.sort();
    return names;
}

mode_t modeOf(const QString& path) {
    struct stat facts {};
    return ::lstat(QFile::encodeName(path).constData(), &facts) == 0 ? facts.st_mode : 0;
}

ino_t inode(const QString& path) {
    struct stat facts {};
    return ::lstat(QFile::encodeName(path).constData(), &facts) == 0 ? facts.st_ino : 0;
}

bool present(const QString& path) {
    return QFileInfo::exists(path) || QFileInfo(path).isSymLink();
}

// The "Path=" of a record, decoded to the file system's bytes.
QByteArray recordedPath(const QString& infoFile) {
    for (const QByteArray& line : test::readAll(infoFile).split('\n'))
        if (line.startsWith("Path="))
            return QByteArray::fromPercentEncoding(line.mid(5));
    return {};
}

// The item as the run hands it over: its folder held open, its name there and its facts now.
struct Held {
    explicit Held(const QString& path)
        : path(path),
          folder(OpenFolder::open(path.left(path.lastIndexOf(u'/')), OpenFolder::LastLink::followed)),
          name(QFile::encodeName(path.mid(path.lastIndexOf(u'/') + 1))),
          facts(folder.entryFacts(name).value_or(ItemFacts{})) {}
    platform::TrashItem item() const { return platform::TrashItem{folder, name, path, facts}; }

    QString path;
    OpenFolder folder;
    QByteArray name;
    ItemFacts facts;
};

// A Trash of the test's own: XDG_DATA_HOME in a fresh folder beside the items, under the test
// main's HOME, so everything is on one file system and the home Trash is the one used.
class TrashTest : public ::testing::Test {
protected:
    TrashTest()
        : m_dataHome(TestEnv::freshDir(QStringLiteral("trash-data"))), m_scope("XDG_DATA_HOME", m_dataHome) {}

    QString homeTrash() const { return m_dataHome + QStringLiteral("/Trash"); }
    QString trashFiles() const { return homeTrash() + QStringLiteral("/files"); }
    QString trashInfo() const { return homeTrash() + QStringLiteral("/info"); }

    Result<void> moveToTrash(const QString& path) const { return trash->moveToTrash(Held(path).item()); }
    Result<void> remove(const QString& path) const { return trash->remove(Held(path).item()); }

    const std::shared_ptr<platform::Trash> trash = platform::Services::system().trash;

private:
    const QString m_dataHome;
    test::ScopedEnvironment m_scope;
};

// A drive: a small tmpfs of its own, so its Trash is the one at its top.
struct Drive {
    static Drive make(const QString& hint, int megabytes = 4, int inodes = 0) {
        const QString at = TestEnv::freshDir(hint) + QStringLiteral("/Drive");
        return Drive{at, test::ScopedMount::tmpfs(at, megabytes, inodes)};
    }
    QString path(const QString& relative) const { return top + u'/' + relative; }
    QString userTrash() const { return path(QStringLiteral(".Trash-") + QString::number(::geteuid())); }

    QString top;
    test::ScopedMount mount;
};

} // namespace

TEST_F(TrashTest, MovesIntoTheHomeTrashByRenamingAfterItsRecordIsWritten) {
    test::ScopedVirtualClock clock;
    const QString dir = TestEnv::freshDir(QStringLiteral("trash-items"));
    const QString item = dir + QStringLiteral("/Día 1/Proxy Media");
    FixtureFiles::writeRandom(item + QStringLiteral("/one.mov"), 5000);
    FixtureFiles::makeLink(item + QStringLiteral("/link.mov"), QStringLiteral("/nowhere/link.mov"));
    const QStringList tree = test::treeListing(item);
    const ino_t before = inode(item);

    const Result<void> moved = moveToTrash(item);
    ASSERT_TRUE(moved.ok()) << moved.error().toStdString();

    EXPECT_FALSE(present(item));
    EXPECT_EQ(entries(trashFiles()), QStringList{"Proxy Media"});
    EXPECT_EQ(entries(trashInfo()), QStringList{"Proxy Media.trashinfo"});
    // Renamed, not copied: the same folder, everything in it as it was, the link a link.
    EXPECT_EQ(inode(trashFiles() + QStringLiteral("/Proxy Media")), before);
    EXPECT_EQ(test::treeListing(trashFiles() + QStringLiteral("/Proxy Media")), tree);
    // The whole absolute path, percent-encoded, and the time in local time without a zone.
    const QDateTime now = QDateTime(QDate(2025, 3, 1), QTime(9, 30), Qt::UTC).toLocalTime();
    EXPECT_EQ(test::readAll(trashInfo() + QStringLiteral("/Proxy Media.trashinfo")),
              "[Trash Info]\nPath=" + QUrl::toPercentEncoding(dir, "/") + "/D%C3%ADa%201/Proxy%20Media\n" +
                  "DeletionDate=" + now.toString(Qt::ISODate).toLatin1() + "\n");
}

TEST_F(TrashTest, ANameTakenInEitherFolderOfTheTrashMovesOnToOneOfItsOwnAndNothingIsReplaced) {
    const QString dir = TestEnv::freshDir(QStringLiteral("trash-names"));
    // A stray item without a record, and a stale record without its item.
    FixtureFiles::writeBytes(trashFiles() + QStringLiteral("/Proxy Media 2/stray"), "stray");
    FixtureFiles::writeBytes(trashInfo() + QStringLiteral("/Proxy Media 3.trashinfo"), "stale");
    QStringList items;
    for (const char* event : {"A", "B", "C"}) {
        items.append(dir + u'/' + QLatin1String(event) + QStringLiteral("/Proxy Media"));
        FixtureFiles::writeBytes(items.last() + QStringLiteral("/own"), event);
        items.append(dir + u'/' + QLatin1String(event) + QStringLiteral("/clip.mov"));
        FixtureFiles::writeBytes(items.last(), event);
    }
    for (const QString& item : items) {
        const Result<void> moved = moveToTrash(item);
        ASSERT_TRUE(moved.ok()) << item.toStdString() << ": " << moved.error().toStdString();
    }

    EXPECT_EQ(entries(trashFiles()), (QStringList{"Proxy Media", "Proxy Media 2", "Proxy Media 4",
                                                  "Proxy Media 5", "clip 2.mov", "clip 3.mov", "clip.mov"}));
    EXPECT_EQ(entries(trashInfo()),
              (QStringList{"Proxy Media 3.trashinfo", "Proxy Media 4.trashinfo", "Proxy Media 5.trashinfo",
                           "Proxy Media.trashinfo", "clip 2.mov.trashinfo", "clip 3.mov.trashinfo",
                           "clip.mov.trashinfo"}));
    EXPECT_EQ(test::readAll(trashFiles() + QStringLiteral("/Proxy Media 2/stray")), "stray");
    EXPECT_EQ(test::readAll(trashInfo() + QStringLiteral("/Proxy Media 3.trashinfo")), "stale");
    // Each record names the item under its name, in the order they came.
    const QStringList names{"Proxy Media", "clip.mov",      "Proxy Media 4",
                            "clip 2.mov",  "Proxy Media 5", "clip 3.mov"};
    for (qsizetype i = 0; i < items.size(); ++i) {
        const QString trashed = trashFiles() + u'/' + names[i];
        EXPECT_EQ(recordedPath(trashInfo() + u'/' + names[i] + QStringLiteral(".trashinfo")),
                  QFile::encodeName(items[i]));
        const QString own = QFileInfo(trashed).isDir() ? trashed + QStringLiteral("/own") : trashed;
        EXPECT_EQ(test::readAll(own), QByteArray(1, char('A' + i / 2))) << trashed.toStdString();
    }
}

TEST_F(TrashTest, WhenEveryNumberedNameIsTakenARandomOneIsUsed) {
    FixtureFiles::writeBytes(trashInfo() + QStringLiteral("/Render Files.trashinfo"), "taken");
    for (int n = 2; n <= 99; ++n)
        FixtureFiles::writeBytes(trashInfo() + QStringLiteral("/Render Files %1.trashinfo").arg(n), "taken");
    const QString item = TestEnv::freshDir(QStringLiteral("trash-random")) + QStringLiteral("/Render Files");
    FixtureFiles::writeBytes(item + QStringLiteral("/render.mov"), "render");

    const Result<void> moved = moveToTrash(item);
    ASSERT_TRUE(moved.ok()) << moved.error().toStdString();

    const QStringList landed = entries(trashFiles());
    ASSERT_EQ(landed.size(), 1);
    EXPECT_TRUE(QRegularExpression(QStringLiteral("^Render Files [0-9a-f]{8}$")).match(landed[0]).hasMatch())
        << landed[0].toStdString();
    EXPECT_EQ(recordedPath(trashInfo() + u'/' + landed[0] + QStringLiteral(".trashinfo")),
              QFile::encodeName(item));
}

TEST_F(TrashTest, ANameTooLongForItsRecordIsShortenedInTheTrashWhileTheRecordKeepsTheWholePath) {
    const QString cjk = QStringLiteral("映");
    const struct {
        const char* what;
        bool folder;
        QString name;
        QString first;  // its name in the Trash
        QString second; // the name of another item of the same name
    } cases[] = {
        {"a 255-byte render file", false, QString(251, u'r') + QStringLiteral(".mov"),
         QString(241, u'r') + ".mov", QString(239, u'r') + " 2.mov"},
        {"82 CJK characters, 250 bytes", false, cjk.repeated(82) + QStringLiteral(".mov"),
         cjk.repeated(80) + ".mov", cjk.repeated(79) + " 2.mov"},
        {"a 255-byte folder", true, QString(255, u'f'), QString(245, u'f'), QString(243, u'f') + " 2"},
        {"an ending too long to be an extension", false, QString(200, u'a') + u'.' + QString(54, u'b'),
         QString(200, u'a') + u'.' + QString(44, u'b'), QString(200, u'a') + u'.' + QString(42, u'b') + " 2"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        QDir(homeTrash()).removeRecursively();
        const QString dir = TestEnv::freshDir(QStringLiteral("trash-long"));
        const QString first = dir + QStringLiteral("/A/") + c.name;
        const QString second = dir + QStringLiteral("/B/") + c.name;
        for (const QString& item : {first, second})
            FixtureFiles::writeBytes(c.folder ? item + QStringLiteral("/inside") : item, "media");
        ASSERT_LE(QFile::encodeName(c.name).size(), 255);

        for (const QString& item : {first, second}) {
            const Result<void> moved = moveToTrash(item);
            ASSERT_TRUE(moved.ok()) << moved.error().toStdString();
            EXPECT_FALSE(present(item));
        }
        EXPECT_EQ(entries(trashFiles()), sorted({c.first, c.second}));
        EXPECT_EQ(recordedPath(trashInfo() + u'/' + c.first + QStringLiteral(".trashinfo")),
                  QFile::encodeName(first));
        EXPECT_EQ(recordedPath(trashInfo() + u'/' + c.second + QStringLiteral(".trashinfo")),
                  QFile::encodeName(second));
    }
}

TEST(TrashNames, AShortenedNameKeepsItsSuffixAndExtensionAndIsCutOnlyBetweenCharacters) {
    using platform::FreedesktopTrash;
    const QByteArray emoji = QStringLiteral("🎬").toUtf8(); // four bytes
    const struct {
        QByteArray name;
        QByteArray suffix;
        qsizetype room;
        QByteArray fitted;
    } cases[] = {
        {"clip.mov", "", 245, "clip.mov"},
        {"clip.mov", " 7", 245, "clip 7.mov"},
        {"clip.mov", " 7", 8, "cl 7.mov"},
        {emoji + emoji + ".mov", "", 11, emoji + ".mov"}, // not seven bytes of a cut character
        {emoji + emoji + ".mov", "", 12, emoji + emoji + ".mov"},
        {".hidden", " 2", 245, ".hidden 2"}, // a leading dot is no extension
        {"clip.mov", " 2", 6, ""},           // not one byte of the name fits
        {emoji + ".mov", "", 7, ""},
    };
    for (const auto& c : cases)
        EXPECT_EQ(FreedesktopTrash::fittedName(c.name, c.suffix, c.room), c.fitted)
            << c.name.toStdString() << " in " << c.room;
}

TEST_F(TrashTest, AnItemThatIsNotThereFailsWithTheSystemsDescriptionAndLeavesNoTrace) {
    const QString missing = TestEnv::freshDir(QStringLiteral("trash-missing")) + QStringLiteral("/gone.mov");
    const Result<void> trashed = moveToTrash(missing);
    EXPECT_EQ(trashed.error(), QStringLiteral("No such file or directory"));
    EXPECT_TRUE(entries(trashInfo()).isEmpty());
    EXPECT_TRUE(entries(trashFiles()).isEmpty());
}

TEST_F(TrashTest, AnItemReplacedAfterItsCheckIsRefusedByBothCallsAndNothingIsTouched) {
    const struct {
        const char* what;
        bool folder;
        std::function<void(const QString& item, const QString& outside)> replace;
    } cases[] = {
        {"a file replaced by another file", false,
         [](const QString& item, const QString&) { FixtureFiles::writeBytes(item, "stranger"); }},
        {"a folder replaced by a link to a folder outside", true,
         [](const QString& item, const QString& outside) { FixtureFiles::makeLink(item, outside); }},
        {"a file replaced by a folder", false,
         [](const QString& item, const QString&) {
             FixtureFiles::writeBytes(item + QStringLiteral("/stranger"), "stranger");
         }},
    };
    for (const auto& c : cases) {
        for (const bool permanent : {false, true}) {
            SCOPED_TRACE(std::string(c.what) + (permanent ? ", deleted" : ", to the Trash"));
            const QString dir = TestEnv::freshDir(QStringLiteral("trash-replaced"));
            const QString outside = dir + QStringLiteral("/Outside");
            FixtureFiles::writeRandom(outside + QStringLiteral("/original.mov"), 3000);
            const QString item = dir + QStringLiteral("/Event/Render Files");
            FixtureFiles::writeBytes(c.folder ? item + QStringLiteral("/render.mov") : item, "render");
            const Held held(item);
            // Kept aside rather than deleted, so the stranger cannot get the item's inode.
            ASSERT_TRUE(QDir().rename(item, dir + QStringLiteral("/Aside")));
            c.replace(item, outside);
            const QStringList after = test::treeListing(dir);

            const Result<void> result =
                permanent ? trash->remove(held.item()) : trash->moveToTrash(held.item());
            EXPECT_EQ(result.error(), kChanged);
            EXPECT_EQ(test::treeListing(dir), after);
            EXPECT_TRUE(entries(trashFiles()).isEmpty());
            EXPECT_TRUE(entries(trashInfo()).isEmpty());
        }
    }
}

TEST_F(TrashTest, AnItemSwappedAtTheLastMomentGoesBackWhereItStoodAndItsRecordIsRemoved) {
    const QString dir = TestEnv::freshDir(QStringLiteral("trash-swapped"));
    const QString item = dir + QStringLiteral("/Render Files");
    const QString aside = dir + QStringLiteral("/Moved Aside");
    FixtureFiles::writeBytes(item + QStringLiteral("/render.mov"), "render");
    const Held held(item);

    platform::FreedesktopTrash::Settings settings;
    settings.dataHome = QFileInfo(homeTrash()).path();
    settings.uid = ::geteuid();
    settings.deletedAt = QDateTime::currentDateTime();
    // After the last check and before the rename, the item is taken away and a stranger put in.
    settings.beforeRename = [&] {
        ASSERT_TRUE(QDir().rename(item, aside));
        FixtureFiles::writeBytes(item + QStringLiteral("/stranger"), "stranger");
    };
    const Result<void> moved = platform::FreedesktopTrash::moveToTrash(held.item(), settings);

    EXPECT_EQ(moved.error(), kChanged);
    EXPECT_EQ(test::readAll(item + QStringLiteral("/stranger")), "stranger");
    EXPECT_EQ(test::readAll(aside + QStringLiteral("/render.mov")), "render");
    EXPECT_TRUE(entries(trashFiles()).isEmpty());
    EXPECT_TRUE(entries(trashInfo()).isEmpty());
}

TEST_F(TrashTest, AnItemOnAnotherDriveGoesToThatDrivesOwnTrashOnlyWhenItPassesItsChecks) {
    const QString uid = QString::number(::geteuid());
    std::optional<test::ScopedMount> planted; // a mount a case puts in the Trash's way
    const struct {
        const char* what;
        std::function<void(const Drive&)> prepare;
        QString trash; // below the drive's top, where the item lands; empty when it stays
        QString error; // %1 stands for the drive's top
    } cases[] = {
        {"nothing at the top: its own Trash is made", [](const Drive&) {}, ".Trash-" + uid, {}},
        {"a shared .Trash with the sticky bit",
         [](const Drive& d) {
             ASSERT_TRUE(QDir().mkdir(d.path(".Trash")));
             ::chmod(QFile::encodeName(d.path(".Trash")).constData(), 01777);
         },
         ".Trash/" + uid,
         {}},
        {"a shared .Trash without the sticky bit",
         [](const Drive& d) {
             ASSERT_TRUE(QDir().mkdir(d.path(".Trash")));
             ::chmod(QFile::encodeName(d.path(".Trash")).constData(), 0777);
         },
         ".Trash-" + uid,
         {}},
        {"a shared .Trash that is a link to a sticky folder",
         [](const Drive& d) {
             ASSERT_TRUE(QDir().mkdir(d.path("Sticky")));
             ::chmod(QFile::encodeName(d.path("Sticky")).constData(), 01777);
             FixtureFiles::makeLink(d.path(".Trash"), d.path("Sticky"));
         },
         ".Trash-" + uid,
         {}},
        {"the user's folder in the shared .Trash a link",
         [&](const Drive& d) {
             ASSERT_TRUE(QDir().mkpath(d.path("Elsewhere")));
             ASSERT_TRUE(QDir().mkdir(d.path(".Trash")));
             ::chmod(QFile::encodeName(d.path(".Trash")).constData(), 01777);
             FixtureFiles::makeLink(d.path(".Trash/" + uid), d.path("Elsewhere"));
         },
         ".Trash-" + uid,
         {}},
        {"the user's own Trash a link planted to a folder elsewhere",
         [&](const Drive& d) {
             ASSERT_TRUE(QDir().mkpath(d.path("Elsewhere")));
             FixtureFiles::makeLink(d.userTrash(), d.path("Elsewhere"));
         },
         {},
         "No Trash can be used for it (“%1/.Trash-" + uid + "” is a link), so it was left where it was."},
        {"the user's own Trash owned by another user",
         [&](const Drive& d) {
             ASSERT_TRUE(QDir().mkpath(d.userTrash() + "/files"));
             ASSERT_EQ(::chown(QFile::encodeName(d.userTrash()).constData(), ::geteuid() + 1234, ::getegid()),
                       0);
         },
         {},
         "No Trash can be used for it (“%1/.Trash-" + uid +
             "” belongs to another user), so it was left where it was."},
        {"the user's own Trash a file",
         [&](const Drive& d) { FixtureFiles::writeBytes(d.userTrash(), "not a folder"); },
         {},
         "No Trash can be used for it (“%1/.Trash-" + uid +
             "” is not a folder), so it was left where it was."},
        {"another drive mounted on the user's own Trash, where no rename can reach",
         [&](const Drive& d) {
             planted.emplace(test::ScopedMount::tmpfs(d.userTrash()));
             ASSERT_TRUE(*planted) << planted->reason().toStdString();
         },
         {},
         "No Trash can be used for it (“%1/.Trash-" + uid +
             "/files” lies on another drive), so it was left where it was."},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const Drive drive = Drive::make(QStringLiteral("trash-drive"));
        if (!drive.mount)
            GTEST_SKIP() << drive.mount.reason().toStdString();
        const QString item = drive.path("Event/Render Files");
        FixtureFiles::writeBytes(item + QStringLiteral("/render.mov"), "render");
        c.prepare(drive);
        const QString elsewhere = drive.path("Elsewhere");
        const QStringList elsewhereBefore = test::treeListing(elsewhere);

        const Result<void> moved = moveToTrash(item);
        if (c.trash.isEmpty()) {
            EXPECT_EQ(moved.error(), c.error.arg(drive.top));
            EXPECT_EQ(test::readAll(item + QStringLiteral("/render.mov")), "render");
        } else {
            ASSERT_TRUE(moved.ok()) << moved.error().toStdString();
            EXPECT_FALSE(present(item));
            EXPECT_EQ(entries(drive.path(c.trash + "/files")), QStringList{"Render Files"});
            EXPECT_EQ(test::readAll(drive.path(c.trash + "/files/Render Files/render.mov")), "render");
            // Relative to the drive's top, so the record holds wherever the drive is mounted.
            EXPECT_EQ(recordedPath(drive.path(c.trash + "/info/Render Files.trashinfo")),
                      "Event/Render Files");
            EXPECT_EQ(modeOf(drive.path(c.trash)) & 077, 0u) << "others may not look into it";
        }
        // A planted link or folder never receives anything; the home Trash is not used.
        EXPECT_EQ(test::treeListing(elsewhere), elsewhereBefore);
        if (QFileInfo(drive.path("Sticky")).isDir()) {
            EXPECT_TRUE(entries(drive.path("Sticky")).isEmpty());
        }
        EXPECT_TRUE(entries(trashFiles()).isEmpty());
        planted.reset();
    }
}

TEST_F(TrashTest, AnItemOnABindMountOfTheHomeDriveGoesToTheTrashAtThatMountsTop) {
    // The same device as the home Trash, but another mount: a rename from there to the home
    // Trash is refused, so the Trash at the top of that mount is the one that can take it.
    const QString dir = TestEnv::freshDir(QStringLiteral("trash-bound"));
    const QString source = dir + QStringLiteral("/Source");
    const QString top = dir + QStringLiteral("/Bound");
    FixtureFiles::writeBytes(source + QStringLiteral("/Event/clip.mov"), "media");
    test::ScopedMount mount = test::ScopedMount::bind(source, top);
    if (!mount)
        GTEST_SKIP() << mount.reason().toStdString();

    const Result<void> moved = moveToTrash(top + QStringLiteral("/Event/clip.mov"));
    ASSERT_TRUE(moved.ok()) << moved.error().toStdString();

    const QString own = top + QStringLiteral("/.Trash-") + QString::number(::geteuid());
    EXPECT_EQ(test::readAll(own + QStringLiteral("/files/clip.mov")), "media");
    EXPECT_EQ(recordedPath(own + QStringLiteral("/info/clip.mov.trashinfo")), "Event/clip.mov");
    EXPECT_TRUE(entries(trashFiles()).isEmpty());
}

TEST_F(TrashTest, AReadOnlyTrashLeavesTheItemWhereItWasAndSaysSo) {
    const struct {
        const char* what;
        bool onDrive;
    } cases[] = {{"a drive mounted read-only", true}, {"the home Trash's records folder read-only", false}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const Drive drive = Drive::make(QStringLiteral("trash-readonly"));
        if (!drive.mount)
            GTEST_SKIP() << drive.mount.reason().toStdString();
        const QString dir = c.onDrive ? drive.top : TestEnv::freshDir(QStringLiteral("trash-readonly-home"));
        const QString first = dir + QStringLiteral("/A/clip.mov");
        const QString item = dir + QStringLiteral("/B/clip.mov");
        FixtureFiles::writeBytes(first, "first");
        FixtureFiles::writeBytes(item, "media");
        // The Trash is made and used once, then turned read-only.
        ASSERT_TRUE(moveToTrash(first).ok());
        const QString info = c.onDrive ? drive.userTrash() + QStringLiteral("/info") : trashInfo();
        std::optional<test::ScopedMount> bound;
        if (c.onDrive) {
            ASSERT_EQ(::mount("tovlin-test", QFile::encodeName(drive.top).constData(), "tmpfs",
                              MS_REMOUNT | MS_RDONLY, "size=4m"),
                      0)
                << std::strerror(errno);
        } else {
            bound.emplace(test::ScopedMount::bind(info, info));
            ASSERT_TRUE(*bound) << bound->reason().toStdString();
            ASSERT_EQ(::mount(nullptr, QFile::encodeName(info).constData(), nullptr,
                              MS_REMOUNT | MS_BIND | MS_RDONLY, nullptr),
                      0)
                << std::strerror(errno);
        }

        const Result<void> moved = moveToTrash(item);
        EXPECT_EQ(moved.error(), kNotRecorded.arg(QStringLiteral("Read-only file system")));
        EXPECT_EQ(test::readAll(item), "media");
        EXPECT_EQ(entries(info), QStringList{"clip.mov.trashinfo"});
    }
}

TEST_F(TrashTest, ADriveWithoutInodesOrRoomLeftKeepsTheItemAndNoEmptyRecord) {
    const struct {
        const char* what;
        int megabytes;
        int inodes;
    } cases[] = {{"no inodes left", 4, 24}, {"no room left", 1, 0}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const Drive drive = Drive::make(QStringLiteral("trash-full"), c.megabytes, c.inodes);
        if (!drive.mount)
            GTEST_SKIP() << drive.mount.reason().toStdString();
        const QString first = drive.path("A/clip.mov");
        const QString item = drive.path("B/clip.mov");
        FixtureFiles::writeBytes(first, "first");
        FixtureFiles::writeBytes(item, "media");
        ASSERT_TRUE(moveToTrash(first).ok());
        // Filled: files until no inode is left, or one file until no block is.
        for (int n = 0; n < 1000; ++n) {
            const QByteArray filler = QFile::encodeName(drive.path(QStringLiteral("filler %1").arg(n)));
            const int fd = ::open(filler.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
            if (fd < 0)
                break;
            const QByteArray block(64 * 1024, 'x');
            bool full = false;
            for (int k = 0; k < 100 && c.inodes == 0 && !full; ++k)
                full = ::write(fd, block.constData(), size_t(block.size())) < 0;
            ::close(fd);
            if (full)
                break;
        }

        const Result<void> moved = moveToTrash(item);
        EXPECT_EQ(moved.error(), kNotRecorded.arg(QStringLiteral("No space left on device")));
        EXPECT_EQ(test::readAll(item), "media");
        EXPECT_EQ(entries(drive.userTrash() + QStringLiteral("/info")), QStringList{"clip.mov.trashinfo"});
        EXPECT_EQ(entries(drive.userTrash() + QStringLiteral("/files")), QStringList{"clip.mov"});
    }
}

TEST(MountTable, FindsAMountPointByItsIdWithTheTablesEscapesUndone) {
    const QByteArray table = "22 1 0:21 / /proc rw,nosuid - proc proc rw\n"
                             "97 29 8:17 / /media/editor/My\\040Drive rw - exfat /dev/sdb1 rw\n"
                             "98 97 8:17 /sub /media/editor/Back\\134slash rw - exfat /dev/sdb1 rw\n";
    EXPECT_EQ(MountTable::mountPointOf(table, 97), QByteArray("/media/editor/My Drive"));
    EXPECT_EQ(MountTable::mountPointOf(table, 98), QByteArray("/media/editor/Back\\slash"));
    EXPECT_EQ(MountTable::mountPointOf(table, 9), std::nullopt);
    EXPECT_EQ(MountTable::mountPointOf(table, 2), std::nullopt);
}

TEST_F(TrashTest, RemovingForGoodTakesLinksThemselvesAndNeverWhatTheyPointTo) {
    const QString dir = TestEnv::freshDir(QStringLiteral("trash-remove"));
    const QString elsewhere = dir + QStringLiteral("/Elsewhere");
    FixtureFiles::writeRandom(elsewhere + QStringLiteral("/data.mov"), 9000);
    FixtureFiles::writeRandom(elsewhere + QStringLiteral("/Deep/more.mov"), 3000);
    const QStringList elsewhereTree = test::treeListing(elsewhere);

    // A folder holding links to a file and to a folder elsewhere, one of them deep down.
    const QString folder = dir + QStringLiteral("/Proxy Media");
    FixtureFiles::writeRandom(folder + QStringLiteral("/own.mov"), 2000);
    FixtureFiles::writeRandom(folder + QStringLiteral("/.hidden/own.mov"), 2000);
    FixtureFiles::makeLink(folder + QStringLiteral("/data.mov"), elsewhere + QStringLiteral("/data.mov"));
    FixtureFiles::makeLink(folder + QStringLiteral("/Sub/Deep"), elsewhere + QStringLiteral("/Deep"));
    // A link on its own, to a folder.
    const QString link = dir + QStringLiteral("/Render Link");
    FixtureFiles::makeLink(link, elsewhere);

    const Result<void> removed = remove(folder);
    ASSERT_TRUE(removed.ok()) << removed.error().toStdString();
    ASSERT_TRUE(remove(link).ok());

    EXPECT_FALSE(present(folder));
    EXPECT_FALSE(present(link));
    EXPECT_EQ(test::treeListing(elsewhere), elsewhereTree);
    EXPECT_TRUE(entries(trashFiles()).isEmpty()) << "deleting for good puts nothing in the Trash";
}

TEST_F(TrashTest, RemovingForGoodLeavesAnotherMountInsideAndTheFoldersAboveItAndSaysSo) {
    const QString kept =
        QStringLiteral("It holds another drive mounted inside it, so that drive and the folders "
                       "holding it were left alone; the rest was deleted.");
    for (const bool bind : {true, false}) {
        SCOPED_TRACE(bind ? "the event's originals bound inside" : "a tmpfs inside");
        const QString dir = TestEnv::freshDir(QStringLiteral("trash-remove-mount"));
        const QString originals = dir + QStringLiteral("/Original Media");
        const QString item = dir + QStringLiteral("/Render Files");
        const QString at = item + QStringLiteral("/Peaks Data/bm");
        FixtureFiles::writeRandom(originals + QStringLiteral("/A001.mov"), 4000);
        FixtureFiles::writeRandom(originals + QStringLiteral("/Day 2/B001.mov"), 4000);
        FixtureFiles::writeRandom(item + QStringLiteral("/Peaks Data/peaks.data"), 1000);
        FixtureFiles::writeRandom(item + QStringLiteral("/Peaks Data/Sub/more.data"), 1000);
        FixtureFiles::writeRandom(item + QStringLiteral("/High Quality Media/render.mov"), 1000);
        FixtureFiles::makeFolder(at);
        test::ScopedMount mount =
            bind ? test::ScopedMount::bind(originals, at) : test::ScopedMount::tmpfs(at);
        if (!mount)
            GTEST_SKIP() << mount.reason().toStdString();
        if (!bind)
            FixtureFiles::writeRandom(at + QStringLiteral("/on the tmpfs.mov"), 1000);
        const QStringList mounted = test::treeListing(at);
        const QStringList originalsTree = test::treeListing(originals);

        const Result<void> removed = remove(item);

        EXPECT_EQ(removed.error(), kept);
        EXPECT_EQ(test::treeListing(at), mounted);
        EXPECT_EQ(test::treeListing(originals), originalsTree);
        EXPECT_EQ(entries(item), QStringList{"Peaks Data"});
        EXPECT_EQ(entries(item + QStringLiteral("/Peaks Data")), QStringList{"bm"});
    }
}

TEST_F(TrashTest, RemovingForGoodRefusesAnItemThatIsItselfAMountPoint) {
    const QString dir = TestEnv::freshDir(QStringLiteral("trash-remove-mounted"));
    const QString item = dir + QStringLiteral("/Render Files");
    test::ScopedMount mount = test::ScopedMount::tmpfs(item);
    if (!mount)
        GTEST_SKIP() << mount.reason().toStdString();
    FixtureFiles::writeBytes(item + QStringLiteral("/render.mov"), "render");

    const Result<void> removed = remove(item);
    EXPECT_EQ(removed.error(), QStringLiteral("It is another drive mounted there, so it was left alone."));
    EXPECT_EQ(test::readAll(item + QStringLiteral("/render.mov")), "render");
}

TEST_F(TrashTest, RemovingWhatCannotBeRemovedFailsWithTheSystemsDescription) {
    const QString dir = TestEnv::freshDir(QStringLiteral("trash-remove-fail"));
    FixtureFiles::writeBytes(dir + QStringLiteral("/plain"), "keep");
    // A name longer than the file system allows can name nothing to remove (permissions would
    // not do: tests may run as root); what lies beside it stays.
    const Result<void> removed = remove(dir + u'/' + QString(300, u'n'));
    EXPECT_EQ(removed.error(), QStringLiteral("File name too long"));
    EXPECT_EQ(test::readAll(dir + QStringLiteral("/plain")), "keep");
}
