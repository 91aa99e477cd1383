// The repair on a small library with broken links: what it changes, what it leaves exactly as
// it was when a step fails or is refused, and what the repair log and the error log say.

#include "Catalogue/Logs/ErrorLog.h"
#include "Catalogue/Reader/LibraryReader.h"
#include "MissingFiles/MissingFiles.h"
#include "Tests/Fixtures/FixtureFiles.h"
#include "Tests/Support/FakeFinalCutApp.h"
#include "Tests/Support/FakeVolumeFacts.h"
#include "Tests/Support/FileSizeLimit.h"
#include "Tests/Support/ScopedMount.h"
#include "Tests/Support/Scopes.h"
#include "Tests/Support/TempFiles.h"
#include "Tests/Support/TestEnv.h"
#include "Tests/Support/TreeListing.h"

#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>
#include <QUuid>
#include <cerrno>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <functional>
#include <gtest/gtest.h>
#include <ostream>
#include <sys/file.h>
#include <sys/fsuid.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace pellimor;
using MissingFiles::RepairItem;
using MissingFiles::RepairMode;
using MissingFiles::RepairResult;
using MissingFiles::RepairSeams;
using test::TestEnv;
namespace FixtureFiles = pellimor::fixtures::FixtureFiles;

namespace {

const QString kOld = QStringLiteral("/nonexistent/Old.fcpbundle/EvX/Original Media/");
const QString kNotBroken = QStringLiteral("is no longer a broken link, left alone");
constexpr qint64 kReserve = MissingFiles::kCopyReserve;

QString systemMessage(int error) {
    return QString::fromLocal8Bit(std::strerror(error));
}

bool isLink(const QString& path) {
    struct stat facts {};
    return ::lstat(QFile::encodeName(path).constData(), &facts) == 0 && S_ISLNK(facts.st_mode);
}

// The listing of a tree with the folders' own modification times left out: making and
// removing a temporary item touches its folder, and that is all it may leave behind.
QStringList contents(const QString& root) {
    static const QRegularExpression folderTime(QStringLiteral("^(.* folder .*)mtime=\\S+ (.*)$"));
    QStringList lines = test::treeListing(root);
    for (QString& line : lines)
        line.replace(folderTime, QStringLiteral("\\1\\2"));
    return lines;
}

// A library "Lib" on the drive "Work" whose event "Ev" holds the broken links a.mov, b.mov,
// d.mov, e (no extension) and the real original kept.mov, and a folder "Found" beside it
// with the files the search found, made afresh for each case.
struct Scene {
    QString root;
    QString library;
    QString media;
    QString found;
    QString log;

    Scene() {
        root = TestEnv::freshDir(QStringLiteral("repair"));
        library = root + "/Lib.fcpbundle";
        media = library + "/Ev/Original Media";
        found = root + "/Found";
        log = root + "/repair-log.txt";
        test::writeFile(library + "/CurrentVersion.flexolibrary", "x");
        test::writeFile(media + "/kept.mov", "REAL ORIGINAL");
        for (const char* name : {"a.mov", "b.mov", "d.mov"})
            FixtureFiles::makeLink(media + u'/' + name, kOld + QString::fromLatin1(name).toUpper());
        FixtureFiles::makeLink(media + "/e", kOld + "E");
        test::writeFile(found + "/A.MOV", "content of a");
        test::writeFile(found + "/B.MOV", "content of b");
        test::writeFile(found + "/d.mp4", "wrong type");
        test::writeFile(found + "/e", "no extension");
        FixtureFiles::setModified(found + "/A.MOV", QDateTime(QDate(2020, 2, 3), QTime(4, 5, 6), Qt::UTC));
    }

    MissingFile file(const QString& name, const QString& event = QStringLiteral("Ev")) const {
        return MissingFile{QStringLiteral("Lib"), library, QStringLiteral("Work"), event, name,
                           kOld + name.toUpper()};
    }
    // What stands under a temporary name in the event folder or its "Original Media".
    QStringList temporaries() const {
        QStringList found;
        for (const QString& folder : {library + "/Ev", media})
            for (const QString& name : QDir(folder).entryList({QStringLiteral(".tovlin-*")},
                                                              QDir::AllEntries | QDir::Hidden | QDir::System))
                found.append(folder + u'/' + name);
        return found;
    }
};

// A data folder of the test's own with the error log switched on (the runner's own "--"
// arguments do not count here), and a fake drive under the test folders whose free space
// the test sets: plenty, unless a case says otherwise.
class MissingRepairTest : public ::testing::Test {
public:
    MissingRepairTest()
        : m_data("TOVLIN_DATA_DIR", TestEnv::freshDir(QStringLiteral("repair-data"))),
          m_wasHeadless(ErrorLog::headless()) {
        ErrorLog::setHeadless(false);
        setFree(kReserve + 1'000'000);
    }
    ~MissingRepairTest() override { ErrorLog::setHeadless(m_wasHeadless); }

