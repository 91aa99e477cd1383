// The missing-files sheet over the main window, offscreen, on libraries on disk: opening it for a
// request, the places and the search filling the rows, Stop and Close during a search, the
// table's menu and double click, the drive picker, saving the list, the detail panel, and
// putting found files back.

#include "MissingFiles/Views/MissingFilesSheet.h"

#include "Catalogue/Reader/LibraryReader.h"
#include "MissingFiles/MissingFilesController.h"
#include "MissingFiles/Views/MissingDetailPanel.h"
#include "MissingFiles/Views/MissingTableDelegate.h"
#include "MissingFiles/Views/MissingTableModel.h"
#include "Support/WorkPool.h"
#include "Tests/Fixtures/FixtureFiles.h"
#include "Tests/Shell/MainWindow/MainWindowTestSupport.h"
#include "Tests/Support/RecordingFileManager.h"
#include "Tests/Support/RereadCounter.h"
#include "Tests/Support/TempFiles.h"
#include "Tests/Support/TreeListing.h"
#include "Widgets/DialogPrompts.h"
#include "Widgets/UiFont.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QMenu>
#include <QPushButton>
#include <QSignalSpy>
#include <QTableView>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>

using namespace pellimor;
using test::CatalogTestEnv;
using test::MainWindowHarness;
namespace FixtureFiles = pellimor::fixtures::FixtureFiles;

namespace {

class MissingFilesSheetTest : public ::testing::Test {
protected:
    void SetUp() override {
        window.create();
        studio = window.plugDrive(QStringLiteral("Studio"));
        archive = window.plugDrive(QStringLiteral("Archive"));
        film = library(QStringLiteral("Film"), studio,
                       {"/Volumes/Field/Shoot/Card 1/A001.mov", "/Volumes/Field/B.mov"});
        trip = library(QStringLiteral("Trip"), archive, {"/Volumes/Field/Trip/C.mov"});
        window.show();
        window.prompts->questions.clear();
    }

    void TearDown() override {
        for (MissingFilesSheet* open : openSheets())
            open->reject();
        window.settle();
        workPool()->waitForDone();
        window.settle();
    }

    // A library whose one event links to `targets`, catalogued as the catalogue reads it.
    LibraryInfo library(const QString& name, const QString& drive, const QStringList& targets) {
        fixtures::LibraryBuilder builder(name);
        fixtures::LibraryBuilder::Event& event = builder.event(QStringLiteral("Day 1"));
        for (const QString& target : targets)
            event.mediaLink(QFileInfo(target).fileName(), target);
        const QString path = builder.write(drive);
        QList<MediaEntry> media;
        LibraryInfo read = LibraryReader::read(path, LibraryReader::signature(path), media);
        read.volumeName = QFileInfo(drive).fileName();
        QList<LibraryInfo> all = window.catalog().libraries();
        all.append(read);
        window.catalog().seed({.libraries = all});
        return read;
    }

    QList<MissingFilesSheet*> openSheets() const {
        QList<MissingFilesSheet*> open;
        for (MissingFilesSheet* sheet : window.content().window()->findChildren<MissingFilesSheet*>())
            if (sheet->isVisible())
                open.append(sheet);
        return open;
    }
    MissingFilesSheet* sheet() const {
        const QList<MissingFilesSheet*> open = openSheets();
        return open.size() == 1 ? open.first() : nullptr;
    }
    const MissingSheetState& state() const { return sheet()->controller()->state(); }
    template <typename T> T* child(const char* name) const {
        return sheet()->findChild<T*>(QLatin1String(name));
    }
    QPushButton* button(const char* name) const { return child<QPushButton>(name); }
    bool shown(const char* name) const { return child<QWidget>(name)->isVisibleTo(sheet()); }
    QCheckBox* place(const QString& path) const {
        for (QCheckBox* box : sheet()->findChildren<QCheckBox*>(QStringLiteral("place")))
            if (box->property("path").toString() == path)
                return box;
        return nullptr;
    }
    QString cell(int row, MissingSheet::Column column, int role = Qt::DisplayRole) const {
        return sheet()->model()->index(row, int(column)).data(role).toString();
    }

