#include "Catalogue/Logs/ActivityLog.h"
#include "Catalogue/Store/Catalog.h"
#include "Platform/Services.h"
#include "Platform/VolumeFacts.h"
#include "Support/WorkPool.h"
#include "Tests/Fixtures/LibraryBuilder.h"
#include "Tests/Support/CatalogTestEnv.h"
#include "Tests/Support/FakeVolumeFacts.h"
#include "Tests/Support/TestEnv.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QThreadPool>
#include <gtest/gtest.h>

using namespace pellimor;
using test::CatalogTestEnv;
using Space = Catalog::VolumeSpace;
using Capacity = platform::VolumeFacts::Capacity;

namespace {

LibraryInfo libraryAt(const QString& path) {
    LibraryInfo library;
    library.path = path;
    library.name = QFileInfo(path).completeBaseName();
    return library;
}

QList<LibraryInfo> librariesAt(const QStringList& paths) {
    QList<LibraryInfo> libraries;
    for (const QString& path : paths)
        libraries.append(libraryAt(path));
    return libraries;
}

QStringList pathsOf(const QList<LibraryInfo>& libraries) {
    QStringList paths;
    for (const LibraryInfo& library : libraries)
        paths.append(library.path);
    return paths;
}

void makeFolder(const QString& path) {
    ASSERT_TRUE(QDir().mkpath(path)) << path.toStdString();
}

// The messages of the activity log's "volume-space" lines, in order.
QStringList volumeSpaceMessages() {
    QFile file(ActivityLog::url());
    if (!file.open(QIODevice::ReadOnly))
        return {};
    QStringList messages;
    for (const QString& line : QString::fromUtf8(file.readAll()).split(u'\n', Qt::SkipEmptyParts)) {
        const QStringList parts = line.split(QStringLiteral("  "));
        if (parts.size() >= 3 && parts.at(1) == u"volume-space")
            messages.append(parts.mid(2).join(QStringLiteral("  ")));
    }
    return messages;
}

// Hands every posted result of finished background reads to the catalogue. Reads never wait
// for the main thread, so once the pool is idle everything they will ever post is queued.
void settleBackgroundReads() {
    workPool()->waitForDone();
    QCoreApplication::sendPostedEvents();
}

// Each test plugs drives into a volumes root of its own and logs into an Application
// Support folder of its own.
class CatalogVolumesTest : public ::testing::Test {
protected:
    void SetUp() override {
        m_savedRoot = qgetenv("TOVLIN_VOLUMES_ROOT");
        m_savedDataHome = qgetenv("XDG_DATA_HOME");
        m_root = QDir::cleanPath(test::TestEnv::freshDir(QStringLiteral("volumes")));
        qputenv("TOVLIN_VOLUMES_ROOT", m_root.toUtf8());
        qputenv("XDG_DATA_HOME", test::TestEnv::freshDir(QStringLiteral("share")).toUtf8());
        m_startup = QDir::cleanPath(test::TestEnv::freshDir(QStringLiteral("movies")));
    }
    void TearDown() override {
        qputenv("TOVLIN_VOLUMES_ROOT", m_savedRoot);
        qputenv("XDG_DATA_HOME", m_savedDataHome);
    }

    // A drive's mount path (the folder is not created).
    QString drive(const QString& name) const { return m_root + u'/' + name; }
    // Creates the drive's folder, which plugs it in under this volumes root.
    QString plug(const QString& name) const {
        makeFolder(drive(name));
        return drive(name);
    }

    QString m_root;
    QString m_startup; // a folder on the start-up volume

private:
    QByteArray m_savedRoot;
    QByteArray m_savedDataHome;
};

} // namespace

TEST_F(CatalogVolumesTest, OnlineMeansOnAMountedDriveAndPresent) {
    const QString archive = plug(QStringLiteral("Archive"));
    const QString media = plug(QStringLiteral("Media"));
    const QString media2 = plug(QStringLiteral("Media2"));
    makeFolder(archive + "/Films.fcpbundle");
    makeFolder(media + "/Cut.fcpbundle");
    makeFolder(media2 + "/Other.fcpbundle");
    makeFolder(m_startup + "/A.fcpbundle");

    CatalogTestEnv env;
    const auto catalog = env.makeCatalog();
    // Archive and Media2 were unplugged; their folders stayed behind.
    catalog->setMounted({QStringLiteral("/"), media});

    struct Case {
        QString path;
        bool online;
    };
    const Case cases[] = {
        {archive + "/Films.fcpbundle", false}, // a stale folder does not bring a drive back
        {media2 + "/Other.fcpbundle", false},  // Media2 is not Media
        {media + "/Cut.fcpbundle", true},      {media + "/Gone.fcpbundle", false},
        {m_startup + "/A.fcpbundle", true},    {m_startup + "/Missing.fcpbundle", false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.path.toStdString());
        EXPECT_EQ(catalog->isOnline(libraryAt(c.path)), c.online);
    }
}

