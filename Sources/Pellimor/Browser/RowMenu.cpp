#include "Browser/RowMenu.h"

#include <QFileInfo>

namespace pellimor::RowMenu {

QList<Entry> entries(const std::optional<LibraryInfo>& library, bool online, FindMissing findMissing) {
    if (!library)
        return {};
    QList<Entry> menu{
        {Action::openInFCP, QStringLiteral("Open in Final Cut Pro"), online, false},
        {Action::openEnclosingFolder, QStringLiteral("Open Enclosing Folder"), online, false},
        {Action::reveal, QStringLiteral("Reveal in Finder"), online, false},
        {Action::rescan, QStringLiteral("Rescan Data"), online, true},
        {Action::freeUpSpace, QStringLiteral("Free Up Space…"), online, false},
    };
    if (findMissing != FindMissing::omitted) {
        const bool enabled = online && library->brokenLinks() > 0 && findMissing == FindMissing::available;
        menu.append({Action::findMissing, QStringLiteral("Find Missing Files…"), enabled, false});
    }
    return menu;
}

QString enclosingFolder(const QString& libraryPath) {
    return QFileInfo(libraryPath).absolutePath();
}

} // namespace pellimor::RowMenu
