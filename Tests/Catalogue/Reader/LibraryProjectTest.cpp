#include "Catalogue/Reader/LibraryReader.h"
#include "Support/FileTimes.h"
#include "Tests/Fixtures/FixtureFiles.h"
#include "Tests/Fixtures/LibraryBuilder.h"
#include "Tests/Support/TestEnv.h"

#include <QDateTime>
#include <QRegularExpression>
#include <functional>
#include <gtest/gtest.h>
#include <optional>
#include <vector>

using namespace pellimor;
using namespace pellimor::fixtures;
using pellimor::test::TestEnv;
using Project = LibraryBuilder::Project;
using Damage = FixtureDatabase::Damage;

namespace {

QDateTime utc(const char* iso) {
    return QDateTime::fromString(QString::fromLatin1(iso), Qt::ISODate).toUTC();
}

std::string describe(const std::optional<QDateTime>& when) {
    return when ? when->toString(Qt::ISODateWithMs).toStdString() : "none";
}

// Writes a library holding one event with this one project and returns the project folder.
QString writeProject(const Project& project, const QString& hint) {
    LibraryBuilder library("Library");
    library.event("Event").project(project.name) = project;
    const QString bundle = library.write(TestEnv::freshDir(hint));
    return bundle + "/Event/" + project.name;
}

Project projectNamed(const QString& name) {
    Project project;
    project.name = name;
    return project;
}

CollectionRow clip(const QString& identifier) {
    return CollectionRow::identified("FFAnchoredClip", identifier);
}

CollectionRow transition(const QString& identifier) {
    return CollectionRow::identified("FFAnchoredTransition", identifier);
}

CollectionRow unidentified(const QString& type) {
    CollectionRow row;
    row.type = type;
    return row;
}

QString fingerprintOf(const std::vector<CollectionRow>& rows, const QString& hint,
                      const std::function<void(Project&)>& adjust = {}) {
    Project project = projectNamed("Edit");
    for (const CollectionRow& row : rows)
        project.row(row);
    if (adjust)
        adjust(project);
    const ProjectInfo info = LibraryReader::readProject(writeProject(project, hint));
    EXPECT_TRUE(info.fingerprint.has_value()) << hint.toStdString();
    return info.fingerprint.value_or(QString());
}

} // namespace

