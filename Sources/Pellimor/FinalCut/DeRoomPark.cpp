#include "FinalCut/DeRoomPark.h"

#include "Catalogue/Reader/Plugins.h"
#include "FinalCut/FCPPreferencesBackup.h"
#include "Platform/AudioUnitRegistry.h"
#include "Platform/Paths.h"
#include "Platform/RootFolder.h"
#include "Platform/Services.h"
#include "Support/AtomicFile.h"
#include "Support/FileCopy.h"
#include "Support/PathText.h"
#include "Support/RegularFile.h"
#include "Support/TreeMove.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonDocument>
#include <QJsonObject>
#include <QJsonParseError>
#include <QUuid>
#include <algorithm>
#include <cerrno>
#include <sys/stat.h>

namespace pellimor {

namespace {

using ParkError = DeRoomPark::ParkError;
using Kind = ParkError::Kind;
using Record = DeRoomPark::Record;

// The record is a few hundred bytes; anything far larger is no record of ours.
constexpr qint64 kMaxRecordBytes = 64 * 1024;

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

QByteArray DeRoomPark::encode(const Record& record) {
    const QJsonObject object{{QStringLiteral("originalPath"), record.originalPath},
                             {QStringLiteral("parkedPath"), record.parkedPath}};
    return QJsonDocument(object).toJson(QJsonDocument::Compact);
}

DeRoomPark::Outcome<Record> DeRoomPark::decode(const QByteArray& json, const QString& file) {
    const auto unreadable = [&file](const QString& why) {
        return error(Kind::system, QStringLiteral("The record of the parked DeRoom (") + file +
                                       QStringLiteral(") could not be read: ") + why);
    };
    QJsonParseError parse{};
    const QJsonDocument document = QJsonDocument::fromJson(json, &parse);
    if (parse.error != QJsonParseError::NoError)
        return unreadable(parse.errorString() + QStringLiteral("."));
    if (!document.isObject())
        return unreadable(QStringLiteral("it holds no JSON object."));
    const QJsonObject object = document.object();
    Record record;
    for (const auto& [key, into] : {std::pair{QStringLiteral("originalPath"), &record.originalPath},
                                    std::pair{QStringLiteral("parkedPath"), &record.parkedPath}}) {
        const QJsonValue value = object.value(key);
        if (!value.isString())
            return unreadable(QStringLiteral("it has no text “") + key + QStringLiteral("”."));
        // A relative place would be taken from wherever the program happens to run.
        if (!QDir::isAbsolutePath(value.toString()))
            return unreadable(QStringLiteral("“") + key + QStringLiteral("” is no absolute path."));
        *into = value.toString();
    }
    return record;
}

DeRoomPark::Outcome<Record> DeRoomPark::readRecord(const QString& file) {
    const RegularFile::Contents contents = RegularFile::read(file, kMaxRecordBytes);
    if (contents.status == RegularFile::Status::missing)
        return error(Kind::system, QStringLiteral("The record of the parked DeRoom (") + file +
                                       QStringLiteral(") could not be read: it is not there."));
    if (contents.status != RegularFile::Status::ok)
        return error(Kind::system, QStringLiteral("The record of the parked DeRoom (") + file +
                                       QStringLiteral(") could not be read: ") + contents.reason +
                                       QStringLiteral("."));
    return decode(contents.bytes, file);
}

// ---- Moves ---------------------------------------------------------------------------------

DeRoomPark::Outcome<DeRoomPark::ParkKind> DeRoomPark::parkInstalled() {
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

DeRoomPark::Outcome<Record> DeRoomPark::park(const QString& from, const QString& recordFile,
                                             bool privileged) {
    if (!standsAt(from))
        return error(Kind::moveFailed, QStringLiteral("DeRoom is not at ") + from + QStringLiteral("."));
    const QString parked =
        PathText::childPath(QFileInfo(recordFile).absolutePath(), PathText::lastComponent(from));
    if (standsAt(parked))
        return error(Kind::destinationExists, parked);
    if (Failure failed = move(from, parked, privileged))
        return *failed;

    const Record record{from, parked};
    // Written only now that the bundle has moved: a record always names a parked bundle.
    const Result<void> written = AtomicFile::write(recordFile, encode(record));
    if (!written) {
        // A parked bundle without its record would be lost to the program; it goes back.
        move(parked, from, privileged);
        return error(Kind::moveFailed, written.error());
    }
    return record;
}

DeRoomPark::Failure DeRoomPark::restore(const QString& recordFile, bool finalCutRunning,
                                        std::optional<bool> privileged) {
    // Before anything is read: under a running Final Cut Pro the component would be loaded
    // by the next timeline that uses it, which is the freeze parking avoided.
    if (finalCutRunning)
        return error(Kind::finalCutRunning);
    if (!standsAt(recordFile))
        return error(Kind::notParked);
    const Outcome<Record> read = readRecord(recordFile);
    if (!read)
        return read.error;
    const Record& record = *read.value;
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
    if (Failure failed = move(record.parkedPath, record.originalPath,
                              privileged.value_or(isPrivileged(record.originalPath))))
        return failed;
    QFile::remove(recordFile);
    return std::nullopt;
}

DeRoomPark::Failure DeRoomPark::move(const QString& from, const QString& to, bool privileged) {
    if (privileged) {
        const Outcome<QString> ran = runScriptedMove(from, to, true);
        return ran ? Failure() : Failure(ran.error);
    }
    const QString parent = QFileInfo(to).absolutePath();
    if (const int failed = FileCopy::makeFolders(QFile::encodeName(parent)))
        return error(Kind::system, QStringLiteral("The folder ") + parent +
                                       QStringLiteral(" could not be made: ") + FileCopy::errorText(failed));
    if (standsAt(to))
        return error(Kind::destinationExists, to);
    const TreeMove::Outcome moved = TreeMove::move(from, to);
    if (moved)
        return std::nullopt;
    // Taken between the look above and the move: still never overwritten.
    if (moved.errorCode == EEXIST)
        return error(Kind::destinationExists, to);
    return error(Kind::moveFailed, moved.error);
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

    const Failure refused = restore(record, true, false);
    if (!refused || refused->kind != Kind::finalCutRunning || !standsAt(parked.value->parkedPath))
        return fail(QStringLiteral("refused restore still moved the file"));
    if (const Failure restored = restore(record, false, false))
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