TEST_F(CatalogVolumesTest, RecordingTheMountedSetTakesTheStartupDiskAndEveryPluggedDrive) {
    const QString a = plug(QStringLiteral("A"));
    const QString b = plug(QStringLiteral("B"));
    CatalogTestEnv env;
    env.volumes->setCapacity(a, Capacity{1000, 300});
    const auto catalog = env.makeCatalog();
    catalog->seed({.libraries = librariesAt({a + "/Lib.fcpbundle"})});

    catalog->recordMounted();
    EXPECT_EQ(catalog->mounted(), (QSet<QString>{QStringLiteral("/"), a, b}));
    // Free space follows at once.
    ASSERT_TRUE(CatalogTestEnv::waitUntil([&] { return catalog->volumeSpace().contains(a); }));
    EXPECT_EQ(catalog->volumeSpace().value(a), (Space{1000, 300}));

    // Unplugging B removes its folder.
    ASSERT_TRUE(QDir(b).removeRecursively());
    catalog->recordMounted();
    EXPECT_EQ(catalog->mounted(), (QSet<QString>{QStringLiteral("/"), a}));

    // What the platform lists, written the way a library's mount is written.
    env.volumes->setMountedVolumes(QStringList{drive(QStringLiteral("C")) + u'/'});
    catalog->recordMounted();
    EXPECT_EQ(catalog->mounted(), (QSet<QString>{QStringLiteral("/"), drive(QStringLiteral("C"))}));
    // A's library went offline, so its figures go.
    EXPECT_TRUE(catalog->volumeSpace().isEmpty());
}

