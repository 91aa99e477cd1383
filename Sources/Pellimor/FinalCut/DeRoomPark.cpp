#include "FinalCut/DeRoomPark.h"

#include "Catalogue/Logs/ActivityLog.h"
#include "Catalogue/Logs/ErrorLog.h"
#include "Catalogue/Reader/Plugins.h"
#include "Catalogue/Store/Catalog.h"
#include "FinalCut/FCPPreferencesBackup.h"
#include "KeyedArchive/PropertyList.h"
#include "Platform/AudioUnitRegistry.h"
#include "Platform/Paths.h"
#include "Platform/RootFolder.h"
#include "Platform/Services.h"
#include "Support/AtomicFile.h"
#include "Support/FileCopy.h"
#include "Support/OpenFolder.h"
#include "Support/PathText.h"
#include "Support/RegularFile.h"
#include "Support/TreeMove.h"
#include "Support/TreeRemoval.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonDocument>
#include <QJsonObject>
#include <QJsonParseError>
#include <QUuid>
#include <algorithm>
#include <cerrno>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace pellimor {

namespace {

using ParkError = DeRoomPark::ParkError;
using Kind = ParkError::Kind;
using Record = DeRoomPark::Record;

// The record is a few hundred bytes; anything far larger is no record of ours.
constexpr qint64 kMaxRecordBytes = 64 * 1024;
// A component's Info.plist lists its Audio Units in a few kilobytes.
constexpr qint64 kMaxInfoListBytes = 1024 * 1024;

// Anything at all stands there: a folder, a file, or a link, also one that leads nowhere.
bool standsAt(const QString& path) {
    struct stat facts {};
    return !path.isEmpty() && ::lstat(QFile::encodeName(path).constData(), &facts) == 0;
}

QString withSeparator(QString folder) {
    if (!folder.endsWith(QLatin1Char('/')))
        folder += QLatin1Char('/');
    return folder;
}

QString rootFolder() {
    const std::shared_ptr<platform::RootFolder> root = platform::services().rootFolder;
    return root ? root->path() : QStringLiteral("/");
}

const QString kComponentsFolder = QStringLiteral("Library/Audio/Plug-Ins/Components/");

void restartRegistrar() {
    if (const std::shared_ptr<platform::AudioUnitRegistry> units = platform::services().audioUnits)
        units->restartRegistrar();
}

ParkError error(Kind kind, QString detail = {}) {
    return {kind, std::move(detail)};
}

QString countText(qint64 count) {
    return QString::number(count);
}

ParkError unreadable(const QString& file, const QString& why) {
    return error(Kind::system, QStringLiteral("The record of the parked DeRoom (") + file +
                                   QStringLiteral(") could not be read: ") + why);
}

// Another park, restore or recovery holds the parked folder.
ParkError busy() {
    return error(Kind::moveFailed,
                 QStringLiteral("Another move of DeRoom is under way, so nothing was moved. "
                                "Try again once it has finished."));
}

QString stateName(Record::State state) {
    switch (state) {
    case Record::State::parked:
        break;
    case Record::State::parking:
        return QStringLiteral("parking");
    case Record::State::restoring:
        return QStringLiteral("restoring");
    }
    return {};
}

QString errnoText(int code) {
    return FileCopy::errorText(code);
}

std::optional<ParkError> makeFolder(const QString& folder) {
    if (const int failed = FileCopy::makeFolders(QFile::encodeName(folder)))
        return error(Kind::system, QStringLiteral("The folder ") + folder +
                                       QStringLiteral(" could not be made: ") + errnoText(failed));
    return std::nullopt;
}

// Held for the length of one park, restore or recovery: the lock belongs to the open folder
// the record lies in, so a second attempt — another thread, another run of the program —
// fails at once instead of running into a move under way, and the system lets go of it with
// the process, so a kill never leaves it taken.
DeRoomPark::Outcome<OpenFolder> lockFolder(const QString& folder) {
    OpenFolder held = OpenFolder::open(folder, OpenFolder::LastLink::followed);
    if (!held)
        return error(Kind::system, QStringLiteral("The folder ") + folder +
                                       QStringLiteral(" could not be opened: ") + held.errorText());
    if (::flock(held.fd(), LOCK_EX | LOCK_NB) != 0) {
        if (errno == EWOULDBLOCK)
            return busy();
        return error(Kind::system, QStringLiteral("The folder ") + folder +
                                       QStringLiteral(" could not be locked: ") + errnoText(errno));
    }
    return held;
}

// ---- Where a record may point

// A place spelled the one way the program writes it: without "." or ".." components.
bool samePlace(const QString& written, const QString& place) {
    for (const QString& piece : written.split(QLatin1Char('/'))) {
        if (piece == QLatin1String(".") || piece == QLatin1String(".."))
            return false;
    }
    return QDir::cleanPath(written) == QDir::cleanPath(place);
}

// Why `path`, which could not be opened as a folder without following a link, is refused.
QString notAFolder(const QString& path, const OpenFolder& parent, const QByteArray& name, int code) {
    const std::optional<ItemFacts> facts =
        parent ? parent.entryFacts(name) : itemFactsAt(AT_FDCWD, QFile::encodeName(path));
    if (facts && facts->isLink())
        return path + QStringLiteral(" is a link.");
    if (code == ENOTDIR)
        return path + QStringLiteral(" is not a folder.");
    return path + QStringLiteral(" could not be opened: ") + errnoText(code);
}

// Nothing when every folder from `base` down through `below` is a real one (a folder not
// there yet is fine: the move makes it); else why not.
std::optional<QString> linkOnTheWay(const QString& base, const QString& below) {
    OpenFolder current = OpenFolder::open(base, OpenFolder::LastLink::followed);
    if (!current)
        return current.errorCode() == ENOENT ? std::nullopt
                                             : std::optional(notAFolder(base, {}, {}, current.errorCode()));
    QString path = base;
    for (const QString& piece : below.split(QLatin1Char('/'), Qt::SkipEmptyParts)) {
        path = PathText::childPath(path, piece);
        const QByteArray name = QFile::encodeName(piece);
        OpenFolder next = current.child(name);
        if (!next) {
            if (next.errorCode() == ENOENT)
                return std::nullopt;
            return notAFolder(path, current, name, next.errorCode());
        }
        current = std::move(next);
    }
    return std::nullopt;
}

// The folder an item lies in, held open (a link at its last component refused), and the
// item's name in it.
struct Place {
    OpenFolder folder;
    QByteArray name;
};

Place placeOf(const QString& path) {
    return {OpenFolder::open(QFileInfo(path).absolutePath()),
            QFile::encodeName(PathText::lastComponent(path))};
}

// Nothing when `path` is the DeRoom component: a real bundle folder whose
// "Contents/Info.plist" is a regular file, and that, if it lists Audio Units, lists DeRoom 2
// among them. Else why not. The bundle's name is checked by the caller.
std::optional<QString> notDeRoom(const QString& path) {
    const Place place = placeOf(path);
    if (!place.folder)
        return notAFolder(QFileInfo(path).absolutePath(), {}, {}, place.folder.errorCode());
    const std::optional<ItemFacts> facts = place.folder.entryFacts(place.name);
    if (!facts)
        return path + QStringLiteral(" could not be looked at: ") + errnoText(errno);
    if (facts->isLink())
        return path + QStringLiteral(" is a link.");
    if (!facts->isFolder())
        return path + QStringLiteral(" is not a bundle folder.");
    const OpenFolder contents = place.folder.child(place.name).child("Contents");
    const std::optional<ItemFacts> info = contents ? contents.entryFacts("Info.plist") : std::nullopt;
    if (!info || !info->isRegularFile())
        return path + QStringLiteral(" has no file “Contents/Info.plist”, so it is no Audio Unit.");
    const RegularFile::Contents read = RegularFile::read(
        PathText::childPath(path, QStringLiteral("Contents/Info.plist")), kMaxInfoListBytes);
    if (read.status != RegularFile::Status::ok)
        return path + QStringLiteral("/Contents/Info.plist could not be read: ") + read.reason +
               QStringLiteral(".");
    const std::optional<PropertyList> list = PropertyList::parse(read.bytes);
    const plist_t components = list ? PropertyList::item(list->root(), "AudioComponents") : nullptr;
    if (!PropertyList::isArray(components))
        return std::nullopt;
    for (const plist_t component : PropertyList::elements(components)) {
        QByteArray codes;
        for (const char* key : {"type", "subtype", "manufacturer"}) {
            const QByteArray code =
                PropertyList::text(PropertyList::item(component, key)).value_or(QString()).toLatin1();
            if (code.size() == 4)
                codes += code;
        }
        const PluginUse use{QStringLiteral("Audio"), QString(),
                            PropertyList::text(PropertyList::item(component, "name")).value_or(QString()),
                            QStringLiteral("AudioUnit: 0x") + QString::fromLatin1(codes.toHex()), 0};
        if (DeRoomPark::isDeRoom(use))
            return std::nullopt;
    }
    return path + QStringLiteral(" lists other Audio Units than DeRoom 2.");
}

// ---- The trees a cut-short move leaves

// The trees of a bundle as the move's own check lists them, so what a cut-short move left is
// judged the way the move would have judged its copy.
using Tree = TreeMove::Tree;

std::optional<Tree> treeAt(const QString& path, QString& why) {
    const Place place = placeOf(path);
    if (!place.folder) {
        why = QFileInfo(path).absolutePath() + QStringLiteral(": ") + place.folder.errorText();
        return std::nullopt;
    }
    TreeMove::Listing listed = TreeMove::list(place.folder, place.name, path);
    if (!listed) {
        why = listed.error;
        return std::nullopt;
    }
    return std::move(listed.tree);
}

// Removes what stands at `path`, with everything below it, never through a link and never
// into another mount.
TreeRemoval::Outcome removeAt(const QString& path) {
    const Place place = placeOf(path);
    return TreeRemoval::removeAt(place.folder, place.name);
}

// Every entry of `part` stands in `whole`, the same.
bool isPartOf(const Tree& part, const Tree& whole) {
    for (auto it = part.cbegin(); it != part.cend(); ++it) {
        const auto found = whole.constFind(it.key());
        if (found == whole.cend() || *found != it.value())
            return false;
    }
    return true;
}

// What a copy still being made holds of `original`: entries of the same kinds, links with
// the same targets, files no larger (the one being written may be short).
bool isCopyUnderWay(const Tree& copy, const Tree& original) {
    for (auto it = copy.cbegin(); it != copy.cend(); ++it) {
        const auto found = original.constFind(it.key());
        if (found == original.cend() || found->kind != it->kind || found->target != it->target ||
            found->size < it->size)
            return false;
    }
    return true;
}

enum class Ending { finish, undo };

// A move across file systems copies the whole source, checks the copy against it and only
// then removes the source, so: a source that has begun to go is a part of the checked copy,
// which is whole (finish); a copy still being made, or made and not yet checked, is a part of
// the source, which is whole (undo) — also when the two are equal, since the source is only
// touched once the copy passed its check. Nothing when neither explains what is there.
std::optional<Ending> judge(const Tree& source, const Tree& copy) {
    if (source.size() < copy.size() && isPartOf(source, copy))
        return Ending::finish;
    if (isCopyUnderWay(copy, source))
        return Ending::undo;
    return std::nullopt;
}

// Settles the move `record` says was begun, with the parked folder locked and the record
// checked: one whole copy stays, in its place, and the record is rewritten or deleted to say
// so. `privileged`: the move went through the scripted move, straight to the destination.
DeRoomPark::Outcome<DeRoomPark::Recovery> settle(const QString& recordFile, const Record& record,
                                                 bool privileged, bool finalCutRunning) {
    using Recovery = DeRoomPark::Recovery;
    const bool parking = record.state == Record::State::parking;
    if (!parking && finalCutRunning)
        return error(Kind::finalCutRunning);
    const QString& source = parking ? record.originalPath : record.parkedPath;
    const QString& destination = parking ? record.parkedPath : record.originalPath;
    const QString staged = DeRoomPark::movingPath(destination);
    const bool atSource = standsAt(source);
    const bool atStaged = standsAt(staged);
    const bool atDestination = standsAt(destination);
    if (atStaged && atDestination)
        return error(Kind::destinationExists, destination);
    // Where a copy was being made: the staging name of a plain move; the destination itself
    // for a scripted one.
    std::optional<QString> copy;
    if (atStaged)
        copy = staged;
    else if (atDestination && privileged)
        copy = destination;

    Ending ending = Ending::undo;
    if (atSource) {
        if (copy) {
            QString why;
            const std::optional<Tree> sourceTree = treeAt(source, why);
            const std::optional<Tree> copyTree = sourceTree ? treeAt(*copy, why) : std::nullopt;
            if (!copyTree)
                return error(Kind::moveFailed, why);
            const std::optional<Ending> judged = judge(*sourceTree, *copyTree);
            if (!judged)
                return error(Kind::destinationExists, *copy);
            ending = *judged;
        } else if (atDestination) {
            // Nothing of this move ever stands at a plain move's destination while its source
            // is still there: someone else's.
            return error(Kind::destinationExists, destination);
        }
    } else if (copy || atDestination) {
        // The source goes only once the copy has passed its check (a rename is whole at once).
        ending = Ending::finish;
    } else if (parking) {
        return error(Kind::moveFailed, QStringLiteral("DeRoom is not at ") + source + QStringLiteral("."));
    } else {
        return error(Kind::missingParkedCopy);
    }

    const auto remove = [&](const QString& path, const QString& whole) -> std::optional<ParkError> {
        if (privileged && DeRoomPark::isPrivileged(path))
            return error(Kind::moveFailed, QStringLiteral("What is left at ") + path +
                                               QStringLiteral(" needs administrator rights to remove, so it "
                                                              "stays; the whole copy is at ") +
                                               whole + QStringLiteral(". Remove ") + path +
                                               QStringLiteral(", then choose Final Cut ▸ Put DeRoom Back."));
        if (const TreeRemoval::Outcome removed = removeAt(path); !removed.removed())
            return error(Kind::moveFailed,
                         path + QStringLiteral(" could not be removed: ") + removed.reason());
        return std::nullopt;
    };
    const auto settled = [&](bool parked) -> std::optional<ParkError> {
        if (!parked) {
            QFile::remove(recordFile);
            return std::nullopt;
        }
        const Result<void> written =
            AtomicFile::write(recordFile, DeRoomPark::encode({record.originalPath, record.parkedPath}));
        return written ? std::nullopt : std::optional(error(Kind::system, written.error()));
    };

    // What is left parked, or goes back into an Audio Units folder, is checked as any parked
    // bundle is before it goes back; an undone park leaves what is installed as it was.
    const QString whole = ending == Ending::finish ? copy.value_or(destination) : source;
    if (!parking || ending == Ending::finish) {
        if (const std::optional<QString> why = notDeRoom(whole))
            return unreadable(recordFile, *why);
    }
    if (ending == Ending::finish) {
        if (atSource) {
            if (std::optional<ParkError> failed = remove(source, whole))
                return *failed;
        }
        if (atStaged) {
            const TreeMove::Outcome placed = TreeMove::move(staged, destination);
            if (!placed)
                return error(Kind::moveFailed, placed.error);
        }
        if (std::optional<ParkError> failed = settled(parking))
            return *failed;
        return parking ? Recovery::parkFinished : Recovery::restoreFinished;
    }
    if (copy) {
        if (std::optional<ParkError> failed = remove(*copy, source))
            return *failed;
    }
    if (std::optional<ParkError> failed = settled(!parking))
        return *failed;
    return parking ? Recovery::parkUndone : Recovery::restoreUndone;
}

} // namespace

