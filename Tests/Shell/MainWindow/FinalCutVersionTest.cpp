// The installed Final Cut Pro's version in the main window: read as the catalogue starts and
// again when the program becomes active, never per library shown or per redraw; a version
// that changed meanwhile redraws the version column and the sidebar's "needs update" filter.

#include "Catalogue/Reader/Plugins.h"
#include "Tests/Shell/MainWindow/MainWindowTestSupport.h"

#include <QDir>
#include <QGuiApplication>
#include <gtest/gtest.h>

using namespace pellimor;
using test::MainWindowHarness;

namespace {

constexpr int kVersionColumn = 10; // "FCP version"

} // namespace

TEST(FinalCutVersionInTheWindow, ReadOnceHoweverManyLibrariesAndAgainOnActivation) {
    MainWindowHarness window(QStringLiteral("fcp-version"));
    window.env.finalCut->setLocation(QStringLiteral("/Applications/Final Cut Pro.app"));
    window.env.finalCut->setVersion(QStringLiteral("10.4.1"));
    // The plug-in checker reads the version too, for its own list, once per process: done
    // before counting.
    Plugins::appleFxPlugIDs();
    window.create();
    const int started = window.env.finalCut->infoCalls();
    EXPECT_GE(started, 1); // as the catalogue started

    const QString media = window.plugDrive(QStringLiteral("Media"));
    QList<LibraryInfo> libraries;
    for (int i = 0; i < 40; ++i) {
        LibraryInfo library = test::libraryRecord(
            QDir(media).filePath(QStringLiteral("Library %1.fcpbundle").arg(i, 2, 10, QLatin1Char('0'))),
            QStringLiteral("Media"));
        library.fcpVersion = QStringLiteral("10.4.1");
        libraries.append(library);
    }
    window.catalog().seed({.libraries = libraries});
    window.show();
    window.content().setMode(Mode::libraries);
    window.settle();
    EXPECT_EQ(window.column(Mode::libraries, kVersionColumn), QStringList(40, QStringLiteral("10.4.1 ✓")));
    // Forty libraries drawn; the window's first activation may have read it once more.
    const int reads = window.env.finalCut->infoCalls();
    EXPECT_LE(reads, started + 1);

    // Redraws of every kind: the sidebar's update filter, a status text, another tab and back.
    window.content().setSidebar({SidebarItem(SidebarItem::Kind::needsUpdate)});
    window.settle();
    EXPECT_EQ(window.content().content(), MainContent::Content::filteredEmpty);
    window.catalog().setStatus(QStringLiteral("Looking around"));
    window.content().setMode(Mode::events);
    window.settle();
    window.content().setMode(Mode::libraries);
    window.settle();
    EXPECT_EQ(window.env.finalCut->infoCalls(), reads);

    // Updated while the program was in the background: seen once it is active again.
    window.env.finalCut->setVersion(QStringLiteral("11.0"));
    window.settle();
    EXPECT_EQ(window.content().content(), MainContent::Content::filteredEmpty);
    auto* gui = qobject_cast<QGuiApplication*>(QCoreApplication::instance());
    ASSERT_NE(gui, nullptr);
    Q_EMIT gui->applicationStateChanged(Qt::ApplicationActive);
    window.settle();
    EXPECT_EQ(window.env.finalCut->infoCalls(), reads + 1);
    EXPECT_EQ(window.content().content(), MainContent::Content::tab);
    EXPECT_EQ(window.column(Mode::libraries, kVersionColumn),
              QStringList(40, QStringLiteral("10.4.1 → 11.0")));
}
