#include "Catalogue/Store/CatalogFile.h"

#include <QDateTime>
#include <QList>
#include <cmath>
#include <functional>
#include <gtest/gtest.h>

using namespace pellimor;

namespace {

const QDateTime kScanned(QDate(2025, 3, 1), QTime(9, 30, 0, 250), Qt::UTC);

// Names full of what a cut between records could trip over: brackets, braces, commas, quotes
// and backslashes inside strings, and letters beyond ASCII.
LibraryInfo library(int i) {
    LibraryInfo l;
    l.path = QStringLiteral("/Volumes/Drive %1/Jobs/{Client}, [%1] \"cut\" \\ é.fcpbundle").arg(i);
    l.name = QStringLiteral("Client {%1}] \\\" ,[").arg(i);
    l.volumeName = QStringLiteral("Drive %1").arg(i % 3);
    if (i % 2)
        l.volumeUUID = QStringLiteral("6F1C0A2E-1111-2222-3333-%1").arg(i, 12, 10, QLatin1Char('0'));
    l.scannedAt = kScanned.addSecs(i);
    l.signature = QStringLiteral("1.5|@size|%1").arg(i);
    l.extraSize = 9007199254740993 + i;
    for (int e = 0; e < i % 4; ++e) {
        EventInfo event;
        event.name = QStringLiteral("Day %1 } ] {").arg(e);
        event.originalSize = 123456789012 + e;
        event.extensions = {{QStringLiteral("mov"), e + 1}};
        ProjectInfo project;
        project.name = QStringLiteral("Cut \"%1\"").arg(e);
        project.duration = 12.5 + e;
        event.projects = {project};
        l.events.append(event);
    }
    return l;
}

CatalogFile::Contents contents(int libraries) {
    CatalogFile::Contents c;
    for (int i = 0; i < libraries; ++i)
        c.libraries.append(library(i));
    ScanRoot root;
    root.path = QStringLiteral("/Volumes/Drive 1/Jobs");
    c.roots = {root};
    c.driveRoles = QMap<QString, QString>{{QStringLiteral("6F1C"), QStringLiteral("backup")}};
    c.favorites = QMap<QString, QDateTime>{{c.libraries.value(1).path, kScanned}};
    return c;
}

QByteArray wholeBytes(const CatalogFile::Contents& c) {
    const Result<QByteArray> bytes = CatalogFile::encode(c, CatalogFile::kOnePiece);
    EXPECT_TRUE(bytes.ok()) << bytes.error().toStdString();
    return bytes.ok() ? bytes.value() : QByteArray();
}

// The same answer in pieces as in one: both the contents, or both the same reason.
void expectSameDecoding(const QByteArray& bytes, const char* what) {
    SCOPED_TRACE(what);
    const Result<CatalogFile::Contents> pieces = CatalogFile::decode(bytes, 0);
    const Result<CatalogFile::Contents> whole = CatalogFile::decode(bytes, CatalogFile::kOnePiece);
    ASSERT_EQ(pieces.ok(), whole.ok()) << (pieces.ok() ? whole.error() : pieces.error()).toStdString();
    if (whole.ok())
        EXPECT_TRUE(pieces.value() == whole.value());
    else
        EXPECT_EQ(pieces.error(), whole.error());
}

} // namespace

TEST(CatalogFile, PiecesGiveTheBytesAndRecordsOfTheWhole) {
    for (const int count : {0, 1, 31, 32, 33, 200}) {
        SCOPED_TRACE(count);
        CatalogFile::Contents c = contents(count);
        const QByteArray whole = wholeBytes(c);
        const Result<QByteArray> pieces = CatalogFile::encode(c, 1);
        ASSERT_TRUE(pieces.ok()) << pieces.error().toStdString();
        EXPECT_EQ(pieces.value(), whole);

        const Result<CatalogFile::Contents> decoded = CatalogFile::decode(whole, 0);
        ASSERT_TRUE(decoded.ok()) << decoded.error().toStdString();
        EXPECT_TRUE(decoded.value() == c);
    }
    // Favourites are left out when there are none, drive roles when absent.
    CatalogFile::Contents bare = contents(40);
    bare.favorites = QMap<QString, QDateTime>();
    bare.driveRoles.reset();
    const QByteArray whole = wholeBytes(bare);
    EXPECT_FALSE(whole.contains("\"favorites\""));
    EXPECT_FALSE(whole.contains("\"driveRoles\""));
    ASSERT_TRUE(CatalogFile::encode(bare, 1).ok());
    EXPECT_EQ(CatalogFile::encode(bare, 1).value(), whole);
}

TEST(CatalogFile, ARecordWithoutAJsonFormFailsTheSameInPieces) {
    CatalogFile::Contents c = contents(120);
    c.libraries[78].events[1].projects[0].duration = std::nan("");
    const Result<QByteArray> whole = CatalogFile::encode(c, CatalogFile::kOnePiece);
    const Result<QByteArray> pieces = CatalogFile::encode(c, 1);
    ASSERT_FALSE(whole.ok());
    ASSERT_FALSE(pieces.ok());
    EXPECT_EQ(pieces.error(), whole.error());
    EXPECT_TRUE(whole.error().contains(QStringLiteral("libraries[78]"))) << whole.error().toStdString();
}

TEST(CatalogFile, DamagedFilesReadTheSameInPiecesAsWhole) {
    const QByteArray good = wholeBytes(contents(100));
    const qsizetype middle = good.indexOf("{\"path\":", good.size() / 2);
    ASSERT_GT(middle, 0);
    struct Case {
        const char* what;
        std::function<QByteArray()> bytes;
    };
    const QList<Case> cases = {
        {"good", [&] { return good; }},
        {"cut short in a record", [&] { return good.left(middle + 40); }},
        {"cut short after the array", [&] { return good.left(good.indexOf("],\"roots\"") + 1); }},
        {"a number among the records", [&] { return QByteArray(good).insert(middle, "7,"); }},
        {"blanks between records", [&] { return QByteArray(good).insert(middle, " \n\t"); }},
        {"a key twice in a record", [&] { return QByteArray(good).insert(middle + 1, "\"name\":\"x\","); }},
        {"a second libraries key",
         [&] { return QByteArray(good).insert(good.size() - 1, ",\"libraries\":[]"); }},
        {"a key twice after the array",
         [&] { return QByteArray(good).insert(good.size() - 1, ",\"roots\":[]"); }},
        {"no roots",
         [&] {
             QByteArray b = good;
             return b.replace("\"roots\":", "\"rooted\":");
         }},
        {"a record without its path",
         [&] {
             QByteArray b = good;
             return b.replace(middle + 2, 4, "hat");
         }},
        {"text that is not UTF-8", [&] { return QByteArray(good).insert(middle + 10, "\xC3("); }},
        {"garbage after the end", [&] { return good + "x"; }},
        {"blanks after the end", [&] { return good + "\n "; }},
        {"no libraries key first", [&] { return QByteArray("{\"roots\":[],\"libraries\":[]}"); }},
        {"an unclosed string", [&] { return good.left(middle + 12); }},
        {"empty", [] { return QByteArray(); }},
    };
    for (const Case& c : cases)
        expectSameDecoding(c.bytes(), c.what);
}
