// The work behind the missing-files sheet, without a window: reading the broken links of the
// libraries asked for, the searches with their places, stops and closes, saving the list, the
// user's picks, and putting found files back.

#include "Catalogue/Logs/ErrorLog.h"
#include "Catalogue/Reader/LibraryReader.h"
#include "MissingFiles/MissingFiles.h"
#include "MissingFiles/MissingFilesController.h"
#include "Support/WorkPool.h"
#include "Tests/Fixtures/FixtureFiles.h"
#include "Tests/Fixtures/LibraryBuilder.h"
#include "Tests/Support/CatalogTestEnv.h"
#include "Tests/Support/FakeFinalCutApp.h"
#include "Tests/Support/RecordingFileManager.h"
#include "Tests/Support/RereadCounter.h"
#include "Tests/Support/Scopes.h"
#include "Tests/Support/TempFiles.h"
#include "Tests/Support/TreeListing.h"

#include <QDir>
#include <QFileInfo>
#include <QSignalSpy>
#include <QThreadPool>
#include <gtest/gtest.h>

using namespace pellimor;
using fixtures::LibraryBuilder;
using test::CatalogTestEnv;
using test::TestEnv;
namespace FixtureFiles = pellimor::fixtures::FixtureFiles;

namespace {

class MissingControllerTest : public ::testing::Test {
protected:
    void SetUp() override {
        // The catalogue reads its media lists when it is made; that read lands before the test
        // gives it media of its own.
        workPool()->waitForDone();
        test::runQueued();
    }

    void TearDown() override {
        if (controller) {
            controller->close();
            EXPECT_TRUE(gone());
        }
        workPool()->waitForDone();
        CatalogTestEnv::spin(10);
    }

    // Whether the controller has deleted itself. A deletion asked for outside the event loop (a
    // close() from the test itself) is carried out here, as the event loop would.
    bool gone() {
        return CatalogTestEnv::waitUntil([&] {
            QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
            return controller.isNull();
        });
    }

    // A drive plugged in, and the catalogue told.
    QString plug(const QString& name) {
        const QString path = volumes + u'/' + name;
        QDir().mkpath(path);
        catalog->recordMounted();
        return path;
    }
    // Room on a drive for copies into its libraries.
    void roomOn(const QString& drive) {
        env.volumes->setCapacity(drive,
                                 platform::VolumeFacts::Capacity{qint64(400) << 30, qint64(200) << 30});
    }
    void unplug(const QString& path) {
        ASSERT_TRUE(QDir(path).removeRecursively());
        catalog->recordMounted();
    }

    // A library with one event whose links point at `targets`, written into `folder` and
    // catalogued with its media list.
    LibraryInfo library(const QString& name, const QString& folder, const QStringList& targets,
                        const QStringList& media = {}) {
        LibraryBuilder builder(name);
        LibraryBuilder::Event& event = builder.event(QStringLiteral("Day 1"));
        for (const QString& target : targets)
            event.mediaLink(QFileInfo(target).fileName(), target);
        for (const QString& file : media)
            event.media(file, 1000);
        const QString path = builder.write(folder);
        QList<MediaEntry> entries;
        LibraryInfo read = LibraryReader::read(path, LibraryReader::signature(path), entries);
        read.volumeName = QFileInfo(folder).fileName();
        QList<LibraryInfo> all = catalog->libraries();
        all.append(read);
        catalog->seed({.libraries = all});
        QList<Catalog::MediaEntry2> rows = catalog->media();
        for (const MediaEntry& entry : entries)
            rows.append({read.path, entry});
        catalog->seed({.media = rows});
        return read;
    }

    void open(const QList<LibraryInfo>& libraries) {
        controller = new MissingFilesController(*catalog, MissingRequest(libraries));
        controller->start();
        ASSERT_TRUE(state().loading);
        ASSERT_TRUE(CatalogTestEnv::waitUntil([&] { return !state().loading; }));
    }
    const MissingSheetState& state() const { return controller->state(); }

    // Starts a search and waits for it to complete.
    bool search() {
        const QSignalSpy finished(controller, &MissingFilesController::searchFinished);
        controller->find();
        return state().searching && CatalogTestEnv::waitUntil([&] { return !finished.isEmpty(); });
    }

    QStringList found(const QString& name) const { return state().found.value(name); }

