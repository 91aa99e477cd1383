// What the update sheet shows and allows, without a window: the choosing state's parts and
// start button, the rows' second lines, the backup line over the catalogue's drive roles, the
// safety-copy folder, and the rows once a run has begun.

#include "FinalCut/UpdateSheetState.h"

#include "Catalogue/Store/Catalog.h"
#include "FinalCut/SafetyCopy.h"
#include "Platform/SettingsStore.h"
#include "Support/ByteCount.h"
#include "Tests/Support/CatalogTestEnv.h"

#include <QDir>
#include <QStandardPaths>
#include <functional>
#include <gtest/gtest.h>

using namespace pellimor;
using Case = LibraryUpdater::Status::Case;
using Mark = UpdateSheetState::Mark;
using Status = LibraryUpdater::Status;

namespace {

LibraryInfo library(const QString& name, const QString& drive, const std::optional<QString>& version,
                    qint64 bytes) {
    LibraryInfo info;
    info.path =
        QStringLiteral("/Volumes/") + drive + QStringLiteral("/") + name + QStringLiteral(".fcpbundle");
    info.name = name;
    info.volumeName = drive;
    info.fcpVersion = version;
    EventInfo event;
    event.name = QStringLiteral("Day 1");
    event.originalSize = bytes;
    info.events.append(event);
    return info;
}

// Three libraries on Studio, as the sheet comes up for them with everything in order: all
// ticked, trusted, Final Cut Pro 11.1 installed and not running, the defaults for the options.
UpdateSheetState choosing() {
    UpdateSheetState state = UpdateSheetState::forRequest({
        library("Wedding", "Studio", "10.8.1", 2'000'000),
        library("Documentary", "Studio", "10.6.5", 5'000'000),
        library("Trailer", "Studio", "11.0", 700'000),
    });
    state.trusted = true;
    state.installed = QStringLiteral("11.1");
    state.safetyFolder = QStringLiteral("/Volumes/Safe/Copies");
    return state;
}

QStringList details(const UpdateSheetState& state) {
    QStringList lines;
    for (const UpdateSheetState::Row& row : state.rows())
        lines.append(row.detail);
    return lines;
}

} // namespace

TEST(UpdateSheetState, WhileChoosingTheStartButtonAndTheOptionsFollowTheChoices) {
    struct Shown {
        QString startLabel;
        bool startEnabled;
        bool permissionButtons; // and the stale-entry note
        bool finalCutWarning;
        bool savedTo; // with "Choose…" and the explanation
    };
    struct Situation {
        const char* what;
        std::function<void(UpdateSheetState&)> arrange;
        Shown shown;
    };
    const Situation situations[] = {
        {"everything in order, a practice run",
         [](UpdateSheetState&) {},
         {"Start Practice Run", true, false, false, true}},
        {"a real run, two of three ticked",
         [](UpdateSheetState& s) {
             s.practice = false;
             s.chosen.remove(s.libraries[1].path);
         },
         {"Update 2 Libraries", true, false, false, true}},
        {"one ticked",
         [](UpdateSheetState& s) {
             s.practice = false;
             s.chosen = {s.libraries[2].path};
         },
         {"Update 1 Libraries", true, false, false, true}},
        {"nothing ticked",
         [](UpdateSheetState& s) {
             s.practice = false;
             s.chosen.clear();
         },
         {"Update 0 Libraries", false, false, false, true}},
        {"nothing ticked, a practice run",
         [](UpdateSheetState& s) { s.chosen.clear(); },
         {"Start Practice Run", false, false, false, true}},
        {"no permission",
         [](UpdateSheetState& s) { s.trusted = false; },
         {"Start Practice Run", false, true, false, true}},
        {"Final Cut Pro running",
         [](UpdateSheetState& s) { s.finalCutRunning = true; },
         {"Start Practice Run", false, false, true, true}},
        {"no safety copies",
         [](UpdateSheetState& s) { s.safetyCopy = false; },
         {"Start Practice Run", true, false, false, false}},
        // Not the sheet's to refuse: the updater says Final Cut Pro is missing.
        {"no Final Cut Pro installed",
         [](UpdateSheetState& s) { s.installed.reset(); },
         {"Start Practice Run", true, false, false, true}},
        {"a request without libraries",
         [](UpdateSheetState& s) {
             s = UpdateSheetState::forRequest({});
             s.trusted = true;
             s.practice = false;
         },
         {"Update 0 Libraries", false, false, false, true}},
    };
    for (const Situation& s : situations) {
        SCOPED_TRACE(s.what);
        UpdateSheetState state = choosing();
        s.arrange(state);
        EXPECT_FALSE(state.begun());
        EXPECT_TRUE(state.showsOptions());
        EXPECT_TRUE(state.showsStart());
        EXPECT_EQ(state.startLabel(), s.shown.startLabel);
        EXPECT_EQ(state.startEnabled(), s.shown.startEnabled);
        EXPECT_EQ(state.showsPermissionButtons(), s.shown.permissionButtons);
        EXPECT_EQ(state.showsStaleNote(), s.shown.permissionButtons);
        EXPECT_EQ(state.permissionText(),
                  s.shown.permissionButtons
                      ? "Accessibility access needed so the app can press Update for you."
                      : "Accessibility access granted, so the app can press Update for you.");
        EXPECT_EQ(state.showsFinalCutWarning(), s.shown.finalCutWarning);
        EXPECT_EQ(state.showsSavedTo(), s.shown.savedTo);
        EXPECT_EQ(state.firstButton(), "Close");
        for (const UpdateSheetState::Row& row : state.rows()) {
            EXPECT_EQ(row.mark, Mark::checkbox);
            EXPECT_EQ(row.ticked, state.chosen.contains(row.id));
        }
    }
}

TEST(UpdateSheetState, EveryLibraryIsTickedWhenTheSheetComesUpAndStartsInTheRequestsOrder) {
    UpdateSheetState state = choosing();
    EXPECT_EQ(state.chosen.size(), 3);
    EXPECT_TRUE(state.safetyCopy);
    EXPECT_TRUE(state.practice);
    EXPECT_FALSE(UpdateSheetState::forRequest({}).trusted) << "trusted only once asked";

    // Ticked again after an untick: still in the request's order, not the order of the ticks.
    state.chosen = {state.libraries[2].path, state.libraries[0].path};
    const QList<LibraryInfo> started = state.toStart();
    ASSERT_EQ(started.size(), 2);
    EXPECT_EQ(started[0].name, "Wedding");
    EXPECT_EQ(started[1].name, "Trailer");
}

TEST(UpdateSheetState, TheTitleAndEachRowsSecondLineName) {
    struct Situation {
        const char* what;
        std::optional<QString> installed;
        LibraryInfo library;
        QString title;
        QString detail;
    };
    const Situation situations[] = {
        {"an old library", "11.1", library("Wedding", "Studio", "10.8.1", 2'000'000),
         "Update libraries for Final Cut Pro 11.1",
         "10.8.1 → 11.1 · " + ByteCount::file(2'000'000) + " · Studio"},
        {"no Final Cut Pro installed", std::nullopt, library("Wedding", "Studio", "10.8.1", 2'000'000),
         "Update libraries for Final Cut Pro ?", "10.8.1 → ? · " + ByteCount::file(2'000'000) + " · Studio"},
        {"a library of unknown version", "11.1", library("Old", "Studio", std::nullopt, 2'000'000),
         "Update libraries for Final Cut Pro 11.1", "? → 11.1 · " + ByteCount::file(2'000'000) + " · Studio"},
        {"nothing in it", "11.1", library("Empty", "Studio", "10.4.6", 0),
         "Update libraries for Final Cut Pro 11.1", "10.4.6 → 11.1 · Zero KB · Studio"},
        {"no drive name", "11.1", library("Lost", "", "10.4.6", 1), "Update libraries for Final Cut Pro 11.1",
         "10.4.6 → 11.1 · 1 byte · "},
    };
    for (const Situation& s : situations) {
        SCOPED_TRACE(s.what);
        UpdateSheetState state = UpdateSheetState::forRequest({s.library});
        state.installed = s.installed;
        EXPECT_EQ(state.title(), s.title);
        EXPECT_EQ(details(state), QStringList{s.detail});
    }
}

TEST(UpdateSheetState, TheBackupLineCountsEveryLibraryOfTheRequestOnABackupDrive) {
    test::CatalogTestEnv env(QStringLiteral("update-sheet-backup"));
    const auto catalog = env.makeCatalog();
    LibraryInfo byName = library("Archive copy", "Vault", "10.8.1", 1000);
    LibraryInfo byUuid = library("Spare", "Spare Disk", "10.8.1", 1000);
    byUuid.volumeUUID = QStringLiteral("0A1B-2C3D");
    const LibraryInfo working = library("Wedding", "Studio", "10.8.1", 1000);
    // Drive roles by name only, and by identifier only.
    catalog->seed({.driveRoles = QMap<QString, QString>{
                       {"Vault", "backup"}, {"0A1B-2C3D", "backup"}, {"Studio", "work"}}});

    struct Situation {
        const char* what;
        QList<LibraryInfo> libraries;
        int count;
    };
    const Situation situations[] = {
        {"none on a backup drive", {working}, 0},
        {"one by its drive's name", {working, byName}, 1},
        {"one by its drive's identifier", {byUuid, working}, 1},
        {"both", {byName, working, byUuid}, 2},
    };
    for (const Situation& s : situations) {
        SCOPED_TRACE(s.what);
        EXPECT_EQ(UpdateSheetState::countOnBackupDrives(s.libraries, *catalog), s.count);
    }

    UpdateSheetState state = UpdateSheetState::forRequest({working, byName});
    state.chosen.remove(byName.path);
    state.backupCount = UpdateSheetState::countOnBackupDrives(state.libraries, *catalog);
    EXPECT_EQ(state.backupLine(), "1 of these are on a drive marked as backup.") << "unticked ones count too";
    state.backupCount = 0;
    EXPECT_EQ(state.backupLine(), QString());
}

TEST(UpdateSheetState, SafetyCopiesGoToTheStoredFolderAsItIsElseToTheDefaultOne) {
    test::CatalogTestEnv env(QStringLiteral("update-sheet-safety"));
    UpdateSheetState state = choosing();
    const QString odd = QStringLiteral("/Volumes/Extern Disk/Sicherungskopien für Schnitt ");
    state.safetyFolder = odd;
    EXPECT_EQ(state.safetyRoot(), odd);
    EXPECT_EQ(state.savedToText(), "Saved to: " + odd);

    state.safetyFolder.clear();
    const QString fallback = QDir(QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation))
                                 .filePath("Pellimor/Safety copies");
    EXPECT_EQ(state.safetyRoot(), fallback);
    EXPECT_EQ(state.safetyRoot(), SafetyCopy::storageRoot());
    EXPECT_EQ(state.savedToText(), "Saved to: " + fallback);
}

