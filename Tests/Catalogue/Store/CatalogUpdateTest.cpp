#include "Catalogue/Store/Catalog.h"
#include "Platform/SystemServices.h"
#include "Tests/Fixtures/FixtureFiles.h"
#include "Tests/Support/CatalogTestEnv.h"
#include "Tests/Support/FakeFinalCutApp.h"
#include "Tests/Support/TestEnv.h"

#include <QDir>
#include <QSignalSpy>
#include <functional>
#include <gtest/gtest.h>

using namespace pellimor;
using Status = Catalog::UpdateStatus;

namespace {

const QString kApp = QStringLiteral("/Applications/Final Cut Pro.app");

LibraryInfo libraryAt(std::optional<QString> version) {
    LibraryInfo library;
    library.path = QStringLiteral("/Users/me/Movies/Trailer.fcpbundle");
    library.name = QStringLiteral("Trailer");
    library.fcpVersion = std::move(version);
    return library;
}

const char* name(Status status) {
    switch (status) {
    case Status::current:
        return "current";
    case Status::needsUpdate:
        return "needsUpdate";
    case Status::tooNew:
        return "tooNew";
    case Status::unknown:
        return "unknown";
    }
    return "?";
}

} // namespace

TEST(CatalogUpdateTest, InstalledVersionComesFromTheApplicationsInformationList) {
    test::CatalogTestEnv env;
    const auto catalog = env.makeCatalog();

    EXPECT_EQ(catalog->fcpAppURL(), std::nullopt);
    EXPECT_EQ(catalog->installedFCP(), std::nullopt);

    env.finalCut->setLocation(kApp);
    env.finalCut->setVersion(QStringLiteral("11.0"));
    catalog->refreshInstalledFCP();
    EXPECT_EQ(catalog->fcpAppURL(), kApp);
    EXPECT_EQ(catalog->installedFCP(), QStringLiteral("11.0"));

    // The application is there but says nothing usable about its version.
    struct Case {
        const char* what;
        std::optional<QVariantMap> info;
    };
    const QString key = QStringLiteral("CFBundleShortVersionString");
    const Case cases[] = {
        {"unreadable list", std::nullopt},
        {"no version key",
         QVariantMap{{QStringLiteral("CFBundleIdentifier"), QStringLiteral("com.apple.FinalCut")}}},
        {"version as a number", QVariantMap{{key, 11}}},
        {"version as data", QVariantMap{{key, QByteArray("11.0")}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        env.finalCut->setInfo(c.info);
        catalog->refreshInstalledFCP();
        EXPECT_EQ(catalog->fcpAppURL(), kApp);
        EXPECT_EQ(catalog->installedFCP(), std::nullopt);
        EXPECT_EQ(catalog->updateStatus(libraryAt(QStringLiteral("11.0"))), Status::unknown);
    }
}

TEST(CatalogUpdateTest, StatusComparesTheFirstTwoNumbersOfEachVersion) {
    test::CatalogTestEnv env;
    env.finalCut->setLocation(kApp);
    const auto catalog = env.makeCatalog();

    struct Case {
        const char* installed;
        const char* library;
        Status expected;
    };
    const Case cases[] = {
        {"11.0", "11.0", Status::current},
        {"11.0", "10.6", Status::needsUpdate},
        {"11.0", "11.1", Status::tooNew},
        {"11.0", "11.0.2", Status::current}, // only two numbers count
        {"10.4", "10.4.6", Status::current},
        {"11.0", "11", Status::current}, // a missing number counts as 0
        {"11", "11.0", Status::current},
        {"11.1", "11", Status::needsUpdate},
        {"10.9", "10.10", Status::tooNew}, // numbers, not text
        {"10.10", "10.9", Status::needsUpdate},
        {"10.6", "10..6", Status::current}, // empty pieces are dropped
        {"10.6", ".10.6.", Status::current},
        {"10.0", "10.x", Status::current}, // a piece that is no number counts as 0
        {"10.1", "10.x", Status::needsUpdate},
        {"11.0", "", Status::needsUpdate}, // no numbers at all: 0.0
        {"0", "...", Status::current},
        {"11.0", "+11.0", Status::current},
        {"0", "-1", Status::needsUpdate},
        {"0", "-0", Status::current},
        {"0", "+", Status::current},
        {"0", "11 ", Status::current}, // blanks are not part of a number
        {"0", " 11", Status::current},
        {"0", "1e1", Status::current},
        {"0", "0x1F", Status::current},
        {"0", "\u0663", Status::current}, // digits of other scripts do not count
        {"0", "\uff11", Status::current},
        {"0", "9223372036854775807", Status::tooNew},
        {"0", "9223372036854775808", Status::current}, // overflow counts as 0
        {"0", "99999999999999999999999", Status::current},
        {"0", "-9223372036854775808", Status::needsUpdate},
        {"0", "-9223372036854775809", Status::current},
        {"9223372036854775807.0", "9223372036854775807.1", Status::tooNew},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message()
                     << "installed \"" << c.installed << "\", library \"" << c.library << "\"");
        env.finalCut->setVersion(QString::fromUtf8(c.installed));
        catalog->refreshInstalledFCP();
        EXPECT_STREQ(name(catalog->updateStatus(libraryAt(QString::fromUtf8(c.library)))), name(c.expected));
    }
}

TEST(CatalogUpdateTest, StatusIsUnknownWithoutEitherVersion) {
    test::CatalogTestEnv env;
    const auto catalog = env.makeCatalog();

    EXPECT_EQ(catalog->updateStatus(libraryAt(QStringLiteral("10.6"))), Status::unknown); // not installed
    EXPECT_EQ(catalog->updateStatus(libraryAt(std::nullopt)), Status::unknown);

    env.finalCut->setLocation(kApp);
    env.finalCut->setVersion(QStringLiteral("11.0"));
    catalog->refreshInstalledFCP();
    EXPECT_EQ(catalog->updateStatus(libraryAt(std::nullopt)), Status::unknown);
}

// Installing, updating or removing Final Cut Pro shows without a restart, once the catalogue
// reads the version again; until then every answer comes from the last reading.
TEST(CatalogUpdateTest, InstallingOrUpdatingFinalCutProShowsOnceReadAgain) {
    test::CatalogTestEnv env;
    const auto catalog = env.makeCatalog();
    QSignalSpy versionSpy(catalog.get(), &Catalog::installedFCPChanged);
    QSignalSpy changedSpy(catalog.get(), &Catalog::changed);
    const LibraryInfo library = libraryAt(QStringLiteral("10.8"));
    EXPECT_EQ(catalog->updateStatus(library), Status::unknown);

    struct Step {
        const char* what;
        std::function<void()> change;
        Status expected;
        bool signalled;
    };
    const Step steps[] = {
        {"installed",
         [&] {
             env.finalCut->setLocation(kApp);
             env.finalCut->setVersion(QStringLiteral("10.8.1"));
         },
         Status::current, true},
        {"updated", [&] { env.finalCut->setVersion(QStringLiteral("11.1")); }, Status::needsUpdate, true},
        {"unchanged", [] {}, Status::needsUpdate, false},
        {"removed", [&] { env.finalCut->setLocation(std::nullopt); }, Status::unknown, true},
        {"installed again", [&] { env.finalCut->setLocation(kApp); }, Status::needsUpdate, true},
        {"downgraded", [&] { env.finalCut->setVersion(QStringLiteral("10.8")); }, Status::current, true},
    };
    Status before = Status::unknown;
    for (const Step& step : steps) {
        SCOPED_TRACE(step.what);
        versionSpy.clear();
        changedSpy.clear();
        step.change();
        EXPECT_STREQ(name(catalog->updateStatus(library)), name(before));
        catalog->refreshInstalledFCP();
        EXPECT_STREQ(name(catalog->updateStatus(library)), name(step.expected));
        EXPECT_EQ(versionSpy.count(), step.signalled ? 1 : 0);
        EXPECT_EQ(changedSpy.count(), step.signalled ? 1 : 0);
        before = step.expected;
    }
}

// The version is read once, not per library asked about.
TEST(CatalogUpdateTest, StatusOfEveryLibraryComesFromOneReading) {
    test::CatalogTestEnv env;
    env.finalCut->setLocation(kApp);
    env.finalCut->setVersion(QStringLiteral("11.0"));
    const auto catalog = env.makeCatalog(); // read as it starts
    const int reads = env.finalCut->infoCalls();
    EXPECT_GE(reads, 1);
    for (int i = 0; i < 50; ++i)
        EXPECT_EQ(catalog->updateStatus(libraryAt(QStringLiteral("10.%1").arg(i))), Status::needsUpdate);
    EXPECT_EQ(env.finalCut->infoCalls(), reads);
    catalog->refreshInstalledFCP();
    EXPECT_EQ(env.finalCut->infoCalls(), reads + 1);
}

// The whole road on this machine: the application folder named by the environment, its
// information list read from disk.
TEST(CatalogUpdateTest, FindsAnApplicationFolderThroughThePlatform) {
    test::CatalogTestEnv env;
    const QByteArray savedApp = qgetenv("TOVLIN_FCP_APP");
    const QString app =
        QDir(test::TestEnv::freshDir(QStringLiteral("apps"))).filePath(QStringLiteral("Final Cut Pro.app"));
    fixtures::FixtureFiles::writeFinalCutApp(app, QStringLiteral("10.8.1"));
    qputenv("TOVLIN_FCP_APP", app.toUtf8());
    {
        test::ScopedFinalCutApp system(platform::makeSystemFinalCutApp());
        const auto catalog = env.makeCatalog();
        EXPECT_EQ(catalog->fcpAppURL(), app);
        EXPECT_EQ(catalog->installedFCP(), QStringLiteral("10.8.1"));
        EXPECT_EQ(catalog->updateStatus(libraryAt(QStringLiteral("10.7"))), Status::needsUpdate);
        EXPECT_EQ(catalog->updateStatus(libraryAt(QStringLiteral("10.8"))), Status::current);
        EXPECT_EQ(catalog->updateStatus(libraryAt(QStringLiteral("11.0"))), Status::tooNew);

        // Removed from where the environment names it (and not in /Applications here).
        QDir(app).removeRecursively();
        catalog->refreshInstalledFCP();
        EXPECT_EQ(catalog->fcpAppURL(), std::nullopt);
        EXPECT_EQ(catalog->updateStatus(libraryAt(QStringLiteral("10.8"))), Status::unknown);
    }
    if (savedApp.isNull())
        qunsetenv("TOVLIN_FCP_APP");
    else
        qputenv("TOVLIN_FCP_APP", savedApp);
}