    // Asks for a repair in `mode`, confirms it and waits until it has ended (note set).
    bool repair(MissingFiles::RepairMode mode) {
        const QSignalSpy finished(controller, &MissingFilesController::repairFinished);
        const bool asked = controller->askRepair(mode).has_value();
        if (asked)
            controller->answerRepair(true);
        return asked && state().working && CatalogTestEnv::waitUntil([&] { return !finished.isEmpty(); });
    }

    bool refreshed(const QString& name) const {
        return CatalogTestEnv::waitUntil(
            [&] { return catalog->status().startsWith(name + QStringLiteral(" refreshed.")); });
    }
    QString repairLog() const { return catalog->dir() + QStringLiteral("/repair-log.txt"); }

    CatalogTestEnv env{QStringLiteral("missing-controller")};
    const QString volumes = TestEnv::freshDir(QStringLiteral("missing-volumes"));
    test::ScopedEnvironment volumesRoot{"TOVLIN_VOLUMES_ROOT", volumes};
    const QString home = QFileInfo(TestEnv::freshDir(QStringLiteral("missing-home"))).canonicalFilePath();
    test::ScopedEnvironment homeScope{"HOME", home};
    std::unique_ptr<Catalog> catalog = env.makeCatalog();
    QPointer<MissingFilesController> controller;
};

TEST_F(MissingControllerTest, readsTheLibrariesThatAreOnlineAndCountsTheOthers) {
    const QString a = plug(QStringLiteral("A"));
    const LibraryInfo film = library(QStringLiteral("Film"), a, {"/Volumes/Old/x.mov", "/Volumes/Old/y.mov"});
    LibraryInfo away = film;
    away.path = volumes + QStringLiteral("/Gone/Away.fcpbundle");
    away.name = QStringLiteral("Away");
    LibraryInfo away2 = away;
    away2.path = volumes + QStringLiteral("/Gone/Away 2.fcpbundle");

    open({away, film});
    EXPECT_EQ(state().all.size(), 2);
    EXPECT_EQ(state().skipped, 1);
    EXPECT_TRUE(MissingSheet::summary(state()).endsWith(
        QStringLiteral(" 1 library is on drives that aren't connected and could not be read.")));
    controller->close();
    ASSERT_TRUE(gone());

    open({away, away2});
    EXPECT_TRUE(state().all.isEmpty());
    EXPECT_EQ(
        MissingSheet::summary(state()),
        QStringLiteral("No missing files in the libraries listed. 2 libraries are on drives that aren't "
                       "connected and could not be read."));
    EXPECT_FALSE(MissingSheet::canFind(state()));
}

TEST_F(MissingControllerTest, theCatalogueAloneWalksNothing) {
    const QString a = plug(QStringLiteral("A"));
    const LibraryInfo film = library(QStringLiteral("Film"), a, {"/Volumes/Old/Shoot/clip.mov"});
    // The catalogue knows a copy inside another library; the home folder holds one too, unticked.
    const LibraryInfo other = library(QStringLiteral("Other"), a, {}, {QStringLiteral("clip.mov")});
    FixtureFiles::writeRandom(home + "/Movies/clip.mov", 10);
    open({film});
    ASSERT_TRUE(search());
    EXPECT_EQ(state().searchedIn, QStringList{"Tovlin's catalogue"});
    EXPECT_EQ(found("clip.mov"), QStringList{other.path + "/Day 1/Original Media/clip.mov"});
    EXPECT_TRUE(state().progress.isEmpty());
    EXPECT_TRUE(state().note->startsWith(QStringLiteral("1 of 1 found by name; ")));
}

TEST_F(MissingControllerTest, withTheCatalogueOffOnlyTheTickedPlacesAreSearched) {
    const QString a = plug(QStringLiteral("A"));
    const LibraryInfo film = library(QStringLiteral("Film"), a, {"/Volumes/Old/clip.mov"});
    library(QStringLiteral("Other"), a, {}, {QStringLiteral("clip.mov")});
    const QString folder = QFileInfo(TestEnv::freshDir(QStringLiteral("missing-folder"))).canonicalFilePath();
    FixtureFiles::writeRandom(home + "/Movies/clip.mov", 10);
    FixtureFiles::writeRandom(folder + "/clip.mov", 10);
    open({film});
    controller->setUseCatalog(false);
    controller->addFolders({folder});
    controller->setChosen(home, true);
    ASSERT_TRUE(search());
    // In the order of the places, whatever the order of the ticks.
    EXPECT_EQ(state().searchedIn, (QStringList{home, folder}));
    EXPECT_EQ(found("clip.mov"), (QStringList{home + "/Movies/clip.mov", folder + "/clip.mov"}));
}

TEST_F(MissingControllerTest, theCataloguesCandidatesComeFirstAndTheWalksDictionaryStands) {
    const QString a = plug(QStringLiteral("A"));
    const LibraryInfo film =
        library(QStringLiteral("Film"), a, {"/Volumes/Old/clip.mov", "/Volumes/Old/b.mov"});
    const LibraryInfo other = library(QStringLiteral("Other"), a, {}, {QStringLiteral("clip.mov")});
    const QString catalogued = other.path + "/Day 1/Original Media/clip.mov";
    for (int i = 0; i < 5; ++i)
        FixtureFiles::writeRandom(home + QStringLiteral("/Card %1/clip.mov").arg(i), 10);
    FixtureFiles::writeRandom(home + "/b.mov", 10);
    open({film});
    controller->setChosen(home, true);

    QList<MissingFiles::Found> seen;
    // The connection goes with this frame; the close after the test emits changes too.
    const QObject frame;
    QObject::connect(controller, &MissingFilesController::changed, &frame, [&] {
        if (controller->state().searching && (seen.isEmpty() || seen.last() != controller->state().found))
            seen.append(controller->state().found);
    });
    ASSERT_TRUE(search());
    ASSERT_GE(seen.size(), 2);
    EXPECT_TRUE(seen.first().isEmpty()) << "a search starts from nothing";
    EXPECT_EQ(seen.at(1), (MissingFiles::Found{{"clip.mov", {catalogued}}}));
    EXPECT_EQ(found("clip.mov").size(), 6);
    EXPECT_EQ(found("clip.mov").first(), catalogued);
    EXPECT_EQ(found("b.mov"), QStringList{home + "/b.mov"});
    EXPECT_EQ(state().searchedIn, (QStringList{"Tovlin's catalogue", home}));
}

TEST_F(MissingControllerTest, aDriveFilterNarrowsTheCountsTheNoteTheSearchAndTheList) {
    const LibraryInfo film =
        library(QStringLiteral("Film"), plug(QStringLiteral("A")), {"/Volumes/Old/a.mov"});
    const LibraryInfo trip = library(QStringLiteral("Trip"), plug(QStringLiteral("B")),
                                     {"/Volumes/Old/b.mov", "/Volumes/Old/c.mov"});
    FixtureFiles::writeRandom(home + "/a.mov", 10);
    FixtureFiles::writeRandom(home + "/b.mov", 10);
    open({film, trip});
    ASSERT_EQ(MissingSheet::driveChoices(state()).size(), 3);
    controller->setDrive(QStringLiteral("B"));
    controller->setChosen(home, true);
    ASSERT_TRUE(search());
    EXPECT_FALSE(state().found.contains("a.mov")) << "only the drive's files are looked for";
    EXPECT_EQ(found("b.mov"), QStringList{home + "/b.mov"});
    EXPECT_EQ(MissingSheet::counts(state(), controller->files()).hits, 1);
    EXPECT_TRUE(state().note->startsWith(QStringLiteral("1 of 2 found by name; 0 of them are strong")))
        << state().note->toStdString();

    const QString saved =
        TestEnv::freshDir(QStringLiteral("missing-save")) + QStringLiteral("/B - missing files.txt");
    controller->save(saved);
    EXPECT_EQ(state().note, QStringLiteral("Saved the list to B - missing files.txt."));
    QStringList written = QString::fromUtf8(test::readAll(saved)).split(u'\n');
    QStringList expected =
        MissingFiles::report(controller->files(), state().found, state().searchedIn, state().picked)
            .split(u'\n');
    // The heading carries the day; the rest is the list of the rows shown.
    written.removeFirst();
    expected.removeFirst();
    EXPECT_EQ(written, expected);
    EXPECT_FALSE(written.join(u'\n').contains(QStringLiteral("a.mov")));
}

TEST_F(MissingControllerTest, everySearchForgetsThePicksAndHasAStopFlagOfItsOwn) {
    const LibraryInfo film =
        library(QStringLiteral("Film"), plug(QStringLiteral("A")), {"/Volumes/Old/a.mov"});
    FixtureFiles::writeRandom(home + "/a.mov", 10);
    open({film});
    controller->setChosen(home, true);
    ASSERT_TRUE(search());
    const MissingFile file = state().all.first();
    controller->setPick(file.id(), home + "/a.mov");
    EXPECT_EQ(MissingSheet::choice(state(), file).match->kind, MissingFiles::Match::Kind::chosenByUser);

    // Stop right after the start: the walk ends at once and the note says so.
    const std::shared_ptr<MissingFiles::Stop> before = state().stop;
    const QSignalSpy finished(controller, &MissingFilesController::searchFinished);
    controller->find();
    EXPECT_TRUE(state().picked.isEmpty());
    EXPECT_NE(state().stop, before);
    controller->stop();
    EXPECT_TRUE(state().stop->requested());
    EXPECT_FALSE(before->requested());
    ASSERT_TRUE(CatalogTestEnv::waitUntil([&] { return !finished.isEmpty(); }));
    EXPECT_TRUE(state().note->startsWith(QStringLiteral("Stopped early. "))) << state().note->toStdString();

    ASSERT_TRUE(search());
    EXPECT_FALSE(state().stop->requested());
    EXPECT_FALSE(state().note->startsWith(QStringLiteral("Stopped early. ")));
}

TEST_F(MissingControllerTest, drivesThatGoBeforeTheSearch) {
    const QString a = plug(QStringLiteral("A"));
    const QString c = plug(QStringLiteral("C"));
    const LibraryInfo film = library(QStringLiteral("Film"), a, {"/Volumes/Old/a.mov"});
    const LibraryInfo trip = library(QStringLiteral("Trip"), c, {"/Volumes/Old/c.mov"});
    FixtureFiles::writeRandom(c + "/Footage/a.mov", 10);
    open({film, trip});
    ASSERT_EQ(state().all.size(), 2);
    controller->setChosen(c, true);
    EXPECT_EQ(controller->places().size(), 3);

    // Drive C goes, with a library that was read and a place that was ticked: the place is not
    // walked, the rows stay, and the search completes.
    unplug(c);
    EXPECT_EQ(controller->places().size(), 2);
    ASSERT_TRUE(search());
    EXPECT_EQ(state().searchedIn, QStringList{"Tovlin's catalogue"});
    EXPECT_EQ(state().all.size(), 2);
    EXPECT_EQ(*state().note,
              QStringLiteral("None of the 2 missing files were found in the places searched."));
}

TEST_F(MissingControllerTest, searchingChangesNothingOnDisk) {
    const QString a = plug(QStringLiteral("A"));
    const LibraryInfo film = library(QStringLiteral("Film"), a, {"/Volumes/Old/a.mov", "/Volumes/Old/b.mov"});
    for (int i = 0; i < 200; ++i)
        FixtureFiles::writeRandom(home + QStringLiteral("/Card %1/a.mov").arg(i), 10);
    const QStringList drive = test::treeListing(a);
    const QStringList places = test::treeListing(home);
    open({film});
    controller->setChosen(home, true);
    controller->setChosen(a, true);
    ASSERT_TRUE(search());
    EXPECT_EQ(test::treeListing(a), drive);
    EXPECT_EQ(test::treeListing(home), places);

    const QSignalSpy finished(controller, &MissingFilesController::searchFinished);
    controller->find();
    controller->stop();
    ASSERT_TRUE(CatalogTestEnv::waitUntil([&] { return !finished.isEmpty(); }));
    EXPECT_EQ(test::treeListing(a), drive);
    EXPECT_EQ(test::treeListing(home), places);

    // Closed during a search: what the walk still brings is dropped, and the work goes when it
    // has ended.
    controller->find();
    const QSignalSpy changes(controller, &MissingFilesController::changed);
    controller->close();
    EXPECT_TRUE(state().stop->requested());
    ASSERT_TRUE(gone());
    EXPECT_EQ(changes.count(), 0);
    EXPECT_EQ(test::treeListing(a), drive);
    EXPECT_EQ(test::treeListing(home), places);
}

TEST_F(MissingControllerTest, theWalkReportsItsProgress) {
    const LibraryInfo film =
        library(QStringLiteral("Film"), plug(QStringLiteral("A")), {"/Volumes/Old/a.mov"});
    const QString folder = QFileInfo(TestEnv::freshDir(QStringLiteral("missing-many"))).canonicalFilePath();
    for (int i = 0; i < 70; ++i)
        for (int j = 0; j < 100; ++j)
            FixtureFiles::writeBytes(folder + QStringLiteral("/f%1/%2.bin").arg(i).arg(j), QByteArray());
    open({film});
    controller->setUseCatalog(false);
    controller->addFolders({folder});
    QStringList reports;
    const QObject frame; // the connection goes with this frame
    QObject::connect(controller, &MissingFilesController::changed, &frame, [&] {
        if (!state().progress.isEmpty() && (reports.isEmpty() || reports.last() != state().progress))
            reports.append(state().progress);
    });
    ASSERT_TRUE(search());
    // 7070 entries: a report after 3000 and after 6000.
    ASSERT_EQ(reports.size(), 2) << reports.join(" | ").toStdString();
    for (const QString& report : reports)
        EXPECT_TRUE(report.contains(QStringLiteral(" files checked · ") + folder + QStringLiteral("/f")))
            << report.toStdString();
}

TEST_F(MissingControllerTest, aSaveWritesOnlyTheChosenFileWholeOrNotAtAll) {
    const LibraryInfo film =
        library(QStringLiteral("Film"), plug(QStringLiteral("A")), {"/Volumes/Old/a.mov"});
    open({film});
    const QString folder = TestEnv::freshDir(QStringLiteral("missing-saves"));
    const QString path = folder + QStringLiteral("/Film - missing files.txt");
    test::writeFile(path,
                    "an older list, longer than the new one will be ......................................"
                    "................................................................................");
    controller->save(path);
    EXPECT_EQ(state().note, QStringLiteral("Saved the list to Film - missing files.txt."));
    EXPECT_TRUE(
        QString::fromUtf8(test::readAll(path)).endsWith(QStringLiteral("was at: /Volumes/Old/a.mov\n")));
    EXPECT_EQ(QDir(folder).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
              QStringList{"Film - missing files.txt"});

    // A place that cannot take the file: the note says why, the error log has one line without a
    // path, and what stood there is left as it was.
    const bool wasHeadless = ErrorLog::headless();
    ErrorLog::setHeadless(false);
    const QString taken = folder + QStringLiteral("/missing files.txt");
    test::writeFile(taken + "/keep.txt", "mine");
    const QStringList before = test::treeListing(taken);
    const QStringList names = QDir(folder).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot);
    controller->save(taken);
    ErrorLog::setHeadless(wasHeadless);
    // One sentence of what failed, naming the file and the system's reason, then what is safe.
    ASSERT_TRUE(state().note);
    const QString note = *state().note;
    const QString head = QStringLiteral("Couldn\u2019t save \u201C%1\u201D: ").arg(taken);
    const QString tail = QStringLiteral(". Any earlier version of the file is unchanged.");
    EXPECT_TRUE(note.startsWith(head) && note.endsWith(tail)) << note.toStdString();
    const QString reason = note.mid(head.size(), note.size() - head.size() - tail.size());
    EXPECT_FALSE(reason.isEmpty() || reason.contains(QStringLiteral("save"), Qt::CaseInsensitive) ||
                 reason.contains(u'.'))
        << note.toStdString();
    EXPECT_EQ(test::treeListing(taken), before);
    EXPECT_EQ(QDir(folder).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot), names);
    const QStringList log = test::lines(ErrorLog::url());
    ASSERT_EQ(log.size(), 1);
    EXPECT_TRUE(log.first().contains(QStringLiteral(" ERROR missing-files: The list could not be saved: ")))
        << log.first().toStdString();
    EXPECT_FALSE(log.first().contains(QStringLiteral("  path: ")));
    EXPECT_TRUE(log.first().endsWith(QStringLiteral(": The list could not be saved: ") + note))
        << log.first().toStdString();

    // Headless, the failure is only in the note.
    ErrorLog::setHeadless(true);
    controller->save(taken);
    ErrorLog::setHeadless(wasHeadless);
    EXPECT_EQ(test::lines(ErrorLog::url()).size(), 1);
}

