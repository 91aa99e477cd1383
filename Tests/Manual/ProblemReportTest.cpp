// The problem report's text: its sections, the names it hides and the error-log lines it carries.

#include "Manual/ProblemReport.h"

#include "Catalogue/Logs/ErrorLog.h"
#include "Catalogue/Store/Catalog.h"
#include "Platform/Services.h"
#include "Tests/Support/CatalogTestEnv.h"
#include "Tests/Support/FakeMachineFacts.h"
#include "Tests/Support/FakeMainBundle.h"
#include "Tests/Support/QtPrinters.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QUrlQuery>
#include <gtest/gtest.h>

using namespace pellimor;

namespace {
QString versionWith(QVariantMap info) {
    platform::ScopedServices scope(test::FakeMainBundle::services(
        std::make_shared<test::FakeMainBundle>(std::move(info), QStringLiteral("/opt/Tovlin"))));
    return ProblemReport::appVersion();
}
} // namespace

TEST(ProblemReport, AppVersionFromTheInformationList) {
    EXPECT_EQ(versionWith({{"CFBundleShortVersionString", "1.17.0"}, {"CFBundleVersion", "61"}}),
              "Tovlin 1.17.0 (61)");
    EXPECT_EQ(versionWith({{"CFBundleShortVersionString", "1.2"}}), "Tovlin 1.2 ()");
    EXPECT_EQ(versionWith({{"CFBundleShortVersionString", "1.2"}, {"CFBundleVersion", 5}}), "Tovlin 1.2 ()");
    EXPECT_EQ(versionWith({{"CFBundleShortVersionString", 3}}), "Tovlin (not packaged)");
    EXPECT_EQ(versionWith({}), "Tovlin (not packaged)");
    // Outside any override the built-in information list answers.
    EXPECT_TRUE(ProblemReport::appVersion().startsWith("Tovlin "));
}

namespace {

LibraryInfo libraryOn(const QString& drive, const QString& name) {
    LibraryInfo library;
    library.path = QStringLiteral("/Volumes/") + drive + u'/' + name + QStringLiteral(".fcpbundle");
    library.name = name;
    library.volumeName = drive;
    return library;
}

// A catalogue with two libraries and two watched folders, over a fake machine and volumes.
struct ReportFixture {
    test::CatalogTestEnv env{QStringLiteral("report")};
    std::shared_ptr<test::FakeMachineFacts> machine = std::make_shared<test::FakeMachineFacts>();
    platform::ScopedServices machineScope{test::FakeMachineFacts::services(machine)};
    std::unique_ptr<Catalog> catalog = env.makeCatalog();

    ReportFixture() {
        catalog->seed({.libraries = QList<LibraryInfo>{libraryOn("Archive SSD", "Smith Wedding"),
                                                       libraryOn("Macintosh HD", "Holiday 2026")}});
        catalog->seed({.roots = QList<ScanRoot>{ScanRoot{"/Volumes/Archive SSD/Jobs/", std::nullopt},
                                                ScanRoot{"/home/jsmith/Movies", std::nullopt}}});
    }
};

void writeLines(const QString& file, int from, int to) {
    QFile out(file);
    ASSERT_TRUE(out.open(QIODevice::WriteOnly));
    for (int i = from; i < to; ++i)
        out.write(QStringLiteral("2026-01-05T10:00:00Z ERROR scan: line %1\n").arg(i).toUtf8());
}

} // namespace

TEST(ProblemReport, privateNamesInTheirOrderFromTheMachineAndTheCatalogue) {
    ReportFixture fixture;
    fixture.env.volumes->setMountedVolumes(
        QStringList{"/Volumes/Archive SSD", "/Volumes/.hidden", "/Volumes/Studio"});
    const QList<NameHider::Name> expected = {{"user", "jsmith"},
                                             {"user", "Jane Smith"},
                                             {"mac", "Jane's MacBook Pro"},
                                             {"mac", "janes-laptop"},
                                             {"drive", "/"},
                                             {"drive", "Archive SSD"},
                                             {"drive", "Studio"},
                                             {"drive", "Archive SSD"},
                                             {"library", "Smith Wedding"},
                                             {"drive", "Macintosh HD"},
                                             {"library", "Holiday 2026"},
                                             {"folder", "Jobs"},
                                             {"folder", "Movies"}};
    EXPECT_EQ(ProblemReport::privateNames(*fixture.catalog), expected);

    // A computer without a name of its own and without a host name gives neither.
    fixture.machine->computer = std::nullopt;
    fixture.machine->host = std::nullopt;
    const QList<NameHider::Name> names = ProblemReport::privateNames(*fixture.catalog);
    EXPECT_EQ(names.mid(0, 3),
              (QList<NameHider::Name>{{"user", "jsmith"}, {"user", "Jane Smith"}, {"drive", "/"}}));
}

TEST(ProblemReport, theNoteSectionIsTrimmedAndNeverEmpty) {
    const QString heading = QStringLiteral("What happened\n-------------\n");
    EXPECT_EQ(ProblemReport::noteSection(""), heading + "(nothing written)\n\n");
    EXPECT_EQ(ProblemReport::noteSection(" \n\t\n  "), heading + "(nothing written)\n\n");
    EXPECT_EQ(ProblemReport::noteSection("\n\n  It froze.\n\nThen it quit.  \n\n"),
              heading + "It froze.\n\nThen it quit.\n\n");
}

