// The plan: for one library, the chosen events and kinds, exactly what may go and why the
// rest stays.

#include "FreeUpSpace/Cleanup.h"
#include "FreeUpSpace/CleanupFiles.h"
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
    for (const QString& name : events) {
        // Refused before the disk is looked at: such a name would lead out of the library.
        if (name.contains(u'/') || name == QLatin1String("..") || name == QLatin1String(".") ||
            name.isEmpty()) {
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
        for (const GeneratedKind kind : kAllKinds) {
            if (!kinds.contains(kind))
                continue;
            for (const QString& candidate : candidates(kind, event)) {
                if (const Result<void> valid = validate(candidate, lib, name); !valid) {
                    plan.blockers.append(prefix + valid.error());
                    continue;
                }
                const std::optional<qint64> size = safeSize(candidate);
                if (!size) {
                    plan.blockers.append(prefix + PathText::lastComponent(candidate) +
                                         QStringLiteral(" contains links, so it was left alone."));
                    continue;
                }
                if (kind == GeneratedKind::render) {
                    plan.targets.append(CleanupTarget{candidate, kind, name, *size});
                    continue;
                }
                // A proxy or optimized file goes only while its original is in the event:
                // without it Final Cut Pro could not make the file again.
                const SortedFiles sorted = sortByOriginal(candidate, event);
                if (sorted.orphans.isEmpty()) {
                    plan.targets.append(CleanupTarget{candidate, kind, name, *size});
                    continue;
                }
                for (const QString& file : sorted.ok) {
                    if (const std::optional<qint64> fileSize = safeSize(file))
                        plan.targets.append(CleanupTarget{file, kind, name, *fileSize});
                }
                plan.blockers.append(keptText(name, kind, sorted.orphans));
            }
        }
    }
    return plan;
}

} // namespace pellimor::Cleanup