TEST_F(MissingControllerTest, aFoundFileOpensAndShowsInTheFileManager) {
    const auto files = std::make_shared<test::RecordingFileManager>();
    const platform::ScopedServices scope(test::RecordingFileManager::services(files));
    const LibraryInfo film =
        library(QStringLiteral("Film"), plug(QStringLiteral("A")), {"/Volumes/Old/a.mov"});
    open({film});
    controller->quickLook(home + "/a.mov");
    EXPECT_EQ(files->opened, QStringList{home + "/a.mov"});
    EXPECT_FALSE(state().previewURL.has_value());
    controller->reveal(film.path);
    EXPECT_EQ(files->revealed, QStringList{film.path});
}

TEST_F(MissingControllerTest, aRepairStartsOnlyFromAConfirmedQuestionAfterACompletedSearch) {
    const QString a = plug(QStringLiteral("A"));
    const LibraryInfo film = library(QStringLiteral("Film"), a, {"/Volumes/Old/a.mov", "/Volumes/Old/b.mov"});
    FixtureFiles::writeRandom(home + "/a.mov", 100);
    const QString link = film.path + "/Day 1/Original Media/a.mov";
    const test::RereadCounter rereads(*catalog, film.name);
    open({film});
    controller->setChosen(home, true);
    EXPECT_FALSE(controller->askRepair(MissingFiles::RepairMode::copy)) << "no search has completed";
    EXPECT_FALSE(state().pendingRepair);

    const QSignalSpy finished(controller, &MissingFilesController::searchFinished);
    controller->find();
    EXPECT_FALSE(controller->askRepair(MissingFiles::RepairMode::copy)) << "while a search runs";
    ASSERT_TRUE(CatalogTestEnv::waitUntil([&] { return !finished.isEmpty(); }));

    // Asked and cancelled: nothing waits any more and nothing changed.
    const QStringList before = test::treeListing(a);
    const std::optional<MissingSheet::RepairQuestion> asked =
        controller->askRepair(MissingFiles::RepairMode::copy);
    ASSERT_TRUE(asked);
    EXPECT_EQ(asked->title, QStringLiteral("Copy 1 found file into the library?"));
    EXPECT_EQ(asked->button, QStringLiteral("Copy Into Library"));
    EXPECT_EQ(state().pendingRepair, MissingFiles::RepairMode::copy);
    controller->answerRepair(false);
    EXPECT_FALSE(state().pendingRepair);
    EXPECT_FALSE(state().working);
    CatalogTestEnv::spin(50);
    EXPECT_EQ(test::treeListing(a), before);
    EXPECT_FALSE(QFileInfo::exists(repairLog()));
    // An answer without a question does nothing either.
    controller->answerRepair(true);
    EXPECT_FALSE(state().working);

    // Confirmed: the engine puts the file back, the library is read again once, and the list is
    // read afresh, keeping what was found for the row still broken.
    controller->setSelection({state().all.first().id()});
    ASSERT_TRUE(repair(MissingFiles::RepairMode::link));
    EXPECT_EQ(QFileInfo(link).symLinkTarget(), home + "/a.mov");
    EXPECT_EQ(test::lines(repairLog()).size(), 3);
    EXPECT_TRUE(state().note->startsWith(QStringLiteral("Repaired 1 link. "))) << state().note->toStdString();
    EXPECT_TRUE(state().selection.isEmpty());
    ASSERT_EQ(state().all.size(), 1);
    EXPECT_EQ(state().all.first().name, QStringLiteral("b.mov"));
    EXPECT_EQ(state().found.value("a.mov"), QStringList{home + "/a.mov"});
    EXPECT_FALSE(state().working);
    ASSERT_TRUE(refreshed(film.name));
    EXPECT_EQ(rereads.count(), 1);
}

