// A library's details on their own, offscreen: which controls can act on an offline library,
// what forgetting leaves on disk, the clipboard, the row that fits, the poster, and the focused
// project.

#include "Browser/Views/LibraryDetail.h"

#include "Browser/Views/EventBlock.h"
#include "Browser/Views/FolderLink.h"
#include "Browser/Views/PosterImage.h"
#include "Browser/Views/PosterView.h"
#include "Browser/Views/ProjectLine.h"
#include "Tests/Support/CatalogTestEnv.h"
#include "Tests/Support/RecordingFileManager.h"
#include "Tests/Support/ScriptedPrompts.h"
#include "Tests/Support/TempFiles.h"

#include <QApplication>
#include <QClipboard>
#include <QDirIterator>
#include <QImage>
#include <QPainter>
#include <QTest>
#include <QToolButton>
#include <gtest/gtest.h>

using namespace pellimor;
using test::ScriptedPrompts;

namespace {

struct FileState {
    QByteArray bytes;
    QDateTime modified;
    bool operator==(const FileState&) const = default;
};

// Every file and folder below `root`, with its bytes and modification time.
QMap<QString, FileState> snapshot(const QString& root) {
    QMap<QString, FileState> files;
    QDirIterator it(root, QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden,
                    QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString path = it.next();
        const QFileInfo info(path);
        files.insert(path, {info.isFile() ? test::readAll(path) : QByteArray(), info.lastModified()});
    }
    files.insert(root, {QByteArray(), QFileInfo(root).lastModified()});
    return files;
}

QImage picture(const QSize& size, const QColor& color) {
    QImage image(size, QImage::Format_RGB32);
    image.fill(color);
    return image;
}

class LibraryDetailTest : public ::testing::Test {
protected:
    void SetUp() override {
        catalog = env.makeCatalog();
        detail = std::make_unique<LibraryDetail>(*catalog);
        detail->setHooks({[this]() -> Prompts& { return *prompts; },
                          [this](const LibraryInfo& l) { cleanups.append(l.path); },
                          [this](const QList<LibraryInfo>& ls) { missing.append(ls); }});
        detail->resize(900, 900);
        detail->show();
    }
    void TearDown() override {
        detail.reset();
        catalog.reset();
    }

    // A library bundle on disk (so it is online) with one event and one project.
    LibraryInfo onDisk(const QString& name, qint64 clearable = 4096, qint64 broken = 0) {
        const QString bundle = QDir(folder).filePath(name + ".fcpbundle");
        test::writeFile(bundle + "/CurrentVersion.flexolibrary", "library database");
        test::writeFile(bundle + "/Day 1/Original Media/A001.mov", QByteArray(3000, 'm'));
        LibraryInfo l;
        l.path = bundle;
        l.name = name;
        l.volumeName = "Macintosh HD";
        l.scannedAt = QDateTime(QDate(2025, 3, 1), QTime(12, 0), Qt::UTC);
        EventInfo e;
        e.name = "Day 1";
        e.originalSize = 3000;
        e.renderSize = clearable;
        e.brokenLinkCount = broken;
        ProjectInfo p;
        p.name = "Main Edit";
        e.projects = {p};
        l.events = {e};
        return l;
    }
    void show(const LibraryInfo& l, const std::optional<ProjectFocus>& focus = std::nullopt) {
        QList<LibraryInfo> all = catalog->libraries();
        all.removeIf([&](const LibraryInfo& x) { return x.path == l.path; });
        all.append(l);
        catalog->seed({.libraries = all});
        detail->present(l, focus);
        settle();
    }
    void settle() {
        QApplication::processEvents();
        QApplication::processEvents();
    }
    template <typename T = QToolButton> T* control(const char* name, bool titled = true) {
        QWidget* row = detail->actionRow(titled);
        T* found = row ? row->findChild<T*>(QLatin1String(name)) : nullptr;
        if (!found && detail->widget())
            found = detail->widget()->findChild<T*>(QLatin1String(name));
        return found;
    }

    test::CatalogTestEnv env{QStringLiteral("library-detail")};
    const QString folder = test::TestEnv::freshDir(QStringLiteral("library-detail-bundles"));
    std::unique_ptr<Catalog> catalog;
    std::unique_ptr<LibraryDetail> detail;
    std::shared_ptr<ScriptedPrompts> prompts = std::make_shared<ScriptedPrompts>();
    QStringList cleanups;
    QList<QList<LibraryInfo>> missing;
};

} // namespace

