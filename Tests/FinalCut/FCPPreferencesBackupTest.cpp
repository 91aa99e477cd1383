// The Final Cut Pro settings backup: which files are its own, a save that replaces the saved
// set only once every copy is good, a restore that never writes through a link, never runs
// while Final Cut Pro does and never loses a live file to a copy that went wrong.

#include "FinalCut/FCPPreferencesBackup.h"

#include "FinalCut/SafetyCopy.h"
#include "Tests/Support/FakeFinalCutApp.h"
#include "Tests/Support/FileSizeLimit.h"
#include "Tests/Support/Scopes.h"
#include "Tests/Support/TempFiles.h"
#include "Tests/Support/TestEnv.h"
#include "Tests/Support/TreeListing.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <csignal>
#include <gtest/gtest.h>
#include <sys/resource.h>

using namespace pellimor;
using Problem = FCPPreferencesBackup::Problem;
using test::TestEnv;

namespace {

const QString kMain = QStringLiteral("com.apple.FinalCut.plist");
const QString kDestinations = QStringLiteral("com.apple.FinalCut.UserDestinations8.plist");
const QString kWorkspaces = QStringLiteral("com.apple.FinalCut.Workspaces.plist");

QString in(const QString& folder, const QString& name) {
    return QDir(folder).filePath(name);
}

QStringList names(const QStringList& paths) {
    QStringList list;
    for (const QString& path : paths)
        list.append(QFileInfo(path).fileName());
    return list;
}

// The hidden temporary copies left in `folder`.
QStringList temporaries(const QString& folder) {
    return QDir(folder).entryList({QStringLiteral("*.pellimor-tmp")},
                                  QDir::Files | QDir::Hidden | QDir::System);
}

// Every item in `folder` with its bytes' size and time; the folder's own line is left out,
// as its time moves whenever a temporary file comes and goes.
QStringList itemsIn(const QString& folder) {
    QStringList items = test::treeListing(folder);
    items.removeIf([](const QString& line) { return line.startsWith(u' '); });
    return items;
}

// Live preferences with the three files of a Final Cut Pro that has been used.
struct Folders {
    explicit Folders(const QString& hint)
        : root(TestEnv::freshDir(hint)), live(in(root, QStringLiteral("Preferences"))),
          saved(in(root, QStringLiteral("Safety copies/Final Cut preferences"))) {
        test::writeFile(in(live, kMain), "settings-v1");
        test::writeFile(in(live, kDestinations), "destinations-v1");
        test::writeFile(in(live, kWorkspaces), "workspaces-v1");
    }
    const QString root;
    const QString live;
    const QString saved;
};

// Runs `work` while the process may write no file past `limit` bytes: writes beyond fail as
// on a full disk.
template <typename Work> auto withFileSizeLimit(rlim_t limit, Work work) {
    const test::FileSizeLimit limited(limit);
    return work();
}

} // namespace

