// The found dictionary, the broken links of libraries and the search in the catalogue.

#include "MissingFiles/MissingFiles.h"

#include "Catalogue/Reader/LibraryReader.h"
#include "FreeUpSpace/Cleanup.h"
#include "FreeUpSpace/CleanupFiles.h"
#include "Support/OpenFolder.h"
#include "Support/PathText.h"

#include <QDir>
#include <QMetaObject>

namespace pellimor::MissingFiles {

namespace {

const QString kLeadEnd = QStringLiteral("so this was not checked)");

bool isAscii(const QString& text) {
    for (const QChar c : text)
        if (c.unicode() >= 0x80)
            return false;
    return true;
}

// The composed form, without the normaliser's cost for the plain names most files have.
QString composed(const QString& text) {
    return isAscii(text) ? text : text.normalized(QString::NormalizationForm_C);
}

QString key(const QString& libraryPath, const QString& event, const QString& name) {
    return composed(libraryPath) + u'|' + composed(event) + u'|' + name;
}

} // namespace

Post postTo(QObject* context) {
    return [context](std::function<void()> call) {
        QMetaObject::invokeMethod(context, std::move(call), Qt::QueuedConnection);
    };
}

QString nameKey(const QString& name) {
    return composed(name).toLower();
}

QString lead(const QString& path, const QString& drive) {
    return path + QStringLiteral("  (drive ") + drive + QStringLiteral(" is not connected, ") + kLeadEnd;
}

bool isLead(const QString& text) {
    return text.endsWith(kLeadEnd);
}

bool add(const QString& text, const QString& name, Found& found) {
    QStringList& list = found[name];
    if (list.size() >= kMaxFound || list.contains(text))
        return false;
    list.append(text);
    return true;
}

bool wasFound(const QStringList& list) {
    return std::any_of(list.cbegin(), list.cend(), [](const QString& text) { return !isLead(text); });
}

QList<MissingFile> collect(const QList<LibraryInfo>& libraries) {
    QList<MissingFile> files;
    for (const LibraryInfo& library : libraries) {
        // A catalogued path that cannot be one would be read as another place.
        if (!isPlainPath(library.path))
            continue;
        for (const QString& event : LibraryReader::eventFolders(library.path))
            for (const Cleanup::MissingOriginal& link : Cleanup::missingOriginals(event))
                files.append(MissingFile{library.name, library.path, library.volumeName, link.event,
                                         link.name, link.target});
    }
    return files;
}

Found searchCatalog(const QList<MissingFile>& files, const QList<Catalog::MediaEntry2>& media,
                    const LibraryTable& libs) {
    Found found;

    // Old targets in another account's home come from another computer or account; the same
    // place under this home folder is the likeliest spot for the file now.
    const QString home = QDir::homePath();
    const QList<QStringList> accounts = accountFolders();
    for (const MissingFile& file : files) {
        for (const QStringList& tail : afterAccount(file.target.split(u'/', Qt::SkipEmptyParts), accounts)) {
            const QString here = PathText::childPath(home, tail.join(u'/'));
            if (here != file.target && CleanupFiles::exists(here))
                add(here, file.wantedName(), found);
        }
    }

    QSet<QString> wanted;
    QSet<QString> linkKeys;
    QSet<QString> copyKeys;
    for (const MissingFile& file : files) {
        const QString name = file.wantedName();
        wanted.insert(name);
        linkKeys.insert(key(file.libraryPath, file.event, composed(file.name)));
        copyKeys.insert(key(PathText::lastComponent(file.libraryPath), file.event, name));
    }

    for (const Catalog::MediaEntry2& row : media) {
        const MediaEntry& entry = row.entry;
        const QString name = nameKey(entry.name);
        if (!wanted.contains(name))
            continue;
        const auto library = libs.constFind(row.libraryID);
        if (library == libs.cend())
            continue;
        // Names in the catalogue become a path below: one that cannot be a single name (a
        // NUL, "..", a "/") would name some other place, so the entry names nothing.
        if (!isPlainPath(row.libraryID) || !isSingleName(QStringView(entry.event)) ||
            !isSingleName(QStringView(entry.name)))
            continue;
        // The catalogue lists the broken link itself among its library's media.
        if (linkKeys.contains(key(row.libraryID, entry.event, composed(entry.name))))
            continue;
        const QString path =
            row.libraryID + u'/' + entry.event + QStringLiteral("/Original Media/") + entry.name;
        if (library->online) {
            if (CleanupFiles::exists(path))
                add(path, name, found);
            continue;
        }
        if (entry.size == 0)
            continue;
        // A small entry of a library folder of the same name and event is the same broken link
        // in a copy of the library on that drive, not the file; a large one holds real media.
        if (entry.size <= 999'999 &&
            copyKeys.contains(key(PathText::lastComponent(row.libraryID), entry.event, name)))
            continue;
        add(lead(path, library->drive), name, found);
    }
    return found;
}

} // namespace pellimor::MissingFiles