TEST_F(LibraryDetailTest, anOfflineLibraryLeavesOnlyCopyAndForget) {
    LibraryInfo offline = onDisk("Gone", 4096, 2);
    offline.path = QDir(folder).filePath("Not here.fcpbundle");
    show(offline);

    for (const bool titled : {true, false}) {
        for (const char* needsDisk : {"revealButton", "openFolderButton", "openInFinalCutButton"}) {
            ASSERT_NE(control(needsDisk, titled), nullptr) << needsDisk;
            EXPECT_FALSE(control(needsDisk, titled)->isEnabled())
                << needsDisk << (titled ? " titled" : " icons");
        }
        EXPECT_TRUE(control("copyPathButton", titled)->isEnabled());
        EXPECT_TRUE(control("forgetButton", titled)->isEnabled());
    }
    EXPECT_FALSE(control("cleanupButton")->isEnabled());
    ASSERT_NE(control("missingFilesButton"), nullptr);
    EXPECT_FALSE(control("missingFilesButton")->isEnabled());
    ASSERT_NE(control<FolderLink>("folderLink"), nullptr);
    EXPECT_FALSE(control<FolderLink>("folderLink")->isEnabled());
    EXPECT_TRUE(detail->shownText().contains("\nNot connected\n"));

    // Disabled controls act on nothing even when pressed by other means.
    auto files = std::make_shared<test::RecordingFileManager>();
    platform::ScopedServices scope(test::RecordingFileManager::services(files));
    for (const char* name : {"revealButton", "openFolderButton"})
        control(name)->click();
    control<FolderLink>("folderLink")->click();
    EXPECT_TRUE(files->revealed.isEmpty());
    EXPECT_TRUE(files->opened.isEmpty());
}

TEST_F(LibraryDetailTest, anOnlineLibraryRevealsOpensAndHandsItselfOn) {
    const LibraryInfo library = onDisk("Wedding", 4096, 1);
    show(library);
    auto files = std::make_shared<test::RecordingFileManager>();
    platform::ScopedServices scope(test::RecordingFileManager::services(files));
    QStringList opened;
    catalog->setOpener([&opened](const LibraryInfo& l) { opened.append(l.path); });

    control("revealButton")->click();
    control("openFolderButton")->click();
    control<FolderLink>("folderLink")->click();
    control("openInFinalCutButton")->click();
    EXPECT_EQ(files->revealed, QStringList{library.path});
    EXPECT_EQ(files->opened, (QStringList{folder, folder}));
    EXPECT_EQ(opened, QStringList{library.path});

    // The two sheets are the window's: the panel asks for them with this library alone.
    control("cleanupButton")->click();
    control("missingFilesButton")->click();
    EXPECT_EQ(cleanups, QStringList{library.path});
    ASSERT_EQ(missing.size(), 1);
    ASSERT_EQ(missing[0].size(), 1);
    EXPECT_EQ(missing[0][0].path, library.path);
}

TEST_F(LibraryDetailTest, theSpaceAndMissingButtonsFollowTheLibrary) {
    struct Case {
        const char* what;
        qint64 clearable;
        qint64 broken;
        bool cleanupEnabled;
        QString cleanupTitle;
        std::optional<QString> missingTitle; // nothing: no button
        QString missingTipPart;
    };
    const Case cases[] = {
        {"nothing to clear", 0, 0, false, "Free Up Space… (Zero KB)", std::nullopt, {}},
        {"one broken link", 4096, 1, true, "Free Up Space… (4 KB)", "Find Missing Files… (1)",
         "links to 1 file that"},
        {"two broken links", 4096, 2, true, "Free Up Space… (4 KB)", "Find Missing Files… (2)",
         "links to 2 files that"},
    };
    for (const Case& c : cases) {
        show(onDisk("Case", c.clearable, c.broken));
        QToolButton* cleanup = control("cleanupButton");
        ASSERT_NE(cleanup, nullptr) << c.what;
        EXPECT_EQ(cleanup->text(), c.cleanupTitle) << c.what;
        EXPECT_EQ(cleanup->isEnabled(), c.cleanupEnabled) << c.what;
        QToolButton* find = control("missingFilesButton");
        ASSERT_EQ(find != nullptr, c.missingTitle.has_value()) << c.what;
        if (find) {
            EXPECT_EQ(find->text(), *c.missingTitle) << c.what;
            EXPECT_TRUE(find->toolTip().contains(c.missingTipPart)) << find->toolTip().toStdString();
            EXPECT_TRUE(find->isEnabled()) << c.what;
        }
    }
}

