// The built program with "--safetycopy", "--selftest-prefs" and "--selftest-deroom": exactly what
// it prints, how it exits, what it leaves on disk, and that no switch writes the error log.

#include "Support/ByteCount.h"
#include "Tests/Fixtures/LibraryBuilder.h"
#include "Tests/Support/TestEnv.h"
#include "Tests/Support/TreeListing.h"

#include <QDir>
#include <QDirIterator>
#include <QFileInfo>
#include <QProcess>
#include <QProcessEnvironment>
#include <QRegularExpression>
#include <QSet>
#include <gtest/gtest.h>

using namespace pellimor;
using test::TestEnv;

namespace {

struct Ran {
    int exitCode = -1;
    QStringList lines;
    QString errors;
};

// The program with `arguments` and private data, temporary and settings folders.
Ran tovlin(const QStringList& arguments, const QString& folder) {
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    for (const char* name : {"TOVLIN_DATA_DIR", "TMPDIR", "XDG_CONFIG_HOME", "XDG_DATA_HOME", "HOME"}) {
        const QString path = QDir(folder).filePath(QString::fromLatin1(name));
        QDir().mkpath(path);
        environment.insert(QString::fromLatin1(name), path);
    }
    QProcess process;
    process.setProgram(QStringLiteral(TOVLIN_EXECUTABLE));
    process.setArguments(arguments);
    process.setProcessEnvironment(environment);
    process.start();
    Ran run;
    if (!process.waitForFinished(120000)) {
        process.kill();
        process.waitForFinished();
        ADD_FAILURE() << "tovlin did not finish";
        return run;
    }
    run.exitCode = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -2;
    const QString out = QString::fromUtf8(process.readAllStandardOutput());
    run.lines = out.isEmpty() ? QStringList() : out.chopped(out.endsWith(u'\n') ? 1 : 0).split(u'\n');
    run.errors = QString::fromUtf8(process.readAllStandardError());
    return run;
}

// Everything the switches may have written into the private folders.
QStringList written(const QString& folder) {
    QStringList files;
    QDirIterator it(folder, QDir::Files | QDir::Hidden | QDir::System | QDir::Dirs | QDir::NoDotAndDotDot,
                    QDirIterator::Subdirectories);
    while (it.hasNext())
        files.append(it.next().mid(folder.size()));
    files.sort();
    return files;
}

// The files a safety copy keeps, below the library, and their lengths, told apart by hand.
struct Kept {
    QStringList files;
    qint64 bytes = 0;
};
Kept keptFiles(const QString& library) {
    const QSet<QString> skipped = {"Original Media", "Render Files", "Transcoded Media", "Analysis Files",
                                   "Shared Items",   "__Temp",       "__AsyncCopying"};
    Kept kept;
    QDirIterator it(library, QDir::Files | QDir::Hidden | QDir::System | QDir::NoSymLinks,
                    QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString relative = it.next().mid(library.size());
        QStringList folders = relative.split(u'/', Qt::SkipEmptyParts);
        folders.removeLast();
        if (std::any_of(folders.begin(), folders.end(),
                        [&](const QString& name) { return skipped.contains(name); }))
            continue;
        if (it.fileInfo().isSymLink())
            continue;
        kept.files.append(relative);
        kept.bytes += it.fileInfo().size();
    }
    kept.files.sort();
    return kept;
}

} // namespace