TEST_F(MissingControllerTest, closingDuringARepairStopsNeitherTheRepairNorItsLogNorTheReread) {
    const QString a = plug(QStringLiteral("A"));
    const LibraryInfo film = library(QStringLiteral("Film"), a, {"/Volumes/Old/a.mov"});
    roomOn(a);
    const QByteArray content = FixtureFiles::randomBytes(5000, 7);
    FixtureFiles::writeBytes(home + "/a.mov", content);
    const test::RereadCounter rereads(*catalog, film.name);
    open({film});
    controller->setChosen(home, true);
    ASSERT_TRUE(search());
    ASSERT_TRUE(controller->askRepair(MissingFiles::RepairMode::copy));
    controller->answerRepair(true);
    ASSERT_TRUE(state().working);
    controller->close();
    EXPECT_FALSE(controller.isNull()) << "the repair is still under way";
    ASSERT_TRUE(gone());

    const QString copied = film.path + "/Day 1/Original Media/a.mov";
    EXPECT_FALSE(QFileInfo(copied).isSymLink());
    EXPECT_EQ(test::readAll(copied), content);
    EXPECT_EQ(test::readAll(home + "/a.mov"), content);
    const QStringList log = test::lines(repairLog());
    ASSERT_EQ(log.size(), 3);
    EXPECT_TRUE(log.at(0).endsWith(QStringLiteral("  COPIED INTO LIBRARY  ") + copied))
        << log.at(0).toStdString();
    ASSERT_TRUE(refreshed(film.name));
    EXPECT_EQ(rereads.count(), 1);
}