// ---- Risk ----------------------------------------------------------------------------------

bool DeRoomPark::isDeRoom(const PluginUse& use) {
    if (use.name == QLatin1String("DeRoom2"))
        return true;
    const std::optional<Plugins::AudioUnitCodes> codes = Plugins::parseAudioUnit(use.id);
    return codes && codes->subtype == QLatin1String("ADR2") && codes->manufacturer == QLatin1String("Actz");
}

std::optional<DeRoomRisk> DeRoomPark::heaviest(const LibraryInfo& library) {
    std::optional<DeRoomRisk> best;
    for (const EventInfo& event : library.events) {
        for (const ProjectInfo& project : event.projects) {
            if (!project.plugins)
                continue;
            for (const PluginUse& use : *project.plugins) {
                if (use.count < riskFrom || !isDeRoom(use))
                    continue;
                if (!best || use.count > best->count)
                    best = DeRoomRisk{event.name, project.name, use.count};
            }
        }
    }
    return best;
}

// ---- The record and the places -----------------------------------------------------------

QString DeRoomPark::ParkError::description() const {
    switch (kind) {
    case Kind::destinationExists:
        return QStringLiteral("DeRoom is already at ") + detail + QStringLiteral(". Nothing was moved.");
    case Kind::moveFailed:
        return QStringLiteral("DeRoom could not be moved. ") + detail;
    case Kind::cancelled:
        return QStringLiteral("DeRoom was left installed. The library was not opened.");
    case Kind::finalCutRunning:
        return QStringLiteral("Quit Final Cut Pro before putting DeRoom back. Nothing was moved.");
    case Kind::missingParkedCopy:
        return QStringLiteral("The parked DeRoom file is missing, so it was not put back.");
    case Kind::notParked:
        return QStringLiteral("DeRoom is not parked.");
    case Kind::system:
        return detail;
    }
    return detail;
}