TEST_F(LibraryDetailTest, forgettingAsksFirstAndLeavesTheBundleAlone) {
    LibraryInfo library = onDisk("The \"Big\" Day");
    LibraryInfo other = onDisk("Other");
    show(other);
    show(library);
    const QMap<QString, FileState> before = snapshot(library.path);
    ASSERT_GE(before.size(), 4);

    // "Cancel", and a dismissed question, change nothing.
    prompts->answers = {QStringLiteral("Cancel"), std::nullopt};
    control("forgetButton")->click();
    control("forgetButton", false)->click();
    ASSERT_EQ(prompts->questions.size(), 2);
    EXPECT_EQ(catalog->libraries().size(), 2);
    const ScriptedPrompts::Question& asked = prompts->questions.first();
    EXPECT_EQ(asked.title, "Forget “The \"Big\" Day” from the catalog?");
    EXPECT_EQ(
        asked.message,
        "The library file on disk is not changed or deleted. Only this app’s catalog entry is removed.");
    EXPECT_EQ(ScriptedPrompts::titles(asked),
              (QStringList{"Forget from Catalog (destructive)", "Cancel (cancel)"}));

    prompts->answers = {QStringLiteral("Forget from Catalog")};
    control("forgetButton")->click();
    ASSERT_EQ(catalog->libraries().size(), 1);
    EXPECT_EQ(catalog->libraries().first().path, other.path);
    EXPECT_EQ(snapshot(library.path), before);

    // The panel still shows the forgotten library until the window moves on; it acts on
    // nothing the catalogue no longer holds.
    auto files = std::make_shared<test::RecordingFileManager>();
    platform::ScopedServices scope(test::RecordingFileManager::services(files));
    prompts->answers = {QStringLiteral("Forget from Catalog")};
    control("forgetButton")->click();
    control("revealButton")->click();
    control("cleanupButton")->click();
    EXPECT_EQ(prompts->questions.size(), 3);
    EXPECT_TRUE(files->revealed.isEmpty());
    EXPECT_TRUE(cleanups.isEmpty());
    EXPECT_EQ(catalog->libraries().size(), 1);
}

TEST_F(LibraryDetailTest, forgettingAnOfflineLibraryWorks) {
    LibraryInfo offline = onDisk("Away");
    offline.path = QDir(folder).filePath("Away elsewhere.fcpbundle");
    show(offline);
    prompts->answers = {QStringLiteral("Forget from Catalog")};
    control("forgetButton")->click();
    EXPECT_TRUE(catalog->libraries().isEmpty());
}

TEST_F(LibraryDetailTest, copyingReplacesTheClipboard) {
    const LibraryInfo library = onDisk("Clip");
    show(library);
    QApplication::clipboard()->setText("something else");
    control("copyPathButton", false)->click();
    EXPECT_EQ(QApplication::clipboard()->text(), library.path);
}

TEST_F(LibraryDetailTest, aNarrowPanelShowsIconsAndWideningBringsTheTitlesBack) {
    show(onDisk("Sized"));
    EXPECT_TRUE(detail->showsTitledActions());
    EXPECT_TRUE(detail->actionRow(true)->isVisible());

    detail->resize(260, 900);
    settle();
    EXPECT_FALSE(detail->showsTitledActions());
    EXPECT_TRUE(detail->actionRow(false)->isVisible());
    EXPECT_FALSE(detail->actionRow(true)->isVisible());
    // The icon-only row still names every control for a screen reader.
    EXPECT_EQ(control("revealButton", false)->accessibleName(), "Reveal in Finder");
    EXPECT_EQ(control("forgetButton", false)->accessibleName(), "Forget from Catalog…");

    detail->resize(900, 900);
    settle();
    EXPECT_TRUE(detail->showsTitledActions());
    EXPECT_TRUE(detail->actionRow(true)->isVisible());
}

TEST_F(LibraryDetailTest, theSameLibraryAgainBuildsNothingAndAChangeRebuilds) {
    LibraryInfo library = onDisk("Steady");
    show(library);
    const qint64 builds = detail->builds();
    detail->present(library, std::nullopt);
    detail->present(library, std::nullopt);
    EXPECT_EQ(detail->builds(), builds);

    library.events[0].brokenLinkCount = 5;
    show(library);
    EXPECT_EQ(detail->builds(), builds + 1);
    detail->present(library, ProjectFocus{"Day 1", "Main Edit"});
    EXPECT_EQ(detail->builds(), builds + 2);
    // The drive's role is part of what is shown.
    catalog->seed({.driveRoles = QMap<QString, QString>{{"Macintosh HD", "backup"}}});
    detail->present(library, ProjectFocus{"Day 1", "Main Edit"});
    EXPECT_EQ(detail->builds(), builds + 3);
    EXPECT_TRUE(detail->shownText().contains("\nBACKUP DRIVE\n"));
}

