// The update sheet offscreen, over the in-process fake Final Cut Pro on a virtual clock: the
// permission row asked again every second, the buttons beside it, Final Cut Pro coming and
// going, the safety folder's chooser, what Start hands the updater, a stop asked for during a
// run, a failed run's rows, and its sizes; then the sheet over the main window, one per request.

#include "FinalCut/Views/UpdateSheet.h"

#include "Catalogue/Reader/LibraryReader.h"
#include "Catalogue/Store/Catalog.h"
#include "FinalCut/LibraryUpdater.h"
#include "FinalCut/SafetyCopy.h"
#include "Support/ByteCount.h"
#include "Tests/Fixtures/LibraryBuilder.h"
#include "Tests/Shell/MainWindow/MainWindowTestSupport.h"
#include "Tests/Support/CatalogSeeding.h"
#include "Tests/Support/CatalogTestEnv.h"
#include "Tests/Support/FakeFinalCut/FakeFinalCut.h"
#include "Tests/Support/FakeFinalCut/ScriptFromJson.h"
#include "Tests/Support/FakeMainBundle.h"
#include "Tests/Support/RecordingFileManager.h"
#include "Tests/Support/ScriptedPrompts.h"
#include "Tests/Support/VirtualClock.h"
#include "Widgets/NamedColor.h"
#include "Widgets/UiFont.h"

#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QPointer>
#include <QPushButton>
#include <QScrollArea>
#include <QStandardPaths>
#include <QTest>
#include <gtest/gtest.h>

using namespace pellimor;
using namespace std::chrono_literals;
using Case = LibraryUpdater::Status::Case;

namespace {

class UpdateSheetTest : public ::testing::Test {
protected:
    void SetUp() override {
        window.resize(1000, 800);
        window.show();
    }
    void TearDown() override {
        // A run left going ends with its sheet; the fake's calls on the clock go with it.
        delete sheet.data();
        test::spin(10);
    }

    // A library saved by Final Cut Pro `version`, catalogued as a scan would have found it.
    LibraryInfo add(const QString& name, const QString& version = QStringLiteral("10.4.6")) {
        fixtures::LibraryBuilder builder(name);
        builder.catalogVersion = fixtures::PlistValue(fixtures::LibraryBuilder::catalogVersionText(version));
        builder.event(QStringLiteral("Day 1")).media(QStringLiteral("A001.mov"), 40'000);
        return CatalogSeeding::addRead(*catalog, builder.write(folder));
    }

    void open(const QList<LibraryInfo>& libraries) {
        sheet = new UpdateSheet(
            *catalog, UpdateRequest(libraries), [this]() -> Prompts& { return *prompts; }, &window);
        sheet->setAttribute(Qt::WA_DeleteOnClose);
        sheet->open();
        test::runQueued();
    }

    template <typename T = QWidget> T* part(const char* name) const {
        T* found = sheet->findChild<T*>(QLatin1String(name));
        EXPECT_NE(found, nullptr) << name;
        return found;
    }
    bool shown(const char* name) const { return part(name)->isVisibleTo(sheet); }
    void click(const char* name) const { part<QPushButton>(name)->click(); }
    QString text(const char* name) const { return part<QLabel>(name)->text(); }

    QList<QWidget*> rows() const { return sheet->findChildren<QWidget*>(QStringLiteral("libraryRow")); }
    // The symbol in front of each row, or "checkbox" / "busy".
    QStringList marks() const {
        QStringList found;
        for (QWidget* row : rows()) {
            if (row->findChild<QCheckBox*>(QStringLiteral("tick"))->isVisibleTo(sheet))
                found.append(QStringLiteral("checkbox"));
            else if (row->findChild<QWidget*>(QStringLiteral("busySpinner"))->isVisibleTo(sheet))
                found.append(QStringLiteral("busy"));
            else
                found.append(
                    row->findChild<QLabel*>(QStringLiteral("statusIcon"))->property("symbol").toString());
        }
        return found;
    }
    QLabel* detail(qsizetype row) const {
        return rows().at(row)->findChild<QLabel*>(QStringLiteral("libraryDetail"));
    }
    QString detailText(qsizetype row) const { return detail(row)->accessibleName(); }
    QColor detailColour(qsizetype row) const { return detail(row)->palette().color(QPalette::WindowText); }

    bool finish() {
        return clock->runUntil([&] { return !sheet->updater().running(); }, 6h);
    }
    QList<Case> statuses() const {
        QList<Case> found;
        for (const LibraryUpdater::Item& item : sheet->updater().items())
            found.append(item.status.kind);
        return found;
    }

    test::CatalogTestEnv env{QStringLiteral("update-sheet")};
    test::ScopedVirtualClock clock;
    test::FakeFinalCut finalCut;
    std::unique_ptr<Catalog> catalog = env.makeCatalog();
    const QString folder = test::TestEnv::freshDir(QStringLiteral("update-sheet-libraries"));
    const std::shared_ptr<test::ScriptedPrompts> prompts = std::make_shared<test::ScriptedPrompts>();
    QWidget window;
    QPointer<UpdateSheet> sheet;
};

// Where safety copies go while no folder was chosen.
QString defaultRoot() {
    return QDir(QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation))
        .filePath(QStringLiteral("Pellimor/Safety copies"));
}

} // namespace