    void setFree(std::optional<qint64> available) {
        m_volumes->setCapacity(TestEnv::root(), platform::VolumeFacts::Capacity{std::nullopt, available});
    }

    RepairResult run(const QString& name, const QString& source, RepairMode mode,
                     const RepairSeams& seams = {}) {
        return MissingFiles::repair({RepairItem{scene.file(name), source}}, mode, false, scene.log, seams);
    }

    // The error log's entries after their time: "ERROR missing-files: <message>  path: <path>".
    static QStringList errorEntries() {
        QStringList entries;
        for (const QString& line : test::lines(ErrorLog::url()))
            entries.append(line.section(u' ', 1));
        return entries;
    }
    QString errorEntry(const QString& reason) const {
        return QStringLiteral("ERROR missing-files: A link was not repaired: ") + reason +
               QStringLiteral("  path: ") + scene.library;
    }

    Scene scene;

private:
    test::ScopedEnvironment m_data;
    test::ScopedFakeVolumes m_volumes;
    const bool m_wasHeadless;
};

} // namespace

// Each row: one repair on a fresh scene, then the result, the link, the library, the repair
// log, the error log and the found files.
TEST_F(MissingRepairTest, everyRoadEndsWithTheLibraryChangedOnlyByWhatWasRepaired) {
    using Arrange = std::function<void(MissingRepairTest&, RepairSeams&)>;
    struct Case {
        const char* what;
        const char* name;
        const char* source; // below "Found"
        RepairMode mode;
        Arrange arrange = {};
        QString reason = {};   // the skip's reason; none for a repair
        QByteArray reads = {}; // what the link's place reads after a repair
        bool replaced = false; // a real file took the link's place during the run
    };
    const Arrange appendByte = [](MissingRepairTest&, RepairSeams& seams) {
        seams.afterMade = [](const QString& temporary, const QString&) {
            QFile copy(temporary);
            ASSERT_TRUE(copy.open(QIODevice::Append));
            copy.write("!");
        };
    };
    const Arrange fileAppears = [](MissingRepairTest&, RepairSeams& seams) {
        seams.afterMade = [](const QString&, const QString& link) {
            ASSERT_TRUE(QFile::remove(link));
            test::writeFile(link, "a real file that came meanwhile");
        };
    };
    const Arrange fileAppearsLast = [](MissingRepairTest&, RepairSeams& seams) {
        seams.beforePut = [](const QString& link) {
            ASSERT_TRUE(QFile::remove(link));
            test::writeFile(link, "a real file that came meanwhile");
        };
    };
    const Arrange renameFails = [](MissingRepairTest&, RepairSeams& seams) {
        seams.rename = [](const QString&, const QString&) { return EXDEV; };
    };
    const auto space = [](std::optional<qint64> available) -> Arrange {
        return [available](MissingRepairTest& test, RepairSeams&) { test.setFree(available); };
    };
    const qint64 sizeOfA = 12; // "content of a"
    const QString gone = QStringLiteral("the found file is gone");
    const std::vector<Case> cases = {
        {"a copy, the extensions differing in case",
         "a.mov",
         "A.MOV",
         RepairMode::copy,
         {},
         {},
         "content of a"},
        {"a new link", "b.mov", "B.MOV", RepairMode::link, {}, {}, "content of b"},
        {"a new link needs no free space", "b.mov", "B.MOV", RepairMode::link, space(0), {}, "content of b"},
        {"a link without extension", "e", "e", RepairMode::copy, {}, {}, "no extension"},
        {"a found file of another type",
         "d.mov",
         "d.mp4",
         RepairMode::copy,
         {},
         "the found file is a different type (.mp4)"},
        {"a real file offered as broken", "kept.mov", "A.MOV", RepairMode::copy, {}, kNotBroken},
        {"nothing where the link was", "gone.mov", "A.MOV", RepairMode::link, {}, kNotBroken},
        {"a working link", "a.mov", "A.MOV", RepairMode::link,
         [](MissingRepairTest& test, RepairSeams&) {
             QFile::remove(test.scene.media + "/a.mov");
             FixtureFiles::makeLink(test.scene.media + "/a.mov", test.scene.found + "/B.MOV");
         },
         kNotBroken},
        {"free space of exactly size and reserve", "a.mov", "A.MOV", RepairMode::copy,
         space(sizeOfA + kReserve), "not enough free space on Work"},
        {"free space of one byte more",
         "a.mov",
         "A.MOV",
         RepairMode::copy,
         space(sizeOfA + kReserve + 1),
         {},
         "content of a"},
        {"free space that cannot be read", "a.mov", "A.MOV", RepairMode::copy, space(std::nullopt),
         "not enough free space on Work"},
        {"a copy whose size differs", "a.mov", "A.MOV", RepairMode::copy, appendByte,
         "the copy did not match the found file"},
        {"a real file appears at the link during the copy",
         "a.mov",
         "A.MOV",
         RepairMode::copy,
         fileAppears,
         kNotBroken,
         {},
         true},
        {"a real file appears before the new link is put in place",
         "b.mov",
         "B.MOV",
         RepairMode::link,
         fileAppears,
         kNotBroken,
         {},
         true},
        {"a real file appears after the last check of the link",
         "a.mov",
         "A.MOV",
         RepairMode::copy,
         fileAppearsLast,
         kNotBroken,
         {},
         true},
        {"a real file appears after the last check, before a new link",
         "b.mov",
         "B.MOV",
         RepairMode::link,
         fileAppearsLast,
         kNotBroken,
         {},
         true},
        {"a rename that fails", "a.mov", "A.MOV", RepairMode::copy, renameFails,
         "could not replace the link (" + systemMessage(EXDEV) + ")"},
        {"a source that is a folder", "a.mov", "", RepairMode::copy, {}, gone},
        {"a source that vanished", "a.mov", "gone/A.MOV", RepairMode::copy, {}, gone},
        {"a source that is a link to a missing file",
         "a.mov",
         "../Lib.fcpbundle/Ev/Original Media/d.mov",
         RepairMode::link,
         {},
         gone},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        scene = Scene();
        QFile::remove(ErrorLog::url());
        setFree(kReserve + 1'000'000);
        RepairSeams seams;
        if (c.arrange)
            c.arrange(*this, seams);

        const QString name = QString::fromLatin1(c.name);
        const QString link = scene.media + u'/' + name;
        const QString source = QDir::cleanPath(scene.found + u'/' + QString::fromUtf8(c.source));
        const QStringList foundBefore = test::treeListing(scene.found);
        const QByteArray linkBefore = test::readAll(link, "<nothing>");
        const QString destinationBefore = QFile::symLinkTarget(link);
        const QStringList libraryBefore = contents(scene.library);

        const RepairResult result = run(name, source, c.mode, seams);

        EXPECT_EQ(test::treeListing(scene.found), foundBefore) << "the found files are never changed";
        EXPECT_EQ(scene.temporaries(), QStringList()) << "no temporary item survives";
        if (c.reason.isEmpty()) {
            const bool copied = c.mode == RepairMode::copy;
            EXPECT_EQ(result.done, 1);
            EXPECT_EQ(result.skipped, QStringList());
            EXPECT_EQ(result.bytes, copied ? QFileInfo(source).size() : 0);
            EXPECT_EQ(result.libraries, QSet<QString>{scene.library});
            EXPECT_EQ(isLink(link), !copied);
            EXPECT_EQ(test::readAll(link), c.reads);
            if (copied) {
                EXPECT_EQ(FixtureFiles::modifiedTime(link), FixtureFiles::modifiedTime(source))
                    << "the copy keeps the found file's date";
            } else {
                EXPECT_EQ(QFile::symLinkTarget(link), source);
            }
            const QStringList entry = test::lines(scene.log);
            ASSERT_EQ(entry.size(), 3);
            static const QRegularExpression timed("^\\d{4}-\\d\\d-\\d\\dT\\d\\d:\\d\\d:\\d\\dZ  (.*)$");
            const QRegularExpressionMatch head = timed.match(entry.at(0));
            ASSERT_TRUE(head.hasMatch()) << entry.at(0).toStdString();
            EXPECT_EQ(head.captured(1), (copied ? "COPIED INTO LIBRARY  " : "LINK REPAIRED  ") + link);
            EXPECT_EQ(entry.at(1), "    link used to point to: " + destinationBefore);
            EXPECT_EQ(entry.at(2), "    now from: " + source);
            EXPECT_FALSE(QFileInfo::exists(ErrorLog::url()));
            // Everything else in the library is as it was.
            const QString item = QStringLiteral("Ev/Original Media/") + name + u' ';
            const auto isTheItem = [&item](const QString& line) { return line.startsWith(item); };
            QStringList after = contents(scene.library);
            QStringList before = libraryBefore;
            after.removeIf(isTheItem);
            before.removeIf(isTheItem);
            EXPECT_EQ(after, before);
        } else {
            EXPECT_EQ(result, (RepairResult{0, 0, {name + ": " + c.reason}, {}}));
            if (c.replaced) {
                EXPECT_EQ(test::readAll(link), "a real file that came meanwhile");
            } else {
                EXPECT_EQ(contents(scene.library), libraryBefore)
                    << "a refused item is left exactly as it was";
                EXPECT_EQ(test::readAll(link, "<nothing>"), linkBefore);
            }
            EXPECT_FALSE(QFileInfo::exists(scene.log)) << "nothing was repaired, so nothing is logged";
            EXPECT_EQ(errorEntries(), QStringList{errorEntry(c.reason)});
        }
    }
}