TEST(ProblemReport, theDetailsHoldTheFactsAndTheHiddenLogExactly) {
    ReportFixture fixture;
    platform::ScopedServices bundle(test::FakeMainBundle::services(std::make_shared<test::FakeMainBundle>(
        QVariantMap{{"CFBundleShortVersionString", "1.17.0"}, {"CFBundleVersion", "61"}})));
    const QString facts = QStringLiteral("About this Mac and Tovlin\n-------------------------\n"
                                         "App: Tovlin 1.17.0 (61)\n"
                                         "macOS: Version 26.1 (Build 25B78)\n"
                                         "Mac: Mac15,6\n"
                                         "Final Cut Pro: not installed\n"
                                         "Libraries in the catalogue: 2\n");
    const QString logHeading =
        QStringLiteral("\nTovlin's error log (newest last)\n--------------------------------\n");

    // No log at all: "(empty)", hidden or not.
    EXPECT_EQ(ProblemReport::details(*fixture.catalog, true),
              facts + "Names hidden: yes\n" + logHeading + "(empty)\n");
    EXPECT_EQ(ProblemReport::details(*fixture.catalog, false),
              facts + "Names hidden: no\n" + logHeading + "(empty)\n");

    QFile out(ErrorLog::url());
    ASSERT_TRUE(QDir().mkpath(QFileInfo(out).absolutePath()));
    ASSERT_TRUE(out.open(QIODevice::WriteOnly));
    out.write("2026-01-05T10:00:00Z ERROR eject: Archive SSD could not be ejected. Smith Wedding is open on "
              "Jane's MacBook Pro.\n"
              "2026-01-05T10:00:01Z ERROR scan: Read again.  path: /Volumes/Archive SSD/Jobs/Smith "
              "Wedding.fcpbundle\n");
    out.close();
    EXPECT_EQ(ProblemReport::details(*fixture.catalog, true),
              facts + "Names hidden: yes\n" + logHeading +
                  "2026-01-05T10:00:00Z ERROR eject: <drive-1> could not be ejected. <library-1> is open on "
                  "<mac-1>.\n"
                  "2026-01-05T10:00:01Z ERROR scan: Read again.  path: <path-1>.fcpbundle\n");
    EXPECT_TRUE(ProblemReport::details(*fixture.catalog, false)
                    .contains("Smith Wedding is open on Jane's MacBook Pro."));
}

TEST(ProblemReport, theLogExcerptIsTheNewest150LinesOlderOnesFromTheRotatedFile) {
    ReportFixture fixture;
    const QString log = ErrorLog::url();
    ASSERT_TRUE(QDir().mkpath(QFileInfo(log).absolutePath()));
    struct Case {
        const char* what;
        int rotated; // lines 0 .. rotated-1 in ".1"
        int current; // lines rotated .. current-1 in the log itself
        int first;   // the first line shown
    };
    for (const Case& c :
         {Case{"all from the log", 0, 200, 50}, Case{"some from the older file", 100, 160, 10},
          Case{"fewer than 150 in all", 20, 30, 0}}) {
        SCOPED_TRACE(c.what);
        QFile::remove(log + ".1");
        if (c.rotated > 0)
            writeLines(log + ".1", 0, c.rotated);
        writeLines(log, c.rotated, c.current);
        const QString details = ProblemReport::details(*fixture.catalog, false);
        const QString excerpt = details.mid(details.indexOf("---\n", details.indexOf("error log")) + 4);
        const QStringList lines = excerpt.split(u'\n', Qt::SkipEmptyParts);
        ASSERT_EQ(lines.size(), c.current - c.first);
        EXPECT_TRUE(lines.first().endsWith(QStringLiteral(": line %1").arg(c.first)));
        EXPECT_TRUE(lines.last().endsWith(QStringLiteral(": line %1").arg(c.current - 1)));
    }
    // A log that is not UTF-8 still gives its lines, repaired.
    QFile::remove(log + ".1");
    QFile out(log);
    ASSERT_TRUE(out.open(QIODevice::WriteOnly));
    out.write("2026-01-05T10:00:00Z ERROR scan: caf\xe9\n");
    out.close();
    EXPECT_TRUE(ProblemReport::details(*fixture.catalog, false).contains("ERROR scan: caf\uFFFD\n"));
}

TEST(ProblemReport, theMailLinkCarriesTheSubjectAndTheOneBodyLine) {
    platform::ScopedServices bundle(test::FakeMainBundle::services(std::make_shared<test::FakeMainBundle>(
        QVariantMap{{"CFBundleShortVersionString", "1.17.0"}, {"CFBundleVersion", "61"}})));
    EXPECT_EQ(ProblemReport::emailSubject(), "Tovlin problem report (1.17.0 (61))");
    const std::optional<QUrl> link = ProblemReport::mailLink("A & B + C = D?");
    ASSERT_TRUE(link);
    EXPECT_EQ(link->scheme(), "mailto");
    EXPECT_EQ(link->path(), QString::fromUtf16(ProblemReport::supportAddress));
    const QUrlQuery query(*link);
    EXPECT_EQ(query.queryItemValue("subject", QUrl::FullyDecoded), "A & B + C = D?");
    EXPECT_EQ(query.queryItemValue("body", QUrl::FullyDecoded),
              "(The report is on the clipboard: paste it here with Command-V.)");

    platform::ScopedServices unpackaged(
        test::FakeMainBundle::services(std::make_shared<test::FakeMainBundle>(QVariantMap{})));
    EXPECT_EQ(ProblemReport::emailSubject(), "Tovlin problem report ((not packaged))");
}