TEST(UpdateSheetState, OnceARunHasBegunOnlyItsLibrariesAndTheirStatusesShow) {
    UpdateSheetState state = choosing();
    state.practice = false;
    state.chosen.remove(state.libraries[1].path);
    const LibraryInfo wedding = state.libraries[0];
    const LibraryInfo trailer = state.libraries[2];

    struct Situation {
        const char* what;
        QList<LibraryUpdater::Item> items;
        bool running;
        QString message;
        QList<UpdateSheetState::Row> rows;
        QString firstButton;
    };
    const QString weddingLine = "10.8.1 → 11.1 · " + ByteCount::file(2'000'000) + " · Studio";
    const QString trailerLine = "11.0 → 11.1 · " + ByteCount::file(700'000) + " · Studio";
    const QString failure = "Final Cut didn't show the update prompt within 4 minutes";
    const Situation situations[] = {
        {"running",
         {{wedding.path, wedding, Status(Case::updating), {}},
          {trailer.path, trailer, Status(Case::waiting), {}}},
         true,
         {},
         {{wedding.path, "Wedding", weddingLine, false, Mark::busy, false},
          {trailer.path, "Trailer", trailerLine, false, Mark::waiting, false}},
         "Stop after this library"},
        {"refused to start",
         {{wedding.path, wedding, Status(Case::waiting), {}},
          {trailer.path, trailer, Status(Case::waiting), {}}},
         false,
         "Quit Final Cut Pro first, so the app can open one library at a time.",
         {{wedding.path, "Wedding", weddingLine, false, Mark::waiting, false},
          {trailer.path, "Trailer", trailerLine, false, Mark::waiting, false}},
         "Close"},
        {"failed, and the rest skipped",
         {{wedding.path, wedding, Status::failed(failure), failure},
          {trailer.path, trailer, Status(Case::skipped), {}}},
         false,
         "Stopped at “Wedding”: " + failure + ". The remaining libraries were not touched.",
         {{wedding.path, "Wedding", failure, true, Mark::failed, false},
          {trailer.path, "Trailer", trailerLine, false, Mark::skipped, false}},
         "Close"},
        {"done",
         {{wedding.path, wedding, Status(Case::done), "now 11.1"},
          {trailer.path, trailer, Status(Case::alreadyCurrent), "already 11.1"}},
         false,
         "Finished.",
         {{wedding.path, "Wedding", "now 11.1", false, Mark::good, false},
          {trailer.path, "Trailer", "already 11.1", false, Mark::good, false}},
         "Close"},
    };
    for (const Situation& s : situations) {
        SCOPED_TRACE(s.what);
        UpdateSheetState run = state;
        run.items = s.items;
        run.running = s.running;
        run.message = s.message;
        EXPECT_TRUE(run.begun());
        EXPECT_EQ(run.rows(), s.rows) << "the unticked library is gone";
        EXPECT_FALSE(run.showsOptions());
        EXPECT_FALSE(run.showsSavedTo());
        EXPECT_FALSE(run.showsPermissionButtons());
        EXPECT_FALSE(run.showsFinalCutWarning());
        EXPECT_FALSE(run.showsStart());
        EXPECT_FALSE(run.startEnabled());
        EXPECT_EQ(run.firstButton(), s.firstButton);
    }
    // Even untrusted with Final Cut Pro open: the options are a choosing state's.
    UpdateSheetState ended = state;
    ended.items = situations[1].items;
    ended.trusted = false;
    ended.finalCutRunning = true;
    EXPECT_FALSE(ended.showsStaleNote());
    EXPECT_FALSE(ended.showsFinalCutWarning());
}
