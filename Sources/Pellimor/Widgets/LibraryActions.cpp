#include "Widgets/LibraryActions.h"

#include "Browser/DetailFacts.h"
#include "Catalogue/Store/Catalog.h"
#include "Platform/Services.h"

#include <QMenu>

namespace pellimor::LibraryActions {

void openFolder(const LibraryInfo& library) {
    if (const std::shared_ptr<platform::FileManagerShell> shell = platform::services().shell)
        shell->open(DetailFacts::folder(library));
}

std::unique_ptr<QMenu> menu(QWidget* parent, Catalog& catalog, const LibraryInfo& library) {
    const bool online = catalog.isOnline(library);
    auto menu = std::make_unique<QMenu>(parent);
    QAction* finalCut = menu->addAction(QStringLiteral("Open in Final Cut Pro"));
    finalCut->setEnabled(online);
    QObject::connect(finalCut, &QAction::triggered, menu.get(),
                     [&catalog, library] { catalog.openInFCP(library); });
    QAction* folder = menu->addAction(QStringLiteral("Open Enclosing Folder"));
    folder->setEnabled(online);
    QObject::connect(folder, &QAction::triggered, menu.get(), [library] { openFolder(library); });
    return menu;
}

} // namespace pellimor::LibraryActions