TEST_F(CatalogVolumesTest, ComparableLibrariesLeaveOutTheCopiesTheSettingsSkip) {
    const QString plain = QStringLiteral("/Users/me/Movies/Plain.fcpbundle");
    const QString safetyNet = QStringLiteral("/Users/me/SafetyNet/A.fcpbundle");
    const QString safetyNetLower = QStringLiteral("/Users/me/old safetynet copies/B.fcpbundle");
    const QString backups = QStringLiteral("/Users/me/Movies/Final Cut Backups/C.fcpbundle");
    const QString backupsLocalized =
        QStringLiteral("/Users/me/Movies/Final Cut Backups.localized/D.fcpbundle");
    const QString backupsLower = QStringLiteral("/Users/me/Movies/final cut backups/E.fcpbundle");
    const QString backupsLike = QStringLiteral("/Users/me/Movies/Final Cut Backups Old/F.fcpbundle");
    const QStringList all{plain,        safetyNet,  backups, safetyNetLower, backupsLocalized,
                          backupsLower, backupsLike};

    CatalogTestEnv env;
    const auto catalog = env.makeCatalog();
    catalog->seed({.libraries = librariesAt(all)});

    using Store = platform::SettingsStore;
    const auto absent = [](Store& s, const QString& key) { s.remove(key); };
    const auto on = [](Store& s, const QString& key) { s.setFlag(key, true); };
    const auto off = [](Store& s, const QString& key) { s.setFlag(key, false); };
    const auto text = [](Store& s, const QString& key) { s.setText(key, QStringLiteral("false")); };
    const auto zero = [](Store& s, const QString& key) { s.setInteger(key, 0); };
    using Setter = std::function<void(Store&, const QString&)>;

    const QStringList withoutEither{plain, backupsLower, backupsLike};
    struct Case {
        const char* what;
        Setter safetyNetSetting;
        Setter backupsSetting;
        QStringList expected;
        bool ignoresSafetyNet;
    };
    const Case cases[] = {
        {"both absent", absent, absent, withoutEither, true},
        {"both on", on, on, withoutEither, true},
        {"values of another type count as on", text, zero, withoutEither, true},
        {"safety net off, backups absent",
         off,
         absent,
         {plain, safetyNet, safetyNetLower, backupsLower, backupsLike},
         false},
        {"safety net on, backups off",
         on,
         off,
         {plain, backups, backupsLocalized, backupsLower, backupsLike},
         true},
        {"both off", off, off, all, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        c.safetyNetSetting(*env.settings, QStringLiteral("skipSafetyNet"));
        c.backupsSetting(*env.settings, QStringLiteral("skipFCPBackups"));
        EXPECT_EQ(pathsOf(catalog->comparableLibraries()), c.expected);
        EXPECT_EQ(catalog->ignoreSafetyNet(), c.ignoresSafetyNet);
    }
}

TEST_F(CatalogVolumesTest, OnlineMountsAreTheMountedDrivesOfComparableLibraries) {
    const QString a = drive(QStringLiteral("A"));
    const QString b = drive(QStringLiteral("B"));
    const QString c = drive(QStringLiteral("C"));
    CatalogTestEnv env;
    const auto catalog = env.makeCatalog();
    // None of these exists: only the mounted set is looked at.
    catalog->seed({.libraries = librariesAt({
                       b + "/One.fcpbundle",
                       a + "/Two.fcpbundle",
                       m_startup + "/Three.fcpbundle",
                       a + "/Four.fcpbundle",
                       drive(QStringLiteral("Gone")) + "/Five.fcpbundle",
                       c + "/SafetyNet/Six.fcpbundle",
                   })});
    catalog->setMounted({QStringLiteral("/"), a, b, c});

    EXPECT_EQ(catalog->onlineLibraryMounts(), (QStringList{QStringLiteral("/"), a, b}));
    env.settings->setFlag(QStringLiteral("skipSafetyNet"), false);
    EXPECT_EQ(catalog->onlineLibraryMounts(), (QStringList{QStringLiteral("/"), a, b, c}));
}

TEST_F(CatalogVolumesTest, ReadingAVolumeNeedsATotalAboveZero) {
    test::ScopedFakeVolumes volumes;
    volumes->setCapacity(QStringLiteral("/v/ok"), Capacity{1000, 250});
    volumes->setCapacity(QStringLiteral("/v/nofree"), Capacity{300, std::nullopt});
    volumes->setCapacity(QStringLiteral("/v/zero"), Capacity{0, 5});
    volumes->setCapacity(QStringLiteral("/v/negative"), Capacity{-1, 5});
    volumes->setCapacity(QStringLiteral("/v/nototal"), Capacity{std::nullopt, 5});
    volumes->setCapacity(QStringLiteral("/v/failed"), std::nullopt);

    using Read = std::optional<std::pair<QString, Space>>;
    struct Case {
        QString mount;
        Read expected;
    };
    const Case cases[] = {
        {QStringLiteral("/v/ok"), std::make_pair(QStringLiteral("/v/ok"), Space{1000, 250})},
        {QStringLiteral("/v/nofree"), std::make_pair(QStringLiteral("/v/nofree"), Space{300, 0})},
        {QStringLiteral("/v/zero"), std::nullopt},
        {QStringLiteral("/v/negative"), std::nullopt},
        {QStringLiteral("/v/nototal"), std::nullopt},
        {QStringLiteral("/v/failed"), std::nullopt},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.mount.toStdString());
        EXPECT_EQ(Catalog::readVolumeSpace(c.mount), c.expected);
    }
}

TEST_F(CatalogVolumesTest, RefreshPublishesWhatTheDrivesReportAndLogsIt) {
    const QStringList names{QStringLiteral("A"), QStringLiteral("B"), QStringLiteral("C"),
                            QStringLiteral("D")};
    QStringList libraries{m_startup + "/Home.fcpbundle", drive(QStringLiteral("Unplugged")) + "/X.fcpbundle"};
    for (const QString& name : names)
        libraries.append(drive(name) + "/Lib.fcpbundle");

    CatalogTestEnv env;
    env.volumes->setCapacity(QStringLiteral("/"), Capacity{1000, 400});
    env.volumes->setCapacity(drive(QStringLiteral("A")), Capacity{0, 0});
    env.volumes->setCapacity(drive(QStringLiteral("B")), Capacity{500, std::nullopt});
    env.volumes->setCapacity(drive(QStringLiteral("C")), std::nullopt);
    env.volumes->setCapacity(drive(QStringLiteral("D")), Capacity{std::nullopt, 5});
    const auto catalog = env.makeCatalog();
    catalog->seed({.libraries = librariesAt(libraries)});
    QSet<QString> mounted{QStringLiteral("/")};
    for (const QString& name : names)
        mounted.insert(drive(name));
    catalog->setMounted(mounted);
    const QStringList before = volumeSpaceMessages();

    catalog->refreshVolumeSpace();
    ASSERT_TRUE(CatalogTestEnv::waitUntil([&] { return volumeSpaceMessages().size() == before.size() + 2; }));

    EXPECT_EQ(catalog->volumeSpace(), (QMap<QString, Space>{{QStringLiteral("/"), Space{1000, 400}},
                                                            {drive(QStringLiteral("B")), Space{500, 0}}}));
    EXPECT_EQ(volumeSpaceMessages().mid(before.size()),
              (QStringList{QStringLiteral("start / ") + drive(QStringLiteral("A")) + u' ' +
                               drive(QStringLiteral("B")) + u' ' + drive(QStringLiteral("C")) + u' ' +
                               drive(QStringLiteral("D")),
                           QStringLiteral("ok 2")}));
}