QString DeRoomPark::caseName(ParkKind kind) {
    switch (kind) {
    case ParkKind::moved:
        return QStringLiteral("moved");
    case ParkKind::alreadyParked:
        return QStringLiteral("alreadyParked");
    case ParkKind::notInstalled:
        return QStringLiteral("notInstalled");
    }
    return {};
}

QString DeRoomPark::recordFile() {
    return Paths::deroomRecordFile();
}

bool DeRoomPark::isParked() {
    return standsAt(recordFile());
}

QString DeRoomPark::systemComponentPath() {
    return withSeparator(rootFolder()) + kComponentsFolder + componentName;
}

QString DeRoomPark::userComponentPath() {
    return withSeparator(QDir::homePath()) + kComponentsFolder + componentName;
}

std::optional<QString> DeRoomPark::installedComponentURL() {
    for (const QString& path : {systemComponentPath(), userComponentPath()}) {
        if (standsAt(path))
            return path;
    }
    return std::nullopt;
}

bool DeRoomPark::isPrivileged(const QString& path) {
    return PathText::isAtOrBelow(QDir::cleanPath(path),
                                 QDir::cleanPath(withSeparator(rootFolder()) + QStringLiteral("Library")));
}

DeRoomPark::Failure DeRoomPark::checkRecord(const Record& record, const QString& recordFile,
                                            const QList<ComponentFolder>& into) {
    const auto refused = [&recordFile](const QString& why) { return Failure(unreadable(recordFile, why)); };
    const QString folder = QFileInfo(recordFile).absolutePath();
    const QString parkedPlace = PathText::childPath(folder, componentName);
    if (!samePlace(record.parkedPath, parkedPlace))
        return refused(QStringLiteral("“parkedPath” is not ") + parkedPlace + QStringLiteral("."));
    const auto home = std::find_if(into.cbegin(), into.cend(), [&record](const ComponentFolder& place) {
        return samePlace(record.originalPath, place.componentPath());
    });
    if (home == into.cend())
        return refused(QStringLiteral("“originalPath” is not the place of DeRoom in an Audio Units folder."));
    if (const std::optional<QString> why = linkOnTheWay(home->base, home->below))
        return refused(*why);
    const OpenFolder parked = OpenFolder::open(folder);
    if (!parked)
        return refused(notAFolder(folder, {}, {}, parked.errorCode()));
    // A bundle that a move left half there is judged by the recovery, which checks the copy
    // it puts in place.
    if (record.state == Record::State::parked && standsAt(parkedPlace)) {
        if (const std::optional<QString> why = notDeRoom(parkedPlace))
            return refused(*why);
    }
    return std::nullopt;
}

