#include "Browser/DetailFacts.h"

#include "Catalogue/Records/Fmt.h"
#include "Support/ByteCount.h"
#include "Support/ByteSum.h"

#include <QFileInfo>
#include <QLocale>
#include <QStringList>

namespace pellimor::DetailFacts {

namespace {

const QString kDash = QStringLiteral("—");

// A damaged catalogue can hold any count; the facts show a full count rather than a wrapped one.
template <typename Field> qint64 eventSum(const LibraryInfo& library, Field field) {
    qint64 sum = 0;
    for (const EventInfo& event : library.events)
        sum = ByteSum::saturatingAdd(sum, event.*field);
    return sum;
}

QString dateOrDash(const std::optional<QDateTime>& date) {
    return Fmt::dateOrDash(date.value_or(QDateTime()));
}

} // namespace

Context Context::of(const Catalog& catalog, const LibraryInfo& library) {
    return {catalog.updateStatus(library), catalog.installedFCP().value_or(QString()),
            catalog.comparableLibraries()};
}

QString folder(const LibraryInfo& library) {
    return QFileInfo(library.path).path();
}

QString mediaFiles(qint64 count, qint64 linked) {
    QString text = QLocale().toString(count);
    if (linked >= 1)
        text += QStringLiteral("  (") + QString::number(linked) + QStringLiteral(" linked)");
    return text;
}

QString missingFiles(qint64 broken) {
    return QString::number(broken) + QStringLiteral(" linked media file") +
           (broken == 1 ? QString() : QStringLiteral("s")) + QStringLiteral(" can't be found");
}

QString storage(const LibraryInfo& library) {
    if (library.isNetwork)
        return QStringLiteral("Network (NAS)");
    return library.isInternal ? QStringLiteral("Internal") : QStringLiteral("External");
}

QString updateNote(Catalog::UpdateStatus update, const QString& installedFCP) {
    switch (update) {
    case Catalog::UpdateStatus::needsUpdate:
        return QStringLiteral("  — needs updating for FCP ") + installedFCP +
               QStringLiteral("; FCP will offer when you open it");
    case Catalog::UpdateStatus::tooNew:
        return QStringLiteral("  — newer than your FCP ") + installedFCP +
               QStringLiteral("; update Final Cut Pro to open it");
    case Catalog::UpdateStatus::current:
    case Catalog::UpdateStatus::unknown:
        break;
    }
    return {};
}

qint64 copiesCount(const LibraryInfo& library, const QList<LibraryInfo>& comparable) {
    if (!library.libraryIdentifier)
        return 0;
    qint64 count = 0;
    for (const LibraryInfo& other : comparable) {
        if (other.libraryIdentifier == library.libraryIdentifier)
            ++count;
    }
    return count;
}

QString copyDrives(const QString& identifier, const QString& ownPath, const QList<LibraryInfo>& comparable) {
    QStringList drives;
    for (const LibraryInfo& other : comparable) {
        if (other.libraryIdentifier == identifier && other.path != ownPath)
            drives.append(other.volumeName);
    }
    return drives.join(QStringLiteral(", "));
}

QList<Fact> facts(const LibraryInfo& library, const Context& context) {
    QList<Fact> rows;
    const auto row = [&rows](const QString& label, const QString& value) { rows.append({label, value}); };
    const qint64 broken = eventSum(library, &EventInfo::brokenLinkCount);

    row(QStringLiteral("Folder"), folder(library));
    row(QStringLiteral("Size"), ByteCount::file(library.totalSize()));
    row(QStringLiteral("Events / projects"), QString::number(library.events.size()) + QStringLiteral(" / ") +
                                                 QString::number(library.projectCount()));
    row(QStringLiteral("Media files"), mediaFiles(eventSum(library, &EventInfo::mediaFileCount),
                                                  eventSum(library, &EventInfo::linkedMediaCount)));
    if (broken >= 1)
        row(QStringLiteral("Missing files"), missingFiles(broken));
    row(QStringLiteral("Last modified"), dateOrDash(library.modified));
    row(QStringLiteral("Created"), dateOrDash(library.created));
    row(QStringLiteral("Saved with FCP"),
        library.fcpVersion.value_or(kDash) + updateNote(context.update, context.installedFCP));
    row(QStringLiteral("Last opened by"), library.lastHost.value_or(kDash));
    row(QStringLiteral("Storage"), storage(library));
    row(QStringLiteral("Scanned"), Fmt::dateOrDash(library.scannedAt));
    if (library.libraryIdentifier) {
        const qint64 copies = copiesCount(library, context.comparable);
        if (copies >= 2)
            row(QStringLiteral("Copies"),
                QString::number(copies) + QStringLiteral(" libraries share this ID: ") +
                    copyDrives(*library.libraryIdentifier, library.path, context.comparable));
    }
    if (library.isBackup)
        row(QStringLiteral("Note"), QStringLiteral("This is an FCP backup"));
    return rows;
}

} // namespace pellimor::DetailFacts