TEST_F(CatalogVolumesTest, RefreshDropsGoneDrivesAndKeepsFiguresItCouldNotRenew) {
    const QString a = drive(QStringLiteral("A"));
    const QString b = drive(QStringLiteral("B"));
    CatalogTestEnv env;
    env.volumes->setCapacity(a, Capacity{100, 50});
    env.volumes->setCapacity(b, Capacity{200, 20});
    const auto catalog = env.makeCatalog();
    catalog->seed({.libraries = librariesAt({a + "/One.fcpbundle", b + "/Two.fcpbundle"})});
    catalog->setMounted({QStringLiteral("/"), a, b});
    catalog->refreshVolumeSpace();
    ASSERT_TRUE(
        CatalogTestEnv::waitUntil([&] { return volumeSpaceMessages().contains(QStringLiteral("ok 2")); }));

    // B is unplugged and A can no longer be asked.
    catalog->setMounted({QStringLiteral("/"), a});
    env.volumes->setCapacity(a, std::nullopt);
    catalog->refreshVolumeSpace();
    EXPECT_EQ(catalog->volumeSpace(),
              (QMap<QString, Space>{{a, Space{100, 50}}})); // at once, before any read
    ASSERT_TRUE(
        CatalogTestEnv::waitUntil([&] { return volumeSpaceMessages().contains(QStringLiteral("ok 1")); }));
    EXPECT_EQ(catalog->volumeSpace(), (QMap<QString, Space>{{a, Space{100, 50}}}));

    // With nothing online a refresh empties the figures, reads nothing and logs nothing.
    const QStringList logged = volumeSpaceMessages();
    const int reads = env.volumes->capacityCalls();
    const qint64 generation = catalog->volumeSpaceGeneration();
    catalog->setMounted({QStringLiteral("/")});
    catalog->refreshVolumeSpace();
    EXPECT_TRUE(catalog->volumeSpace().isEmpty());
    EXPECT_EQ(catalog->volumeSpaceGeneration(), generation + 1);
    settleBackgroundReads();
    EXPECT_EQ(volumeSpaceMessages(), logged);
    EXPECT_EQ(env.volumes->capacityCalls(), reads);
}

TEST_F(CatalogVolumesTest, OnlyTheLatestOfTwoQuickRefreshesPublishes) {
    const QString a = drive(QStringLiteral("A"));
    CatalogTestEnv env;
    // A held request answers what was told when it came, so the figures tell which refresh
    // read them: 100 for a held request, 200 for one after.
    env.volumes->setMountedVolumes(QStringList{});
    env.volumes->setCapacity(a, Capacity{100, 10});
    const test::VolumeGateGuard gate(env.volumes);

    const auto catalog = env.makeCatalog();
    catalog->seed({.libraries = librariesAt({a + "/One.fcpbundle"})});
    catalog->setMounted({QStringLiteral("/"), a});
    QList<QMap<QString, Space>> published;
    QObject::connect(catalog.get(), &Catalog::volumeSpaceChanged,
                     [&] { published.append(catalog->volumeSpace()); });
    const QStringList before = volumeSpaceMessages();

    // The first refresh's read is under way and held.
    env.volumes->holdCapacity(true);
    catalog->refreshVolumeSpace();
    ASSERT_TRUE(CatalogTestEnv::waitUntil([&] { return env.volumes->heldRequests() == 1; }));

    // The second starts, then the first's figures arrive: too late to count.
    env.volumes->holdCapacity(false);
    env.volumes->setCapacity(a, Capacity{200, 20});
    catalog->refreshVolumeSpace();
    env.volumes->release();
    ASSERT_TRUE(CatalogTestEnv::waitUntil([&] { return volumeSpaceMessages().size() == before.size() + 3; }));
    settleBackgroundReads();

    EXPECT_EQ(catalog->volumeSpace(), (QMap<QString, Space>{{a, Space{200, 20}}}));
    EXPECT_EQ(published, (QList<QMap<QString, Space>>{{{a, Space{200, 20}}}}));
    const QString start = QStringLiteral("start ") + a;
    EXPECT_EQ(volumeSpaceMessages().mid(before.size()), (QStringList{start, start, QStringLiteral("ok 1")}));
}