TEST_F(UpdateSheetTest, ThePermissionIsAskedAgainEverySecondAndCheckAgainAsksAtOnce) {
    finalCut.accessibility()->setTrusted(false);
    open({add("One"), add("Two")});
    const auto red = [&] {
        return part<QLabel>("permissionIcon")->property("symbol") == "xmark.octagon.fill" &&
               text("permissionText") == "Accessibility access needed so the app can press Update for you." &&
               shown("grantAccess") && shown("showApp") && shown("checkAgain") && shown("staleNote") &&
               !part<QPushButton>("start")->isEnabled();
    };
    const auto green = [&] {
        return part<QLabel>("permissionIcon")->property("symbol") == "checkmark.circle.fill" &&
               text("permissionText") ==
                   "Accessibility access granted, so the app can press Update for you." &&
               !shown("grantAccess") && !shown("showApp") && !shown("checkAgain") && !shown("staleNote") &&
               part<QPushButton>("start")->isEnabled();
    };
    EXPECT_TRUE(red());
    EXPECT_EQ(
        text("staleNote"),
        "Still red although it is switched on? That entry is for an older version of this app. Select "
        "“Tovlin” (or “Pellimor”, its old name) in the Accessibility list, press − to remove it, then drag "
        "the app in from Finder (Show App in Finder) or press + and add it, and switch it on.");

    // Granted elsewhere: "Check again" sees it without waiting for the clock.
    finalCut.accessibility()->setTrusted(true);
    click("checkAgain");
    EXPECT_TRUE(green());
    // Taken back, and granted again: each within a second, without a button.
    finalCut.accessibility()->setTrusted(false);
    clock->advance(1s);
    EXPECT_TRUE(red());
    finalCut.accessibility()->setTrusted(true);
    clock->advance(999ms);
    EXPECT_TRUE(red());
    clock->advance(1ms);
    EXPECT_TRUE(green());
    EXPECT_EQ(finalCut.accessibility()->prompts(), 0) << "only Grant Access… shows the system's request";
}

TEST_F(UpdateSheetTest, GrantAccessAsksWithThePromptAndShowAppRevealsTheProgram) {
    const auto files = std::make_shared<test::RecordingFileManager>();
    platform::Services services = test::RecordingFileManager::services(files);
    services.bundle = std::make_shared<test::FakeMainBundle>(QVariantMap(), QStringLiteral("/opt/Tovlin"),
                                                             QStringLiteral("/opt/Tovlin/bin/tovlin"));
    const platform::ScopedServices scope(services);
    finalCut.accessibility()->setTrusted(false);
    open({add("One")});

    click("grantAccess");
    EXPECT_EQ(finalCut.accessibility()->prompts(), 1);
    EXPECT_EQ(finalCut.accessibility()->settingsOpened(), 1);
    EXPECT_TRUE(shown("grantAccess")) << "the answer waits for the next check";

    EXPECT_EQ(part<QPushButton>("showApp")->toolTip(),
              "Reveals this app so you can drag it into the Accessibility list");
    click("showApp");
    EXPECT_EQ(files->revealed, QStringList{"/opt/Tovlin/bin/tovlin"});
}