TEST_F(MissingRepairTest, theSameRepairTwiceRepairsOnceAndAppendsToTheLog) {
    test::writeFile(scene.log, "an earlier entry\n");
    EXPECT_EQ(run("a.mov", scene.found + "/A.MOV", RepairMode::copy).done, 1);
    const QStringList afterFirst = contents(scene.library);
    const RepairResult second = run("a.mov", scene.found + "/A.MOV", RepairMode::copy);
    EXPECT_EQ(second.done, 0);
    EXPECT_EQ(second.skipped, QStringList{"a.mov: " + kNotBroken});
    EXPECT_EQ(contents(scene.library), afterFirst);
    const QStringList lines = test::lines(scene.log);
    ASSERT_EQ(lines.size(), 4);
    EXPECT_EQ(lines.at(0), "an earlier entry") << "the log is appended to, never rewritten";
    EXPECT_EQ(lines.at(2), "    link used to point to: " + kOld + "A.MOV");
}

TEST_F(MissingRepairTest, aRunGoesOnPastTheItemsItLeavesAlone) {
    const QString a = scene.found + "/A.MOV";
    const QList<RepairItem> items = {
        {scene.file("d.mov"), scene.found + "/d.mp4"},
        {scene.file("a.mov"), a},
        {scene.file("../kept.mov"), a},
        {scene.file("kept.mov", ".."), a},
        {scene.file("b.mov", "Ev/../Ev"), scene.found + "/B.MOV"},
        {scene.file("b.mov"), scene.found + "/B.MOV"},
    };
    const RepairResult result = MissingFiles::repair(items, RepairMode::copy, false, scene.log);
    EXPECT_EQ(result.done, 2);
    EXPECT_EQ(result.bytes, 24);
    EXPECT_EQ(result.skipped,
              (QStringList{"d.mov: the found file is a different type (.mp4)", "../kept.mov: unexpected name",
                           "kept.mov: unexpected name", "b.mov: unexpected name"}));
    EXPECT_EQ(test::readAll(scene.media + "/kept.mov"), "REAL ORIGINAL");
    EXPECT_EQ(test::lines(scene.log).size(), 6);
    EXPECT_EQ(errorEntries().size(), 4);

    // Again while headless: nothing left to repair, the same refusals, and no error-log line.
    QFile::remove(ErrorLog::url());
    ErrorLog::setHeadless(true);
    const RepairResult quiet = MissingFiles::repair(items, RepairMode::copy, false, scene.log);
    EXPECT_EQ(quiet.done, 0);
    EXPECT_EQ(quiet.skipped.size(), 6);
    EXPECT_FALSE(QFileInfo::exists(ErrorLog::url()));
    EXPECT_EQ(scene.temporaries(), QStringList());
}