TEST_F(CatalogVolumesTest, ReadsFinishingAfterTheCatalogueIsGoneChangeNothing) {
    const QString a = drive(QStringLiteral("A"));
    CatalogTestEnv env;
    // A held request answers what was told when it came, so the figures tell which refresh
    // read them: 100 for a held request, 200 for one after.
    env.volumes->setMountedVolumes(QStringList{});
    env.volumes->setCapacity(a, Capacity{100, 10});
    const test::VolumeGateGuard gate(env.volumes);

    auto catalog = env.makeCatalog();
    catalog->seed({.libraries = librariesAt({a + "/One.fcpbundle"})});
    catalog->setMounted({QStringLiteral("/"), a});
    const QStringList before = volumeSpaceMessages();
    env.volumes->holdCapacity(true);
    catalog->refreshVolumeSpace();
    ASSERT_TRUE(CatalogTestEnv::waitUntil([&] { return env.volumes->heldRequests() == 1; }));

    catalog.reset();
    env.volumes->release();
    settleBackgroundReads();
    EXPECT_EQ(volumeSpaceMessages().mid(before.size()), QStringList{QStringLiteral("start ") + a});
}

TEST_F(CatalogVolumesTest, ADriveWhoseFirstLibrariesAScanFindsGetsItsFreeSpaceOnce) {
    // Media and the share hold no library when the catalogue starts, so nothing is read for
    // them; the scan brings in two libraries on each.
    const QString media = plug(QStringLiteral("Media"));
    const QString share = plug(QStringLiteral("Share"));
    const QString empty = plug(QStringLiteral("Empty"));
    for (const QString& drive : {media, share})
        for (const QString& name : {QStringLiteral("One"), QStringLiteral("Two")}) {
            fixtures::LibraryBuilder lib(name);
            lib.event(QStringLiteral("Day")).media(QStringLiteral("a.mov"), 4096);
            lib.write(drive + "/Libraries");
        }
    CatalogTestEnv env;
    env.volumes->setCapacity(media, Capacity{1000, 400});
    env.volumes->setCapacity(share, std::nullopt); // a share that cannot tell its capacity
    env.volumes->setCapacity(empty, Capacity{300, 30});
    const auto catalog = env.makeCatalog();
    settleBackgroundReads();
    ASSERT_TRUE(catalog->volumeSpace().isEmpty());
    const QStringList before = volumeSpaceMessages();

    ScanJob job;
    job.roots = {media, share};
    job.maxDepth = 5;
    job.concurrency = 1;
    job.updatedAt = QDateTime::currentDateTimeUtc();
    catalog->run(job);
    ASSERT_TRUE(CatalogTestEnv::waitUntil([&] { return !catalog->isScanning(); }));
    ASSERT_EQ(catalog->libraries().size(), 4);
    settleBackgroundReads();

    // Without a mount event or a restart; the drive without libraries stays unread.
    EXPECT_EQ(catalog->volumeSpace(), (QMap<QString, Space>{{media, Space{1000, 400}}}));
    // One refresh for each drive's first library, not one per library.
    const QStringList logged = volumeSpaceMessages().mid(before.size());
    QStringList starts;
    for (const QString& message : logged)
        if (message.startsWith(QStringLiteral("start ")))
            starts.append(message);
    EXPECT_EQ(starts, (QStringList{QStringLiteral("start ") + media,
                                   QStringLiteral("start ") + media + u' ' + share}))
        << logged.join(u'\n').toStdString();

    // A later run over libraries the catalogue already holds asks nothing again.
    const QStringList settled = volumeSpaceMessages();
    catalog->run(job);
    ASSERT_TRUE(CatalogTestEnv::waitUntil([&] { return !catalog->isScanning(); }));
    settleBackgroundReads();
    EXPECT_EQ(volumeSpaceMessages(), settled);
}
