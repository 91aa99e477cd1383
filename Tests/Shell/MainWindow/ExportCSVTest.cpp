// "Export CSV…" on the window, offscreen with scripted prompts: the tabs that export, the save
// question, a cancel, the file written (what the table shows, in its order) and destinations
// that cannot be written.

#include "App/AppAction.h"
#include "Browser/SearchQuery.h"
#include "Shell/CSVExport.h"
#include "Shell/SidebarFilter.h"
#include "Shell/TableRows.h"
#include "Shell/WindowSettings.h"
#include "Support/AtomicFile.h"
#include "Tests/Shell/MainWindow/MainWindowTestSupport.h"
#include "Widgets/Prompts.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHeaderView>
#include <QTableView>
#include <functional>
#include <gtest/gtest.h>

using namespace pellimor;
using test::MainWindowHarness;
using test::TestEnv;

namespace {

QByteArray contents(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("(unreadable)");
}

void writeFile(const QString& path, const QByteArray& bytes) {
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(bytes);
}

// A window over three catalogued libraries that are not on disk, whose names need quoting,
// with sizes and project lengths that make the tables' orders differ from the catalogue's.
class ExportCSVTest : public ::testing::Test {
protected:
    void SetUp() override {
        window.create();
        const QString media = window.plugDrive(QStringLiteral("Media"));
        const QString archive = window.plugDrive(QStringLiteral("Archive"));
        const auto library = [](const QString& folder, const QString& name, const QString& drive, qint64 size,
                                const QString& project, double seconds) {
            LibraryInfo info =
                test::libraryRecord(QDir(folder).filePath(name + QStringLiteral(".fcpbundle")), drive);
            info.events[0].originalSize = size;
            info.events[0].projects[0].name = project;
            info.events[0].projects[0].duration = seconds;
            return info;
        };
        window.catalog().seed({.libraries = QList<LibraryInfo>{
                                   library(media, QStringLiteral("Alpha"), QStringLiteral("Media"), 1000,
                                           QStringLiteral("Rough"), 90.9),
                                   library(media, QStringLiteral("Say \"Cut\", Café"),
                                           QStringLiteral("Media"), 5000, QStringLiteral("Line\nFeed"), 12),
                                   library(archive, QStringLiteral("Old & New"), QStringLiteral("Archive"),
                                           3000, QStringLiteral("Final"), 0.5)}});
        window.show();
        window.prompts->questions.clear();
    }

    void exportOn(Mode mode) {
        window.content().setMode(mode);
        window.settle();
        window.post(AppAction::exportCSV());
    }

    // The table's rows, as the window builds them for this tab now, as exported text, after
    // checking that they are the rows the table shows, in its order.
    QByteArray shownText(Mode mode) const {
        const WindowState& state = window.content().state();
        const TableRows::RowInputs in{SidebarFilter::visibleLibraries(window.catalog(), state.sidebar),
                                      SearchQuery(state.appliedSearch), state.searchResult,
                                      WindowSettings::read().dateMode};
        QStringList ids;
        for (const RowTableModel::Row& row : window.content().tableModel(mode)->rows())
            ids.append(row.id);
        QStringList built;
        QByteArray text;
        if (mode == Mode::libraries) {
            const QList<LibraryRow> rows = TableRows::libraryRows(window.catalog(), in, state.librarySort);
            for (const LibraryRow& row : rows)
                built.append(row.id);
            text = CSVExport::libraries(rows);
        } else {
            const QList<ProjectRow> rows = TableRows::projectRows(window.catalog(), in, state.projectSort);
            for (const ProjectRow& row : rows)
                built.append(row.id);
            text = CSVExport::projects(rows);
        }
        EXPECT_EQ(built, ids);
        return text;
    }

    QString status() const { return window.catalog().status(); }

    MainWindowHarness window{QStringLiteral("export-csv")};
};

TEST_F(ExportCSVTest, otherTabsOnlySayWhichTabsExport) {
    for (const Mode mode : {Mode::browser, Mode::events, Mode::media, Mode::plugins, Mode::compare}) {
        SCOPED_TRACE(rawValue(mode).toStdString());
        window.catalog().setStatus(QStringLiteral("Earlier"));
        exportOn(mode);
        EXPECT_EQ(status(), QStringLiteral("Export CSV works on the Libraries and Projects tabs."));
        EXPECT_TRUE(window.prompts->saveChoices.isEmpty());
    }
}

TEST_F(ExportCSVTest, cancellingTheSaveQuestionWritesNothing) {
    window.catalog().setStatus(QStringLiteral("Earlier"));
    exportOn(Mode::libraries);
    ASSERT_EQ(window.prompts->saveChoices.size(), 1);
    EXPECT_EQ(window.prompts->saveChoices[0].suggestedName, QStringLiteral("fcp-libraries.csv"));
    EXPECT_EQ(window.prompts->saveChoices[0].startFolder, QDir::homePath());
    EXPECT_EQ(status(), QStringLiteral("Earlier"));
    EXPECT_FALSE(QFileInfo::exists(QDir::home().filePath(QStringLiteral("fcp-libraries.csv"))));
    EXPECT_TRUE(window.content().isIdle());
}

TEST_F(ExportCSVTest, theFileHoldsWhatTheTableShowsInItsOrder) {
    const struct {
        Mode mode;
        const char* fileName;
        int sortColumn; // clicked once before exporting; -1: the table's own order
    } cases[] = {
        {Mode::libraries, "fcp-libraries.csv", -1}, // largest first
        {Mode::libraries, "fcp-libraries.csv", 0},  // by name
        {Mode::projects, "fcp-projects.csv", 0},    // by project name
    };
    const QString folder = TestEnv::freshDir(QStringLiteral("export-chosen"));
    QByteArray sizeOrder;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.fileName + std::to_string(c.sortColumn));
        window.content().setMode(c.mode);
        window.settle();
        if (c.sortColumn >= 0) {
            Q_EMIT window.content().table(c.mode)->horizontalHeader()->sectionClicked(c.sortColumn);
            window.settle();
        }
        // An earlier file at the chosen place is replaced whole.
        const QString path =
            QDir(folder).filePath(QStringLiteral("chosen ") + QString::fromLatin1(c.fileName));
        writeFile(path, QByteArray(4096, 'x'));
        window.catalog().setStatus(QStringLiteral("Earlier"));
        window.prompts->saveChoices.clear();
        window.prompts->saveFiles = {path};
        window.post(AppAction::exportCSV());

