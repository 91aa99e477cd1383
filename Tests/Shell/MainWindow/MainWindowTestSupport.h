#pragma once

// The windowed application offscreen for the main window's tests: private data folder,
// settings and volumes root, a fake mount watcher, scripted prompts, and a few ways to look
// at what the window shows.

#include "App/NotificationHub.h"
#include "Catalogue/Store/Catalog.h"
#include "Platform/Services.h"
#include "Platform/VolumesRoot.h"
#include "Shell/Views/AppMenuBar.h"
#include "Shell/Views/MainContent.h"
#include "Shell/Views/PellimorApp.h"
#include "Shell/Views/RowTableModel.h"
#include "Support/WorkPool.h"
#include "Tests/Fixtures/LibraryBuilder.h"
#include "Tests/Support/CatalogTestEnv.h"
#include "Tests/Support/FakeMountWatcher.h"
#include "Tests/Support/Scopes.h"
#include "Tests/Support/ScriptedPrompts.h"
#include "Tests/Support/TestEnv.h"

#include <QAction>
#include <QDir>
#include <QHeaderView>
#include <QStackedWidget>
#include <QStringList>
#include <QThreadPool>
#include <memory>

namespace pellimor::test {

// A library bundle with one event holding `media` (original media files of 1000 bytes) and
// one project, written into `folder`; its path.
inline QString writeLibrary(const QString& folder, const QString& name, const QStringList& media = {}) {
    fixtures::LibraryBuilder library(name);
    fixtures::LibraryBuilder::Event& event = library.event(QStringLiteral("Day 1"));
    for (const QString& file : media)
        event.media(file, 1000);
    event.project(QStringLiteral("Main Edit")).clips(2);
    return library.write(folder);
}

// A catalogue record of a library that is not on disk.
inline LibraryInfo libraryRecord(const QString& path, const QString& volume,
                                 const QString& event = QStringLiteral("Day 1")) {
    LibraryInfo library;
    library.path = path;
    library.name = QFileInfo(path).completeBaseName();
    library.volumeName = volume;
    library.scannedAt = QDateTime(QDate(2025, 3, 1), QTime(12, 0), Qt::UTC);
    library.signature = QStringLiteral("1.0|@size|2.0");
    EventInfo info;
    info.name = event;
    info.originalSize = 1000;
    ProjectInfo project;
    project.name = QStringLiteral("Main Edit");
    info.projects.append(project);
    library.events.append(info);
    return library;
}

// The ids of a table's shown columns (`declared` in logical order), in the order they stand.
inline QStringList shownColumns(const QHeaderView& header, const QStringList& declared) {
    QStringList ids;
    for (int visual = 0; visual < header.count(); ++visual) {
        const int logical = header.logicalIndex(visual);
        if (!header.isSectionHidden(logical))
            ids.append(declared.at(logical));
    }
    return ids;
}

// Whether a text-alignment role's value is to the trailing edge.
inline bool trailing(const QVariant& alignment) {
    return Qt::Alignment(alignment.toInt()) & Qt::AlignTrailing;
}

class MainWindowHarness {
public:
    explicit MainWindowHarness(const QString& hint = QStringLiteral("window"))
        : env(hint), volumes(TestEnv::freshDir(hint + QStringLiteral("-volumes"))),
          volumesRoot("TOVLIN_VOLUMES_ROOT", volumes), mountScope(FakeMountWatcher::services(mounts)) {}

    ~MainWindowHarness() {
        if (app) {
            // Background reads hand results back to the catalogue; let them land first.
            CatalogTestEnv::waitUntil([this] { return !app->catalog().isScanning(); });
            workPool()->waitForDone();
            CatalogTestEnv::spin(10);
        }
        app.reset();
    }

    // The application with these arguments (after the program's path), not shown yet.
    void create(const QStringList& arguments = {}) {
        app = std::make_unique<PellimorApp>(QStringList{QStringLiteral("tovlin")} + arguments);
        content().setPrompts(prompts);
    }
    // Shows the main window and lets its first appearance (and any question) run.
    void show() {
        app->showMainWindow();
        settle();
    }
    void start(const QStringList& arguments = {}) {
        create(arguments);
        show();
    }
    // The window shown at `mode` with `libraries` catalogued and the drives named plugged in, no
    // question left from its start, and the path of each library it opens in Final Cut Pro
    // appended to `opened` (which must outlive the window).
    void startWith(const QList<LibraryInfo>& libraries, const QStringList& drives, Mode mode,
                   QStringList& opened) {
        create();
        for (const QString& drive : drives)
            plugDrive(drive);
        catalog().seed({.libraries = libraries});
        show();
        prompts->questions.clear();
        catalog().setOpener([&opened](const LibraryInfo& library) { opened.append(library.path); });
        showMode(mode);
    }
    void showMode(Mode mode) {
        content().setMode(mode);
        settle();
    }

    MainContent& content() const { return app->mainContent(); }
    Catalog& catalog() const { return app->catalog(); }

    // Lets queued work run: at least `ms`, and until no question is still waiting to be shown.
    void settle(int ms = 40) const {
        CatalogTestEnv::spin(ms);
        if (app)
            CatalogTestEnv::waitUntil([this] { return !content().isVisible() || content().isIdle(); });
    }
    bool scanned() const {
        return CatalogTestEnv::waitUntil([this] { return !app->catalog().isScanning(); });
    }

    // A drive folder under this test's volumes root: "plugged in".
    QString plugDrive(const QString& name) const {
        const QString path = QDir(volumes).filePath(name);
        QDir().mkpath(path);
        return path;
    }

    void post(const QString& name, const std::optional<QString>& object = std::nullopt) {
        NotificationHub::shared().post(name, object);
        settle();
    }

    // The text of one column of the table of `mode`, row by row.
    QStringList column(Mode mode, int column = 0) const {
        QStringList cells;
        const RowTableModel* model = content().tableModel(mode);
        for (int row = 0; row < model->rowCount(); ++row)
            cells.append(model->data(model->index(row, column), Qt::DisplayRole).toString());
        return cells;
    }
    QStringList sortedColumn(Mode mode, int column = 0) const {
        QStringList cells = this->column(mode, column);
        cells.sort();
        return cells;
    }
    // The page the detail column shows now (its object name).
    QString page() const {
        const auto* pages = content().findChild<QStackedWidget*>(QStringLiteral("contentPages"));
        return pages && pages->currentWidget() ? pages->currentWidget()->objectName() : QString();
    }

    CatalogTestEnv env;
    const QString volumes;
    ScopedEnvironment volumesRoot;
    const std::shared_ptr<FakeMountWatcher> mounts = std::make_shared<FakeMountWatcher>();
    platform::ScopedServices mountScope;
    const std::shared_ptr<ScriptedPrompts> prompts = std::make_shared<ScriptedPrompts>();
    std::unique_ptr<PellimorApp> app;
};

} // namespace pellimor::test