TEST(FCPPreferencesBackup, onlyFinalCutProsOwnRegularPropertyListsAreItsPreferenceFiles) {
    const QString folder = TestEnv::freshDir(QStringLiteral("prefs-rules"));
    test::writeFile(in(folder, kMain), "main");
    test::writeFile(in(folder, kDestinations), "destinations");
    test::writeFile(in(folder, QStringLiteral("com.apple.FinalCut.Zeta.plist")), "z");
    test::writeFile(in(folder, QStringLiteral("com.apple.FinalCutPro.plist")), "not ours: another program");
    test::writeFile(in(folder, QStringLiteral("com.apple.FinalCut.FINALCUTPRO.plist")), "mixed case");
    test::writeFile(in(folder, QStringLiteral("com.apple.FinalCut.finalCutPro2.plist")), "mixed case");
    test::writeFile(in(folder, QStringLiteral("com.apple.finalcut.lower.plist")), "case-sensitive prefix");
    test::writeFile(in(folder, QStringLiteral("com.apple.FinalCut.upper.PLIST")), "case-sensitive suffix");
    test::writeFile(in(folder, QStringLiteral("com.apple.imagecapture.plist")), "unrelated");
    test::writeFile(in(folder, QStringLiteral(".com.apple.FinalCut.plist.pellimor-tmp")), "leftover");
    test::writeFile(in(folder, QStringLiteral(".com.apple.FinalCut.Hidden.plist")), "hidden");
    ASSERT_TRUE(QDir().mkpath(in(folder, QStringLiteral("com.apple.FinalCut.dir.plist"))));
    ASSERT_TRUE(QFile::link(in(folder, kMain), in(folder, QStringLiteral("com.apple.FinalCut.Link.plist"))));

    // Plain case-sensitive order: upper-case letters first.
    EXPECT_EQ(FCPPreferencesBackup::preferenceFiles(folder),
              (QStringList{in(folder, kDestinations),
                           in(folder, QStringLiteral("com.apple.FinalCut.Zeta.plist")), in(folder, kMain)}));

    // Never inside a library bundle, and nothing at all from a folder that cannot be listed.
    const QString bundle = in(folder, QStringLiteral("Job.fcpbundle/Settings"));
    test::writeFile(in(bundle, kMain), "inside a library");
    EXPECT_EQ(FCPPreferencesBackup::preferenceFiles(bundle), QStringList());
    EXPECT_EQ(FCPPreferencesBackup::preferenceFiles(in(folder, QStringLiteral("missing"))), QStringList());
    EXPECT_EQ(FCPPreferencesBackup::preferenceFiles(in(folder, kMain)), QStringList());
}

TEST(FCPPreferencesBackup, aFileMustLieDirectlyInItsFolderAndOutsideEveryLibrary) {
    struct Case {
        const char* file;
        const char* folder;
        bool inside;
    };
    const std::vector<Case> cases = {
        {"/p/com.apple.FinalCut.plist", "/p", true},
        {"/p/./com.apple.FinalCut.plist", "/p/", true},
        {"/p/sub/com.apple.FinalCut.plist", "/p", false},
        {"/p/../q/com.apple.FinalCut.plist", "/p", false},
        {"/q/com.apple.FinalCut.plist", "/p", false},
        {"/Job.fcpbundle/com.apple.FinalCut.plist", "/Job.fcpbundle", false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.file);
        const std::optional<FCPPreferencesBackup::Error> refused =
            FCPPreferencesBackup::requireInside(QString::fromUtf8(c.file), QString::fromUtf8(c.folder));
        EXPECT_EQ(!refused, c.inside);
        if (refused) {
            EXPECT_EQ(refused->problem, Problem::unsafe);
            EXPECT_EQ(refused->description, QStringLiteral("Refused to touch com.apple.FinalCut.plist."));
        }
    }
}

TEST(FCPPreferencesBackup, theSelfTestPassesSilentlyAndLeavesNothingBehind) {
    const QString temporary = TestEnv::freshDir(QStringLiteral("prefs-selftest"));
    test::ScopedEnvironment tmpdir("TMPDIR", temporary);
    QStringList printed;
    EXPECT_TRUE(FCPPreferencesBackup::selfTest([&](const QString& line) { printed.append(line); }));
    EXPECT_EQ(printed, QStringList());
    EXPECT_EQ(QDir(temporary).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden),
              QStringList());
}