TEST_F(MissingControllerTest, whatARepairMeetsAfterTheQuestion) {
    const QString a = plug(QStringLiteral("A"));
    const LibraryInfo film = library(QStringLiteral("Film"), a, {"/Volumes/Old/a.mov", "/Volumes/Old/b.mov"});
    FixtureFiles::writeRandom(home + "/a.mov", 100);
    FixtureFiles::writeRandom(home + "/b.mov", 100);
    roomOn(a);
    const auto app = test::FakeFinalCutApp::installed(TestEnv::root() + "/Final Cut Pro.app", "11.0");
    const test::ScopedFinalCutApp scope(app);
    const test::RereadCounter rereads(*catalog, film.name);
    open({film});
    controller->setChosen(home, true);
    ASSERT_TRUE(search());
    const QStringList before = test::treeListing(a);

    // Final Cut Pro running: nothing is touched, and the note says why.
    app->setRunning({412});
    ASSERT_TRUE(repair(MissingFiles::RepairMode::copy));
    EXPECT_EQ(state().note,
              QStringLiteral("Copied 0 files into the library (Zero KB).\nSkipped: Final Cut Pro is "
                             "running. Quit it first."));
    EXPECT_EQ(test::treeListing(a), before);
    EXPECT_EQ(state().all.size(), 2);
    EXPECT_EQ(rereads.count(), 0);
    app->setRunning({});

    // A found file that goes while the question is open is skipped; the library, forgotten by
    // the catalogue before the repair came back, is not read again, and the list read afresh
    // covers it all the same.
    ASSERT_TRUE(controller->askRepair(MissingFiles::RepairMode::copy));
    ASSERT_TRUE(QFile::remove(home + "/b.mov"));
    const QSignalSpy finished(controller, &MissingFilesController::repairFinished);
    controller->answerRepair(true);
    catalog->forget(film);
    ASSERT_TRUE(CatalogTestEnv::waitUntil([&] { return !finished.isEmpty(); }));
    EXPECT_TRUE(state().note->startsWith(QStringLiteral("Copied 1 file into the library (")));
    EXPECT_TRUE(state().note->endsWith(QStringLiteral("\nSkipped: b.mov: the found file is gone")))
        << state().note->toStdString();
    EXPECT_EQ(test::lines(repairLog()).size(), 3);
    ASSERT_EQ(state().all.size(), 1);
    EXPECT_EQ(state().all.first().name, QStringLiteral("b.mov"));
    CatalogTestEnv::spin(50);
    EXPECT_EQ(rereads.count(), 0);
}