QString DeRoomPark::ComponentFolder::componentPath() const {
    return PathText::childPath(QDir::cleanPath(withSeparator(base) + below), componentName);
}

QList<DeRoomPark::ComponentFolder> DeRoomPark::componentFolders() {
    return {{rootFolder(), kComponentsFolder}, {QDir::homePath(), kComponentsFolder}};
}

QByteArray DeRoomPark::encode(const Record& record) {
    QJsonObject object{{QStringLiteral("originalPath"), record.originalPath},
                       {QStringLiteral("parkedPath"), record.parkedPath}};
    if (record.state != Record::State::parked)
        object.insert(QStringLiteral("state"), stateName(record.state));
    return QJsonDocument(object).toJson(QJsonDocument::Compact);
}

DeRoomPark::Outcome<Record> DeRoomPark::decode(const QByteArray& json, const QString& file) {
    QJsonParseError parse{};
    const QJsonDocument document = QJsonDocument::fromJson(json, &parse);
    if (parse.error != QJsonParseError::NoError)
        return unreadable(file, parse.errorString() + QStringLiteral("."));
    if (!document.isObject())
        return unreadable(file, QStringLiteral("it holds no JSON object."));
    const QJsonObject object = document.object();
    Record record;
    for (const auto& [key, into] : {std::pair{QStringLiteral("originalPath"), &record.originalPath},
                                    std::pair{QStringLiteral("parkedPath"), &record.parkedPath}}) {
        const QJsonValue value = object.value(key);
        if (!value.isString())
            return unreadable(file, QStringLiteral("it has no text “") + key + QStringLiteral("”."));
        // A relative place would be taken from wherever the program happens to run.
        if (!QDir::isAbsolutePath(value.toString()))
            return unreadable(file, QStringLiteral("“") + key + QStringLiteral("” is no absolute path."));
        *into = value.toString();
    }
    if (object.contains(QStringLiteral("state"))) {
        const QString state = object.value(QStringLiteral("state")).toString();
        if (state == stateName(Record::State::parking))
            record.state = Record::State::parking;
        else if (state == stateName(Record::State::restoring))
            record.state = Record::State::restoring;
        else
            return unreadable(file, QStringLiteral("“state” is neither “parking” nor “restoring”."));
    }
    return record;
}

