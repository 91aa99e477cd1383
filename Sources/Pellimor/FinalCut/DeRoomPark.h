#pragma once

#include "Catalogue/Records/LibraryInfo.h"
#include "Catalogue/Records/PluginUse.h"
#include "FinalCut/FinalCutQuestions.h"
#include "Platform/ScriptedMove.h"
#include "Support/TreeMove.h"

#include <QLatin1StringView>
#include <QString>
#include <QStringList>
#include <functional>
#include <optional>
#include <utility>

namespace pellimor {

class Catalog;

// The project of a library that uses DeRoom 2 on the most clips, when that is at least
// DeRoomPark::riskFrom clips. Made only by DeRoomPark::heaviest.
struct DeRoomRisk {
    QString event;
    QString project;
    qint64 count = 0;
    bool operator==(const DeRoomRisk&) const = default;
};

// One Audio Unit, DeRoom 2, can make Final Cut Pro wait for ever while it loads a timeline
// that uses the effect on many clips, and quitting does not help, because the next launch
// opens the same timeline. These are the rules and file moves that work around it: which
// library is at risk, parking the installed component (moving its bundle out of the Audio
// Units folders into the program's own folder, with a record of where it came from) and
// putting it back, each followed by a restart of the Audio Unit registrar.
//
// No state in memory: whether DeRoom is parked is known only from the record file on disk.
// Everything is synchronous and blocks its caller while files move and commands run, so the
// park runs on a worker; two parks or restores must never run at once (the open flow sees to
// that). Any thread, except the alerts (main thread only).
struct DeRoomPark {
    // The component's bundle, in the Audio Units folders and once parked.
    static constexpr QLatin1StringView componentName{"Accentize-DeRoom2.component"};
    // From this many clips on, a project's use of DeRoom is a risk.
    static constexpr qint64 riskFrom = 100;

    // ---- Risk ----------------------------------------------------------------------------

    // Named "DeRoom2" exactly, or an Audio Unit of subtype "ADR2" by "Actz", whatever its type.
    static bool isDeRoom(const PluginUse& use);
    // The first project, in event, project and use order, whose one use of DeRoom counts the
    // most clips, at least riskFrom; a later one wins only with strictly more. Two uses in one
    // project are judged one by one, never added.
    static std::optional<DeRoomRisk> heaviest(const LibraryInfo& library);

    // ---- The record and the places ---------------------------------------------------------

    // The content of the record file: compact JSON with the two members "originalPath" and
    // "parkedPath"; while a move is under way also "state", "parking" or "restoring". A
    // record without "state" (every record of earlier versions) says DeRoom is parked.
    struct Record {
        enum class State {
            parked,    // the bundle lies whole at parkedPath ("state" not written)
            parking,   // a move from originalPath to parkedPath was begun
            restoring, // a move from parkedPath back to originalPath was begun
        };
        QString originalPath; // where the component was installed
        QString parkedPath;   // where its bundle lies now
        State state = State::parked;
        bool operator==(const Record&) const = default;
    };

    // Why a park or a restore did not happen; description() is what the user reads.
    struct ParkError {
        enum class Kind {
            destinationExists, // "DeRoom is already at PATH. Nothing was moved."
            moveFailed,        // "DeRoom could not be moved. DETAIL"
            cancelled,         // "DeRoom was left installed. The library was not opened."
            finalCutRunning,   // "Quit Final Cut Pro before putting DeRoom back. Nothing was moved."
            missingParkedCopy, // "The parked DeRoom file is missing, so it was not put back."
            notParked,         // "DeRoom is not parked."
            system,            // the file system's own text: a folder not made, a record not read
        };
        Kind kind = Kind::moveFailed;
        QString detail; // the path, the detail or the system's text, where the kind has one

        QString description() const;
        bool operator==(const ParkError&) const = default;
    };

    // A value, or the error that says why there is none.
    template <typename T> struct Outcome {
        Outcome(T value) : value(std::move(value)) {}
        Outcome(ParkError error) : error(std::move(error)) {}
        std::optional<T> value;
        ParkError error; // when there is no value
        explicit operator bool() const { return value.has_value(); }
    };
    // Nothing when the operation worked.
    using Failure = std::optional<ParkError>;

    enum class ParkKind {
        moved,         // the installed bundle was parked now
        alreadyParked, // a record exists and nothing is installed: nothing was done
        notInstalled,  // nothing installed, no record: nothing was done
    };
    // "moved", "alreadyParked", "notInstalled".
    static QString caseName(ParkKind kind);

