// The exported text of the Libraries and Projects tables, byte for byte: the headers, quoting,
// bare numbers and flags, dates, lengths in whole seconds, line feeds and the encoding.

#include "Shell/CSVExport.h"

#include "Tests/Support/PinnedLocale.h"

#include <QLocale>
#include <cmath>
#include <gtest/gtest.h>
#include <limits>

using namespace pellimor;

namespace {

const QByteArray kLibrariesHeader = "Library,Drive,Path,Size bytes,Events,Projects,Media files,"
                                    "Reclaimable bytes,Modified,FCP version,Online";
const QByteArray kProjectsHeader = "Project,Event,Library,Drive,Path,Length seconds,Format,Modified,"
                                   "Event size bytes,Library size bytes";

// Midday UTC, so the day is the same in every time zone.
const QDateTime kJune1 = QDateTime(QDate(2024, 6, 1), QTime(12, 0), Qt::UTC);
const QDateTime kEpoch = QDateTime::fromSecsSinceEpoch(0, Qt::UTC);

class CSVExportTest : public ::testing::Test {
protected:
    static LibraryRow library(const QString& name) {
        LibraryRow row;
        row.name = name;
        row.drive = QStringLiteral("Media");
        row.path = QStringLiteral("/Volumes/Media/") + name + QStringLiteral(".fcpbundle");
        row.id = row.path;
        row.online = true;
        row.size = 123456789012;
        row.events = 2;
        row.projects = 3;
        row.mediaFiles = 40;
        row.reclaimable = 5000000000;
        row.modified = kJune1;
        row.fcp = QStringLiteral("11.1");
        return row;
    }
    static ProjectRow project(double duration) {
        ProjectRow row;
        row.project = QStringLiteral("Main Edit");
        row.event = QStringLiteral("Day 1");
        row.library = QStringLiteral("Alpha");
        row.drive = QStringLiteral("Media");
        row.path = QStringLiteral("/Volumes/Media/Alpha.fcpbundle");
        row.duration = duration;
        row.format = QStringLiteral("1080p HD 25");
        row.modified = kJune1;
        row.eventSize = 1000;
        row.librarySize = 123456789012;
        return row;
    }

private:
    const test::PinnedLocale m_locale{QLocale(QStringLiteral("en_GB"))};
};

TEST_F(CSVExportTest, libraryLinesQuoteTextAndWriteNumbersAndFlagsBare) {
    struct Case {
        const char* what;
        LibraryRow row;
        QByteArray line;
    };
    LibraryRow quote = library(QStringLiteral("Say \"Cut\""));
    quote.online = false;
    LibraryRow comma = library(QStringLiteral("Smith, Jones"));
    comma.modified = kEpoch;
    comma.fcp = QStringLiteral("—");
    LibraryRow lineFeed = library(QStringLiteral("Two\nLines"));
    lineFeed.modified = QDateTime();
    LibraryRow letters = library(QStringLiteral("Café & Crème"));
    letters.drive = QStringLiteral("Ärchive \"B\"");
    letters.size = std::numeric_limits<qint64>::max();
    letters.reclaimable = 0;

    const QList<Case> cases{
        {"plain", library(QStringLiteral("Alpha")),
         R"("Alpha","Media","/Volumes/Media/Alpha.fcpbundle",123456789012,2,3,40,5000000000,"1 Jun 2024","11.1",yes)"},
        {"a double quote, offline", quote,
         R"("Say ""Cut""","Media","/Volumes/Media/Say ""Cut"".fcpbundle",123456789012,2,3,40,5000000000,"1 Jun 2024","11.1",no)"},
        {"a comma, the epoch as its date", comma,
         "\"Smith, Jones\",\"Media\",\"/Volumes/Media/Smith, "
         "Jones.fcpbundle\",123456789012,2,3,40,5000000000,"
         "\"\u2014\",\"\u2014\",yes"},
        {"a line feed, no date", lineFeed,
         "\"Two\nLines\",\"Media\",\"/Volumes/Media/Two\nLines.fcpbundle\",123456789012,2,3,40,5000000000,"
         "\"\u2014\",\"11.1\",yes"},
        {"an ampersand and letters beyond ASCII", letters,
         "\"Caf\u00E9 & Cr\u00E8me\",\"\u00C4rchive \"\"B\"\"\",\"/Volumes/Media/Caf\u00E9 & "
         "Cr\u00E8me.fcpbundle\","
         "9223372036854775807,2,3,40,0,\"1 Jun 2024\",\"11.1\",yes"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(CSVExport::libraries({c.row}).toStdString(),
                  (kLibrariesHeader + '\n' + c.line).toStdString());
    }
}

TEST_F(CSVExportTest, projectLengthsAreWholeSecondsTowardZeroOrEmptyWhenNotCountable) {
    struct Case {
        double seconds;
        QByteArray field;
    };
    const double infinity = std::numeric_limits<double>::infinity();
    const QList<Case> cases{
        {90.9, "90"},
        {0, "0"},
        {-0.5, "0"},
        {-90.9, "-90"},
        {9.2e18, "9200000000000000000"},
        {-9223372036854775808.0, "-9223372036854775808"}, // the least qint64 itself
        {9223372036854775808.0, ""},                      // one above the greatest
        {-9.3e18, ""},
        {1e300, ""},
        {std::nan(""), ""},
        {infinity, ""},
        {-infinity, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.seconds);
        const QByteArray line = R"("Main Edit","Day 1","Alpha","Media","/Volumes/Media/Alpha.fcpbundle",)" +
                                c.field + R"(,"1080p HD 25","1 Jun 2024",1000,123456789012)";
        EXPECT_EQ(CSVExport::projects({project(c.seconds)}).toStdString(),
                  (kProjectsHeader + '\n' + line).toStdString());
    }
}

TEST_F(CSVExportTest, projectTextFieldsAreQuotedLikeTheLibraries) {
    ProjectRow row = project(12);
    row.project = QStringLiteral("Cut \"A\", v2");
    row.event = QStringLiteral("Day\n2");
    row.library = QStringLiteral("Café & Co");
    row.format = QStringLiteral("—");
    row.modified = kEpoch;
    EXPECT_EQ(CSVExport::projects({row}).toStdString(),
              (kProjectsHeader +
               "\n\"Cut \"\"A\"\", v2\",\"Day\n2\",\"Caf\u00E9 & Co\",\"Media\","
               "\"/Volumes/Media/Alpha.fcpbundle\",12,\"\u2014\",\"\u2014\",1000,123456789012")
                  .toStdString());
}

TEST_F(CSVExportTest, linesKeepTheirOrderAndOnlySeparateWithLineFeeds) {
    // An empty table: the header alone, with no line feed after it.
    EXPECT_EQ(CSVExport::libraries({}), kLibrariesHeader);
    EXPECT_EQ(CSVExport::projects({}), kProjectsHeader);

    // Rows in the order given (the table's), each line ended only by the next one.
    LibraryRow zed = library(QStringLiteral("Zed"));
    zed.size = 1;
    EXPECT_EQ(CSVExport::libraries({zed, library(QStringLiteral("Alpha"))}).toStdString(),
              (kLibrariesHeader +
               "\n\"Zed\",\"Media\",\"/Volumes/Media/Zed.fcpbundle\",1,2,3,40,5000000000,\"1 Jun "
               "2024\",\"11.1\",yes"
               "\n\"Alpha\",\"Media\",\"/Volumes/Media/Alpha.fcpbundle\",123456789012,2,3,40,5000000000,"
               "\"1 Jun 2024\",\"11.1\",yes")
                  .toStdString());

    // UTF-8 without a byte-order mark.
    const QByteArray letters = CSVExport::libraries({library(QStringLiteral("\u00DCn\u00EFcode"))});
    EXPECT_TRUE(letters.startsWith("Library,"));
    EXPECT_TRUE(letters.contains("\n\"\xC3\x9Cn\xC3\xAF"
                                 "code\","));
}

TEST(CSVExportFileNameTest, onlyTheLibrariesAndProjectsTabsExport) {
    for (const Mode mode : allModes()) {
        SCOPED_TRACE(rawValue(mode).toStdString());
        const std::optional<QString> name = CSVExport::fileName(mode);
        if (mode == Mode::libraries)
            EXPECT_EQ(name, QStringLiteral("fcp-libraries.csv"));
        else if (mode == Mode::projects)
            EXPECT_EQ(name, QStringLiteral("fcp-projects.csv"));
        else
            EXPECT_EQ(name, std::nullopt);
    }
    EXPECT_EQ(CSVExport::otherTabStatus(),
              QStringLiteral("Export CSV works on the Libraries and Projects tabs."));
}

} // namespace