DeRoomPark::Outcome<Record> DeRoomPark::readRecord(const QString& file) {
    const RegularFile::Contents contents = RegularFile::read(file, kMaxRecordBytes);
    if (contents.status == RegularFile::Status::missing)
        return unreadable(file, QStringLiteral("it is not there."));
    if (contents.status != RegularFile::Status::ok)
        return unreadable(file, contents.reason + QStringLiteral("."));
    return decode(contents.bytes, file);
}

// ---- Moves ---------------------------------------------------------------------------------

DeRoomPark::Outcome<DeRoomPark::ParkKind> DeRoomPark::parkInstalled() {
    if (const Outcome<Recovery> settled = recoverInstalled(); !settled)
        return settled.error;
    const QString record = recordFile();
    const std::optional<QString> installed = installedComponentURL();
    if (!installed)
        return standsAt(record) ? ParkKind::alreadyParked : ParkKind::notInstalled;
    const Outcome<Record> parked = park(*installed, record, isPrivileged(*installed));
    if (!parked)
        return parked.error;
    restartRegistrar();
    return ParkKind::moved;
}

DeRoomPark::Failure DeRoomPark::restoreInstalled() {
    if (Failure failed = restore(recordFile(), FCPPreferencesBackup::finalCutIsRunning(), std::nullopt))
        return failed;
    restartRegistrar();
    return std::nullopt;
}

DeRoomPark::Outcome<Record> DeRoomPark::park(const QString& from, const QString& recordFile, bool privileged,
                                             const Hooks& hooks) {
    if (!standsAt(from))
        return error(Kind::moveFailed, QStringLiteral("DeRoom is not at ") + from + QStringLiteral("."));
    const QString folder = QFileInfo(recordFile).absolutePath();
    const QString parked = PathText::childPath(folder, PathText::lastComponent(from));
    if (standsAt(parked))
        return error(Kind::destinationExists, parked);
    if (std::optional<ParkError> failed = makeFolder(folder))
        return *failed;
    const Outcome<OpenFolder> lock = lockFolder(folder);
    if (!lock)
        return lock.error;
    for (const QString& place : {parked, movingPath(parked)}) {
        if (standsAt(place))
            return error(Kind::destinationExists, place);
    }

    // Before anything moves, so a kill at any moment leaves a record naming both places.
    const RegularFile::Contents before = RegularFile::read(recordFile, kMaxRecordBytes);
    const Record moving{from, parked, Record::State::parking};
    if (const Result<void> written = AtomicFile::write(recordFile, encode(moving)); !written)
        return error(Kind::moveFailed, written.error());
    if (hooks.at)
        hooks.at(Hooks::Step::recorded);
    if (Failure failed = move(from, parked, privileged, hooks)) {
        // A move may fail half way, as a kill stops it: what it left is settled the same way.
        const Outcome<Recovery> settled = settle(recordFile, moving, privileged, false);
        if (settled && *settled.value == Recovery::parkFinished)
            return Record{from, parked};
        // The park did not happen: a record that stood before (naming a parked copy since
        // lost) stands again.
        if (settled && before.status == RegularFile::Status::ok)
            static_cast<void>(AtomicFile::write(recordFile, before.bytes));
        return *failed;
    }
    if (hooks.at)
        hooks.at(Hooks::Step::placed);
    const Record record{from, parked};
    // Should this fail, the record still says the park was begun, with the bundle parked: the
    // next recovery settles it so.
    static_cast<void>(AtomicFile::write(recordFile, encode(record)));
    return record;
}

DeRoomPark::Failure DeRoomPark::restore(const QString& recordFile, bool finalCutRunning,
                                        std::optional<bool> privileged) {
    return restore(recordFile, finalCutRunning, privileged, componentFolders());
}

DeRoomPark::Failure DeRoomPark::restore(const QString& recordFile, bool finalCutRunning,
                                        std::optional<bool> privileged, const QList<ComponentFolder>& into,
                                        const Hooks& hooks) {
    // Before anything is read: under a running Final Cut Pro the component would be loaded
    // by the next timeline that uses it, which is the freeze parking avoided.
    if (finalCutRunning)
        return error(Kind::finalCutRunning);
    if (!standsAt(recordFile))
        return error(Kind::notParked);
    const Outcome<OpenFolder> lock = lockFolder(QFileInfo(recordFile).absolutePath());
    if (!lock)
        return lock.error;
    const Outcome<Record> read = readRecord(recordFile);
    if (!read)
        return read.error;
    Record record = *read.value;
    if (Failure refused = checkRecord(record, recordFile, into)) {
        // A record naming nothing that stands cannot move anything; what the user can act on
        // is that there is no parked copy.
        if (record.state == Record::State::parked && !standsAt(record.parkedPath) &&
            !standsAt(record.originalPath))
            return error(Kind::missingParkedCopy);
        return refused;
    }
    const bool rights = privileged.value_or(isPrivileged(record.originalPath));
    if (record.state != Record::State::parked) {
        const Outcome<Recovery> settled = settle(recordFile, record, rights, false);
        if (!settled)
            return settled.error;
        // Back in Audio Units, as asked.
        if (*settled.value == Recovery::parkUndone || *settled.value == Recovery::restoreFinished)
            return std::nullopt;
        record.state = Record::State::parked;
        if (Failure refused = checkRecord(record, recordFile, into))
            return refused;
    }

    const bool parkedThere = standsAt(record.parkedPath);
    if (standsAt(record.originalPath)) {
        if (parkedThere)
            return error(Kind::destinationExists, record.originalPath);
        // Put back by other means meanwhile: only the stale record is left to settle.
        QFile::remove(recordFile);
        return std::nullopt;
    }
    if (!parkedThere)
        return error(Kind::missingParkedCopy);
    if (const QString staged = movingPath(record.originalPath); standsAt(staged))
        return error(Kind::destinationExists, staged);

    const Record moving{record.originalPath, record.parkedPath, Record::State::restoring};
    if (const Result<void> written = AtomicFile::write(recordFile, encode(moving)); !written)
        return error(Kind::moveFailed, written.error());
    if (hooks.at)
        hooks.at(Hooks::Step::recorded);
    if (Failure failed = move(record.parkedPath, record.originalPath, rights, hooks)) {
        const Outcome<Recovery> settled = settle(recordFile, moving, rights, false);
        if (settled && *settled.value == Recovery::restoreFinished)
            return std::nullopt;
        return failed;
    }
    if (hooks.at)
        hooks.at(Hooks::Step::placed);
    QFile::remove(recordFile);
    return std::nullopt;
}