TEST_F(MissingRepairTest, withFinalCutProRunningNothingIsTouchedOrLogged) {
    const auto app = test::FakeFinalCutApp::installed(TestEnv::root() + "/Final Cut Pro.app", "11.0");
    test::ScopedFinalCutApp scope(app);
    app->setRunning({412});
    const QStringList before = test::treeListing(scene.root);
    const QList<RepairItem> items = {{scene.file("a.mov"), scene.found + "/A.MOV"},
                                     {scene.file("d.mov"), scene.found + "/d.mp4"}};
    EXPECT_EQ(MissingFiles::repair(items, RepairMode::copy, true, scene.log),
              (RepairResult{0, 0, {"Final Cut Pro is running. Quit it first."}, {}}));
    EXPECT_EQ(test::treeListing(scene.root), before) << "no log, no temporary item, nothing";
    EXPECT_FALSE(QFileInfo::exists(ErrorLog::url()));

    app->setRunning({});
    EXPECT_EQ(MissingFiles::repair(items, RepairMode::copy, true, scene.log).done, 1);
}

TEST_F(MissingRepairTest, aLogThatCannotBeWrittenUndoesNothing) {
    const QString nowhere = scene.root + "/no such folder/repair-log.txt";
    EXPECT_EQ(MissingFiles::repair({{scene.file("a.mov"), scene.found + "/A.MOV"}}, RepairMode::copy, false,
                                   nowhere)
                  .done,
              1);
    EXPECT_EQ(test::readAll(scene.media + "/a.mov"), "content of a");
    EXPECT_FALSE(QFileInfo::exists(scene.root + "/no such folder"));
    EXPECT_EQ(MissingFiles::repair({{scene.file("b.mov"), scene.found + "/B.MOV"}}, RepairMode::link, false,
                                   std::nullopt)
                  .done,
              1);
    EXPECT_FALSE(QFileInfo::exists(scene.log));
    EXPECT_FALSE(QFileInfo::exists(ErrorLog::url()));
}