TEST(FCPPreferencesBackup, savingAndPuttingBackFollowTheLiveFolder) {
    Folders folders(QStringLiteral("prefs-round"));
    test::writeFile(in(folders.live, QStringLiteral("com.apple.imagecapture.plist")), "leave-me");

    const FCPPreferencesBackup::Outcome first = FCPPreferencesBackup::save(folders.live, folders.saved);
    ASSERT_TRUE(first) << first.error.description.toStdString();
    EXPECT_EQ(first.result->files, (QStringList{kDestinations, kWorkspaces, kMain}));
    EXPECT_EQ(first.result->bytes, qint64(QByteArray("settings-v1destinations-v1workspaces-v1").size()));
    EXPECT_EQ(names(FCPPreferencesBackup::preferenceFiles(folders.saved)), first.result->files);

    // The live folder lost a file: the next save drops it from the saved set too, and leaves
    // whatever else lies in the saved folder alone.
    test::writeFile(in(folders.saved, QStringLiteral("Notes.txt")), "the user's own");
    ASSERT_TRUE(QFile::remove(in(folders.live, kWorkspaces)));
    test::writeFile(in(folders.live, kMain), "settings-v2");
    const FCPPreferencesBackup::Outcome second = FCPPreferencesBackup::save(folders.live, folders.saved);
    ASSERT_TRUE(second) << second.error.description.toStdString();
    EXPECT_EQ(second.result->files, (QStringList{kDestinations, kMain}));
    EXPECT_EQ(names(FCPPreferencesBackup::preferenceFiles(folders.saved)), second.result->files);
    EXPECT_EQ(test::readAll(in(folders.saved, kMain)), "settings-v2");
    EXPECT_EQ(test::readAll(in(folders.saved, QStringLiteral("Notes.txt"))), "the user's own");
    EXPECT_EQ(temporaries(folders.saved), QStringList());

    // Putting back: a live preference file without a saved copy stays, the saved folder is
    // never changed, and a leftover temporary file from an earlier run is replaced.
    test::writeFile(in(folders.live, kMain), "settings-v3");
    test::writeFile(in(folders.live, kWorkspaces), "workspaces-v3");
    test::writeFile(in(folders.live, u'.' + kMain + QStringLiteral(".pellimor-tmp")), "leftover");
    const QStringList savedBefore = test::treeListing(folders.saved);
    const FCPPreferencesBackup::Outcome restored =
        FCPPreferencesBackup::restore(folders.saved, folders.live, false);
    ASSERT_TRUE(restored) << restored.error.description.toStdString();
    EXPECT_EQ(restored.result->files, (QStringList{kDestinations, kMain}));
    EXPECT_EQ(test::readAll(in(folders.live, kMain)), "settings-v2");
    EXPECT_EQ(test::readAll(in(folders.live, kWorkspaces)), "workspaces-v3");
    EXPECT_EQ(test::readAll(in(folders.live, QStringLiteral("com.apple.imagecapture.plist"))), "leave-me");
    EXPECT_EQ(temporaries(folders.live), QStringList());
    EXPECT_EQ(test::treeListing(folders.saved).join(u'\n'), savedBefore.join(u'\n'));
}

TEST(FCPPreferencesBackup, aSaveThatFailsHalfWayLeavesThePreviousSavedSetExactlyAsItWas) {
    Folders folders(QStringLiteral("prefs-failed-save"));
    ASSERT_TRUE(FCPPreferencesBackup::save(folders.live, folders.saved));
    const QStringList before = itemsIn(folders.saved);
    test::writeFile(in(folders.live, kMain), QByteArray(256 * 1024, 'n'));
    test::writeFile(in(folders.live, kDestinations), "destinations-v2");
    ASSERT_TRUE(QFile::remove(in(folders.live, kWorkspaces)));

    {
        SCOPED_TRACE("the second copy does not match");
        int copies = 0;
        FCPPreferencesBackup::Hooks hooks;
        hooks.afterCopy = [&copies](const QString& copy) {
            if (++copies == 2)
                test::writeFile(copy, "cut short");
        };
        const FCPPreferencesBackup::Outcome saved =
            FCPPreferencesBackup::save(folders.live, folders.saved, hooks);
        ASSERT_FALSE(saved);
        EXPECT_EQ(saved.error.problem, Problem::mismatch);
        EXPECT_EQ(
            saved.error.description,
            QStringLiteral("The copy of com.apple.FinalCut.plist does not match. Nothing else was changed."));
        EXPECT_EQ(itemsIn(folders.saved).join(u'\n'), before.join(u'\n'));
    }
    {
        SCOPED_TRACE("the disk fills up during a copy");
        const FCPPreferencesBackup::Outcome saved = withFileSizeLimit(
            64 * 1024, [&] { return FCPPreferencesBackup::save(folders.live, folders.saved); });
        ASSERT_FALSE(saved);
        EXPECT_EQ(saved.error.problem, Problem::fileSystem);
        EXPECT_TRUE(saved.error.description.contains(QStringLiteral("File too large")))
            << saved.error.description.toStdString();
        EXPECT_EQ(itemsIn(folders.saved).join(u'\n'), before.join(u'\n'));
    }
    {
        SCOPED_TRACE("nothing to save");
        for (const QString& file : FCPPreferencesBackup::preferenceFiles(folders.live))
            ASSERT_TRUE(QFile::remove(file));
        const FCPPreferencesBackup::Outcome saved = FCPPreferencesBackup::save(folders.live, folders.saved);
        ASSERT_FALSE(saved);
        EXPECT_EQ(saved.error.description,
                  QStringLiteral("Final Cut Pro settings were not found in the preferences folder."));
        EXPECT_EQ(itemsIn(folders.saved).join(u'\n'), before.join(u'\n'));
    }
}

