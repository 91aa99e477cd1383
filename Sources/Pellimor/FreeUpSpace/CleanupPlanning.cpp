// The plan: for one library, the chosen events and kinds, exactly what may go and why the
// rest stays.

#include "FreeUpSpace/Cleanup.h"
#include "FreeUpSpace/CleanupChecks.h"
#include "FreeUpSpace/CleanupFiles.h"
#include "Support/OpenFolder.h"
#include "Support/PathText.h"

namespace pellimor::Cleanup {

namespace {

const GeneratedKind kAllKinds[] = {GeneratedKind::proxy, GeneratedKind::optimized, GeneratedKind::render};

CleanupPlan endedWith(const QString& blocker) {
    CleanupPlan plan;
    plan.blockers.append(blocker);
    return plan;
}

QString quoted(const QString& event) {
    return QStringLiteral("“") + event + QStringLiteral("”");
}

bool isLibrary(const QString& lib) {
    if (PathText::extension(PathText::lastComponent(lib)).toLower() != QLatin1String("fcpbundle"))
        return false;
    // Either file alone is enough.
    return CleanupFiles::exists(PathText::childPath(lib, QStringLiteral("CurrentVersion.flexolibrary"))) ||
           CleanupFiles::exists(PathText::childPath(lib, QStringLiteral("CurrentVersion.plist")));
}

// "“N”: kept 5 proxy files with no original in this event, so Final Cut could not recreate
// them (a, b, c and 2 more)."
QString keptText(const QString& event, GeneratedKind kind, const QStringList& orphans) {
    const qsizetype count = orphans.size();
    QStringList shown;
    for (qsizetype i = 0; i < count && i < 3; ++i)
        shown.append(PathText::lastComponent(orphans.at(i)));
    QString text = quoted(event) + QStringLiteral(": kept ") + QString::number(count) + u' ' +
                   rawValue(kind) + (count == 1 ? QStringLiteral(" file") : QStringLiteral(" files")) +
                   QStringLiteral(" with no original in this event, so Final Cut could not recreate ") +
                   (count == 1 ? QStringLiteral("it") : QStringLiteral("them")) + QStringLiteral(" (") +
                   shown.join(QStringLiteral(", "));
    if (count >= 4)
        text += QStringLiteral(" and ") + QString::number(count - 3) + QStringLiteral(" more");
    return text + QStringLiteral(").");
}

// Why a candidate that passed validate() is left alone after all, or nothing.
std::optional<QString> refusalText(Refusal refusal, const QString& candidate) {
    switch (refusal) {
    case Refusal::none:
        return std::nullopt;
    case Refusal::missing:
        return QStringLiteral("not found");
    case Refusal::link:
        return PathText::lastComponent(candidate) + QStringLiteral(" contains links, so it was left alone.");
    case Refusal::mount:
        return PathText::lastComponent(candidate) +
               QStringLiteral(" holds another drive mounted inside it, so it was left alone.");
    }
    return std::nullopt;
}

} // namespace

CleanupPlan plan(const QString& library, const QStringList& events, const QSet<GeneratedKind>& kinds,
                 bool checkFCP) {
    const QString notALibrary = QStringLiteral("This isn't a Final Cut Pro library.");
    const QString lib = CleanupFiles::resolved(library);
    if (!isLibrary(lib))
        return endedWith(notALibrary);
    if (checkFCP && fcpIsRunning())
        return endedWith(
            QStringLiteral("Quit Final Cut Pro first — it must not be running while files are deleted."));

    CleanupPlan plan;
    // Every candidate is measured through folders held open from here, so what is measured is
    // the item found, and no step down crosses a link or another mount.
    const OpenFolder libraryFolder = OpenFolder::open(lib);
    for (const QString& name : events) {
        // Refused before the disk is looked at: such a name would lead out of the library, or,
        // cut at a NUL, to another folder.
        if (!isSingleName(QStringView(name))) {
            plan.blockers.append(QStringLiteral("Invalid event name ") + quoted(name) + u'.');
            continue;
        }
        const QString event = PathText::childPath(lib, name);
        if (!CleanupFiles::exists(PathText::childPath(event, QStringLiteral("CurrentVersion.fcpevent")))) {
            plan.blockers.append(quoted(name) + QStringLiteral(" is not an event in this library."));
            continue;
        }
        const QString prefix = quoted(name) + QStringLiteral(": ");
        if (kinds.contains(GeneratedKind::proxy) || kinds.contains(GeneratedKind::optimized)) {
            if (const std::optional<QString> problem = originalsProblem(event))
                plan.blockers.append(prefix + *problem);
        }
        const OpenFolder eventFolder = libraryFolder.child(CleanupFiles::native(name));
        for (const GeneratedKind kind : kAllKinds) {
            if (!kinds.contains(kind))
                continue;
            for (const QString& candidate : candidates(kind, event)) {
                if (const Result<void> valid = validate(candidate, lib, name); !valid) {
                    plan.blockers.append(prefix + valid.error());
                    continue;
                }
                const Result<QStringList> pieces = placeInEvent(candidate, lib, name);
                const Reached parent =
                    pieces ? openParent(eventFolder, *pieces) : Reached{{}, Refusal::missing};
                const Measured size = parent.folder
                                          ? measure(parent.folder, CleanupFiles::native(pieces->last()))
                                          : Measured{std::nullopt, 0, parent.refusal};
                if (const std::optional<QString> refused = refusalText(size.refusal, candidate)) {
                    plan.blockers.append(prefix + *refused);
                    continue;
                }
                if (kind == GeneratedKind::render) {
                    plan.targets.append(CleanupTarget{candidate, kind, name, size.bytes});
                    continue;
                }
                // A proxy or optimized file goes only while its original is in the event:
                // without it Final Cut Pro could not make the file again.
                const SortedFiles sorted = sortByOriginal(candidate, event);
                if (sorted.orphans.isEmpty()) {
                    plan.targets.append(CleanupTarget{candidate, kind, name, size.bytes});
                    continue;
                }
                // Each file measured in the folder that was measured as a whole.
                const OpenFolder folder = parent.folder.child(CleanupFiles::native(pieces->last()));
                const bool same = folder && folder.facts().sameItem(*size.facts);
                for (const QString& file : sorted.ok) {
                    if (!same)
                        break;
                    const Measured fileSize =
                        measure(folder, CleanupFiles::native(PathText::lastComponent(file)));
                    if (fileSize.refusal == Refusal::none)
                        plan.targets.append(CleanupTarget{file, kind, name, fileSize.bytes});
                }
                plan.blockers.append(keptText(name, kind, sorted.orphans));
            }
        }
    }
    return plan;
}

} // namespace pellimor::Cleanup