TEST_F(MissingRepairTest, theTemporaryItemTakesTheLinksExtensionAsWritten) {
    test::writeFile(scene.found + "/C.mov", "content of c");
    FixtureFiles::makeLink(scene.media + "/c.MOV", kOld + "C.MOV");
    const QList<std::pair<QString, QString>> cases = {{"c.MOV", "\\.MOV"}, {"e", "\\."}};
    for (const auto& [name, ending] : cases) {
        SCOPED_TRACE(name.toStdString());
        QString made;
        RepairSeams seams;
        seams.afterMade = [&made](const QString& temporary, const QString&) { made = temporary; };
        const QString source = scene.found + (name == u"e" ? QStringLiteral("/e") : QStringLiteral("/C.mov"));
        EXPECT_EQ(run(name, source, RepairMode::link, seams).done, 1);
        // In the event folder, beside "Original Media".
        const QRegularExpression form(
            "^" + QRegularExpression::escape(scene.library + "/Ev") +
            "/\\.tovlin-[0-9A-F]{8}-[0-9A-F]{4}-[0-9A-F]{4}-[0-9A-F]{4}-[0-9A-F]{12}" + ending + "$");
        EXPECT_TRUE(form.match(made).hasMatch()) << made.toStdString();
    }
}

namespace {

// Runs the calling thread's file access as an ordinary account, so permissions count even when
// the tests run as the superuser; the file-system identity is per thread and comes back after.
class AsOrdinaryAccount {
public:
    AsOrdinaryAccount() {
        if (::geteuid() != 0)
            return;
        ::setfsgid(65534);
        ::setfsuid(65534);
        m_changed = true;
    }
    ~AsOrdinaryAccount() {
        if (!m_changed)
            return;
        ::setfsuid(0);
        ::setfsgid(0);
    }
    AsOrdinaryAccount(const AsOrdinaryAccount&) = delete;
    AsOrdinaryAccount& operator=(const AsOrdinaryAccount&) = delete;

private:
    bool m_changed = false;
};

} // namespace