TEST(FCPPreferencesBackup, aRestoreThatGoesWrongNeverLosesTheLiveSettings) {
    Folders folders(QStringLiteral("prefs-failed-restore"));
    test::writeFile(in(folders.live, kMain), QByteArray(256 * 1024, 's'));
    ASSERT_TRUE(FCPPreferencesBackup::save(folders.live, folders.saved));
    test::writeFile(in(folders.live, kMain), "settings-now");
    test::writeFile(in(folders.live, kDestinations), "destinations-now");
    const QStringList saved = test::treeListing(folders.saved);

    {
        SCOPED_TRACE("a copy that does not match never takes the live file's place");
        FCPPreferencesBackup::Hooks hooks;
        hooks.afterCopy = [](const QString& copy) {
            if (copy.endsWith(QStringLiteral("UserDestinations8.plist.pellimor-tmp")))
                test::writeFile(copy, "cut short");
        };
        const FCPPreferencesBackup::Outcome restored =
            FCPPreferencesBackup::restore(folders.saved, folders.live, false, hooks);
        ASSERT_FALSE(restored);
        EXPECT_EQ(restored.error.problem, Problem::mismatch);
        EXPECT_EQ(test::readAll(in(folders.live, kDestinations)), "destinations-now");
        EXPECT_EQ(test::readAll(in(folders.live, kMain)), "settings-now");
        EXPECT_EQ(temporaries(folders.live), QStringList());
    }
    {
        SCOPED_TRACE("the disk fills up while the large file is copied");
        const FCPPreferencesBackup::Outcome restored = withFileSizeLimit(
            64 * 1024, [&] { return FCPPreferencesBackup::restore(folders.saved, folders.live, false); });
        ASSERT_FALSE(restored);
        EXPECT_TRUE(restored.error.description.contains(QStringLiteral("File too large")))
            << restored.error.description.toStdString();
        EXPECT_EQ(test::readAll(in(folders.live, kMain)), "settings-now");
        EXPECT_EQ(temporaries(folders.live), QStringList());
    }
    {
        SCOPED_TRACE("a live target that is a link is refused, and nothing is written through it");
        const QString elsewhere = in(folders.root, QStringLiteral("elsewhere.plist"));
        test::writeFile(elsewhere, "not a preference of ours");
        ASSERT_TRUE(QFile::remove(in(folders.live, kMain)));
        ASSERT_TRUE(QFile::link(elsewhere, in(folders.live, kMain)));
        const FCPPreferencesBackup::Outcome restored =
            FCPPreferencesBackup::restore(folders.saved, folders.live, false);
        ASSERT_FALSE(restored);
        EXPECT_EQ(restored.error.problem, Problem::unsafe);
        EXPECT_EQ(restored.error.description, QStringLiteral("Refused to touch com.apple.FinalCut.plist."));
        EXPECT_EQ(QFileInfo(in(folders.live, kMain)).symLinkTarget(), elsewhere);
        EXPECT_EQ(test::readAll(elsewhere), "not a preference of ours");
        EXPECT_EQ(temporaries(folders.live), QStringList());
    }
    EXPECT_EQ(test::treeListing(folders.saved).join(u'\n'), saved.join(u'\n'));
}