DeRoomPark::Failure DeRoomPark::move(const QString& from, const QString& to, bool privileged,
                                     const Hooks& hooks) {
    if (privileged) {
        const Outcome<QString> ran = runScriptedMove(from, to, true);
        return ran ? Failure() : Failure(ran.error);
    }
    if (std::optional<ParkError> failed = makeFolder(QFileInfo(to).absolutePath()))
        return failed;
    const QString staged = movingPath(to);
    for (const QString& place : {to, staged}) {
        if (standsAt(place))
            return error(Kind::destinationExists, place);
    }
    // Across file systems the copy is made under the staging name, so a kill never leaves
    // part of a bundle under the name a registrar reads.
    const TreeMove::Outcome moved = TreeMove::move(from, staged, hooks.tree);
    if (!moved) {
        // Taken between the look above and the move: still never overwritten.
        if (moved.errorCode == EEXIST)
            return error(Kind::destinationExists, staged);
        return error(Kind::moveFailed, moved.error);
    }
    if (hooks.at)
        hooks.at(Hooks::Step::staged);
    // A rename within one folder: whole or not at all, and never onto anything.
    const TreeMove::Outcome placed = TreeMove::move(staged, to);
    if (!placed) {
        if (placed.errorCode == EEXIST)
            return error(Kind::destinationExists, to);
        return error(Kind::moveFailed, placed.error);
    }
    return std::nullopt;
}

QString DeRoomPark::movingPath(const QString& to) {
    return PathText::childPath(QFileInfo(to).absolutePath(),
                               QStringLiteral(".") + PathText::lastComponent(to) + QStringLiteral(".moving"));
}

// ---- Moves that were cut short -------------------------------------------------------------

DeRoomPark::Outcome<DeRoomPark::Recovery> DeRoomPark::recover(const QString& recordFile, bool finalCutRunning,
                                                              std::optional<bool> privileged,
                                                              const QList<ComponentFolder>& into) {
    if (!standsAt(recordFile))
        return Recovery::none;
    const Outcome<OpenFolder> lock = lockFolder(QFileInfo(recordFile).absolutePath());
    if (!lock)
        return lock.error;
    // A record that cannot be read says nothing of a move (a kill never leaves one half
    // written); putting DeRoom back reports it.
    const Outcome<Record> read = readRecord(recordFile);
    if (!read || read.value->state == Record::State::parked)
        return Recovery::none;
    if (Failure refused = checkRecord(*read.value, recordFile, into))
        return *refused;
    return settle(recordFile, *read.value, privileged.value_or(isPrivileged(read.value->originalPath)),
                  finalCutRunning);
}

DeRoomPark::Outcome<DeRoomPark::Recovery> DeRoomPark::recoverInstalled() {
    const Outcome<Recovery> settled =
        recover(recordFile(), FCPPreferencesBackup::finalCutIsRunning(), std::nullopt, componentFolders());
    // What is installed changed.
    if (settled && (*settled.value == Recovery::parkFinished || *settled.value == Recovery::restoreFinished))
        restartRegistrar();
    return settled;
}

QString DeRoomPark::recoveryText(Recovery recovery) {
    const QString stays =
        QStringLiteral("DeRoom stays parked until you put it back (Final Cut ▸ Put DeRoom Back).");
    switch (recovery) {
    case Recovery::none:
        break;
    case Recovery::parkFinished:
        return QStringLiteral("Parking DeRoom was cut short last time. It has been finished: ") + stays;
    case Recovery::parkUndone:
        return QStringLiteral(
            "Parking DeRoom was cut short last time. It has been undone: DeRoom is in Audio "
            "Units as before.");
    case Recovery::restoreFinished:
        return QStringLiteral(
            "Putting DeRoom back was cut short last time. It has been finished: DeRoom is back "
            "in Audio Units.");
    case Recovery::restoreUndone:
        return QStringLiteral("Putting DeRoom back was cut short last time. It has been undone: ") + stays;
    }
    return {};
}

void DeRoomPark::recoverAtStartUp(Catalog& catalog) {
    // Looked at without the lock first: nearly every start has no move to settle.
    if (!isParked())
        return;
    const Outcome<Record> read = readRecord(recordFile());
    if (!read || read.value->state == Record::State::parked)
        return;
    const QString tag = read.value->state == Record::State::parking ? QStringLiteral("deroom-park")
                                                                    : QStringLiteral("deroom-restore");
    const Outcome<Recovery> settled = recoverInstalled();
    if (!settled) {
        // Another run of the program is moving it: that one settles its own move.
        if (settled.error == busy())
            return;
        const QString description = settled.error.description();
        catalog.setStatus(description);
        ActivityLog::append(tag, QStringLiteral("recover-failed ") + description);
        ErrorLog::log(ErrorLog::Level::error, QStringLiteral("deroom"),
                      QStringLiteral("A move of DeRoom that was cut short could not be settled: ") +
                          description,
                      std::nullopt);
        return;
    }
    if (*settled.value == Recovery::none)
        return;
    catalog.setStatus(recoveryText(*settled.value));
    const bool finished =
        *settled.value == Recovery::parkFinished || *settled.value == Recovery::restoreFinished;
    ActivityLog::append(tag,
                        finished ? QStringLiteral("recovered finished") : QStringLiteral("recovered undone"));
}