TEST(LibraryProject, FingerprintFollowsTheProjectsObjectsOnly) {
    const std::vector<CollectionRow> base = {clip("A1"), clip("B2"), transition("T1")};
    struct Case {
        const char* name;
        std::vector<CollectionRow> other;
        std::function<void(Project&)> adjust;
        bool same;
    };
    const std::vector<Case> cases = {
        {"rows in another order", {transition("T1"), clip("B2"), clip("A1")}, {}, true},
        {"one identifier changed", {clip("A1"), clip("B3"), transition("T1")}, {}, false},
        {"one object of another type", {clip("A1"), clip("B2"), clip("T1")}, {}, false},
        {"one object more", {clip("A1"), clip("B2"), transition("T1"), transition("T2")}, {}, false},
        {"empty and null identifiers",
         {clip("A1"), clip(""), unidentified("FFAnchoredClip"), clip("B2"), transition("T1"),
          CollectionRow::keywordMarker({"Interview"})},
         {},
         true},
        {"other times, sizes and sequence settings",
         {clip("B2"), transition("T1"), clip("A1")},
         [](Project& p) {
             p.info({.mediaRange = "0/1s 7200/30000s", .timecodeFrameDuration = "1/25"});
             p.file("Render.bin", 64'000);
             p.savedAt(utc("2021-06-01T08:00:00Z"));
         },
         true},
    };
    const QString expected = fingerprintOf(base, "fingerprint-base");
    for (const Case& c : cases) {
        const QString other = fingerprintOf(c.other, QString("fingerprint-") + c.name, c.adjust);
        EXPECT_EQ(other == expected, c.same)
            << c.name << ": " << other.toStdString() << " vs " << expected.toStdString();
    }
}

TEST(LibraryProject, FingerprintIsTheStartOfTheDigestOfSortedLines) {
    // Digests worked out independently: SHA-256 of the "type|identifier" lines sorted by code
    // point and joined with line feeds, first 8 bytes in lower-case hex.
    struct Case {
        const char* name;
        std::vector<CollectionRow> rows;
        const char* fingerprint;
    };
    const std::vector<Case> cases = {
        {"no rows", {}, "e3b0c44298fc1c14"},
        {"only unidentified rows", {unidentified("FFAnchoredClip"), clip("")}, "e3b0c44298fc1c14"},
        {"upper case before lower case", {transition("T1"), clip("a"), clip("B")}, "f370bf10ea2da43c"},
        // U+FF01 comes before U+1F600 by code point, after it by UTF-16 code unit.
        {"code points above U+FFFF last",
         {clip(QString::fromUtf8("\xF0\x9F\x98\x80")), clip(QString::fromUtf8("\xEF\xBC\x81"))},
         "5d215304d1554e27"},
    };
    for (const Case& c : cases) {
        const QString fingerprint = fingerprintOf(c.rows, QString("digest-") + c.name);
        EXPECT_EQ(fingerprint, QString::fromLatin1(c.fingerprint)) << c.name;
        EXPECT_TRUE(QRegularExpression("\\A[0-9a-f]{16}\\z").match(fingerprint).hasMatch()) << c.name;
    }
}

TEST(LibraryProject, CountsClipsTransitionsAndRanges) {
    struct Case {
        const char* name;
        std::function<void(Project&)> build;
        qint64 clips, transitions, keywordRanges, favourites;
    };
    const std::vector<Case> cases = {
        {"nothing", [](Project&) {}, 0, 0, 0, 0},
        {"clips and compound clips together", [](Project& p) { p.clips(3).compoundClips(2); }, 5, 0, 0, 0},
        {"every kind",
         [](Project& p) {
             p.clips(1).transitions(4).favorites(2);
             p.keywordRange({"Interview"}).keywordRange({"B-roll", "Wide"});
         },
         1, 4, 2, 2},
        {"clips without identifiers still count",
         [](Project& p) { p.row(unidentified("FFAnchoredClip")).row(clip("")).clips(1); }, 3, 0, 0, 0},
    };
    for (const Case& c : cases) {
        Project project = projectNamed("Counts");
        c.build(project);
        const ProjectInfo info =
            LibraryReader::readProject(writeProject(project, QString("counts-") + c.name));
        EXPECT_EQ(info.clipCount, c.clips) << c.name;
        EXPECT_EQ(info.transitionCount, c.transitions) << c.name;
        EXPECT_EQ(info.keywordMarkers, c.keywordRanges) << c.name;
        EXPECT_EQ(info.favoriteMarkers, c.favourites) << c.name;
    }
}

TEST(LibraryProject, NameAndSizeComeFromTheFolder) {
    Project project = projectNamed("Main Edit – v2");
    project.clips(2).file("Shared Items/thumb.bin", 120'000);
    const QString folder = writeProject(project, "name-size");

    const ProjectInfo info = LibraryReader::readProject(folder);
    EXPECT_EQ(info.name, QString("Main Edit – v2"));
    EXPECT_EQ(info.fileSize, FixtureFiles::allocatedSize(folder));
    EXPECT_GE(info.fileSize, 120'000);

    EXPECT_EQ(LibraryReader::readProject(folder + "/").name, QString("Main Edit – v2"));

    const ProjectInfo gone = LibraryReader::readProject(folder + "-missing");
    EXPECT_EQ(gone.name, QString("Main Edit – v2-missing"));
    EXPECT_EQ(gone.fileSize, 0);
    EXPECT_FALSE(gone.created.has_value());
    EXPECT_FALSE(gone.modified.has_value());
    EXPECT_FALSE(gone.fingerprint.has_value());
}

TEST(LibraryProject, FrameRateFromTheFrameDuration) {
    struct Case {
        const char* name;
        PlistValue frameDuration;
        std::optional<double> frameRate;
        std::optional<QString> format;
    };
    const QString withoutRate = QString::fromUtf8("1920×1080 p25");
    const std::vector<Case> cases = {
        {"two plain numbers", "100/2500", 25.0, QString::fromUtf8("1920×1080 25p")},
        {"NTSC", "1001/30000", 30000.0 / 1001.0, QString::fromUtf8("1920×1080 29.97p")},
        {"empty parts dropped", "//100/2500/", 25.0, QString::fromUtf8("1920×1080 25p")},
        {"decimal fraction", "100.0/2500", 25.0, QString::fromUtf8("1920×1080 25p")},
        {"unit letter after the second number", "100/2500s", std::nullopt, withoutRate},
        {"unit letter after the first number", "100s/2500", std::nullopt, withoutRate},
        {"zero first number", "0/2500", std::nullopt, withoutRate},
        {"three parts", "1/25/3", std::nullopt, withoutRate},
        {"one part", "25", std::nullopt, withoutRate},
        {"blanks around the numbers", "100 / 2500", std::nullopt, withoutRate},
        {"empty text", "", std::nullopt, withoutRate},
        {"a number, not a text", PlistValue(25), std::nullopt, withoutRate},
        {"infinite rate", "1/1e400", std::nullopt, withoutRate},
    };
    for (const Case& c : cases) {
        Project project = projectNamed("Rate");
        project.info({.timecodeFrameDuration = c.frameDuration, .videoFormatKey = "FFVideoFormat1080p25"});
        const ProjectInfo info = LibraryReader::readProject(writeProject(project, QString("rate-") + c.name));
        ASSERT_EQ(info.frameRate.has_value(), c.frameRate.has_value()) << c.name;
        if (c.frameRate) {
            EXPECT_DOUBLE_EQ(*info.frameRate, *c.frameRate) << c.name;
        }
        EXPECT_EQ(info.format, c.format) << c.name;
    }
}

TEST(LibraryProject, DurationFormatAndAudioFromSequenceInfo) {
    struct Case {
        const char* name;
        CollectionRow::SequenceInfo fields;
        std::optional<double> duration;
        std::optional<QString> format;
        std::optional<bool> hasAudio;
        std::optional<double> sampleRate;
    };
    const std::vector<Case> cases = {
        {"full settings",
         {.mediaRange = "0/1s 3600/30000s",
          .timecodeFrameDuration = "1001/30000",
          .videoFormatKey = "FFVideoFormat1080p2997",
          .hasAudio = true,
          .audioSampleRate = 48000},
         0.12,
         QString::fromUtf8("1920×1080 29.97p"),
         true,
         48000.0},
        {"real sample rate, no audio",
         {.mediaRange = "0/1s 50/1s", .hasAudio = false, .audioSampleRate = 44100.0},
         50.0,
         std::nullopt,
         false,
         44100.0},
        {"one fraction only",
         {.mediaRange = "3600/30000s"},
         std::nullopt,
         std::nullopt,
         std::nullopt,
         std::nullopt},
        {"values of the wrong kind",
         {.mediaRange = PlistValue(12),
          .videoFormatKey = PlistValue(1080),
          .hasAudio = PlistValue(1),
          .audioSampleRate = "48000"},
         std::nullopt,
         std::nullopt,
         std::nullopt,
         std::nullopt},
        {"format key without a frame rate",
         {.videoFormatKey = "FFVideoFormat720p50"},
         std::nullopt,
         QString::fromUtf8("1280×720 p50"),
         std::nullopt,
         std::nullopt},
        {"not a video format key",
         {.videoFormatKey = "ProRes422"},
         std::nullopt,
         std::nullopt,
         std::nullopt,
         std::nullopt},
    };
    for (const Case& c : cases) {
        Project project = projectNamed("Settings");
        project.info(c.fields);
        const ProjectInfo info = LibraryReader::readProject(writeProject(project, QString("seq-") + c.name));
        ASSERT_EQ(info.duration.has_value(), c.duration.has_value()) << c.name;
        if (c.duration) {
            EXPECT_DOUBLE_EQ(*info.duration, *c.duration) << c.name;
        }
        EXPECT_EQ(info.format, c.format) << c.name;
        EXPECT_EQ(info.hasAudio, c.hasAudio) << c.name;
        EXPECT_EQ(info.sampleRate, c.sampleRate) << c.name;
    }
}

TEST(LibraryProject, LaterSequenceInfoRowsKeepTheKnownRateAndTheDuration) {
    Project project = projectNamed("Two infos");
    project.info({.mediaRange = "0/1s 3600/30000s",
                  .timecodeFrameDuration = "1/25",
                  .hasAudio = true,
                  .audioSampleRate = 48000});
    project.row(CollectionRow::withBlob("FFSequenceInfo", "not an archive"));
    project.info({.timecodeFrameDuration = "25s", .videoFormatKey = "FFVideoFormat1080i50"});

    const ProjectInfo info = LibraryReader::readProject(writeProject(project, "two-infos"));
    ASSERT_TRUE(info.duration.has_value());
    EXPECT_DOUBLE_EQ(*info.duration, 0.12);
    EXPECT_EQ(info.frameRate, std::optional<double>(25.0));
    EXPECT_EQ(info.format, std::optional<QString>(QString::fromUtf8("1920×1080 25i")));
    // The last row's settings replace the first's, absent ones included.
    EXPECT_FALSE(info.hasAudio.has_value());
    EXPECT_FALSE(info.sampleRate.has_value());

    Project replaced = projectNamed("Shorter");
    replaced.info({.mediaRange = "0/1s 3600/30000s"}).info({.mediaRange = "0/1s"});
    EXPECT_FALSE(LibraryReader::readProject(writeProject(replaced, "replaced-range")).duration.has_value());
}

TEST(LibraryProject, SequenceDatesOverrideFolderDates) {
    const QDateTime saved = utc("2022-02-02T10:00:00Z");
    const QDateTime contentCreated = utc("2019-05-04T12:30:00Z");
    const QDateTime modDate = utc("2023-11-20T18:45:10Z");
    struct Case {
        const char* name;
        std::function<void(Project&)> build;
        std::optional<QDateTime> created; // none: the folder's creation date
        std::optional<QDateTime> modified;
    };
    const std::vector<Case> cases = {
        {"no sequence dates", [](Project& p) { p.info({.mediaRange = "0/1s 1/1s"}); }, std::nullopt,
         std::nullopt},
        {"content creation date", [&](Project& p) { p.info({.contentCreated = contentCreated}); },
         contentCreated, std::nullopt},
        {"modification date", [&](Project& p) { p.sequence({.modDate = modDate}); }, std::nullopt, modDate},
        {"both",
         [&](Project& p) { p.sequence({.modDate = modDate}).info({.contentCreated = contentCreated}); },
         contentCreated, modDate},
        {"modification date as text",
         [](Project& p) {
             p.row(CollectionRow::withMetadata("FFAnchoredSequence",
                                               PlistValue::dict({{"modDate", "2023-11-20T18:45:10Z"}})));
         },
         std::nullopt, std::nullopt},
        {"creation date outside the metadata map",
         [&](Project& p) {
             p.row(CollectionRow::withMetadata(
                 "FFSequenceInfo",
                 PlistValue::dict({{"metadataContentCreated", PlistValue::date(contentCreated)}})));
         },
         std::nullopt, std::nullopt},
        {"sequence blob that is not an archive",
         [](Project& p) { p.row(CollectionRow::withBlob("FFAnchoredSequence", "garbage")); }, std::nullopt,
         std::nullopt},
    };
    for (const Case& c : cases) {
        Project project = projectNamed("Dated");
        c.build(project);
        project.savedAt(saved);
        const QString folder = writeProject(project, QString("dates-") + c.name);
        ASSERT_EQ(FileTimes::modified(folder), std::optional<QDateTime>(saved)) << c.name;

        const ProjectInfo info = LibraryReader::readProject(folder);
        const std::optional<QDateTime> created = c.created ? c.created : FileTimes::created(folder);
        const std::optional<QDateTime> modified = c.modified ? c.modified : std::optional<QDateTime>(saved);
        EXPECT_EQ(info.created, created)
            << c.name << ": " << describe(info.created) << " vs " << describe(created);
        EXPECT_EQ(info.modified, modified)
            << c.name << ": " << describe(info.modified) << " vs " << describe(modified);
    }
}

TEST(LibraryProject, KeywordsShareTagsMarkersAndPlugins) {
    const QString grinning = QString::fromUtf8("\xF0\x9F\x98\x80"); // U+1F600
    const QString bang = QString::fromUtf8("\xEF\xBC\x81");         // U+FF01
    Project project = projectNamed("Tagged");
    project.keywordRange({"Beta", "alpha"}).keywordRange({"ALPHA", grinning, bang});
    project.marker("Intro").marker("Ending");
    project.sequence({.shareTags = "web, Final"});
    const CollectionRow delay = CollectionRow::audioUnit("aufx", "dely", "ACME", QString("Echo"));
    project.row(delay).row(delay);
    project.row(CollectionRow::audioUnit("aufx", "dcmp", "appl"));

    const ProjectInfo info = LibraryReader::readProject(writeProject(project, "tagged"));
    // Counts per keyword are dropped; the names sort by code point, so U+FF01 before U+1F600.
    EXPECT_EQ(info.keywords, std::optional<QList<QString>>(QList<QString>{"Beta", "alpha", bang, grinning}));
    EXPECT_EQ(info.markerNames, std::optional<QList<QString>>(QList<QString>{"Ending", "Intro"}));
    EXPECT_EQ(info.metaTags, std::optional<QList<QString>>(QList<QString>{"Final", "web"}));
    EXPECT_EQ(info.keywordMarkers, 2);
    ASSERT_TRUE(info.plugins.has_value());
    ASSERT_EQ(info.plugins->size(), 1);
    EXPECT_EQ(info.plugins->at(0).id, CollectionRow::audioUnitID("aufx", "dely", "ACME"));
    EXPECT_EQ(info.plugins->at(0).kind, QString("Audio"));
    EXPECT_EQ(info.plugins->at(0).count, 2);
}

TEST(LibraryProject, UnreadableDatabaseLeavesTheListsAbsent) {
    const QDateTime saved = utc("2024-03-01T09:30:00Z");
    struct Case {
        const char* name;
        Damage damage;
        bool readable;
    };
    const std::vector<Case> cases = {
        {"sound but empty", Damage::None, true},        {"missing", Damage::Missing, false},
        {"not SQLite", Damage::NotSQLite, false},       {"zero bytes", Damage::Empty, false},
        {"other tables only", Damage::NoTables, false}, {"truncated", Damage::Truncated, false},
    };
    for (const Case& c : cases) {
        Project project = projectNamed("Damaged");
        project.file("Render.bin", 30'000);
        project.database.damage = c.damage;
        project.savedAt(saved);
        const QString folder = writeProject(project, QString("damaged-") + c.name);

        const ProjectInfo info = LibraryReader::readProject(folder);
        EXPECT_EQ(info.name, QString("Damaged")) << c.name;
        EXPECT_EQ(info.fileSize, FixtureFiles::allocatedSize(folder)) << c.name;
        EXPECT_EQ(info.modified, std::optional<QDateTime>(saved)) << c.name;
        EXPECT_EQ(info.created, FileTimes::created(folder)) << c.name;
        EXPECT_EQ(info.fingerprint.has_value(), c.readable) << c.name;
        EXPECT_EQ(info.plugins.has_value(), c.readable) << c.name;
        EXPECT_EQ(info.keywords.has_value(), c.readable) << c.name;
        EXPECT_EQ(info.metaTags.has_value(), c.readable) << c.name;
        EXPECT_EQ(info.markerNames.has_value(), c.readable) << c.name;
        EXPECT_EQ(info.clipCount + info.transitionCount + info.keywordMarkers + info.favoriteMarkers, 0)
            << c.name;
        EXPECT_FALSE(info.duration || info.frameRate || info.format || info.hasAudio || info.sampleRate)
            << c.name;
        if (c.readable) {
            EXPECT_EQ(info.fingerprint, std::optional<QString>("e3b0c44298fc1c14")) << c.name;
            EXPECT_TRUE(info.plugins->isEmpty() && info.keywords->isEmpty() && info.metaTags->isEmpty() &&
                        info.markerNames->isEmpty())
                << c.name;
        }
    }
}
