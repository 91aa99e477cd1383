// The repair on a small library with broken links: what it changes, what it leaves exactly as
// it was when a step fails or is refused, and what the repair log and the error log say.

#include "Catalogue/Logs/ErrorLog.h"
#include "MissingFiles/MissingFiles.h"
#include "Tests/Fixtures/FixtureFiles.h"
#include "Tests/Support/FakeFinalCutApp.h"
#include "Tests/Support/FakeVolumeFacts.h"
#include "Tests/Support/Scopes.h"
#include "Tests/Support/TempFiles.h"
#include "Tests/Support/TestEnv.h"
#include "Tests/Support/TreeListing.h"

#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>
#include <cerrno>
#include <csignal>
#include <cstring>
#include <functional>
#include <gtest/gtest.h>
#include <sys/fsuid.h>
#include <sys/resource.h>
#include <sys/stat.h>
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
    QStringList temporaries() const {
        return QDir(media).entryList({QStringLiteral(".tovlin-*")},
                                     QDir::AllEntries | QDir::Hidden | QDir::System);
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
        const QRegularExpression form(
            "^" + QRegularExpression::escape(scene.media) +
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

// Lets files grow to `bytes` at most for the scope's length; a write past that fails.
class FileSizeLimit {
public:
    explicit FileSizeLimit(rlim_t bytes) {
        ::getrlimit(RLIMIT_FSIZE, &m_previous);
        m_handler = std::signal(SIGXFSZ, SIG_IGN);
        const rlimit limit{bytes, m_previous.rlim_max};
        ::setrlimit(RLIMIT_FSIZE, &limit);
    }
    ~FileSizeLimit() {
        ::setrlimit(RLIMIT_FSIZE, &m_previous);
        std::signal(SIGXFSZ, m_handler);
    }
    FileSizeLimit(const FileSizeLimit&) = delete;
    FileSizeLimit& operator=(const FileSizeLimit&) = delete;

private:
    rlimit m_previous{};
    void (*m_handler)(int) = nullptr;
};

} // namespace

TEST_F(MissingRepairTest, aFolderThatCannotBeWrittenOrACopyThatFailsLeavesTheLinkAsItWas) {
    // Every folder of the test stays open to the ordinary account; only "Original Media"
    // refuses it, and the error log's folder takes its entries.
    const QString data = QFileInfo(ErrorLog::url()).absolutePath();
    for (const QString& folder : {scene.media, data}) {
        for (QString up = folder; up.startsWith(TestEnv::root()); up = QFileInfo(up).absolutePath())
            ::chmod(QFile::encodeName(up).constData(), 0777);
    }
    ASSERT_EQ(::chmod(QFile::encodeName(scene.media).constData(), 0555), 0);
    const QStringList before = contents(scene.library);
    for (const RepairMode mode : {RepairMode::copy, RepairMode::link}) {
        RepairResult result;
        {
            const AsOrdinaryAccount ordinary;
            if (!isLink(scene.media + "/a.mov"))
                GTEST_SKIP() << "the test folders are closed to an ordinary account";
            result = run("a.mov", scene.found + "/A.MOV", mode);
        }
        EXPECT_EQ(result.skipped, QStringList{"a.mov: " + systemMessage(EACCES)});
        EXPECT_EQ(contents(scene.library), before);
    }
    EXPECT_EQ(errorEntries(), QStringList(2, errorEntry(systemMessage(EACCES))));
    ::chmod(QFile::encodeName(scene.media).constData(), 0755);

    // A copy that fails half-way: its part is removed and the link stays.
    FixtureFiles::writeRandom(scene.found + "/B.MOV", 300'000);
    const QStringList beforeCopy = contents(scene.library);
    RepairResult result;
    {
        const FileSizeLimit limit(100'000);
        result = run("b.mov", scene.found + "/B.MOV", RepairMode::copy);
    }
    EXPECT_EQ(result.skipped, QStringList{"b.mov: " + systemMessage(EFBIG)});
    EXPECT_EQ(contents(scene.library), beforeCopy);
    EXPECT_EQ(scene.temporaries(), QStringList());
    EXPECT_FALSE(QFileInfo::exists(scene.log));
}