DeRoomPark::Outcome<QString> DeRoomPark::runScriptedMove(const QString& from, const QString& to, bool admin) {
    const std::shared_ptr<platform::ScriptedMove> mover = platform::services().scriptedMove;
    if (!mover)
        return error(Kind::moveFailed, QStringLiteral("Nothing on this system can move it."));
    return scriptOutcome(mover->run(QFileInfo(to).absolutePath(), from, to, admin));
}

DeRoomPark::Outcome<QString> DeRoomPark::scriptOutcome(const platform::ScriptedMove::Outcome& outcome) {
    if (!outcome.started)
        return error(Kind::moveFailed, outcome.startError);
    const QString output = QString::fromUtf8(outcome.output).trimmed();
    if (outcome.exitStatus != 0) {
        if (output.contains(QLatin1String("user cancel"), Qt::CaseInsensitive) ||
            output.contains(QLatin1String("(-128)")))
            return error(Kind::cancelled);
        if (output.isEmpty())
            return error(Kind::moveFailed,
                         QStringLiteral("osascript exited ") + QString::number(outcome.exitStatus));
        return error(Kind::moveFailed, output);
    }
    return output;
}

// ---- Alerts --------------------------------------------------------------------------------

FinalCutAlert DeRoomPark::openAlert(const QString& libraryName, const DeRoomRisk& risk) {
    FinalCutAlert alert;
    alert.style = FinalCutAlert::Style::warning;
    alert.message = libraryName + QStringLiteral(" can freeze Final Cut Pro");
    alert.information =
        QStringLiteral("“") + risk.project + QStringLiteral("” uses DeRoom 2 on ") + countText(risk.count) +
        QStringLiteral(
            " clips. Final Cut Pro 12.4 hung on a timeline like that: it waits forever while DeRoom "
            "is created, and quitting doesn’t help because the next launch opens the same timeline. "
            "Parking DeRoom moves it out of Audio Units so this library can open. Those clips show "
            "the effect as missing until you put DeRoom back, and Final Cut has to quit before it "
            "goes back. Final Cut will be asked to quit first.");
    alert.buttons = {QStringLiteral("Park DeRoom and Open"), QStringLiteral("Cancel"),
                     QStringLiteral("Open Anyway")};
    alert.defaultButton = 0;
    alert.cancelButton = 1;
    return alert;
}

DeRoomPark::Choice DeRoomPark::confirmOpen(FinalCutQuestions& questions, const QString& libraryName,
                                           const DeRoomRisk& risk) {
    const FinalCutAlert alert = openAlert(libraryName, risk);
    const std::optional<QString> answer = questions.ask(alert);
    if (answer == alert.buttons.at(0))
        return Choice::parkAndOpen;
    if (answer == alert.buttons.at(2))
        return Choice::openAnyway;
    return Choice::cancel;
}

FinalCutAlert DeRoomPark::recoveryAlert(const QString& libraryName, const DeRoomRisk& risk) {
    FinalCutAlert alert;
    alert.style = FinalCutAlert::Style::critical;
    alert.message = QStringLiteral("Final Cut Pro hasn’t answered");
    alert.information =
        QStringLiteral("It’s been a while since ") + libraryName +
        QStringLiteral(" was handed over, and Final Cut still isn’t responding. “") + risk.project +
        QStringLiteral("” uses DeRoom 2 on ") + countText(risk.count) +
        QStringLiteral(" clips, which is enough to freeze the timeline load. Parking DeRoom "
                       "force-quits Final Cut and opens the library again. Keep waiting if it may "
                       "still be opening.");
    alert.buttons = {QStringLiteral("Keep Waiting"), QStringLiteral("Park DeRoom and Reopen")};
    alert.defaultButton = 0;
    return alert;
}

bool DeRoomPark::confirmRecovery(FinalCutQuestions& questions, const QString& libraryName,
                                 const DeRoomRisk& risk) {
    const FinalCutAlert alert = recoveryAlert(libraryName, risk);
    return questions.ask(alert) == alert.buttons.at(1);
}

// ---- Self-test -----------------------------------------------------------------------------

LibraryInfo DeRoomPark::sampleLibrary(const QList<SampleProject>& projects) {
    LibraryInfo library;
    library.path = QStringLiteral("/Volumes/Sample/DeRoom Sample.fcpbundle");
    library.name = QStringLiteral("DeRoom Sample");
    library.volumeName = QStringLiteral("Sample");
    library.fcpVersion = QStringLiteral("11.0");
    QStringList eventNames;
    for (const SampleProject& project : projects) {
        if (!eventNames.contains(project.event))
            eventNames.append(project.event);
    }
    std::sort(eventNames.begin(), eventNames.end());
    for (const QString& name : eventNames) {
        EventInfo event;
        event.name = name;
        for (const SampleProject& project : projects) {
            if (project.event != name)
                continue;
            ProjectInfo info;
            info.name = project.project;
            info.plugins = project.plugins;
            event.projects.append(info);
        }
        library.events.append(event);
    }
    return library;
}

