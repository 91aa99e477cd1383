// Safety copies of a library's non-media files: what is copied and what is left out, the
// free-space rule, and every way a copy can stop half-way without passing for a whole one or
// touching the library.

#include "FinalCut/SafetyCopy.h"

#include "Platform/Paths.h"
#include "Support/ByteCount.h"
#include "Tests/Support/FakeVolumeFacts.h"
#include "Tests/Support/FileSizeLimit.h"
#include "Tests/Support/Scopes.h"
#include "Tests/Support/TempFiles.h"
#include "Tests/Support/TestEnv.h"
#include "Tests/Support/TreeListing.h"

#include <QDateTime>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <csignal>
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>

using namespace pellimor;
using test::TestEnv;

namespace {

const QString kReadMe = QStringLiteral("READ ME.txt");

// One item of a library tree as a test describes it: a file with its bytes, a folder, or a
// link ("->" target).
struct Item {
    const char* path;
    enum Kind { file, folder, link } kind = file;
    const char* content = "";
};

void build(const QString& root, const std::vector<Item>& items) {
    QDir().mkpath(root);
    for (const Item& item : items) {
        const QString path = root + QString::fromUtf8(item.path);
        switch (item.kind) {
        case Item::file:
            test::writeFile(path, QByteArray(item.content));
            break;
        case Item::folder:
            ASSERT_TRUE(QDir().mkpath(path)) << item.path;
            break;
        case Item::link:
            QDir().mkpath(QFileInfo(path).absolutePath());
            ASSERT_TRUE(QFile::link(QString::fromUtf8(item.content), path)) << item.path;
            break;
        }
    }
}

// Everything below `root`, one line each, folders marked with a closing "/" and links with
// " ->", sorted.
QString contents(const QString& root) {
    QStringList listed;
    QDirIterator it(root, QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden | QDir::System,
                    QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString path = it.next().mid(root.size() + 1);
        const QFileInfo info = it.fileInfo();
        listed.append(info.isSymLink() ? path + QStringLiteral(" ->") : info.isDir() ? path + u'/' : path);
    }
    listed.sort();
    return listed.join(u'\n');
}

QString lines(const QStringList& list) {
    return list.join(u'\n');
}

// A plain library: two kept files at the top and in an event, and media left out.
std::vector<Item> plainLibrary() {
    return {
        {"/CurrentVersion.flexolibrary", Item::file, "version 1"},
        {"/Day 1/CurrentVersion.fcpevent", Item::file, "event database"},
        {"/Day 1/Original Media/A001.mov", Item::file, "media media media"},
        {"/Day 1/Zeta.plist", Item::file, "last of all"},
    };
}

// The files of a copy that is as good as it looks: "READ ME.txt" is written only when
// every file made it.
bool looksComplete(const QString& destination) {
    return QFileInfo::exists(QDir(destination).filePath(kReadMe));
}

} // namespace