TEST(FCPPreferencesBackup, theLiveCommandsUseTheHomeFolderAndTheSafetyCopyFolderOfTheMoment) {
    const QString home = TestEnv::freshDir(QStringLiteral("prefs-home"));
    test::ScopedEnvironment homeScope("HOME", home);
    test::ScopedSettings settings;
    const auto finalCut = test::FakeFinalCutApp::installed(QStringLiteral("/Applications/Final Cut Pro.app"),
                                                           QStringLiteral("10.8"));
    platform::Services services;
    services.finalCut = finalCut;
    const platform::ScopedServices scope(services);
    const QString live =
        in(home, QStringLiteral("Library/Containers/com.apple.FinalCut/Data/Library/Preferences"));
    EXPECT_EQ(FCPPreferencesBackup::liveFolder(), live);
    const QString root = in(TestEnv::freshDir(QStringLiteral("prefs-root")), QStringLiteral("Copies"));
    settings.store->setText(QString(SafetyCopy::folderKey), root);
    const QString saved = in(root, QStringLiteral("Final Cut preferences"));
    EXPECT_EQ(FCPPreferencesBackup::savedFolder(), saved);

    struct Case {
        const char* name;
        bool running;
        std::function<void()> prepare;
        Problem expected;
    };
    const std::vector<Case> cases = {
        {"running, and nothing saved: the refusal comes before any file is looked at", true, [] {},
         Problem::finalCutRunning},
        {"no saved folder", false, [] {}, Problem::noBackup},
        {"an empty saved folder", false, [&] { QDir().mkpath(saved); }, Problem::noBackup},
        {"a saved folder without preference files", false,
         [&] { test::writeFile(in(saved, QStringLiteral("com.apple.FinalCutPro.plist")), "x"); },
         Problem::noBackup},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        c.prepare();
        finalCut->setRunning(c.running ? QList<qint64>{4242} : QList<qint64>{});
        EXPECT_EQ(FCPPreferencesBackup::finalCutIsRunning(), c.running);
        const FCPPreferencesBackup::Outcome restored = FCPPreferencesBackup::restoreLive();
        ASSERT_FALSE(restored);
        EXPECT_EQ(restored.error.problem, c.expected);
        EXPECT_EQ(restored.error.description, FCPPreferencesBackup::describe(c.expected));
        EXPECT_FALSE(QFileInfo::exists(live));
    }
    EXPECT_EQ(FCPPreferencesBackup::describe(Problem::noBackup),
              QStringLiteral("There is no saved copy of Final Cut Pro settings yet."));
    EXPECT_EQ(FCPPreferencesBackup::describe(Problem::finalCutRunning),
              QStringLiteral("Quit Final Cut Pro before putting settings back."));

    // Nothing live to save: nothing is created.
    finalCut->setRunning({});
    QDir(saved).removeRecursively();
    const FCPPreferencesBackup::Outcome none = FCPPreferencesBackup::saveLive();
    ASSERT_FALSE(none);
    EXPECT_EQ(none.error.problem, Problem::noneFound);
    EXPECT_FALSE(QFileInfo::exists(saved));

    // Saved while it runs, put back once it has quit, into a live folder that was removed.
    test::writeFile(in(live, kMain), "settings-v1");
    finalCut->setRunning({4242});
    ASSERT_TRUE(FCPPreferencesBackup::saveLive());
    QDir(live).removeRecursively();
    const FCPPreferencesBackup::Outcome refused = FCPPreferencesBackup::restoreLive();
    ASSERT_FALSE(refused);
    EXPECT_FALSE(QFileInfo::exists(live));
    finalCut->setRunning({});
    const FCPPreferencesBackup::Outcome restored = FCPPreferencesBackup::restoreLive();
    ASSERT_TRUE(restored) << restored.error.description.toStdString();
    EXPECT_EQ(test::readAll(in(live, kMain)), "settings-v1");

    // A new safety-copy folder: later restores look there, and find nothing yet.
    settings.store->setText(QString(SafetyCopy::folderKey), in(root, QStringLiteral("Elsewhere")));
    EXPECT_EQ(FCPPreferencesBackup::restoreLive().error.problem, Problem::noBackup);
}

