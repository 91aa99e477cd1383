// The list of missing files a user saves, as plain text.

#include "Catalogue/Records/Fmt.h"
#include "MissingFiles/MissingFiles.h"
#include "Support/TextCompare.h"

#include <algorithm>

namespace pellimor::MissingFiles {

namespace {

QString counted(qsizetype count, const char* one, const char* many) {
    return QString::number(count) + u' ' + QString::fromLatin1(count == 1 ? one : many);
}

// The distinct values in plain code-point order, so the list reads the same in every language.
QStringList sortedDistinct(QStringList values) {
    std::sort(values.begin(), values.end(), TextCompare::codePointLess);
    values.erase(std::unique(values.begin(), values.end()), values.end());
    return values;
}

} // namespace

QString report(const QList<MissingFile>& files, const Found& found,
               const std::optional<QStringList>& searched, const QHash<QString, QString>& picked,
               const QDateTime& now) {
    QStringList libraryPaths;
    for (const MissingFile& file : files)
        libraryPaths.append(file.libraryPath);
    libraryPaths = sortedDistinct(libraryPaths);

    QStringList lines;
    lines.append(QStringLiteral("Missing original files — Tovlin, ") + Fmt::dateOrDash(now));
    lines.append(counted(files.size(), "file", "files") + QStringLiteral(" in ") +
                 counted(libraryPaths.size(), "library", "libraries"));
    lines.append(QStringLiteral("These files are linked into the library, not copied, and the file each link "
                                "points to can't be found."));

    if (searched) {
        qsizetype foundCount = 0;
        qsizetype leadsOnly = 0;
        for (const MissingFile& file : files) {
            const QStringList list = found.value(file.wantedName());
            if (wasFound(list))
                ++foundCount;
            else if (!list.isEmpty())
                ++leadsOnly;
        }
        lines.append(QStringLiteral("Looked in: ") + searched->join(QStringLiteral(", ")));
        QString counts = QString::number(foundCount) + QStringLiteral(" found by name, ") +
                         QString::number(files.size() - foundCount) + QStringLiteral(" not found");
        if (leadsOnly != 0)
            counts += QStringLiteral(" (") + QString::number(leadsOnly) +
                      QStringLiteral(" of those may be on a drive that is not connected)");
        lines.append(counts);
        lines.append(QStringLiteral("A file is matched by its name only. Check it is the right one before "
                                    "relinking in Final Cut (File ▸ Relink Files)."));
    }

    for (const QString& libraryPath : libraryPaths) {
        QList<const MissingFile*> inLibrary;
        QStringList events;
        for (const MissingFile& file : files) {
            if (file.libraryPath != libraryPath)
                continue;
            inLibrary.append(&file);
            events.append(file.event);
        }
        const MissingFile& first = *inLibrary.front();
        lines.append(QString());
        lines.append(QStringLiteral("Library: ") + first.library + QStringLiteral("  (") + first.drive +
                     u')');
        lines.append(libraryPath);

        for (const QString& event : sortedDistinct(events)) {
            QList<const MissingFile*> inEvent;
            for (const MissingFile* file : inLibrary)
                if (file->event == event)
                    inEvent.append(file);
            lines.append(QStringLiteral("  Event: ") + event + QStringLiteral(" (") +
                         QString::number(inEvent.size()) + u')');
            for (const MissingFile* file : inEvent) {
                lines.append(QStringLiteral("    ") + file->name);
                lines.append(QStringLiteral("        was at: ") + file->target);
                const auto entry = found.constFind(file->wantedName());
                if (entry == found.cend()) {
                    if (searched)
                        lines.append(QStringLiteral("        not found"));
                    continue;
                }
                for (const QString& text : *entry)
                    lines.append(QStringLiteral("        found:  ") + text);
                const auto pick = picked.constFind(file->id());
                const Candidate proposed =
                    candidate(*file, *entry, pick == picked.cend() ? std::nullopt : std::optional(*pick));
                if (!proposed.match)
                    continue;
                QString match = QStringLiteral("        match:  ") + proposed.match->label();
                // With one text there is nothing to choose from, so the path would only repeat it.
                if (proposed.match->isStrong() && proposed.path && entry->size() >= 2)
                    match += QStringLiteral(" — ") + *proposed.path;
                lines.append(match);
            }
        }
    }
    return lines.join(u'\n') + u'\n';
}

} // namespace pellimor::MissingFiles