TEST_F(UpdateSheetTest, FinalCutProStartingOrQuittingShowsAtTheNextRedraw) {
    open({add("One")});
    EXPECT_FALSE(shown("finalCutOpen"));
    EXPECT_TRUE(part<QPushButton>("start")->isEnabled());

    const qint64 pid = finalCut.launch();
    clock->advance(1s);
    EXPECT_TRUE(shown("finalCutOpen"));
    EXPECT_FALSE(part<QPushButton>("start")->isEnabled());

    finalCut.instance(pid)->forceQuit();
    clock->advance(1s);
    EXPECT_FALSE(shown("finalCutOpen"));
    EXPECT_TRUE(part<QPushButton>("start")->isEnabled());
}

TEST_F(UpdateSheetTest, ChooseStoresTheFolderAsItIsAndACancelChangesNothing) {
    open({add("One")});
    EXPECT_EQ(text("savedTo"), "Saved to: " + defaultRoot());

    prompts->oneFolder = {std::nullopt};
    click("choose");
    ASSERT_EQ(prompts->oneFolderChoices.size(), 1);
    EXPECT_EQ(prompts->oneFolderChoices[0].start, defaultRoot());
    EXPECT_EQ(prompts->oneFolderChoices[0].button, "Use This Folder");
    EXPECT_EQ(prompts->oneFolderChoices[0].message, "Where should safety copies be kept?");
    EXPECT_FALSE(env.settings->contains(QString(SafetyCopy::folderKey)));
    EXPECT_EQ(text("savedTo"), "Saved to: " + defaultRoot());

    // Not there yet, with blanks and letters beyond ASCII: stored and shown as chosen.
    const QString chosen = test::TestEnv::freshDir("update-sheet-chosen") + "/Sicherungen für Ö ";
    prompts->oneFolder = {chosen};
    click("choose");
    EXPECT_EQ(env.settings->text(QString(SafetyCopy::folderKey)), chosen);
    EXPECT_EQ(text("savedTo"), "Saved to: " + chosen);
    EXPECT_TRUE(shown("explanation"));

    part<QCheckBox>("safetyCopy")->click();
    EXPECT_FALSE(shown("savedTo"));
    EXPECT_FALSE(shown("choose"));
    EXPECT_FALSE(shown("explanation"));
    EXPECT_TRUE(shown("practice"));
}