QStringList DeRoomPark::testRisk() {
    const auto use = [](const QString& name, const QString& id, qint64 count) {
        return PluginUse{QStringLiteral("Audio"), QString(), name, id, count};
    };
    const QString deroomID = QStringLiteral("AudioUnit: 0x61756678414452324163747a");
    const QString otherID = QStringLiteral("AudioUnit: 0x61756678646e327543506f70");
    const auto a = [&](qint64 count) { return use(QStringLiteral("DeRoom2"), deroomID, count); };
    const auto b = [&](qint64 count) { return use(QStringLiteral("Something Else"), deroomID, count); };
    const auto c = [&](qint64 count) {
        return use(QStringLiteral("CrumplePop AudioDenoise 2"), otherID, count);
    };

    if (!isDeRoom(a(151)) || !isDeRoom(b(243)) || isDeRoom(c(144)))
        return {QStringLiteral("identity")};

    QStringList failed;
    const std::optional<DeRoomRisk> found = heaviest(sampleLibrary({
        {QStringLiteral("Interviews"), QStringLiteral("Rough Cut"), QList<PluginUse>{a(73)}},
        {QStringLiteral("Podcast"), QStringLiteral("Episode 1"), QList<PluginUse>{a(151), c(144)}},
        {QStringLiteral("Podcast"), QStringLiteral("Episode 2"), QList<PluginUse>{b(243)}},
        {QStringLiteral("Trailers"), QStringLiteral("Teaser"), std::nullopt},
    }));
    if (!found || found->project != QLatin1String("Episode 2") || found->count != 243) {
        const QString shown = found ? found->event + QStringLiteral(" / ") + found->project +
                                          QStringLiteral(" ") + countText(found->count)
                                    : QStringLiteral("nothing");
        failed.append(QStringLiteral("heaviest ") + shown);
    }
    if (heaviest(sampleLibrary(
            {{QStringLiteral("Podcast"), QStringLiteral("Episode 1"), QList<PluginUse>{a(73), c(144)}}})))
        failed.append(QStringLiteral("threshold"));
    const std::optional<DeRoomRisk> atEdge = heaviest(
        sampleLibrary({{QStringLiteral("Podcast"), QStringLiteral("Episode 1"), QList<PluginUse>{a(100)}}}));
    if (!atEdge || atEdge->count != 100)
        failed.append(QStringLiteral("warn-at"));
    return failed;
}

bool DeRoomPark::testRoundTrip(const QString& folder, const std::function<void(const QString&)>& print) {
    const QDir root(folder);
    const QString source = root.filePath(QStringLiteral("Audio Plug-Ins/") + componentName);
    const QString record = root.filePath(QStringLiteral("Parked Audio Units/parked-deroom.json"));
    const auto fail = [&print](const QString& line) {
        print(QStringLiteral("deroom test: ") + line);
        return false;
    };
    const auto writeBundle = [](const QString& bundle, const QString& file, const QByteArray& bytes) {
        return AtomicFile::write(QDir(bundle).filePath(file), bytes, AtomicFile::Durability::unsynced);
    };
    const auto readBack = [](const QString& path) { return RegularFile::read(path, kMaxRecordBytes).bytes; };
    const QString infoList = QStringLiteral("Contents/Info.plist");

    if (const Result<void> made = writeBundle(source, infoList, "deroom-test"); !made)
        return fail(made.error());
    const Outcome<Record> parked = park(source, record, false);
    if (!parked)
        return fail(parked.error.description());
    if (standsAt(source) || !standsAt(parked.value->parkedPath))
        return fail(QStringLiteral("park left the component in the wrong place"));
    if (readBack(QDir(parked.value->parkedPath).filePath(infoList)) != "deroom-test")
        return fail(QStringLiteral("parked contents changed"));

    if (const Result<void> made = writeBundle(source, infoList, "second"); !made)
        return fail(made.error());
    const Outcome<Record> second = park(source, record, false);
    if (second || second.error.kind != Kind::destinationExists)
        return fail(QStringLiteral("second park overwrote the parked component"));
    QDir(source).removeRecursively();

    // The round trip's own folder stands in for the Audio Units folder.
    const QList<ComponentFolder> into{{folder, QStringLiteral("Audio Plug-Ins")}};
    const Failure refused = restore(record, true, false, into);
    if (!refused || refused->kind != Kind::finalCutRunning || !standsAt(parked.value->parkedPath))
        return fail(QStringLiteral("refused restore still moved the file"));
    if (const Failure restored = restore(record, false, false, into))
        return fail(restored->description());
    if (!standsAt(source) || standsAt(record))
        return fail(QStringLiteral("restore did not return the component"));
    if (readBack(QDir(source).filePath(infoList)) != "deroom-test")
        return fail(QStringLiteral("restored contents changed"));

    const QString from = root.filePath(QStringLiteral("via script/from here/") + componentName);
    const QString to = root.filePath(QStringLiteral("via script/to here/") + componentName);
    if (const Result<void> made = writeBundle(from, QStringLiteral("marker"), "script"); !made)
        return fail(made.error());
    if (const Outcome<QString> moved = runScriptedMove(from, to, false); !moved)
        return fail(moved.error.description());
    if (readBack(QDir(to).filePath(QStringLiteral("marker"))) != "script")
        return fail(QStringLiteral("osascript move failed"));
    return true;
}

bool DeRoomPark::selfTest(const std::function<void(const QString&)>& print) {
    const QString folder = QDir(QDir::tempPath())
                               .filePath(QStringLiteral("pellimor-deroom-") +
                                         QUuid::createUuid().toString(QUuid::WithoutBraces).toUpper());
    QStringList failed = testRisk();
    if (!testRoundTrip(folder, print))
        failed.append(QStringLiteral("round trip"));
    print(failed.isEmpty() ? QStringLiteral("DEROOM CHECKS PASSED")
                           : QStringLiteral("deroom test failed: ") + failed.join(QStringLiteral(", ")));
    QDir(folder).removeRecursively();
    return failed.isEmpty();
}

} // namespace pellimor