TEST_F(MissingControllerTest, aPickMustBeOneOfTheFoundFiles) {
    const LibraryInfo film =
        library(QStringLiteral("Film"), plug(QStringLiteral("A")), {"/Volumes/Old/a.mov"});
    FixtureFiles::writeRandom(home + "/x/a.mov", 10);
    FixtureFiles::writeRandom(home + "/y/a.mov", 20);
    open({film});
    controller->setChosen(home, true);
    ASSERT_TRUE(search());
    const MissingFile file = state().all.first();
    ASSERT_EQ(MissingSheet::choice(state(), file).match->kind, MissingFiles::Match::Kind::unclear);

    ASSERT_TRUE(QFile::remove(home + "/y/a.mov"));
    for (const QString& path : {home + "/y/a.mov", QStringLiteral("a.mov"), home + "/z/a.mov"}) {
        controller->setPick(file.id(), path);
        EXPECT_TRUE(state().picked.isEmpty()) << path.toStdString();
    }
    EXPECT_EQ(MissingSheet::choice(state(), file).match->kind, MissingFiles::Match::Kind::nameOnly);
    controller->setPick(file.id(), home + "/x/a.mov");
    EXPECT_EQ(MissingSheet::choice(state(), file).match->kind, MissingFiles::Match::Kind::chosenByUser);
    controller->setPick(file.id(), std::nullopt);
    EXPECT_TRUE(state().picked.isEmpty());
}

} // namespace