    // Opens the sheet for `libraries` and waits until it has read them.
    void open(const QList<LibraryInfo>& libraries) {
        window.content().requestMissing(libraries);
        window.settle();
        ASSERT_NE(sheet(), nullptr);
        ASSERT_TRUE(CatalogTestEnv::waitUntil([&] { return !state().loading; }));
        window.settle();
    }
    // Presses the search button and waits for the search to complete. The spy goes with this
    // call, so a later search of the same sheet reaches nothing of it.
    bool find() {
        const QSignalSpy finished(sheet()->controller(), &MissingFilesController::searchFinished);
        button("find")->click();
        return CatalogTestEnv::waitUntil([&] { return !finished.isEmpty(); }) && (window.settle(), true);
    }
    // A fresh folder holding a file of 100 bytes under each name.
    static QString folderWith(const QString& hint, const QStringList& names) {
        const QString folder = QFileInfo(test::TestEnv::freshDir(hint)).canonicalFilePath();
        for (const QString& name : names)
            FixtureFiles::writeRandom(folder + u'/' + name, 100);
        return folder;
    }
    // Adds `folder` to the places, ticked, through "Add Folder…".
    void addFolder(const QString& folder) {
        window.prompts->folders = {QStringList{folder}};
        button("addFolder")->click();
    }

    // Clicks the table's row `row`, with Ctrl to add it to the selection.
    void clickRow(int row, Qt::KeyboardModifiers modifiers = {}) {
        const QTableView* table = sheet()->table();
        const QRect rect = table->visualRect(sheet()->model()->index(row, 0));
        QTest::mouseClick(table->viewport(), Qt::LeftButton, modifiers, rect.center());
    }
    // The detail panel's line of `path`, if it shows one.
    QWidget* pathLine(const QString& path) const {
        for (QWidget* line : sheet()->detailPanel()->findChildren<QWidget*>(QStringLiteral("pathLine")))
            if (line->property("path").toString() == path)
                return line;
        return nullptr;
    }
    // What a found line offers, in order: its mark and its buttons.
    QStringList offers(const QString& path) const {
        QWidget* line = pathLine(path);
        if (!line)
            return {};
        QStringList shown;
        if (const auto* mark = line->findChild<QLabel*>(QStringLiteral("mark")))
            shown.append(mark->text());
        for (const QPushButton* each : line->findChildren<QPushButton*>())
            shown.append(each->text());
        return shown;
    }
    void press(const QString& path, const char* control) {
        QWidget* line = pathLine(path);
        ASSERT_NE(line, nullptr) << path.toStdString();
        auto* pressed = line->findChild<QPushButton*>(QLatin1String(control));
        ASSERT_NE(pressed, nullptr) << control;
        pressed->click();
        window.settle();
    }
    QStringList actions(QMenu* menu) const {
        QStringList titles;
        for (const QAction* action : menu->actions())
            titles.append(action->text());
        return titles;
    }