TEST(SafetyCopy, copiesTheKeptFilesOfEveryKindOfTreeAndNothingElse) {
    struct Case {
        const char* name;
        std::vector<Item> library;
        QStringList copied;      // the files copied, below the library
        QStringList destination; // the destination's tree afterwards
    };
    const std::vector<Case> cases = {
        {"skipped folders at every depth, and a file that only has a skipped name",
         {{"/CurrentVersion.flexolibrary", Item::file, "library"},
          {"/Day 1/CurrentVersion.fcpevent", Item::file, "event"},
          {"/Day 1/Original Media/A001.mov", Item::file, "media"},
          {"/Day 1/Transcoded Media/Proxy Media/A001.mov", Item::file, "proxy"},
          {"/Day 1/Analysis Files/x.dat", Item::file, "analysis"},
          {"/Day 1/Shared Items/y.dat", Item::file, "shared"},
          {"/Day 1/Main Edit/Deep/Render Files/High Quality Media/r.mov", Item::file, "render"},
          {"/Day 1/Main Edit/Deep/Render Files", Item::folder},
          {"/Day 1/Main Edit/Deep/keep.plist", Item::file, "kept three levels down"},
          {"/__Temp/t", Item::file, "temp"},
          {"/__AsyncCopying/a", Item::file, "copying"},
          {"/Notes/Render Files", Item::file, "a file with a skipped name"}},
         {"/CurrentVersion.flexolibrary", "/Day 1/CurrentVersion.fcpevent",
          "/Day 1/Main Edit/Deep/keep.plist", "/Notes/Render Files"},
         {"CurrentVersion.flexolibrary", "Day 1/", "Day 1/CurrentVersion.fcpevent", "Day 1/Main Edit/",
          "Day 1/Main Edit/Deep/", "Day 1/Main Edit/Deep/keep.plist", "Notes/", "Notes/Render Files",
          "READ ME.txt"}},
        {"links to files and folders inside and outside are neither copied nor counted",
         {{"/CurrentVersion.flexolibrary", Item::file, "library"},
          {"/Day 1/CurrentVersion.fcpevent", Item::file, "event"},
          {"/to-file", Item::link, "CurrentVersion.flexolibrary"},
          {"/to-folder", Item::link, "Day 1"},
          {"/Day 1/outside", Item::link, "/etc"},
          {"/Day 1/broken", Item::link, "nowhere"}},
         {"/CurrentVersion.flexolibrary", "/Day 1/CurrentVersion.fcpevent"},
         {"CurrentVersion.flexolibrary", "Day 1/", "Day 1/CurrentVersion.fcpevent", "READ ME.txt"}},
        {"hidden files and empty folders come along",
         {{"/.lock", Item::file, "lock"},
          {"/Day 1/.hidden", Item::file, "hidden"},
          {"/Empty", Item::folder},
          {"/Day 1/Empty Too/", Item::folder}},
         {"/.lock", "/Day 1/.hidden"},
         {".lock", "Day 1/", "Day 1/.hidden", "Day 1/Empty Too/", "Empty/", "READ ME.txt"}},
        {"a library made only of skipped folders",
         {{"/Original Media/a.mov", Item::file, "a"},
          {"/Render Files/b.mov", Item::file, "b"},
          {"/Day 1/Original Media/c.mov", Item::file, "c"}},
         {},
         {"Day 1/", "READ ME.txt"}},
        {"names with blanks, accents, per cent and hash signs",
         {{"/Jour é 1/100% #1.plist", Item::file, "accents"}, {"/#2 %20/a b.plist", Item::file, "odd"}},
         {"/#2 %20/a b.plist", "/Jour é 1/100% #1.plist"},
         {"#2 %20/", "#2 %20/a b.plist", "Jour é 1/", "Jour é 1/100% #1.plist", "READ ME.txt"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        test::ScopedFakeVolumes volumes;
        const QString folder = TestEnv::freshDir(QStringLiteral("kinds"));
        const QString library = QDir(folder).filePath(QStringLiteral("Wedding é.fcpbundle"));
        build(library, c.library);
        const QStringList before = test::treeListing(library);
        qint64 bytes = 0;
        for (const QString& relative : c.copied)
            bytes += QFileInfo(library + relative).size();

        const QString destination =
            QDir(folder).filePath(QStringLiteral("copies/2025-03-01 1405/Wedding é.fcpbundle"));
        const SafetyCopy::Outcome made = SafetyCopy::make(library, destination);
        ASSERT_TRUE(made) << made.error.description.toStdString();
        EXPECT_EQ(made.result->files, c.copied.size());
        EXPECT_EQ(made.result->bytes, bytes);
        EXPECT_EQ(contents(destination), lines(c.destination));
        for (const QString& relative : c.copied)
            EXPECT_EQ(test::readAll(destination + relative), test::readAll(library + relative))
                << relative.toStdString();
        EXPECT_EQ(test::treeListing(library).join(u'\n'), before.join(u'\n'));
    }
}

TEST(SafetyCopy, theReadMeNamesTheLibraryAsPassedAndTheTimeInUtc) {
    test::ScopedFakeVolumes volumes;
    const QString folder = TestEnv::freshDir(QStringLiteral("readme"));
    build(QDir(folder).filePath(QStringLiteral("Job.fcpbundle")), plainLibrary());
    // As a caller may pass it: not clean. The note says what the caller said.
    const QString passed = folder + QStringLiteral("/./Job.fcpbundle");
    const QDateTime before = QDateTime::currentDateTimeUtc().addSecs(-1);
    ASSERT_TRUE(SafetyCopy::make(passed, QDir(folder).filePath(QStringLiteral("copy"))));
    const QDateTime after = QDateTime::currentDateTimeUtc().addSecs(1);

    const QStringList lines =
        QString::fromUtf8(test::readAll(QDir(folder).filePath(QStringLiteral("copy/READ ME.txt"))))
            .split(u'\n');
    ASSERT_EQ(lines.size(), 5) << lines.join(u'|').toStdString();
    EXPECT_EQ(lines[0], QStringLiteral("Safety copy of the non-media files of"));
    EXPECT_EQ(lines[1], passed);
    const QRegularExpressionMatch made =
        QRegularExpression(QStringLiteral("^made (\\d{4}-\\d\\d-\\d\\d \\d\\d:\\d\\d:\\d\\d) \\+0000$"))
            .match(lines[2]);
    ASSERT_TRUE(made.hasMatch()) << lines[2].toStdString();
    QDateTime written = QDateTime::fromString(made.captured(1), QStringLiteral("yyyy-MM-dd HH:mm:ss"));
    written.setTimeSpec(Qt::UTC);
    EXPECT_LE(before, written);
    EXPECT_LE(written, after);
    EXPECT_EQ(lines[3],
              QStringLiteral("Restore by copying these files back over the library after quitting Final "
                             "Cut Pro."));
    EXPECT_EQ(lines[4], QString());

    // A library with a note of its own by that name keeps it in its copy.
    test::writeFile(QDir(folder).filePath(QStringLiteral("Job.fcpbundle/READ ME.txt")), "the editor's own");
    const SafetyCopy::Outcome own = SafetyCopy::make(passed, QDir(folder).filePath(QStringLiteral("copy 2")));
    ASSERT_TRUE(own);
    EXPECT_EQ(own.result->files, 4);
    EXPECT_EQ(test::readAll(QDir(folder).filePath(QStringLiteral("copy 2/READ ME.txt"))), "the editor's own");
}

TEST(SafetyCopy, freeSpaceIsAskedOnceBeforeTheFirstFileWithTheMarginOverTheTotal) {
    struct Case {
        const char* name;
        std::optional<platform::VolumeFacts::Capacity> capacity;
        qint64 belowNeed; // subtracted from total + margin when the capacity says "available"
        bool copies;
    };
    using Capacity = platform::VolumeFacts::Capacity;
    const std::vector<Case> cases = {
        {"exactly enough", Capacity{std::nullopt, 0}, 0, true},
        {"one byte less", Capacity{std::nullopt, 0}, 1, false},
        {"a volume that reports 0", Capacity{std::nullopt, 0}, -1, true},
        {"a volume that reports no available space", Capacity{1'000'000, std::nullopt}, 0, true},
        {"a volume that cannot be asked", std::nullopt, 0, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const QString folder = TestEnv::freshDir(QStringLiteral("space"));
        const QString library = QDir(folder).filePath(QStringLiteral("Job.fcpbundle"));
        build(library, plainLibrary());
        const qint64 total = QFileInfo(library + QStringLiteral("/CurrentVersion.flexolibrary")).size() +
                             QFileInfo(library + QStringLiteral("/Day 1/CurrentVersion.fcpevent")).size() +
                             QFileInfo(library + QStringLiteral("/Day 1/Zeta.plist")).size();
        const qint64 need = total + 1'000'000'000;
        test::ScopedFakeVolumes volumes;
        std::optional<Capacity> capacity = c.capacity;
        if (capacity && capacity->available)
            capacity->available = c.belowNeed < 0 ? 0 : need - c.belowNeed;
        volumes->setCapacity(QStringLiteral("/"), capacity);

        const QString destination = QDir(folder).filePath(QStringLiteral("Copies/Job.fcpbundle"));
        const SafetyCopy::Outcome made = SafetyCopy::make(library, destination);
        EXPECT_EQ(volumes->capacityCalls(), 1);
        if (c.copies) {
            ASSERT_TRUE(made) << made.error.description.toStdString();
            EXPECT_EQ(made.result->bytes, total);
            continue;
        }
        ASSERT_FALSE(made);
        EXPECT_EQ(made.error.domain, QStringLiteral("SafetyCopy"));
        EXPECT_EQ(made.error.code, 2);
        // The amount named is the amount asked for: having that much free is enough.
        EXPECT_EQ(made.error.description,
                  QStringLiteral("not enough free space for the safety copy (%1 needed)")
                      .arg(ByteCount::file(need)));
        EXPECT_EQ(contents(destination), QString());
    }
}

TEST(SafetyCopy, anOccupiedDestinationStopsAtThatFileAndKeepsWhatWasCopiedBefore) {
    test::ScopedFakeVolumes volumes;
    const QString folder = TestEnv::freshDir(QStringLiteral("occupied"));
    const QString library = QDir(folder).filePath(QStringLiteral("Job.fcpbundle"));
    build(library, plainLibrary());
    const QString destination = QDir(folder).filePath(QStringLiteral("copy"));
    test::writeFile(destination + QStringLiteral("/Day 1/CurrentVersion.fcpevent"), "someone else's");
    const QStringList libraryBefore = test::treeListing(library);

    const SafetyCopy::Outcome made = SafetyCopy::make(library, destination);
    ASSERT_FALSE(made);
    EXPECT_EQ(made.error.code, EEXIST);
    EXPECT_TRUE(made.error.description.contains(QStringLiteral("File exists")))
        << made.error.description.toStdString();
    EXPECT_TRUE(made.error.description.contains(QStringLiteral("/Day 1/CurrentVersion.fcpevent")));
    // Walk order is name order: the top file came first and stays; the one after never came.
    EXPECT_EQ(contents(destination),
              lines({"CurrentVersion.flexolibrary", "Day 1/", "Day 1/CurrentVersion.fcpevent"}));
    EXPECT_EQ(test::readAll(destination + QStringLiteral("/Day 1/CurrentVersion.fcpevent")),
              "someone else's");
    EXPECT_FALSE(looksComplete(destination));
    EXPECT_EQ(test::treeListing(library).join(u'\n'), libraryBefore.join(u'\n'));

    // The same library twice into one folder: the second copy stops at the first file.
    const QString twice = QDir(folder).filePath(QStringLiteral("twice"));
    ASSERT_TRUE(SafetyCopy::make(library, twice));
    const QStringList first = test::treeListing(twice);
    const SafetyCopy::Outcome again = SafetyCopy::make(library, twice);
    ASSERT_FALSE(again);
    EXPECT_EQ(again.error.code, EEXIST);
    EXPECT_EQ(test::treeListing(twice).join(u'\n'), first.join(u'\n'));
    EXPECT_EQ(test::treeListing(library).join(u'\n'), libraryBefore.join(u'\n'));
}

TEST(SafetyCopy, aFileThatChangesAfterTheWalkFailsTheCopyNamingItsPathInsideTheLibrary) {
    struct Case {
        const char* name;
        QByteArray content;
    };
    for (const Case& c : {Case{"grown", "event database, and then some"}, Case{"shrunk", "ev"}}) {
        SCOPED_TRACE(c.name);
        test::ScopedFakeVolumes volumes;
        const QString folder = TestEnv::freshDir(QStringLiteral("changed"));
        const QString library = QDir(folder).filePath(QStringLiteral("Job.fcpbundle"));
        build(library, plainLibrary());
        SafetyCopy::Hooks hooks;
        hooks.afterWalk = [&] {
            test::writeFile(library + QStringLiteral("/Day 1/CurrentVersion.fcpevent"), c.content);
        };

        const QString destination = QDir(folder).filePath(QStringLiteral("copy"));
        const SafetyCopy::Outcome made = SafetyCopy::make(library, destination, hooks);
        ASSERT_FALSE(made);
        EXPECT_EQ(made.error.domain, QStringLiteral("SafetyCopy"));
        EXPECT_EQ(made.error.code, 3);
        EXPECT_EQ(made.error.description,
                  QStringLiteral("copy of /Day 1/CurrentVersion.fcpevent doesn't match the original"));
        EXPECT_FALSE(QFileInfo::exists(destination + QStringLiteral("/Day 1/Zeta.plist")));
        EXPECT_FALSE(looksComplete(destination));
    }
}

TEST(SafetyCopy, aLibraryThatCannotBeReadIsRefusedBeforeAnythingIsCopied) {
    test::ScopedFakeVolumes volumes;
    const QString folder = TestEnv::freshDir(QStringLiteral("unreadable"));
    const QString library = QDir(folder).filePath(QStringLiteral("Job.fcpbundle"));
    build(library, plainLibrary());
    test::writeFile(QDir(folder).filePath(QStringLiteral("File.fcpbundle")), "a file, not a bundle");

    struct Case {
        const char* name;
        QString library;
        QString unlistable; // a folder that fails to list, as an unreadable one would
    };
    const std::vector<Case> cases = {
        {"missing", QDir(folder).filePath(QStringLiteral("Missing.fcpbundle")), {}},
        {"a file", QDir(folder).filePath(QStringLiteral("File.fcpbundle")), {}},
        {"the library itself cannot be listed", library, library},
        // Passing over it would leave the copy without part of the database, while the caller
        // goes on as if it had the copy it asked for.
        {"a folder inside cannot be listed", library, library + QStringLiteral("/Day 1")},
    };
    const QStringList before = test::treeListing(library);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        SafetyCopy::Hooks hooks;
        hooks.unlistable = [&c](const QString& path) { return path == c.unlistable; };
        const QString destination = QDir(folder).filePath(QStringLiteral("copy"));
        const SafetyCopy::Outcome made = SafetyCopy::make(c.library, destination, hooks);
        ASSERT_FALSE(made);
        EXPECT_EQ(made.error.domain, QStringLiteral("SafetyCopy"));
        EXPECT_EQ(made.error.code, 1);
        EXPECT_EQ(made.error.description, QStringLiteral("can't read the library"));
        EXPECT_FALSE(QFileInfo::exists(destination));
    }
    EXPECT_EQ(test::treeListing(library).join(u'\n'), before.join(u'\n'));
}

TEST(SafetyCopy, aCopyIsNeverMadeInsideTheLibraryItCopies) {
    test::ScopedFakeVolumes volumes;
    const QString folder = TestEnv::freshDir(QStringLiteral("inside"));
    const QString library = QDir(folder).filePath(QStringLiteral("Job.fcpbundle"));
    build(library, plainLibrary());
    ASSERT_TRUE(QFile::link(library, QDir(folder).filePath(QStringLiteral("Shortcut"))));
    const QStringList before = test::treeListing(library);
    for (const QString& destination : {library, library + QStringLiteral("/Safety"),
                                       QDir(folder).filePath(QStringLiteral("Shortcut/Safety"))}) {
        SCOPED_TRACE(destination.toStdString());
        const SafetyCopy::Outcome made = SafetyCopy::make(library, destination);
        ASSERT_FALSE(made);
        EXPECT_EQ(made.error.code, 4);
        EXPECT_EQ(test::treeListing(library).join(u'\n'), before.join(u'\n'));
    }
}

TEST(SafetyCopy, aLinkAlreadyInTheDestinationFailsTheCopyAndNothingIsWrittenThroughIt) {
    struct Case {
        const char* name;
        const char* link;   // below the destination ("" for the destination itself)
        const char* target; // below the test's folder
        const char* folder; // a real folder made in the destination first, or null
    };
    const std::vector<Case> cases = {
        {"a folder on the way links to the library's own event folder", "/Event A", "/Job.fcpbundle/Event A",
         nullptr},
        {"a folder on the way links to another event of the library", "/Event A", "/Job.fcpbundle/Event B",
         nullptr},
        {"a folder deeper down links into the library", "/Event A/Project", "/Job.fcpbundle/Event B",
         "/Event A"},
        {"a file's name links to a file of the library", "/Event A/CurrentVersion.fcpevent",
         "/Job.fcpbundle/Event B/Other.plist", "/Event A"},
        {"a file's name links to nothing yet", "/CurrentVersion.flexolibrary", "/Elsewhere/new.plist",
         nullptr},
        {"the destination itself links to a folder elsewhere", "", "/Elsewhere", nullptr},
        {"the note's name links to a file elsewhere", "/READ ME.txt", "/Elsewhere/kept.txt", nullptr},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        test::ScopedFakeVolumes volumes;
        const QString folder = TestEnv::freshDir(QStringLiteral("linked"));
        const QString library = QDir(folder).filePath(QStringLiteral("Job.fcpbundle"));
        build(library, {
                           {"/CurrentVersion.flexolibrary", Item::file, "version 1"},
                           {"/Event A/CurrentVersion.fcpevent", Item::file, "event A"},
                           {"/Event A/Project/CurrentVersion.fcpproject", Item::file, "project"},
                           {"/Event B/Other.plist", Item::file, "event B"},
                       });
        const QString elsewhere = QDir(folder).filePath(QStringLiteral("Elsewhere"));
        test::writeFile(QDir(elsewhere).filePath(QStringLiteral("kept.txt")), "not the copy's");
        const QString destination = QDir(folder).filePath(QStringLiteral("copies/Job.fcpbundle"));
        if (c.folder) {
            ASSERT_TRUE(QDir().mkpath(destination + QString::fromUtf8(c.folder)));
        }
        const QString link = destination + QString::fromUtf8(c.link);
        const QString target = folder + QString::fromUtf8(c.target);
        ASSERT_TRUE(QDir().mkpath(QFileInfo(link).absolutePath()));
        ASSERT_TRUE(QFile::link(target, link));
        const QStringList libraryBefore = test::treeContents(library);
        const QStringList libraryListed = test::treeListing(library);
        const QStringList elsewhereBefore = test::treeContents(elsewhere);

        const SafetyCopy::Outcome made = SafetyCopy::make(library, destination);
        ASSERT_FALSE(made);
        EXPECT_EQ(made.error.domain, QStringLiteral("SafetyCopy"));
        EXPECT_EQ(made.error.code, 1);
        EXPECT_EQ(made.error.description,
                  QStringLiteral("a link is in the way at \u201C%1\u201D; nothing was "
                                 "written through it")
                      .arg(link));
        EXPECT_EQ(test::treeContents(library), libraryBefore);
        EXPECT_EQ(test::treeListing(library).join(u'\n'), libraryListed.join(u'\n'));
        EXPECT_EQ(test::treeContents(elsewhere), elsewhereBefore);
        EXPECT_EQ(QFileInfo(link).symLinkTarget(), target);
    }
}

TEST(SafetyCopy, aLibraryFolderSwappedForALinkAfterTheWalkIsNeverCopiedFromWhereTheLinkLeads) {
    test::ScopedFakeVolumes volumes;
    const QString folder = TestEnv::freshDir(QStringLiteral("swapped"));
    const QString library = QDir(folder).filePath(QStringLiteral("Job.fcpbundle"));
    build(library, plainLibrary());
    // Files of the same names and lengths, so only where they were read from tells them apart.
    const QString decoy = QDir(folder).filePath(QStringLiteral("Decoy"));
    test::writeFile(QDir(decoy).filePath(QStringLiteral("CurrentVersion.fcpevent")), "someone's secret");
    test::writeFile(QDir(decoy).filePath(QStringLiteral("Zeta.plist")), "not of this");
    SafetyCopy::Hooks hooks;
    hooks.afterWalk = [&] {
        ASSERT_TRUE(
            QFile::rename(library + QStringLiteral("/Day 1"), library + QStringLiteral("/Day 1 (was)")));
        ASSERT_TRUE(QFile::link(decoy, library + QStringLiteral("/Day 1")));
    };

    const QString destination = QDir(folder).filePath(QStringLiteral("copy"));
    const SafetyCopy::Outcome made = SafetyCopy::make(library, destination, hooks);
    ASSERT_FALSE(made);
    EXPECT_EQ(made.error.domain, QStringLiteral("FileSystem"));
    EXPECT_EQ(made.error.code, ELOOP);
    EXPECT_TRUE(made.error.description.contains(QStringLiteral("/Day 1/CurrentVersion.fcpevent")))
        << made.error.description.toStdString();
    EXPECT_EQ(contents(destination), lines({"CurrentVersion.flexolibrary", "Day 1/"}));
    EXPECT_FALSE(looksComplete(destination));
}

TEST(SafetyCopy, aFileThatCannotBeCopiedEndsTheCopyWithoutAHalfFileOrAReadMe) {
    const QString folder = TestEnv::freshDir(QStringLiteral("midway"));
    const QString library = QDir(folder).filePath(QStringLiteral("Job.fcpbundle"));
    build(library, plainLibrary());
    // A database larger than the disk has room for, written after a file that fits.
    test::writeFile(library + QStringLiteral("/Day 1/CurrentVersion.fcpevent"), QByteArray(512 * 1024, 'd'));
    const QStringList before = test::treeListing(library);

    struct Case {
        const char* name;
        std::function<void()> afterWalk;
        const char* reason;
    };
    const QString database = library + QStringLiteral("/Day 1/CurrentVersion.fcpevent");
    const std::vector<Case> cases = {
        {"the disk fills up half-way through a file", {}, "File too large"},
        {"the file is gone by the time it is copied",
         [&] { QFile::rename(database, database + QStringLiteral(".away")); }, "No such file or directory"},
        {"the file became a pipe, which is never read",
         [&] {
             QFile::rename(database, database + QStringLiteral(".away"));
             ::mkfifo(QFile::encodeName(database).constData(), 0600);
         },
         "Not a regular file"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        test::ScopedFakeVolumes volumes;
        const QString destination =
            TestEnv::freshDir(QStringLiteral("midway-copy")) + QStringLiteral("/copy");
        SafetyCopy::Hooks hooks;
        hooks.afterWalk = c.afterWalk;
        SafetyCopy::Outcome made;
        if (!c.afterWalk) {
            // The process may write no file past 64 KB: writes beyond fail as on a full disk.
            const test::FileSizeLimit limited(64 * 1024);
            made = SafetyCopy::make(library, destination, hooks);
        } else {
            made = SafetyCopy::make(library, destination, hooks);
        }
        ASSERT_FALSE(made);
        EXPECT_EQ(made.error.domain, QStringLiteral("FileSystem"));
        EXPECT_TRUE(made.error.description.contains(QString::fromLatin1(c.reason)))
            << made.error.description.toStdString();
        EXPECT_TRUE(made.error.description.contains(QStringLiteral("/Day 1/CurrentVersion.fcpevent")));
        // What came before stays, whole; the file that failed left nothing behind.
        EXPECT_EQ(contents(destination), lines({"CurrentVersion.flexolibrary", "Day 1/"}));
        EXPECT_EQ(test::readAll(destination + QStringLiteral("/CurrentVersion.flexolibrary")), "version 1");
        EXPECT_FALSE(looksComplete(destination));
        if (c.afterWalk) {
            QFile::remove(database);
            QFile::rename(database + QStringLiteral(".away"), database);
        } else {
            EXPECT_EQ(test::treeListing(library).join(u'\n'), before.join(u'\n'));
        }
    }
}

TEST(SafetyCopy, theStorageRootIsTheChosenFolderAsItIsElseTheDefault) {
    test::ScopedSettings settings;
    EXPECT_EQ(SafetyCopy::storageRoot(),
              QDir(Paths::programSupportFolder()).filePath(QStringLiteral("Safety copies")));
    EXPECT_TRUE(SafetyCopy::storageRoot().startsWith(TestEnv::dataHome() + QStringLiteral("/Pellimor/")));

    // A folder that does not exist yet is used as it is, and the first copy creates it.
    const QString chosen = TestEnv::freshDir(QStringLiteral("chosen")) + QStringLiteral("/Not yet/../Safety");
    settings.store->setText(QString(SafetyCopy::folderKey), chosen);
    EXPECT_EQ(SafetyCopy::storageRoot(), chosen);
    EXPECT_FALSE(QFileInfo::exists(QDir::cleanPath(chosen)));

    test::ScopedFakeVolumes volumes;
    const QString library =
        TestEnv::freshDir(QStringLiteral("chosen-library")) + QStringLiteral("/Job.fcpbundle");
    build(library, plainLibrary());
    const QString destination = SafetyCopy::storageRoot() + QStringLiteral("/2025-03-01 1405/Job.fcpbundle");
    ASSERT_TRUE(SafetyCopy::make(library, destination));
    EXPECT_TRUE(looksComplete(QDir::cleanPath(destination)));

    settings.store->setText(QString(SafetyCopy::folderKey), QString());
    EXPECT_EQ(SafetyCopy::storageRoot(),
              QDir(Paths::programSupportFolder()).filePath(QStringLiteral("Safety copies")));
}
