// The missing-files sheet's detail panel, as values.

#include "MissingFiles/MissingSheetDetail.h"

#include "Catalogue/Records/Fmt.h"
#include "FreeUpSpace/CleanupFiles.h"
#include "MissingFiles/MissingFiles.h"
#include "Support/ByteCount.h"

#include <QDateTime>
#include <sys/stat.h>

namespace pellimor::MissingSheet {

std::optional<MissingFile> selected(const MissingSheetState& state) {
    return firstOf(files(state), state.selection);
}

std::optional<QString> fileFacts(const QString& path) {
    const std::optional<struct stat> facts = CleanupFiles::itemFacts(CleanupFiles::native(path));
    if (!facts)
        return std::nullopt;
    const QDateTime modified = QDateTime::fromMSecsSinceEpoch(
        qint64(facts->st_mtim.tv_sec) * 1000 + facts->st_mtim.tv_nsec / 1000000, Qt::UTC);
    return ByteCount::file(qint64(facts->st_size)) + QStringLiteral("  ·  changed ") +
           Fmt::dateOrDash(modified);
}

PathLine pathLine(const QString& label, const QString& path, bool exists, const Row* candidateFor,
                  const MissingSheetState& state) {
    PathLine line;
    line.label = label;
    line.path = path;
    if (!exists)
        return line;
    line.facts = fileFacts(path);
    line.actions = true;
    if (!candidateFor)
        return line;
    const MissingFile& file = candidateFor->file;
    if (candidateFor->choice.path == path) {
        const bool picked = state.picked.value(file.id()) == path;
        line.mark = picked ? PathLine::Mark::chosenByYou : PathLine::Mark::willBeUsed;
        line.undo = picked;
    } else {
        line.useThisOne = true;
        line.useTip =
            QStringLiteral("Mark this as the right file. Copy Into Library in step 3 will then use it for ") +
            file.name + u'.';
    }
    return line;
}

Detail detail(const MissingSheetState& state, const Row& row) {
    const MissingFile& file = row.file;
    Detail shown;
    shown.id = file.id();
    shown.heading = file.name + QStringLiteral("  ·  ") + file.event + QStringLiteral("  ·  ") +
                    file.library + QStringLiteral(" (") + file.drive + u')';
    shown.wasAt = pathLine(QStringLiteral("Was at"), file.target, false, nullptr, state);
    if (const std::optional<MissingFiles::Match>& match = row.choice.match)
        shown.match = MatchLine{match->isStrong() ? QStringLiteral("checkmark.seal")
                                                  : QStringLiteral("exclamationmark.triangle"),
                                match->label() + QStringLiteral(". ") + explanation(*match), tone(*match)};
    for (const QString& place : row.places)
        shown.found.append(pathLine(QStringLiteral("Found"), place, true, &row, state));
    for (const QString& text : row.list)
        if (MissingFiles::isLead(text))
            shown.leads.append(text);
    shown.notFound = row.places.isEmpty() && state.searchedIn.has_value();
    return shown;
}

} // namespace pellimor::MissingSheet