namespace {

// The preference files directly in `folder`, by name, with their bytes.
QMap<QString, QByteArray> setIn(const QString& folder) {
    QMap<QString, QByteArray> set;
    for (const QString& file : FCPPreferencesBackup::preferenceFiles(folder))
        set.insert(QFileInfo(file).fileName(), test::readAll(file));
    return set;
}

QString describeSet(const QMap<QString, QByteArray>& set) {
    QStringList items;
    for (auto it = set.begin(); it != set.end(); ++it)
        items.append(it.key() + u'=' + QString::fromUtf8(it.value()));
    return items.join(QStringLiteral(", "));
}

} // namespace

TEST(FCPPreferencesBackup, aSaveStoppedAtAnyMomentLeavesTheOldSetOrTheNewOneAndTheNextSaveTidiesUp) {
    const QString kExtra = QStringLiteral("com.apple.FinalCut.Extra.plist");
    for (const bool withoutExchange : {false, true}) {
        SCOPED_TRACE(withoutExchange ? "a file system that cannot exchange two names" : "an exchange");
        int moments = 0;
        for (int stopAt = 1;; ++stopAt) {
            SCOPED_TRACE(stopAt);
            Folders folders(QStringLiteral("prefs-stopped"));
            ASSERT_TRUE(FCPPreferencesBackup::save(folders.live, folders.saved));
            // The user's own things in the saved folder, which every save keeps there.
            test::writeFile(in(folders.saved, QStringLiteral("Notes.txt")), "the user's own");
            test::writeFile(in(folders.saved, QStringLiteral("Older/com.apple.FinalCut.plist")), "kept too");
            const QMap<QString, QByteArray> oldSet = setIn(folders.saved);
            // Beside it, hidden folders and a link that only look like a stopped save's.
            const QString root = QFileInfo(folders.saved).absolutePath();
            const QString outside = in(folders.root, QStringLiteral("Outside"));
            test::writeFile(in(outside, kMain), "not the saved set");
            const QStringList lookalikes = {
                QStringLiteral(".Final Cut preferences.pellimor-new-1234567"),
                QStringLiteral(".Final Cut preferences.pellimor-new-1234567g"),
                QStringLiteral(".Final Cut preferences.pellimor-New-12345678"),
                QStringLiteral("Final Cut preferences.pellimor-new-12345678"),
                QStringLiteral(".Other.pellimor-old-12345678"),
            };
            for (const QString& name : lookalikes)
                test::writeFile(in(in(root, name), kMain), "someone else's");
            ASSERT_TRUE(QFile::link(
                outside, in(root, QStringLiteral(".Final Cut preferences.pellimor-old-0000abcd"))));
            QStringList beside =
                QDir(root).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden | QDir::System);
            const QStringList lookalikesBefore = test::treeContents(outside) + [&] {
                QStringList all;
                for (const QString& name : lookalikes)
                    all += test::treeContents(in(root, name));
                return all;
            }();

            test::writeFile(in(folders.live, kMain), "settings-v2, a little longer");
            test::writeFile(in(folders.live, kDestinations), "destinations-v2");
            ASSERT_TRUE(QFile::remove(in(folders.live, kWorkspaces)));
            test::writeFile(in(folders.live, kExtra), "extra");
            const QMap<QString, QByteArray> newSet = setIn(folders.live);

            bool stopped = false;
            int calls = 0;
            FCPPreferencesBackup::Hooks hooks;
            hooks.withoutExchange = withoutExchange;
            hooks.stopAt = [&](FCPPreferencesBackup::Step) {
                stopped = ++calls == stopAt;
                return stopped;
            };
            const FCPPreferencesBackup::Outcome outcome =
                FCPPreferencesBackup::save(folders.live, folders.saved, hooks);
            if (!stopped) {
                ASSERT_TRUE(outcome) << outcome.error.description.toStdString();
                EXPECT_EQ(setIn(folders.saved), newSet);
                break;
            }
            ++moments;
            ASSERT_FALSE(outcome);

            // Whatever the moment, the saved folder holds one whole set, and that is the set a
            // restore puts back. (Without an exchange the saved set is missing for the moment
            // between two renames; the restore puts it back first.)
            const QMap<QString, QByteArray> left = setIn(folders.saved);
            if (!withoutExchange) {
                EXPECT_TRUE(left == oldSet || left == newSet) << describeSet(left).toStdString();
            }
            const QString restoredTo = in(folders.root, QStringLiteral("Restored"));
            const FCPPreferencesBackup::Outcome restored =
                FCPPreferencesBackup::restore(folders.saved, restoredTo, false);
            ASSERT_TRUE(restored) << restored.error.description.toStdString();
            const QMap<QString, QByteArray> put = setIn(restoredTo);
            EXPECT_TRUE(put == oldSet || put == newSet) << describeSet(put).toStdString();
            EXPECT_EQ(setIn(folders.saved), put);

            // The next save makes the new set the saved one, keeps the user's things there,
            // and tidies only what a stopped save of its own left.
            const FCPPreferencesBackup::Outcome next =
                FCPPreferencesBackup::save(folders.live, folders.saved);
            ASSERT_TRUE(next) << next.error.description.toStdString();
            EXPECT_EQ(setIn(folders.saved), newSet);
            EXPECT_EQ(test::readAll(in(folders.saved, QStringLiteral("Notes.txt"))), "the user's own");
            EXPECT_EQ(test::readAll(in(folders.saved, QStringLiteral("Older/com.apple.FinalCut.plist"))),
                      "kept too");
            EXPECT_EQ(
                QDir(root).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden | QDir::System),
                beside);
            const QStringList lookalikesAfter = test::treeContents(outside) + [&] {
                QStringList all;
                for (const QString& name : lookalikes)
                    all += test::treeContents(in(root, name));
                return all;
            }();
            EXPECT_EQ(lookalikesAfter, lookalikesBefore);
        }
        // Each of the three copies, the whole set, the commit (and the moment between two
        // renames), and each of the five items of the previous set.
        EXPECT_EQ(moments, withoutExchange ? 11 : 10);
    }
}

TEST(FCPPreferencesBackup, aSavedFolderThatIsALinkIsRefusedAndNothingIsWrittenThroughIt) {
    Folders folders(QStringLiteral("prefs-linked"));
    const QString outside = in(folders.root, QStringLiteral("Outside"));
    test::writeFile(in(outside, kMain), "not the saved set");
    ASSERT_TRUE(QDir().mkpath(QFileInfo(folders.saved).absolutePath()));
    ASSERT_TRUE(QFile::link(outside, folders.saved));
    const QStringList before = test::treeListing(QFileInfo(folders.saved).absolutePath());
    const QStringList outsideBefore = test::treeListing(outside);

    const FCPPreferencesBackup::Outcome saved = FCPPreferencesBackup::save(folders.live, folders.saved);
    ASSERT_FALSE(saved);
    EXPECT_EQ(saved.error.problem, Problem::unsafe);
    EXPECT_EQ(saved.error.description, QStringLiteral("Refused to touch Final Cut preferences."));
    EXPECT_EQ(test::treeListing(outside), outsideBefore);
    EXPECT_EQ(test::treeListing(QFileInfo(folders.saved).absolutePath()), before);
}