TEST_F(MissingRepairTest, aFolderThatCannotBeWrittenOrACopyThatFailsLeavesTheLinkAsItWas) {
    // Every folder of the test stays open to the ordinary account; only the folder of the row
    // refuses it, and the error log's folder takes its entries.
    const QString data = QFileInfo(ErrorLog::url()).absolutePath();
    const QString event = scene.library + "/Ev";
    for (const QString& folder : {scene.media, data}) {
        for (QString up = folder; up.startsWith(TestEnv::root()); up = QFileInfo(up).absolutePath())
            ::chmod(QFile::encodeName(up).constData(), 0777);
    }
    // The new item is made in the event folder and then takes the link's place in "Original
    // Media": either refusing leaves everything as it was.
    const QList<std::pair<QString, QString>> folders = {
        {event, systemMessage(EACCES)},
        {scene.media, "could not replace the link (" + systemMessage(EACCES) + ")"},
    };
    for (const auto& [folder, reason] : folders) {
        SCOPED_TRACE(folder.toStdString());
        QFile::remove(ErrorLog::url());
        ASSERT_EQ(::chmod(QFile::encodeName(folder).constData(), 0555), 0);
        const QStringList before = contents(scene.library);
        for (const RepairMode mode : {RepairMode::copy, RepairMode::link}) {
            RepairResult result;
            {
                const AsOrdinaryAccount ordinary;
                if (!isLink(scene.media + "/a.mov"))
                    GTEST_SKIP() << "the test folders are closed to an ordinary account";
                result = run("a.mov", scene.found + "/A.MOV", mode);
            }
            EXPECT_EQ(result.skipped, QStringList{"a.mov: " + reason});
            EXPECT_EQ(contents(scene.library), before);
        }
        EXPECT_EQ(errorEntries(), QStringList(2, errorEntry(reason)));
        ::chmod(QFile::encodeName(folder).constData(), 0777);
    }

    // A copy that fails half-way: its part is removed and the link stays.
    FixtureFiles::writeRandom(scene.found + "/B.MOV", 300'000);
    const QStringList beforeCopy = contents(scene.library);
    RepairResult result;
    {
        const test::FileSizeLimit limit(100'000);
        result = run("b.mov", scene.found + "/B.MOV", RepairMode::copy);
    }
    EXPECT_EQ(result.skipped, QStringList{"b.mov: " + systemMessage(EFBIG)});
    EXPECT_EQ(contents(scene.library), beforeCopy);
    EXPECT_EQ(scene.temporaries(), QStringList());
    EXPECT_FALSE(QFileInfo::exists(scene.log));
}

// Names and paths of the records that cannot stand for one place: each is refused before
// anything on disk is looked at or changed, and the run goes on with the next item.
TEST_F(MissingRepairTest, aStoredNameThatCannotBeOneItemIsRefusedAndNothingIsTouched) {
    const QString nul(QChar(0));
    const QString unexpected = QStringLiteral("unexpected name");
    const QString a = scene.found + "/A.MOV";
    const QString lib = scene.library;
    struct Case {
        const char* what;
        QString library;
        QString event;
        QString name;
        QString source;
        QString reason;
    };
    const std::vector<Case> cases = {
        {"an empty file name", lib, "Ev", "", a, unexpected},
        {"a file name that is the folder itself", lib, "Ev", ".", a, unexpected},
        {"a file name of the parent", lib, "Ev", "..", a, unexpected},
        {"a file name holding a slash", lib, "Ev", "../Original Media/a.mov", a, unexpected},
        {"a file name cut at a NUL", lib, "Ev", "a.mov" + nul + ".mov", a, unexpected},
        {"an empty event name", lib, "", "a.mov", a, unexpected},
        {"an event name that is the library itself", lib, ".", "a.mov", a, unexpected},
        {"an event name of the parent", lib, "..", "a.mov", a, unexpected},
        {"an event name holding a slash", lib, "Ev/../Ev", "a.mov", a, unexpected},
        {"an event name cut at a NUL", lib, "Ev" + nul + "/x", "a.mov", a, unexpected},
        {"a library path cut at a NUL", lib + nul + "/../Other.fcpbundle", "Ev", "a.mov", a, unexpected},
        {"a library path through a parent", scene.found + "/../Lib.fcpbundle", "Ev", "a.mov", a, unexpected},
        {"a library path that is not a full path", "Lib.fcpbundle", "Ev", "a.mov", a, unexpected},
        {"a found file's path cut at a NUL", lib, "Ev", "a.mov", a + nul + ".mov",
         QStringLiteral("the found file is gone")},
    };
    const QStringList before = contents(scene.root);
    QList<RepairItem> all;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        QFile::remove(ErrorLog::url());
        MissingFile file = scene.file(c.name, c.event);
        file.libraryPath = c.library;
        all.append(RepairItem{file, c.source});
        for (const RepairMode mode : {RepairMode::copy, RepairMode::link}) {
            const RepairResult result = MissingFiles::repair({all.last()}, mode, false, scene.log);
            EXPECT_EQ(result, (RepairResult{0, 0, {c.name + ": " + c.reason}, {}}));
        }
        EXPECT_EQ(contents(scene.root), before);
        const QStringList entries = errorEntries();
        ASSERT_EQ(entries.size(), 2);
        EXPECT_TRUE(entries.first().startsWith("ERROR missing-files: A link was not repaired: " + c.reason +
                                               "  path: "));
    }

    // All of them in one run, then a sound item: it is still repaired.
    all.append(RepairItem{scene.file("a.mov"), a});
    const RepairResult result = MissingFiles::repair(all, RepairMode::copy, false, scene.log);
    EXPECT_EQ(result.done, 1);
    EXPECT_EQ(result.skipped.size(), qsizetype(cases.size()));
    EXPECT_EQ(result.libraries, QSet<QString>{scene.library});
    EXPECT_EQ(test::readAll(scene.media + "/a.mov"), "content of a");
}

namespace {

QString newUuid() {
    return QUuid::createUuid().toString(QUuid::WithoutBraces).toUpper();
}

// What the reader counts of an event as its original media.
struct Originals {
    qint64 size = 0;
    qint64 files = 0;
    QMap<QString, qint64> extensions;
    QStringList names;
    bool operator==(const Originals&) const = default;
};
std::ostream& operator<<(std::ostream& out, const Originals& o) {
    return out << o.size << " bytes in " << o.files << " files: " << o.names.join(", ").toStdString();
}
Originals originalsOf(const QString& event) {
    QList<MediaEntry> media;
    const EventInfo info = LibraryReader::walkEvent(event, media);
    Originals originals{info.originalSize, info.mediaFileCount, info.extensions, {}};
    for (const MediaEntry& entry : media)
        originals.names.append(entry.name);
    return originals;
}

} // namespace

// A run killed with its copy made but not yet in place (in a child process, killed at that
// step): what it leaves is no original media of the event, and the next repair of the
// library removes it with every other copy a stopped run left, and nothing that only looks
// like one.
TEST_F(MissingRepairTest, aCopyLeftByAKilledRunIsNoMediaOfTheLibraryAndTheNextRepairRemovesIt) {
    const QString event = scene.library + "/Ev";
    FixtureFiles::writeRandom(scene.found + "/A.MOV", 300'000);
    const Originals before = originalsOf(event);
    const QStringList mediaBefore = contents(scene.media);

    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        ErrorLog::setHeadless(true);
        RepairSeams seams;
        seams.afterMade = [](const QString&, const QString&) { ::kill(::getpid(), SIGKILL); };
        run("a.mov", scene.found + "/A.MOV", RepairMode::copy, seams);
        ::_exit(1);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL) << "status " << status;

    const QStringList killed = scene.temporaries();
    ASSERT_EQ(killed.size(), 1);
    EXPECT_TRUE(killed.first().startsWith(event + "/.tovlin-")) << killed.first().toStdString();
    EXPECT_EQ(test::readAll(killed.first()), test::readAll(scene.found + "/A.MOV"));
    EXPECT_EQ(contents(scene.media), mediaBefore) << "nothing new in Original Media";
    EXPECT_EQ(originalsOf(event), before) << "the reader counts no more original media";
    EXPECT_TRUE(isLink(scene.media + "/a.mov"));

    // Copies an earlier run left in Original Media and in another event are the library's
    // too; the rest only looks alike, or lies where no repair makes its copies.
    const QString uuid = newUuid();
    const QString twin = scene.library + "/Ev2";
    test::writeFile(twin + "/CurrentVersion.fcpevent", "event");
    const QStringList removed = {
        killed.first(),
        scene.media + "/.tovlin-" + newUuid() + ".mov",
        twin + "/.tovlin-" + newUuid() + ".MOV",
        twin + "/Original Media/.tovlin-" + newUuid() + ".",
    };
    for (const QString& path : removed.mid(1))
        test::writeFile(path, "left by a stopped run");
    const QString outside = scene.root + "/Outside";
    test::writeFile(outside + "/CurrentVersion.fcpevent", "event");
    FixtureFiles::makeLink(scene.library + "/Linked", outside);
    const QStringList kept = {
        event + "/.tovlin-" + uuid.toLower() + ".mov",
        event + "/.tovlin-not-a-uuid.mov",
        event + "/tovlin-" + uuid + ".mov",
        event + "/.tovlin-" + uuid,
        event + "/.tovlin-" + uuid + "x.mov",
        event + "/Render Files/.tovlin-" + uuid + ".mov",
        event + "/.tovlin-" + uuid + ".folder/inside.mov",
        scene.library + "/.tovlin-" + uuid + ".mov",
        scene.root + "/Other.fcpbundle/Ev/.tovlin-" + uuid + ".mov",
        outside + "/.tovlin-" + uuid + ".mov",
    };
    for (const QString& path : kept)
        test::writeFile(path, "not ours");
    const QStringList links = {event + "/.tovlin-" + newUuid() + ".mov",
                               scene.media + "/.tovlin-" + newUuid() + ".mov"};
    FixtureFiles::makeLink(links.at(0), scene.found + "/B.MOV");
    FixtureFiles::makeLink(links.at(1), kOld + "GONE.MOV");
    const QStringList elsewhereBefore = test::treeListing(scene.root + "/Other.fcpbundle");
    const QStringList foundBefore = test::treeListing(scene.found);

    const RepairResult result = run("b.mov", scene.found + "/B.MOV", RepairMode::link);
    EXPECT_EQ(result.done, 1);
    EXPECT_EQ(result.libraries, QSet<QString>{scene.library});
    for (const QString& path : removed)
        EXPECT_FALSE(QFileInfo::exists(path)) << path.toStdString();
    for (const QString& path : kept)
        EXPECT_EQ(test::readAll(path), "not ours") << path.toStdString();
    for (const QString& link : links)
        EXPECT_TRUE(isLink(link)) << link.toStdString();
    EXPECT_EQ(test::treeListing(scene.root + "/Other.fcpbundle"), elsewhereBefore);
    EXPECT_EQ(test::treeListing(scene.found), foundBefore);

    QStringList logged;
    for (const QString& line : test::lines(scene.log)) {
        const qsizetype at = line.indexOf(QStringLiteral("  REMOVED INTERRUPTED COPY  "));
        if (at >= 0)
            logged.append(line.mid(at + 28));
    }
    QStringList expected = removed;
    logged.sort();
    expected.sort();
    EXPECT_EQ(logged, expected);
    EXPECT_EQ(test::lines(scene.log).size(), removed.size() + 3) << "and the repair's own entry";
    EXPECT_FALSE(QFileInfo::exists(ErrorLog::url()));

    // The kill's link is still broken; the next repair puts the copy in place.
    EXPECT_EQ(run("a.mov", scene.found + "/A.MOV", RepairMode::copy).done, 1);
    EXPECT_EQ(test::readAll(scene.media + "/a.mov"), test::readAll(scene.found + "/A.MOV"));
}

// Another run copying in the same event holds it: what it is making there is not taken for a
// stopped run's copy, and goes only once that run has let go.
TEST_F(MissingRepairTest, aCopyUnderWayInAnotherRunIsNotTakenForALeftover) {
    const QString event = scene.library + "/Ev";
    const QString underWay = event + "/.tovlin-" + newUuid() + ".mov";
    test::writeFile(underWay, "half a copy");
    const int held = ::open(QFile::encodeName(event).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    ASSERT_GE(held, 0);
    ASSERT_EQ(::flock(held, LOCK_SH), 0);
    EXPECT_EQ(run("b.mov", scene.found + "/B.MOV", RepairMode::link).done, 1)
        << "the two runs work side by side";
    EXPECT_EQ(test::readAll(underWay), "half a copy");
    ::close(held);
    EXPECT_EQ(run("a.mov", scene.found + "/A.MOV", RepairMode::copy).done, 1);
    EXPECT_FALSE(QFileInfo::exists(underWay));
}

// "Original Media" that is another mount (a drive of its own, or a folder of the same drive
// bound there): the copy could not take the link's place in one step from the event folder,
// and nothing of another mount is cleared either.
TEST_F(MissingRepairTest, anOriginalMediaFolderOnAnotherMountIsLeftAlone) {
    const QString elsewhere = scene.root + "/Elsewhere";
    QDir().mkpath(elsewhere);
    for (const bool bound : {false, true}) {
        SCOPED_TRACE(bound ? "bound" : "a drive of its own");
        test::ScopedMount mount =
            bound ? test::ScopedMount::bind(elsewhere, scene.media) : test::ScopedMount::tmpfs(scene.media);
        if (!mount)
            GTEST_SKIP() << mount.reason().toStdString();
        FixtureFiles::makeLink(scene.media + "/a.mov", kOld + "A.MOV");
        const QString left = scene.media + "/.tovlin-" + newUuid() + ".mov";
        test::writeFile(left, "left by a stopped run");
        const QStringList before = contents(scene.library);
        for (const RepairMode mode : {RepairMode::copy, RepairMode::link})
            EXPECT_EQ(run("a.mov", scene.found + "/A.MOV", mode).skipped,
                      QStringList{
                          "a.mov: the library holds another drive mounted inside it, so it was left alone"});
        EXPECT_EQ(contents(scene.library), before);
        EXPECT_EQ(scene.temporaries(), QStringList{left});
        QFile::remove(left);
        QFile::remove(scene.media + "/a.mov");
    }
}