        ASSERT_EQ(window.prompts->saveChoices.size(), 1);
        EXPECT_EQ(window.prompts->saveChoices[0].suggestedName, QString::fromLatin1(c.fileName));
        EXPECT_EQ(window.content().tableModel(c.mode)->rowCount(), 3);
        const QByteArray expected = shownText(c.mode);
        EXPECT_EQ(contents(path).toStdString(), expected.toStdString());
        EXPECT_EQ(status(), QStringLiteral("Earlier"));
        if (c.mode == Mode::libraries && c.sortColumn < 0)
            sizeOrder = expected;
    }
    // The libraries largest first, their names quoted as written.
    const qsizetype say = sizeOrder.indexOf("\n\"Say \"\"Cut\"\", Caf\u00E9\",");
    const qsizetype old = sizeOrder.indexOf("\n\"Old & New\",");
    const qsizetype alpha = sizeOrder.indexOf("\n\"Alpha\",");
    EXPECT_GT(say, 0);
    EXPECT_LT(say, old);
    EXPECT_LT(old, alpha);
}

TEST_F(ExportCSVTest, aDestinationThatCannotBeWrittenSaysSoAndChangesNothing) {
    const QString folder = TestEnv::freshDir(QStringLiteral("export-blocked"));
    const QString regularFile = QDir(folder).filePath(QStringLiteral("a file"));
    writeFile(regularFile, "keep me");
    const QString existingFolder = QDir(folder).filePath(QStringLiteral("fcp-libraries.csv"));
    writeFile(QDir(existingFolder).filePath(QStringLiteral("inside.txt")), "inside");

    const struct {
        const char* what;
        QString path;
    } cases[] = {
        {"under a regular file", QDir(regularFile).filePath(QStringLiteral("fcp-libraries.csv"))},
        {"an existing folder", existingFolder},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        // The message the file writer gives for that place: it names the file and says that
        // an earlier version is unchanged.
        const Result<void> direct = AtomicFile::write(c.path, "probe");
        ASSERT_FALSE(direct.ok());
        EXPECT_TRUE(direct.error().startsWith(QStringLiteral("Couldn\u2019t save ")));
        EXPECT_TRUE(direct.error().endsWith(QStringLiteral("Any earlier version of the file is unchanged.")));

        window.catalog().setStatus(QStringLiteral("Earlier"));
        window.prompts->saveFiles = {c.path};
        window.content().setMode(Mode::libraries);
        window.settle();
        window.post(AppAction::exportCSV());
        EXPECT_EQ(status(), direct.error());

        EXPECT_EQ(contents(regularFile), QByteArray("keep me"));
        EXPECT_TRUE(QFileInfo(existingFolder).isDir());
        EXPECT_EQ(QDir(existingFolder).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden),
                  QStringList{QStringLiteral("inside.txt")});
        EXPECT_EQ(contents(QDir(existingFolder).filePath(QStringLiteral("inside.txt"))),
                  QByteArray("inside"));
        EXPECT_EQ(QDir(folder).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden),
                  (QStringList{QStringLiteral("a file"), QStringLiteral("fcp-libraries.csv")}));
    }
}

// Prompts whose save question does something while it is open, as a user could with another
// window, before it gives its answer.
class SaveMeanwhile final : public Prompts {
public:
    std::function<void()> meanwhile;
    QString answer;

    std::optional<QString> confirm(const QString&, const QString&, const QList<Action>&, Style) override {
        return std::nullopt;
    }
    void tell(const QString&, const QString&) override {}
    std::optional<QStringList> chooseFolders(const QString&, const QString&, const QString&) override {
        return std::nullopt;
    }
    std::optional<QString> chooseFolder(const QString&, const QString&, const QString&) override {
        return std::nullopt;
    }
    std::optional<QString> chooseSaveFile(const QString&, const QString&, const QString&,
                                          const QString&) override {
        meanwhile();
        return answer;
    }
};

TEST_F(ExportCSVTest, theTabIsReadAgainOnceAPlaceIsChosen) {
    const auto prompts = std::make_shared<SaveMeanwhile>();
    prompts->answer =
        QDir(TestEnv::freshDir(QStringLiteral("export-moved"))).filePath(QStringLiteral("out.csv"));
    window.content().setPrompts(prompts);

    // Libraries to Projects: the projects are written.
    prompts->meanwhile = [this] { window.content().setMode(Mode::projects); };
    exportOn(Mode::libraries);
    EXPECT_TRUE(contents(prompts->answer).startsWith("Project,Event,"));

    // Projects to the browser: nothing is written, and the status line says why.
    QFile::remove(prompts->answer);
    prompts->meanwhile = [this] { window.content().setMode(Mode::browser); };
    exportOn(Mode::projects);
    EXPECT_FALSE(QFileInfo::exists(prompts->answer));
    EXPECT_EQ(status(), QStringLiteral("Export CSV works on the Libraries and Projects tabs."));
}

} // namespace
