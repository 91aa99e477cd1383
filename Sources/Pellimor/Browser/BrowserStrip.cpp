#include "Browser/BrowserStrip.h"

namespace pellimor::BrowserStrip {

namespace {

QString counted(qint64 n, const QString& one, const QString& many) {
    return QString::number(n) + u' ' + (n == 1 ? one : many);
}

} // namespace

QString expandAllTitle() {
    return QStringLiteral("Expand All");
}

QString expandAllTip() {
    return QStringLiteral("Show every event and project");
}

QString collapseAllTitle() {
    return QStringLiteral("Collapse All");
}

QString collapseAllTip() {
    return QStringLiteral("Fold everything back to one line per library");
}

QList<LibraryInfo> updateTargets(const QList<LibraryInfo>& libraries,
                                 const std::function<bool(const LibraryInfo&)>& online,
                                 const std::function<Catalog::UpdateStatus(const LibraryInfo&)>& status) {
    QList<LibraryInfo> targets;
    for (const LibraryInfo& library : libraries) {
        if (library.problem || status(library) != Catalog::UpdateStatus::needsUpdate || !online(library))
            continue;
        targets.append(library);
    }
    return targets;
}

QString updateTitle(qsizetype count, const QString& installed) {
    return QStringLiteral("Update ") + QString::number(count) + QStringLiteral(" to Final Cut ") + installed +
           u'…';
}

QString updateTip() {
    return QStringLiteral(
        "Open each of the libraries listed here in Final Cut Pro, one at a time, and update "
        "it. Narrow the list first (pick a drive in the sidebar, or search).");
}

QString updateSymbol() {
    return QStringLiteral("arrow.up.circle");
}

QList<LibraryInfo> missingTargets(const QList<LibraryInfo>& libraries, bool missingForList, bool canOpen) {
    QList<LibraryInfo> targets;
    if (!missingForList || !canOpen)
        return targets;
    for (const LibraryInfo& library : libraries) {
        if (library.brokenLinks() >= 1)
            targets.append(library);
    }
    return targets;
}

QString missingTitle(qsizetype count) {
    const QString which =
        count == 1 ? QStringLiteral("This Library")
                   : QStringLiteral("These ") + QString::number(count) + QStringLiteral(" Libraries");
    return QStringLiteral("Find Missing Files in ") + which + u'…';
}

QString missingTip() {
    return QStringLiteral("Name every linked file that can't be found in the libraries listed here, look for "
                          "them on your drives, and put them back. For one library, right-click it instead.");
}

QString missingSymbol() {
    return QStringLiteral("questionmark.folder");
}

QStringList summaryParts(const TreeStats& found) {
    QStringList parts;
    if (found.libraries >= 1)
        parts.append(counted(found.libraries, QStringLiteral("library"), QStringLiteral("libraries")));
    if (found.projects > 0)
        parts.append(counted(found.projects, QStringLiteral("project"), QStringLiteral("projects")));
    if (found.events > 0)
        parts.append(counted(found.events, QStringLiteral("event"), QStringLiteral("events")));
    for (const SearchArea area : allSearchAreas()) {
        const qint64 n = found.areas.value(area, 0);
        if (n > 0)
            parts.append(count(area, n));
    }
    return parts;
}

QString summaryText(const TreeStats& found, bool noResults) {
    if (noResults)
        return QStringLiteral("Nothing found. Turn on another choice next to the search field, or try fewer "
                              "words.");
    return QStringLiteral("Found ") + summaryParts(found).join(QStringLiteral(" · "));
}

QString summarySymbol(bool noResults) {
    return noResults ? QStringLiteral("questionmark.circle") : QStringLiteral("text.magnifyingglass");
}

QString summaryHint() {
    return QStringLiteral("Each library shows why it matched. Click its arrow to see everything inside it.");
}

TraceCounts traceCounts(bool searching, const TreeStats& found, qint64 topLevelRows) {
    if (searching)
        return {found.libraries, found.events, found.projects};
    return {topLevelRows, 0, 0};
}

} // namespace pellimor::BrowserStrip