TEST(FinalCutSwitchesEndToEnd, safetyCopyPrintsOneLineAndStopsAtAnOccupiedDestination) {
    const QString folder = TestEnv::freshDir(QStringLiteral("safetycopy-e2e"));
    fixtures::LibraryBuilder builder(QStringLiteral("Wedding é #1"));
    auto& day = builder.event(QStringLiteral("Day 1"));
    day.media(QStringLiteral("A001.mov"), 30'000).proxy(QStringLiteral("A001.mov"), 4000);
    day.render(QStringLiteral("Peaks Data"), 9000);
    day.project(QStringLiteral("Main Edit")).clips(2);
    const QString library = builder.write(folder);
    const Kept kept = keptFiles(library);
    ASSERT_GT(kept.files.size(), 2);
    const QStringList libraryBefore = test::treeListing(library);
    const QString destination =
        QDir(folder).filePath(QStringLiteral("Safety copies/2025-03-01 1405/Wedding.fcpbundle"));
    const QString privateFolders = QDir(folder).filePath(QStringLiteral("private"));

    const Ran first = tovlin({QStringLiteral("--safetycopy"), library, destination}, privateFolders);
    EXPECT_EQ(first.exitCode, 0) << first.errors.toStdString();
    ASSERT_EQ(first.lines.size(), 1) << first.lines.join(u'\n').toStdString();
    const QRegularExpressionMatch ok =
        QRegularExpression(QStringLiteral("^safety copy ok: (\\d+) files, (.+), \\d+\\.\\d s$"))
            .match(first.lines[0]);
    ASSERT_TRUE(ok.hasMatch()) << first.lines[0].toStdString();
    EXPECT_EQ(ok.captured(1).toLongLong(), kept.files.size());
    EXPECT_EQ(ok.captured(2), ByteCount::file(kept.bytes));
    QStringList copied;
    QDirIterator it(destination, QDir::Files | QDir::Hidden | QDir::System, QDirIterator::Subdirectories);
    while (it.hasNext())
        copied.append(it.next().mid(destination.size()));
    copied.sort();
    QStringList expected = kept.files + QStringList{QStringLiteral("/READ ME.txt")};
    expected.sort();
    EXPECT_EQ(copied.join(u'\n'), expected.join(u'\n'));
    EXPECT_TRUE(QFileInfo::exists(QDir(destination).filePath(QStringLiteral("READ ME.txt"))));

    const QStringList copyBefore = test::treeListing(destination);
    const Ran again = tovlin({QStringLiteral("--safetycopy"), library, destination}, privateFolders);
    EXPECT_EQ(again.exitCode, 1);
    ASSERT_EQ(again.lines.size(), 1) << again.lines.join(u'\n').toStdString();
    EXPECT_TRUE(again.lines[0].startsWith(QStringLiteral("safety copy FAILED: ")))
        << again.lines[0].toStdString();
    EXPECT_EQ(test::treeListing(destination).join(u'\n'), copyBefore.join(u'\n'));
    EXPECT_EQ(test::treeListing(library).join(u'\n'), libraryBefore.join(u'\n'));

    const Ran missing =
        tovlin({QStringLiteral("--safetycopy"), QDir(folder).filePath(QStringLiteral("Gone.fcpbundle")),
                QDir(folder).filePath(QStringLiteral("Other"))},
               privateFolders);
    EXPECT_EQ(missing.exitCode, 1);
    EXPECT_EQ(missing.lines, QStringList{QStringLiteral("safety copy FAILED: can't read the library")});
    EXPECT_FALSE(QFileInfo::exists(QDir(folder).filePath(QStringLiteral("Other"))));

    // Nothing in the data folder: no error log, for the failures either.
    EXPECT_EQ(written(privateFolders),
              (QStringList{"/HOME", "/TMPDIR", "/TOVLIN_DATA_DIR", "/XDG_CONFIG_HOME", "/XDG_DATA_HOME"}));
}

TEST(FinalCutSwitchesEndToEnd, thePreferencesSelfTestPassesSilentlyAndCleansUp) {
    const QString folder = TestEnv::freshDir(QStringLiteral("selftest-prefs-e2e"));
    const Ran run = tovlin({QStringLiteral("--selftest-prefs")}, folder);
    EXPECT_EQ(run.exitCode, 0) << run.errors.toStdString();
    EXPECT_EQ(run.lines, QStringList());
    // No "pellimor-prefs-" folder left in the temporary folder, and no error log.
    EXPECT_EQ(written(folder),
              (QStringList{"/HOME", "/TMPDIR", "/TOVLIN_DATA_DIR", "/XDG_CONFIG_HOME", "/XDG_DATA_HOME"}));
}

TEST(FinalCutSwitchesEndToEnd, theDeRoomSelfTestPrintsOneLineAndCleansUp) {
    const QString folder = TestEnv::freshDir(QStringLiteral("selftest-deroom-e2e"));
    const Ran run = tovlin({QStringLiteral("--selftest-deroom")}, folder);
    EXPECT_EQ(run.exitCode, 0) << run.errors.toStdString();
    EXPECT_EQ(run.lines, QStringList{QStringLiteral("DEROOM CHECKS PASSED")});
    // No "pellimor-deroom-" folder left in the temporary folder, no error log, no record.
    EXPECT_EQ(written(folder),
              (QStringList{"/HOME", "/TMPDIR", "/TOVLIN_DATA_DIR", "/XDG_CONFIG_HOME", "/XDG_DATA_HOME"}));
}
