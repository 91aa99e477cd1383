#pragma once

#include "Catalogue/Records/LibraryInfo.h"
#include "Catalogue/Records/PluginUse.h"
#include "FinalCut/FinalCutQuestions.h"
#include "Platform/ScriptedMove.h"

#include <QLatin1StringView>
#include <QString>
#include <QStringList>
#include <functional>
#include <optional>
#include <utility>

namespace pellimor {

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

    // The content of the record file: compact JSON with exactly these two members.
    struct Record {
        QString originalPath; // where the component was installed
        QString parkedPath;   // where its bundle lies now
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

    static QByteArray encode(const Record& record);
    // Any member order, escaped slashes and further members are accepted; both members must
    // be texts naming absolute paths.
    static Outcome<Record> decode(const QByteArray& json, const QString& file);
    static Outcome<Record> readRecord(const QString& file);

    // ---- Moves -----------------------------------------------------------------------------

    // Parks what is installed and restarts the registrar: alreadyParked when a record exists
    // and nothing is installed, notInstalled when neither, else the park of the installed
    // bundle (privileged when it lies in the system-wide folder) and moved.
    static Outcome<ParkKind> parkInstalled();
    // Puts back what is parked — refused while Final Cut Pro runs (the platform lists an
    // instance) — and restarts the registrar after a success.
    static Failure restoreInstalled();

    // Moves the bundle at `from` next to `recordFile` (keeping its name), then writes the
    // record. Never overwrites a parked bundle or a record: an occupied parked place fails with
    // destinationExists before anything moves. When the record cannot be written, the bundle is
    // moved back and the park fails with moveFailed.
    static Outcome<Record> park(const QString& from, const QString& recordFile, bool privileged);
    // Moves a parked bundle back as its record says and deletes the record, only once the
    // bundle is back (or was found back). Refused while `finalCutRunning`, before anything is
    // read; an occupied original place fails with destinationExists, a missing parked copy
    // with missingParkedCopy, both keeping the record. `privileged` defaults to whether the
    // original place lies in the system-wide folder.
    static Failure restore(const QString& recordFile, bool finalCutRunning, std::optional<bool> privileged);
    // One move. Privileged: through the platform's scripted move with administrator rights.
    // Plain: the parent made, an occupied destination refused (destinationExists), then a
    // move that never replaces anything and crosses file systems by copying (TreeMove).
    static Failure move(const QString& from, const QString& to, bool privileged);
    // The scripted move of `from` to `to`, making `to`'s parent first; its trimmed output.
    static Outcome<QString> runScriptedMove(const QString& from, const QString& to, bool admin);
    // What a scripted move's outcome means: not started → moveFailed with the system's text;
    // a non-zero status → cancelled when the output says the user cancelled ("user cancel" in
    // any case, or "(-128)"), else moveFailed with the output, or with "osascript exited N"
    // when there was none; status 0 → the output, decoded as UTF-8 and trimmed.
    static Outcome<QString> scriptOutcome(const platform::ScriptedMove::Outcome& outcome);

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