    // Paths::deroomRecordFile(): "parked-deroom.json" in "Pellimor/Parked Audio Units" in
    // Application Support, never moved by TOVLIN_DATA_DIR. The parked bundle lies beside it.
    static QString recordFile();
    // Whether DeRoom is parked: anything stands at recordFile(). The one sign of it, for every
    // part of the program and across launches.
    static bool isParked();
    // The component in the system-wide Audio Units folder (below the platform's root folder),
    // and in the user's (below HOME).
    static QString systemComponentPath();
    static QString userComponentPath();
    // The first of the two at which anything stands (a bundle, a file, a link), or nothing.
    static std::optional<QString> installedComponentURL();
    // Whether a move of `path` needs the administrator's rights: it lies in the system-wide
    // root's "Library" folder.
    static bool isPrivileged(const QString& path);

    // A folder a parked bundle may be put back into: `below` inside `base`. The base is taken
    // as it is; every folder from there down must be a real one, never a link.
    struct ComponentFolder {
        QString base;
        QString below;
        QString componentPath() const; // the bundle's place in it
    };
    // The two Audio Units "Components" folders, system-wide and the user's, whose bundle
    // places are systemComponentPath() and userComponentPath().
    static QList<ComponentFolder> componentFolders();

    static QByteArray encode(const Record& record);
    // Any member order, escaped slashes and further members are accepted; both paths must be
    // texts naming absolute paths, and "state", when present, "parking" or "restoring".
    static Outcome<Record> decode(const QByteArray& json, const QString& file);
    static Outcome<Record> readRecord(const QString& file);
    // Whether the record of `recordFile` names only what the program parks: the parked path is
    // the component's name in the record file's folder, the original path the bundle place of
    // one of `into`, neither spelled with "." or "..", no link on the way to either, and a
    // parked bundle that stands there (when no move was under way) is DeRoom — a real folder
    // whose "Contents/Info.plist" is a regular file that, if it lists Audio Units, lists
    // DeRoom 2. Anything else is a record that cannot be read (Kind::system, in the form of
    // the record's other read errors).
    static Failure checkRecord(const Record& record, const QString& recordFile,
                               const QList<ComponentFolder>& into);

    // ---- Moves -----------------------------------------------------------------------------
    //
    // Every park and restore writes its record (synced) before anything moves, saying which
    // way the bundle is going, so a kill at any moment leaves one whole copy and a record the
    // next start, the next park or "Put DeRoom Back" settles (recover). One park, restore or
    // recovery at a time per parked folder: a second one, from another thread or another run
    // of the program, is refused (moveFailed) rather than run into a move under way.

    // Ways for tests to stop a park or a restore at each point where a kill could stop it.
    struct Hooks {
        enum class Step {
            recorded, // the record says the move is under way; nothing moved yet
            staged,   // the bundle lies whole at its temporary name (movingPath), the source gone
            placed,   // the bundle is in its place; the record not yet settled
        };
        TreeMove::Hooks tree; // the copy, which may be made to cross file systems
        std::function<void(Step)> at;
    };

    // Parks what is installed and restarts the registrar: alreadyParked when a record exists
    // and nothing is installed, notInstalled when neither, else the park of the installed
    // bundle (privileged when it lies in the system-wide folder) and moved. A move that a
    // record says was cut short is settled first.
    static Outcome<ParkKind> parkInstalled();
    // Puts back what is parked — refused while Final Cut Pro runs (the platform lists an
    // instance) — and restarts the registrar after a success.
    static Failure restoreInstalled();

    // Moves the bundle at `from` next to `recordFile` (keeping its name). Never overwrites a
    // parked bundle or a record: an occupied parked place fails with destinationExists before
    // anything is written or moves. When the record cannot be written, nothing moves and the
    // park fails with moveFailed; when the move fails, what it left is settled (recover) and a
    // record that was there before is put back.
    static Outcome<Record> park(const QString& from, const QString& recordFile, bool privileged,
                                const Hooks& hooks = {});
    // Moves a parked bundle back as its record says and deletes the record, only once the
    // bundle is back (or was found back). Refused while `finalCutRunning`, before anything is
    // read; a record that checkRecord refuses moves nothing; a move that was cut short is
    // settled first; an occupied original place fails with destinationExists, a missing
    // parked copy with missingParkedCopy, both keeping the record. `privileged` defaults to
    // whether the original place lies in the system-wide folder. The bundle goes back only to
    // the bundle place of one of `into` (the Audio Units folders when not given).
    static Failure restore(const QString& recordFile, bool finalCutRunning, std::optional<bool> privileged);
    static Failure restore(const QString& recordFile, bool finalCutRunning, std::optional<bool> privileged,
                           const QList<ComponentFolder>& into, const Hooks& hooks = {});
    // One move. Privileged: through the platform's scripted move with administrator rights.
    // Plain: the parent made, an occupied destination refused (destinationExists), then a
    // move that never replaces anything and crosses file systems by copying (TreeMove) to
    // movingPath(to), and a rename from there into place, so the destination's own name only
    // ever holds a whole bundle.
    static Failure move(const QString& from, const QString& to, bool privileged, const Hooks& hooks = {});
    // Where a plain move to `to` stages the bundle: beside it, hidden, and not named as a
    // component, so no registrar takes up a half copy.
    static QString movingPath(const QString& to);