TEST_F(LibraryDetailTest, theFocusedProjectIsPickedOutInItsOwnEventOnly) {
    LibraryInfo library = onDisk("Focus");
    EventInfo second = library.events[0];
    second.name = "Day 2";
    library.events.append(second);
    const auto named = [](const QString& name) {
        ProjectInfo p;
        p.name = name;
        return p;
    };
    EventInfo barred;
    barred.name = "A|B";
    barred.projects = {named("C")};
    EventInfo plain;
    plain.name = "A";
    plain.projects = {named("B|C")};
    library.events.append(barred);
    library.events.append(plain);

    const auto focused = [this] {
        QStringList names;
        for (const ProjectLine* line : detail->widget()->findChildren<ProjectLine*>()) {
            if (line->isFocused())
                names.append(line->parentWidget()->accessibleName() + " / " + line->name());
        }
        return names;
    };
    show(library, ProjectFocus{"Day 2", "Main Edit"});
    EXPECT_EQ(focused(), QStringList{"Day 2 / Main Edit"});
    show(library, ProjectFocus{"A|B", "C"});
    EXPECT_EQ(focused(), QStringList{"A|B / C"});
    show(library, ProjectFocus{"A", "B|C"});
    EXPECT_EQ(focused(), QStringList{"A / B|C"});
    show(library, std::nullopt);
    EXPECT_TRUE(focused().isEmpty());
}

TEST_F(LibraryDetailTest, aPosterThatCannotBeReadLeavesThePlaceholder) {
    const QString posters = catalog->posterDir();
    ASSERT_TRUE(QDir().mkpath(posters));
    QImage good = picture(QSize(160, 90), Qt::red);
    ASSERT_TRUE(good.save(QDir(posters).filePath("good.png")));
    test::writeFile(QDir(posters).filePath("empty.jpg"), {});
    test::writeFile(QDir(posters).filePath("text.jpg"), "not a picture at all");
    ASSERT_TRUE(QDir().mkpath(QDir(posters).filePath("folder.jpg")));
    // A bitmap whose header claims 100000 × 100000 pixels, cut short after the header.
    QByteArray huge("BM");
    const auto le32 = [&huge](quint32 v) {
        for (int i = 0; i < 4; ++i)
            huge.append(char((v >> (8 * i)) & 0xff));
    };
    const auto le16 = [&huge](quint16 v) {
        huge.append(char(v & 0xff));
        huge.append(char(v >> 8));
    };
    le32(54 + 16); // file size (a lie)
    le32(0);       // reserved
    le32(54);      // pixel data offset
    le32(40);      // header size
    le32(100000);  // width
    le32(100000);  // height
    le16(1);       // planes
    le16(24);      // bits per pixel
    le32(0);       // no compression
    le32(0);
    le32(2835);
    le32(2835);
    le32(0);
    le32(0);
    huge.append(QByteArray(16, '\0'));
    test::writeFile(QDir(posters).filePath("huge.bmp"), huge);

    struct Case {
        const char* file;
        bool picture;
    };
    const Case cases[] = {
        {"good.png", true},    {"missing.jpg", false}, {"empty.jpg", false},           {"text.jpg", false},
        {"folder.jpg", false}, {"huge.bmp", false},    {"../posters/good.png", false},
    };
    for (const Case& c : cases) {
        LibraryInfo library = onDisk("Poster");
        library.events[0].poster = QString::fromLatin1(c.file);
        show(library);
        auto* poster = detail->widget()->findChild<PosterView*>("libraryPoster");
        ASSERT_NE(poster, nullptr) << c.file;
        EXPECT_EQ(poster->showsPicture(), c.picture) << c.file;
        // The event's block shows the picture or nothing at all.
        auto* block = detail->widget()->findChild<EventBlock*>();
        ASSERT_NE(block, nullptr) << c.file;
        EXPECT_EQ(block->showsPoster(), c.picture) << c.file;
    }
}

TEST(PosterImage, aPictureIsScaledToFillAndCutAroundItsCentre) {
    // 400 × 100: filling 128 × 72 scales by 0.72 to 288 × 72 and keeps the middle 128 columns,
    // which come from the source's middle 178.
    QImage source = picture(QSize(400, 100), Qt::red);
    {
        QPainter painter(&source);
        painter.fillRect(QRect(111, 0, 178, 100), Qt::green);
    }
    const QString file = QDir(test::TestEnv::freshDir("poster-image")).filePath("wide.png");
    ASSERT_TRUE(source.save(file));
    const QImage shown = PosterImage::load(file, QSize(128, 72));
    ASSERT_EQ(shown.size(), QSize(128, 72));
    for (const QPoint at : {QPoint(2, 2), QPoint(64, 36), QPoint(125, 70)})
        EXPECT_EQ(QColor(shown.pixel(at)), QColor(Qt::green)) << at.x() << "," << at.y();

    EXPECT_EQ(PosterImage::path("/data/posters", "a.jpg"), "/data/posters/a.jpg");
    for (const char* bad : {"", ".", "..", "../a.jpg", "/etc/passwd", "sub/a.jpg"})
        EXPECT_EQ(PosterImage::path("/data/posters", bad), std::nullopt) << bad;
}