    MainWindowHarness window{QStringLiteral("missing-files")};
    const QString home =
        QFileInfo(test::TestEnv::freshDir(QStringLiteral("missing-home"))).canonicalFilePath();
    test::ScopedEnvironment homeScope{"HOME", home};
    const std::shared_ptr<test::RecordingFileManager> files = std::make_shared<test::RecordingFileManager>();
    platform::ScopedServices filesScope{test::RecordingFileManager::services(files)};
    QString studio;
    QString archive;
    LibraryInfo film;
    LibraryInfo trip;
};

TEST_F(MissingFilesSheetTest, aRequestOpensTheSheetAndASearchOfAFolderFillsTheRows) {
    const QString folder = QFileInfo(test::TestEnv::freshDir(QStringLiteral("footage"))).canonicalFilePath();
    const QString found = folder + "/Other/Shoot/Card 1/A001.mov";
    FixtureFiles::writeRandom(found, 100);
    FixtureFiles::writeRandom(folder + "/Copies/A001.mov", 100);
    ASSERT_NO_FATAL_FAILURE(open({film}));
    EXPECT_EQ(sheet()->windowModality(), Qt::WindowModal);
    EXPECT_GE(sheet()->minimumWidth(), int(UiFont::pixels(820)));
    EXPECT_EQ(child<QLabel>("sheetTitle")->text(), QStringLiteral("Missing files"));
    EXPECT_TRUE(child<QLabel>("summary")->text().startsWith(
        QStringLiteral("2 linked originals can't be found, in 1 library. ")));
    EXPECT_FALSE(shown("drivePicker")) << "one drive";
    EXPECT_TRUE(child<QLabel>("detailHint")->text().startsWith(QStringLiteral("Click a row above")));
    ASSERT_EQ(sheet()->model()->rowCount(), 2);
    EXPECT_EQ(cell(0, MissingSheet::Column::file), QStringLiteral("A001.mov"));
    EXPECT_EQ(cell(0, MissingSheet::Column::wasAt), QStringLiteral("/Volumes/Field/Shoot/Card 1"));
    EXPECT_TRUE(cell(0, MissingSheet::Column::found).isEmpty()) << "nothing searched yet";
    EXPECT_EQ(button("find")->text(), QStringLiteral("Find Files"));
    EXPECT_TRUE(button("find")->isDefault());
    EXPECT_TRUE(child<QCheckBox>("useCatalog")->isChecked());

    // The catalogue off and nothing ticked: nothing to look in.
    child<QCheckBox>("useCatalog")->click();
    EXPECT_FALSE(button("find")->isEnabled());
    ASSERT_NE(place(home), nullptr);
    place(home)->click();
    EXPECT_TRUE(button("find")->isEnabled());
    place(home)->click();

    // A folder added through the chooser is listed, ticked; adding it again changes nothing.
    window.prompts->folders = {QStringList{folder}, QStringList{folder}};
    button("addFolder")->click();
    button("addFolder")->click();
    ASSERT_EQ(window.prompts->folderChoices.size(), 2);
    EXPECT_EQ(window.prompts->folderChoices.first().button, QStringLiteral("Add"));
    EXPECT_EQ(window.prompts->folderChoices.first().message,
              QStringLiteral("Choose folders to look in for the missing files."));
    ASSERT_NE(place(folder), nullptr);
    EXPECT_TRUE(place(folder)->isChecked());
    EXPECT_EQ(state().extra, QStringList{folder});
    EXPECT_TRUE(button("find")->isEnabled());

    const QStringList before = test::treeListing(folder);
    const QStringList libraryBefore = test::treeListing(film.path);
    ASSERT_TRUE(find());
    EXPECT_EQ(state().searchedIn, QStringList{folder});
    EXPECT_EQ(cell(0, MissingSheet::Column::found), found + QStringLiteral("  (+1 more)"));
    EXPECT_EQ(cell(0, MissingSheet::Column::found, Qt::ToolTipRole),
              state().found.value("a001.mov").join(u'\n'));
    EXPECT_EQ(cell(0, MissingSheet::Column::match), QStringLiteral("Same folders, other drive"));
    EXPECT_EQ(sheet()
                  ->model()
                  ->index(0, int(MissingSheet::Column::match))
                  .data(MissingTableModel::kToneRole)
                  .toInt(),
              int(CellTone::green));
    EXPECT_EQ(cell(1, MissingSheet::Column::found), QStringLiteral("Not found"));
    EXPECT_TRUE(shown("note"));
    EXPECT_TRUE(child<QLabel>("note")->text().startsWith(
        QStringLiteral("1 of 2 found by name; 1 of them are strong matches")));
    EXPECT_EQ(button("find")->text(), QStringLiteral("Find Again"));
    EXPECT_FALSE(button("find")->isDefault());
    EXPECT_FALSE(shown("stop"));
    EXPECT_EQ(test::treeListing(folder), before);
    EXPECT_EQ(test::treeListing(film.path), libraryBefore);
    // The widths handed to the fitter follow the rows.
    EXPECT_GT(sheet()->columnWidths().value("Found"), sheet()->columnWidths().value("Match"));

    // Escape closes it and clears the request.
    QTest::keyClick(sheet(), Qt::Key_Escape);
    window.settle();
    EXPECT_TRUE(openSheets().isEmpty());
    EXPECT_FALSE(window.content().state().missingRequest.has_value());
}

TEST_F(MissingFilesSheetTest, theMenuAndTheDoubleClickActOnTheFirstRowOfTheSet) {
    const QString folder = QFileInfo(test::TestEnv::freshDir(QStringLiteral("menu"))).canonicalFilePath();
    FixtureFiles::writeRandom(folder + "/A001.mov", 100);
    ASSERT_NO_FATAL_FAILURE(open({film}));
    window.prompts->folders = {QStringList{folder}};
    button("addFolder")->click();
    ASSERT_TRUE(find());
    const MissingFile a = state().all.at(0);
    const MissingFile b = state().all.at(1);

    // A row with a found file: the file's two items first.
    std::unique_ptr<QMenu> menu = sheet()->rowMenu({b.id(), a.id()});
    ASSERT_NE(menu, nullptr);
    EXPECT_EQ(actions(menu.get()), (QStringList{"Quick Look Found File", "Reveal Found File in Finder",
                                                "Copy File Name", "Reveal Library in Finder"}));
    menu->actions().at(0)->trigger();
    EXPECT_EQ(files->opened, QStringList{folder + "/A001.mov"});
    EXPECT_FALSE(state().previewURL.has_value());
    menu->actions().at(1)->trigger();
    QApplication::clipboard()->setText(QStringLiteral("something else"));
    menu->actions().at(2)->trigger();
    EXPECT_EQ(QApplication::clipboard()->text(), QStringLiteral("A001.mov"));
    menu->actions().at(3)->trigger();
    EXPECT_EQ(files->revealed, (QStringList{folder + "/A001.mov", film.path}));

    // A row without one.
    menu = sheet()->rowMenu({b.id()});
    ASSERT_NE(menu, nullptr);
    EXPECT_EQ(actions(menu.get()), (QStringList{"Copy File Name", "Reveal Library in Finder"}));
    EXPECT_EQ(sheet()->rowMenu({QStringLiteral("not a row")}), nullptr);

    // A double click reveals the first found text that exists, and nothing without one.
    files->revealed.clear();
    const QTableView* table = sheet()->table();
    const QRect second = table->visualRect(sheet()->model()->index(1, 0));
    QTest::mouseDClick(table->viewport(), Qt::LeftButton, {}, second.center());
    EXPECT_TRUE(files->revealed.isEmpty());
    const QRect first = table->visualRect(sheet()->model()->index(0, 0));
    QTest::mouseClick(table->viewport(), Qt::LeftButton, {}, first.center());
    QTest::mouseDClick(table->viewport(), Qt::LeftButton, {}, first.center());
    EXPECT_EQ(files->revealed, QStringList{folder + "/A001.mov"});
    EXPECT_EQ(state().selection, QSet<QString>{a.id()});
}

TEST_F(MissingFilesSheetTest, theDrivePickerNarrowsTheRowsAndTheSaveList) {
    ASSERT_NO_FATAL_FAILURE(open({film, trip}));
    ASSERT_TRUE(shown("drivePicker"));
    auto* drives = child<QComboBox>("driveBox");
    ASSERT_EQ(drives->count(), 3);
    EXPECT_EQ(drives->itemText(0), QStringLiteral("All drives (3)"));
    EXPECT_EQ(drives->itemText(1), QStringLiteral("Archive only (1)"));
    EXPECT_EQ(drives->itemText(2), QStringLiteral("Studio only (2)"));
    EXPECT_EQ(sheet()->model()->rowCount(), 3);

    // All drives, two libraries: the plain name.
    const QString folder = test::TestEnv::freshDir(QStringLiteral("lists"));
    window.prompts->saveFiles = {folder + "/missing files.txt"};
    button("saveList")->click();
    ASSERT_EQ(window.prompts->saveChoices.size(), 1);
    EXPECT_EQ(window.prompts->saveChoices.at(0).suggestedName, QStringLiteral("missing files.txt"));
    EXPECT_EQ(window.prompts->saveChoices.at(0).nameFilter, QStringLiteral("Plain text (*.txt)"));
    EXPECT_EQ(child<QLabel>("note")->text(), QStringLiteral("Saved the list to missing files.txt."));
    EXPECT_TRUE(test::readAll(folder + "/missing files.txt").contains("Library: Trip  (Archive)"));

    drives->setCurrentIndex(2);
    Q_EMIT drives->activated(2);
    EXPECT_EQ(state().drive, QStringLiteral("Studio"));
    EXPECT_EQ(sheet()->model()->rowCount(), 2);
    EXPECT_TRUE(child<QLabel>("summary")->text().startsWith(QStringLiteral("2 linked originals")));
    // A cancelled save panel changes nothing; then the drive's one library names the file.
    button("saveList")->click();
    window.prompts->saveFiles = {folder + "/Film - missing files.txt"};
    button("saveList")->click();
    ASSERT_EQ(window.prompts->saveChoices.size(), 3);
    EXPECT_EQ(window.prompts->saveChoices.at(2).suggestedName, QStringLiteral("Film - missing files.txt"));
    const QByteArray saved = test::readAll(folder + "/Film - missing files.txt");
    EXPECT_TRUE(saved.contains("Library: Film  (Studio)"));
    EXPECT_FALSE(saved.contains("Trip"));
}

// The window's own save panel: only plain-text files are offered, and a name typed without an
// extension is saved as a text file.
TEST_F(MissingFilesSheetTest, theSavePanelOffersPlainTextOnly) {
    const QString folder = test::TestEnv::freshDir(QStringLiteral("panel"));
    FixtureFiles::writeRandom(folder + "/A001.mov", 10);
    FixtureFiles::writeRandom(folder + "/older list.txt", 10);
    window.content().setPrompts(std::make_shared<DialogPrompts>(window.content().window()));
    ASSERT_NO_FATAL_FAILURE(open({film}));

    QStringList filters;
    QStringList offered;
    bool answered = false;
    std::function<void()> answer = [&] {
        auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
        if (!dialog) {
            QTimer::singleShot(0, qApp, answer);
            return;
        }
        filters = dialog->nameFilters();
        dialog->setDirectory(folder);
        // The panel lists the folder in the background.
        CatalogTestEnv::waitUntil([&] {
            offered.clear();
            for (QListView* list : dialog->findChildren<QListView*>(QStringLiteral("listView")))
                for (int row = 0; row < list->model()->rowCount(list->rootIndex()); ++row)
                    offered.append(list->model()->index(row, 0, list->rootIndex()).data().toString());
            return offered.contains(QStringLiteral("older list.txt"));
        });
        // Typed over the suggested name, as the user would.
        auto* name = dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
        if (name)
            name->setText(QStringLiteral("for the assistant"));
        static_cast<QDialog*>(dialog)->accept(); // the file dialog's own, through its public base
        answered = true;
    };
    QTimer::singleShot(0, qApp, answer);
    button("saveList")->click();
    ASSERT_TRUE(answered);
    EXPECT_EQ(filters, QStringList{QStringLiteral("Plain text (*.txt)")});
    EXPECT_EQ(offered, QStringList{QStringLiteral("older list.txt")});
    EXPECT_EQ(child<QLabel>("note")->text(), QStringLiteral("Saved the list to for the assistant.txt."));
    EXPECT_TRUE(test::readAll(folder + "/for the assistant.txt").contains("Library: Film  (Studio)"));
}

TEST_F(MissingFilesSheetTest, stopEndsASearchOfALargeTreeAndClosingDuringOneLeavesNothingBehind) {
    const QString tree = QFileInfo(test::TestEnv::freshDir(QStringLiteral("large"))).canonicalFilePath();
    for (int i = 0; i < 100; ++i)
        for (int j = 0; j < 100; ++j)
            FixtureFiles::writeBytes(tree + QStringLiteral("/f%1/%2.bin").arg(i).arg(j), QByteArray());
    FixtureFiles::writeRandom(tree + "/f99/B.mov", 10);
    const QStringList before = test::treeListing(tree);
    const QStringList libraryBefore = test::treeListing(film.path);
    ASSERT_NO_FATAL_FAILURE(open({film}));
    window.prompts->folders = {QStringList{tree}};
    button("addFolder")->click();

    // Stop pressed while the walk runs: the search ends with what it has.
    QPointer<MissingFilesController> work = sheet()->controller();
    const QSignalSpy finished(work, &MissingFilesController::searchFinished);
    button("find")->click();
    EXPECT_TRUE(shown("stop"));
    EXPECT_TRUE(shown("searching"));
    EXPECT_FALSE(shown("find"));
    EXPECT_FALSE(button("addFolder")->isEnabled());
    EXPECT_FALSE(child<QWidget>("placesBox")->isEnabled());
    EXPECT_FALSE(child<QWidget>("drivePicker")->isEnabled());
    EXPECT_FALSE(button("saveList")->isEnabled());
    button("stop")->click();
    EXPECT_TRUE(state().stop->requested());
    ASSERT_TRUE(CatalogTestEnv::waitUntil([&] { return !finished.isEmpty(); }));
    window.settle();
    EXPECT_TRUE(child<QLabel>("note")->text().startsWith(QStringLiteral("Stopped early. ")));
    EXPECT_TRUE(shown("find"));
    EXPECT_FALSE(shown("stop"));
    EXPECT_TRUE(button("saveList")->isEnabled());

    // Escape during the next search: the search is told to stop, the sheet goes at once, the
    // work once its walk has ended, and nothing it still brings reaches the sheet.
    QPointer<MissingFilesSheet> closed = sheet();
    button("find")->click();
    ASSERT_TRUE(state().searching);
    const std::shared_ptr<const MissingFiles::Stop> stop = state().stop;
    QTest::keyClick(sheet(), Qt::Key_Escape);
    EXPECT_TRUE(stop->requested());
    const QSignalSpy changes(work, &MissingFilesController::changed);
    window.settle();
    EXPECT_TRUE(closed.isNull());
    EXPECT_FALSE(window.content().state().missingRequest.has_value());
    ASSERT_TRUE(CatalogTestEnv::waitUntil([&] { return work.isNull(); }));
    EXPECT_EQ(changes.count(), 0);
    EXPECT_EQ(test::treeListing(tree), before);
    EXPECT_EQ(test::treeListing(film.path), libraryBefore);
}

TEST_F(MissingFilesSheetTest, veryLongPathsAreShortenedInTheMiddleAndWidenNothing) {
    QString deep = QStringLiteral("/Volumes/Field");
    for (int i = 0; i < 40; ++i)
        deep += QStringLiteral("/A folder with a long name %1").arg(i);
    const LibraryInfo longOne = library(QStringLiteral("Deep"), studio, {deep + "/Take.mov"});
    ASSERT_NO_FATAL_FAILURE(open({film}));
    const int width = sheet()->width();
    child<QPushButton>("close")->click();
    window.settle();

    ASSERT_NO_FATAL_FAILURE(open({longOne}));
    EXPECT_EQ(sheet()->width(), width);
    EXPECT_EQ(cell(0, MissingSheet::Column::wasAt), deep);
    EXPECT_EQ(cell(0, MissingSheet::Column::wasAt, Qt::ToolTipRole), deep + "/Take.mov");
    for (const MissingSheet::Column column :
         {MissingSheet::Column::file, MissingSheet::Column::wasAt, MissingSheet::Column::found})
        EXPECT_EQ(MissingTableDelegate::elideMode(int(column)), Qt::ElideMiddle);
    EXPECT_EQ(MissingTableDelegate::elideMode(int(MissingSheet::Column::library)), Qt::ElideRight);
    // The columns are fitted into the room the table has, however wide the path.
    const QTableView* table = sheet()->table();
    EXPECT_TRUE(CatalogTestEnv::waitUntil([&] {
        int sum = 0;
        for (int column = 0; column < MissingSheet::columnCount; ++column)
            sum += table->columnWidth(column);
        return sum <= table->viewport()->width();
    }));
}

TEST_F(MissingFilesSheetTest, aConfirmedRepairPutsTheFoundFilesBackInEitherWay) {
    window.env.volumes->setCapacity(studio,
                                    platform::VolumeFacts::Capacity{qint64(400) << 30, qint64(200) << 30});
    const QString log = window.catalog().dir() + QStringLiteral("/repair-log.txt");
    for (const MissingFiles::RepairMode mode :
         {MissingFiles::RepairMode::copy, MissingFiles::RepairMode::link}) {
        const bool copy = mode == MissingFiles::RepairMode::copy;
        SCOPED_TRACE(copy ? "copy" : "link");
        QFile::remove(log);
        // Two broken links; the first has two different files of its name, the second one.
        const QString name = copy ? QStringLiteral("Copied") : QStringLiteral("Linked");
        const LibraryInfo lib =
            library(name, studio, {"/Volumes/Field/Shoot/A001.mov", "/Volumes/Field/B.mov"});
        const QString folder = QFileInfo(test::TestEnv::freshDir(name + "-found")).canonicalFilePath();
        FixtureFiles::writeRandom(folder + "/one/A001.mov", 100);
        FixtureFiles::writeRandom(folder + "/two/A001.mov", 200);
        FixtureFiles::writeRandom(folder + "/B.mov", 300);
        const QStringList foundBefore = test::treeListing(folder);
        const test::RereadCounter rereads(window.catalog(), name);
        ASSERT_NO_FATAL_FAILURE(open({lib}));
        EXPECT_FALSE(shown("repairStep")) << "before a search";
        // Only the folder: the catalogue knows the files the first pass copied into its library.
        child<QCheckBox>("useCatalog")->click();
        addFolder(folder);
        ASSERT_TRUE(find());
        ASSERT_TRUE(shown("repairStep"));
        EXPECT_EQ(child<QLabel>("repairCount")->text(),
                  QStringLiteral("1 found file can be put back (all rows; select rows to do only some)."));

        // The user looks at the first row's files and picks the second.
        ASSERT_EQ(cell(0, MissingSheet::Column::file), QStringLiteral("A001.mov"));
        clickRow(0);
        window.settle();
        EXPECT_EQ(child<QLabel>("detailHeading")->text(),
                  QStringLiteral("A001.mov  ·  Day 1  ·  ") + name + QStringLiteral(" (Studio)"));
        EXPECT_TRUE(shown("nothingToRepair")) << "an unclear row alone";
        const QStringList choose = {"Use This One", "Quick Look", "Show in Finder"};
        EXPECT_EQ(offers(folder + "/one/A001.mov"), choose);
        EXPECT_EQ(offers(folder + "/two/A001.mov"), choose);
        press(folder + "/two/A001.mov", "useThisOne");
        EXPECT_EQ(offers(folder + "/two/A001.mov"),
                  (QStringList{"Chosen by you", "Undo", "Quick Look", "Show in Finder"}));
        EXPECT_EQ(offers(folder + "/one/A001.mov"), choose);
        EXPECT_TRUE(child<QLabel>("matchLine")->text().startsWith(QStringLiteral("Chosen by you. ")));
        EXPECT_EQ(cell(0, MissingSheet::Column::match), QStringLiteral("Chosen by you"));
        EXPECT_EQ(child<QLabel>("repairCount")->text(),
                  QStringLiteral("1 found file can be put back (the selected rows)."));
        press(folder + "/one/A001.mov", "quickLook");
        EXPECT_EQ(files->opened, QStringList{folder + "/one/A001.mov"});
        EXPECT_FALSE(state().previewURL.has_value());
        press(folder + "/one/A001.mov", "showInFinder");
        EXPECT_EQ(files->revealed, QStringList{folder + "/one/A001.mov"});
        files->opened.clear();
        files->revealed.clear();

        // All rows, confirmed.
        sheet()->table()->clearSelection();
        window.settle();
        EXPECT_EQ(child<QLabel>("repairCount")->text(),
                  QStringLiteral("2 found files can be put back (all rows; select rows to do only some)."));
        const QString answer = copy ? QStringLiteral("Copy Into Library") : QStringLiteral("Repair Links");
        window.prompts->answers = {answer};
        const QSignalSpy finished(sheet()->controller(), &MissingFilesController::repairFinished);
        button(copy ? "copyIntoLibrary" : "repairLinks")->click();
        ASSERT_EQ(window.prompts->questions.size(), 1);
        const test::ScriptedPrompts::Question& asked = window.prompts->questions.first();
        EXPECT_EQ(asked.title, copy ? QStringLiteral("Copy 2 found files into the library?")
                                    : QStringLiteral("Repair 2 links?"));
        EXPECT_TRUE(asked.message.startsWith(QStringLiteral("All found files in the list will be used. ")));
        EXPECT_TRUE(asked.message.contains(QStringLiteral("\n\n1 of them matched by name only")))
            << "the pick counts as strong, B.mov is found by name only";
        EXPECT_TRUE(asked.message.endsWith(
            QStringLiteral(" Final Cut Pro must be closed. Every change is written to repair-log.txt.")));
        EXPECT_EQ(test::ScriptedPrompts::titles(asked), (QStringList{answer, "Cancel (cancel)"}));
        EXPECT_FALSE(state().pendingRepair);
        EXPECT_TRUE(state().working);
        EXPECT_FALSE(button("copyIntoLibrary")->isEnabled());
        EXPECT_FALSE(button("repairLinks")->isEnabled());
        ASSERT_TRUE(CatalogTestEnv::waitUntil([&] { return !finished.isEmpty(); }));
        window.settle();

        const QString media = lib.path + "/Day 1/Original Media/";
        for (const auto& [link, source] : {std::pair{media + "A001.mov", folder + "/two/A001.mov"},
                                           std::pair{media + "B.mov", folder + "/B.mov"}}) {
            if (copy) {
                EXPECT_FALSE(QFileInfo(link).isSymLink()) << link.toStdString();
                EXPECT_EQ(test::readAll(link), test::readAll(source)) << link.toStdString();
            } else {
                EXPECT_EQ(QFileInfo(link).symLinkTarget(), source) << link.toStdString();
            }
        }
        EXPECT_EQ(test::treeListing(folder), foundBefore) << "the found files stay as they were";
        const QStringList lines = test::lines(log);
        ASSERT_EQ(lines.size(), 6) << lines.join(u'\n').toStdString();
        for (const int entry : {0, 3}) {
            EXPECT_TRUE(lines.at(entry).contains(copy ? QStringLiteral("  COPIED INTO LIBRARY  ")
                                                      : QStringLiteral("  LINK REPAIRED  ")));
            EXPECT_TRUE(
                lines.at(entry + 1).startsWith(QStringLiteral("    link used to point to: /Volumes/Field/")));
            EXPECT_TRUE(lines.at(entry + 2).startsWith(QStringLiteral("    now from: ") + folder));
        }
        EXPECT_EQ(rereads.count(), 1);
        EXPECT_EQ(sheet()->model()->rowCount(), 0);
        EXPECT_TRUE(state().selection.isEmpty());
        ASSERT_TRUE(shown("note"));
        EXPECT_TRUE(child<QLabel>("note")->text().startsWith(
            copy ? QStringLiteral("Copied 2 files into the library (")
                 : QStringLiteral("Repaired 2 links. ")))
            << child<QLabel>("note")->text().toStdString();
        EXPECT_TRUE(files->opened.isEmpty() && files->revealed.isEmpty());

        child<QPushButton>("close")->click();
        window.settle();
        window.prompts->questions.clear();
    }
}

TEST_F(MissingFilesSheetTest, aQuestionDismissedOrCancelledChangesNothing) {
    ASSERT_NO_FATAL_FAILURE(open({film}));
    addFolder(folderWith(QStringLiteral("dismissed"), {"A001.mov", "B.mov"}));
    ASSERT_TRUE(find());
    const QStringList before = test::treeListing(film.path);
    const QString log = window.catalog().dir() + QStringLiteral("/repair-log.txt");
    for (const std::optional<QString>& answer :
         {std::optional<QString>(), std::optional<QString>("Cancel")}) {
        window.prompts->answers = {answer};
        button("copyIntoLibrary")->click();
        window.settle(100);
        EXPECT_EQ(window.prompts->questions.size(), 1);
        EXPECT_EQ(window.prompts->questions.first().title,
                  QStringLiteral("Copy 2 found files into the library?"));
        window.prompts->questions.clear();
        EXPECT_FALSE(state().pendingRepair);
        EXPECT_FALSE(state().working);
        EXPECT_EQ(test::treeListing(film.path), before);
        EXPECT_FALSE(QFileInfo::exists(log));
        EXPECT_EQ(sheet()->model()->rowCount(), 2);
    }

    // While a search runs the step stays, and its buttons wait.
    button("find")->click();
    ASSERT_TRUE(state().searching);
    EXPECT_TRUE(shown("repairStep"));
    EXPECT_FALSE(button("copyIntoLibrary")->isEnabled());
    EXPECT_FALSE(button("repairLinks")->isEnabled());
    ASSERT_TRUE(CatalogTestEnv::waitUntil([&] { return !state().searching; }));
    window.settle();
    EXPECT_TRUE(button("copyIntoLibrary")->isEnabled());
}

TEST_F(MissingFilesSheetTest, twoSelectedRowsShowTheFirstAndAFileThatGoesLeavesThePanel) {
    const QString folder = folderWith(QStringLiteral("selected"), {"A001.mov", "B.mov"});
    ASSERT_NO_FATAL_FAILURE(open({film}));
    addFolder(folder);
    ASSERT_TRUE(find());
    EXPECT_TRUE(child<QLabel>("detailHint")->text().startsWith(QStringLiteral("Click a row above")));

    clickRow(1);
    clickRow(0, Qt::ControlModifier);
    window.settle();
    ASSERT_EQ(state().selection.size(), 2);
    EXPECT_TRUE(child<QLabel>("detailHeading")->text().startsWith(QStringLiteral("A001.mov  ·  ")));
    EXPECT_EQ(child<QLabel>("repairCount")->text(),
              QStringLiteral("2 found files can be put back (the selected rows)."));
    EXPECT_EQ(offers(folder + "/A001.mov"), (QStringList{"Will be used", "Quick Look", "Show in Finder"}));
    QApplication::clipboard()->clear();
    std::unique_ptr<QMenu> menu = sheet()->rowMenu(state().selection);
    ASSERT_NE(menu, nullptr);
    menu->actions().at(2)->trigger();
    EXPECT_EQ(QApplication::clipboard()->text(), QStringLiteral("A001.mov"));

    // The found file deleted: once the panel is drawn again, its line and its green are gone, and
    // the row can no longer be put back.
    ASSERT_TRUE(QFile::remove(folder + "/A001.mov"));
    clickRow(0);
    window.settle();
    EXPECT_EQ(pathLine(folder + "/A001.mov"), nullptr);
    EXPECT_EQ(child<QLabel>("notFound")->text(), QStringLiteral("Not found in the places searched."));
    EXPECT_NE(sheet()
                  ->model()
                  ->index(0, int(MissingSheet::Column::found))
                  .data(MissingTableModel::kToneRole)
                  .toInt(),
              int(CellTone::green));
    EXPECT_TRUE(shown("nothingToRepair"));
    EXPECT_TRUE(child<QLabel>("nothingToRepair")->text().startsWith(QStringLiteral("Tovlin can't tell")));
}

} // namespace