    // The scripted move of `from` to `to`, making `to`'s parent first; its trimmed output.
    static Outcome<QString> runScriptedMove(const QString& from, const QString& to, bool admin);
    // What a scripted move's outcome means: not started → moveFailed with the system's text;
    // a non-zero status → cancelled when the output says the user cancelled ("user cancel" in
    // any case, or "(-128)"), else moveFailed with the output, or with "osascript exited N"
    // when there was none; status 0 → the output, decoded as UTF-8 and trimmed.
    static Outcome<QString> scriptOutcome(const platform::ScriptedMove::Outcome& outcome);

    // ---- Moves that were cut short -----------------------------------------------------------

    // What settling a move that was cut short did; where the one whole copy is now.
    enum class Recovery {
        none,            // no move was under way
        parkFinished,    // parked
        parkUndone,      // installed, as before the park
        restoreFinished, // back in Audio Units
        restoreUndone,   // still parked
    };
    // Settles a move its record says was begun, so one whole copy is in place: a copy that a
    // move may have left half made is removed and the source kept, or, once the source has
    // begun to go (what is left of it is part of the copy), the copy goes into place and the
    // rest of the source is removed. The record is then rewritten or deleted to say what is
    // on disk. Only a record that checkRecord accepts is acted on; what is left in the
    // system-wide folder is never removed without administrator rights (moveFailed saying
    // what to remove); a cut-short put-back is left as it is while `finalCutRunning`
    // (finalCutRunning). none when no record says a move was begun.
    static Outcome<Recovery> recover(const QString& recordFile, bool finalCutRunning,
                                     std::optional<bool> privileged, const QList<ComponentFolder>& into);
    // The same for the record file and the Audio Units folders; restarts the registrar when
    // the recovery changed what is installed.
    static Outcome<Recovery> recoverInstalled();
    // What the status line says of a recovery; empty for none.
    static QString recoveryText(Recovery recovery);
    // At start-up, main thread: settles a move a kill cut short and tells the user through
    // the status line, the activity log ("deroom-park" or "deroom-restore") and, for a
    // failure, the error log ("deroom"). Silent when there was nothing to settle, or when
    // another run of the program is moving DeRoom right now.
    static void recoverAtStartUp(Catalog& catalog);

    // ---- The open flow's alerts ----------------------------------------------------------

    enum class Choice { parkAndOpen, openAnyway, cancel };
    // Before a risky library opens: "Park DeRoom and Open", "Cancel", "Open Anyway".
    static FinalCutAlert openAlert(const QString& libraryName, const DeRoomRisk& risk);
    static Choice confirmOpen(FinalCutQuestions& questions, const QString& libraryName,
                              const DeRoomRisk& risk);
    // When Final Cut Pro stopped answering after a risky open: "Keep Waiting",
    // "Park DeRoom and Reopen".
    static FinalCutAlert recoveryAlert(const QString& libraryName, const DeRoomRisk& risk);
    // True only for "Park DeRoom and Reopen".
    static bool confirmRecovery(FinalCutQuestions& questions, const QString& libraryName,
                                const DeRoomRisk& risk);

    // ---- Self-test -------------------------------------------------------------------------

    // The risk rules on sample libraries, then a park and restore round trip in a folder
    // "pellimor-deroom-UUID" of the system's temporary folder, which it removes. Prints
    // "DEROOM CHECKS PASSED", or a line for the round trip's first failure and then
    // "deroom test failed: " with the failed checks. True when every check passed.
    static bool selfTest(const std::function<void(const QString&)>& print);
    // The names of the failed risk checks; empty when all passed.
    static QStringList testRisk();
    // The round trip inside `folder`, printing its failure; true when it passed.
    static bool testRoundTrip(const QString& folder, const std::function<void(const QString&)>& print);
    // A library of the given (event, project, plug-ins) in that order, its events sorted by
    // name; everything else is a fixed sample value.
    struct SampleProject {
        QString event;
        QString project;
        std::optional<QList<PluginUse>> plugins;
    };
    static LibraryInfo sampleLibrary(const QList<SampleProject>& projects);
};

} // namespace pellimor
