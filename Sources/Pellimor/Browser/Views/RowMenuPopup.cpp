#include "Browser/Views/RowMenuPopup.h"

#include "Catalogue/Store/Catalog.h"
#include "Platform/Services.h"
#include "Widgets/LiteralTitle.h"

#include <QHash>
#include <QMenu>
#include <QPoint>

namespace pellimor::RowMenuPopup {

std::optional<RowMenu::Action> exec(const QList<RowMenu::Entry>& entries, QWidget* parent,
                                    const QPoint& globalPos, const QString& objectName) {
    if (entries.isEmpty())
        return std::nullopt;
    QMenu menu(parent);
    menu.setObjectName(objectName);
    QHash<QAction*, RowMenu::Action> actions;
    for (const RowMenu::Entry& entry : entries) {
        if (entry.separatorBefore)
            menu.addSeparator();
        QAction* item = menu.addAction(literalTitle(entry.label));
        item->setEnabled(entry.enabled);
        actions.insert(item, entry.action);
    }
    QAction* chosen = menu.exec(globalPos);
    if (!chosen || !actions.contains(chosen))
        return std::nullopt;
    return actions.value(chosen);
}

void perform(Catalog& catalog, const LibraryInfo& library, RowMenu::Action action, const Sheets& sheets) {
    const std::shared_ptr<platform::FileManagerShell> shell = platform::services().shell;
    switch (action) {
    case RowMenu::Action::openInFCP:
        catalog.openInFCP(library);
        break;
    case RowMenu::Action::openEnclosingFolder:
        if (shell)
            shell->open(RowMenu::enclosingFolder(library.path));
        break;
    case RowMenu::Action::reveal:
        if (shell)
            shell->reveal(library.path);
        break;
    case RowMenu::Action::rescan:
        catalog.reread(library, std::nullopt);
        break;
    case RowMenu::Action::freeUpSpace:
        if (sheets.cleanup)
            sheets.cleanup(library);
        break;
    case RowMenu::Action::findMissing:
        if (sheets.missing)
            sheets.missing({library});
        break;
    }
}

} // namespace pellimor::RowMenuPopup