TEST_F(UpdateSheetTest, StartHandsTheUpdaterTheTickedLibrariesAndTheChoicesOfThatMoment) {
    const LibraryInfo one = add("One");
    const LibraryInfo two = add("Two");
    const LibraryInfo three = add("Three");
    // A folder that does not exist yet: the first copy makes it.
    const QString chosen = test::TestEnv::freshDir("update-sheet-start") + "/Kopien";
    env.settings->setText(QString(SafetyCopy::folderKey), chosen);
    open({one, two, three});
    ASSERT_EQ(marks(), QStringList({"checkbox", "checkbox", "checkbox"}));
    rows().at(1)->findChild<QCheckBox*>(QStringLiteral("tick"))->click();
    EXPECT_EQ(part<QPushButton>("start")->text(), "Start Practice Run");

    click("start");
    // Chosen later, for another run: this one keeps its folder.
    env.settings->setText(QString(SafetyCopy::folderKey), chosen + "-later");
    EXPECT_EQ(rows().size(), 2);
    EXPECT_FALSE(shown("options"));
    EXPECT_FALSE(shown("start"));
    EXPECT_EQ(part<QPushButton>("firstButton")->text(), "Stop after this library");
    ASSERT_TRUE(finish());

    QStringList ids;
    for (const LibraryUpdater::Item& item : sheet->updater().items())
        ids.append(item.id);
    EXPECT_EQ(ids, QStringList({one.path, three.path}));
    EXPECT_EQ(statuses(), QList<Case>({Case::practiceOK, Case::practiceOK}));
    EXPECT_EQ(marks(), QStringList({"checkmark.circle.fill", "checkmark.circle.fill"}));
    EXPECT_EQ(text("message"), "Practice run finished. Nothing was changed.");
    EXPECT_EQ(part<QPushButton>("firstButton")->text(), "Close");
    EXPECT_FALSE(shown("options")) << "a new run needs a new sheet";
    EXPECT_FALSE(shown("start"));
    const QStringList runs = QDir(chosen).entryList(QDir::Dirs | QDir::NoDotAndDotDot);
    ASSERT_EQ(runs.size(), 1);
    EXPECT_TRUE(QFile::exists(chosen + "/" + runs[0] + "/One.fcpbundle/READ ME.txt"));
    EXPECT_FALSE(QFile::exists(chosen + "/" + runs[0] + "/Two.fcpbundle"));
    EXPECT_FALSE(QFile::exists(chosen + "-later"));
    EXPECT_EQ(LibraryReader::fcpVersion(one.path), QStringLiteral("10.4.6"));
}

TEST_F(UpdateSheetTest, EscapeDuringARunStopsAfterTheCurrentLibraryAndTheSheetStaysUntilTheEnd) {
    const QList<LibraryInfo> libraries = {add("One"), add("Two"), add("Three")};
    open(libraries);
    part<QCheckBox>("practice")->click();
    part<QCheckBox>("safetyCopy")->click();
    EXPECT_EQ(part<QPushButton>("start")->text(), "Update 3 Libraries");
    click("start");
    ASSERT_TRUE(clock->runUntil([&] { return statuses().value(0) == Case::updating; }, 1h));
    EXPECT_EQ(marks(), QStringList({"busy", "circle", "circle"}));

    QTest::keyClick(sheet, Qt::Key_Escape);
    EXPECT_TRUE(sheet->isVisible());
    EXPECT_TRUE(sheet->updater().stopRequested());
    EXPECT_TRUE(shown("message"));
    EXPECT_EQ(text("message"), "Stopping after the current library…");
    // The window's close button keeps it open too.
    EXPECT_FALSE(sheet->close());
    EXPECT_TRUE(sheet->isVisible());

    ASSERT_TRUE(finish());
    EXPECT_EQ(statuses(), QList<Case>({Case::done, Case::skipped, Case::skipped}));
    EXPECT_EQ(marks(), QStringList({"checkmark.circle.fill", "minus.circle", "minus.circle"}));
    EXPECT_EQ(detailText(0), "now 11.1");
    EXPECT_EQ(text("message"), "Stopped. The remaining libraries were not touched.");
    EXPECT_EQ(LibraryReader::fcpVersion(libraries[1].path), QStringLiteral("10.4.6"));
    EXPECT_EQ(part<QPushButton>("firstButton")->text(), "Close");

    QTest::keyClick(sheet, Qt::Key_Escape);
    EXPECT_FALSE(sheet->isVisible());
}

TEST_F(UpdateSheetTest, AFailedRowSaysWhyInRedAndTheSkippedOnesKeepTheirOwnLine) {
    finalCut.setNextScripts({test::FakeFinalCutScript(), test::scriptFromJson({{"promptName", "Other"}})});
    const QList<LibraryInfo> libraries = {add("One"), add("Two"), add("Three")};
    open(libraries);
    part<QCheckBox>("practice")->click();
    click("start");
    ASSERT_TRUE(finish());

    EXPECT_EQ(statuses(), QList<Case>({Case::done, Case::failed, Case::skipped}));
    EXPECT_EQ(marks(), QStringList({"checkmark.circle.fill", "xmark.octagon.fill", "minus.circle"}));
    const QString failure = "Final Cut asked about a different library, so nothing was pressed";
    EXPECT_EQ(detailText(1), failure);
    EXPECT_EQ(detailColour(1), namedColor(NamedColor::red, false));
    EXPECT_EQ(detailText(2), "10.4.6 → 11.1 · " + ByteCount::file(libraries[2].totalSize()) + " · " +
                                 libraries[2].volumeName);
    EXPECT_EQ(detailColour(2), namedColor(NamedColor::secondary, false));
    EXPECT_EQ(text("message"),
              "Stopped at “Two”: " + failure + ". The remaining libraries were not touched.");
    EXPECT_FALSE(shown("start"));
    EXPECT_EQ(part<QPushButton>("firstButton")->text(), "Close");
}

TEST_F(UpdateSheetTest, ItsSizesFollowTheFontScale) {
    const LibraryInfo one = add("One");
    int widthAtOne = 0;
    for (const bool larger : {false, true}) {
        SCOPED_TRACE(larger);
        env.settings->setFlag(QStringLiteral("comfortableText"), larger);
        const double scale = larger ? 1.3 : 1.0;
        open({one});
        EXPECT_EQ(sheet->minimumWidth(), int(UiFont::pixels(620 * scale)));
        EXPECT_EQ(sheet->maximumWidth(), int(UiFont::pixels(1000 * scale)));
        EXPECT_EQ(sheet->width(), sheet->minimumWidth());
        EXPECT_EQ(part<QScrollArea>("libraryList")->minimumHeight(), int(UiFont::pixels(210 * scale)));
        EXPECT_DOUBLE_EQ(part<QLabel>("sheetTitle")->font().pointSizeF(), 15 * scale);
        if (!larger)
            widthAtOne = sheet->width();
        else
            EXPECT_GT(sheet->width(), widthAtOne);
        delete sheet.data();
    }
}

TEST(UpdateSheetInTheWindow, EachRequestOpensAFreshSheetAndClosingItClearsTheRequest) {
    test::MainWindowHarness window(QStringLiteral("update-sheet-window"));
    window.start();
    const QString drive = window.plugDrive(QStringLiteral("Work"));
    const LibraryInfo alpha = test::libraryRecord(drive + "/Alpha.fcpbundle", QStringLiteral("Work"));
    window.catalog().seed({.libraries = QList<LibraryInfo>{alpha}});
    const auto openSheet = [&]() -> UpdateSheet* {
        for (UpdateSheet* sheet : window.content().window()->findChildren<UpdateSheet*>())
            if (sheet->isVisible())
                return sheet;
        return nullptr;
    };

    window.content().requestUpdate({alpha});
    window.settle();
    QPointer<UpdateSheet> first = openSheet();
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(first->windowModality(), Qt::WindowModal);
    // The window's prompts answer the sheet's chooser.
    window.prompts->oneFolder = {std::nullopt};
    first->findChild<QPushButton*>(QStringLiteral("choose"))->click();
    EXPECT_EQ(window.prompts->oneFolderChoices.size(), 1);
    first->findChild<QCheckBox*>(QStringLiteral("practice"))->click();
    ASSERT_TRUE(window.content().state().updateRequest.has_value());

    first->findChild<QPushButton*>(QStringLiteral("firstButton"))->click();
    window.settle();
    EXPECT_FALSE(window.content().state().updateRequest.has_value());
    EXPECT_TRUE(first.isNull()) << "the sheet goes with its updater";

    window.content().requestUpdate({alpha});
    window.settle();
    UpdateSheet* second = openSheet();
    ASSERT_NE(second, nullptr);
    EXPECT_TRUE(second->findChild<QCheckBox*>(QStringLiteral("practice"))->isChecked())
        << "choices start anew";
    EXPECT_TRUE(second->updater().items().isEmpty());
    QTest::keyClick(second, Qt::Key_Escape);
    window.settle();
    EXPECT_FALSE(window.content().state().updateRequest.has_value());
}
