#pragma once

#include "Catalogue/Records/LibraryInfo.h"
#include "FinalCut/AX.h"
#include "FinalCut/SafetyCopy.h"

#include <QList>
#include <QObject>
#include <QPointer>
#include <QString>
#include <chrono>
#include <functional>
#include <optional>

namespace pellimor {

class Catalog;

// Updates libraries for the installed Final Cut Pro strictly one at a time: for each library it
// checks that the library is reachable and not yet current, makes its safety copy when asked,
// opens it in Final Cut Pro, finds the update prompt through the Accessibility service, checks
// that the prompt names this library, presses "Update" ("Cancel" in a practice run), waits until
// the library's files have settled at the new version, quits Final Cut Pro and has the
// catalogue read the library again. Anything unexpected marks the library failed and stops the
// whole queue; the libraries after it are left untouched.
//
// Nothing is pressed in a window that is not the prompt for this very library, a library is
// never opened before the safety copy asked for is complete, and Final Cut Pro is never forced
// to quit. Every step goes to "update-log.txt" in the catalogue's data folder; every failure
// also goes to the error log.
//
// Published members (items, running, message) are a getter and a change signal. Every wait
// goes through the program's clock; the safety copy runs on a worker and comes back by a
// queued call; nothing here ever blocks the main thread. Main thread only.
class LibraryUpdater final : public QObject {
    Q_OBJECT
public:
    // Where one library stands in the run. Two statuses are equal when their cases are, and for
    // `failed` their texts too.
    struct Status {
        enum class Case {
            failed,         // not updated (or the practice run failed); `text` says why
            waiting,        // not started yet
            safetyCopy,     // its safety copy is being made
            opening,        // being opened in Final Cut Pro
            awaitingPrompt, // waiting for the prompt (in a practice run, until Final Cut Pro quit)
            updating,       // "Update" pressed; waiting for the update to settle
            closing,        // settled; Final Cut Pro is being quit
            done,           // updated
            alreadyCurrent, // not opened: already at least the installed version
            practiceOK,     // practice run: the prompt was found and cancelled
            skipped,        // never started because the run stopped
        };
        Case kind = Case::waiting;
        QString text; // the reason, for `failed` only

        Status(Case kind = Case::waiting) : kind(kind) {}
        static Status failed(QString why);
        bool operator==(const Status&) const = default;
    };

    // One library of the run, identified by its path.
    struct Item {
        QString id; // the library's path
        LibraryInfo lib;
        Status status;
        QString detail; // the row's line: empty unless a step says something
        bool operator==(const Item&) const = default;
    };

    explicit LibraryUpdater(QObject* parent = nullptr);
    ~LibraryUpdater() override;

    // One item per library of the current or last run, in the order given.
    const QList<Item>& items() const { return m_items; }
    // On from the start of a run until it is over.
    bool running() const { return m_running; }
    // The run's outcome; kept when a run starts, replaced when it ends. The sheet writes its
    // own text here while a stop is pending.
    const QString& message() const { return m_message; }
    void setMessage(const QString& message);

    // Stops the run before the next library; the library in hand always runs to its end.
    // Cleared when a run starts.
    bool stopRequested() const { return m_stopRequested; }
    void setStopRequested(bool stop) { m_stopRequested = stop; }

    // Starts a run over `libraries`, in that order, and returns at once; finished() follows
    // when it is over, and the outcome is in items() and message(). The catalogue must outlive
    // the run. Safety copies go into a folder of this run, named by the local time it started
    // ("yyyy-MM-dd HHmm"), inside `safetyRoot`. A call while a run is going changes nothing.
    void run(const QList<LibraryInfo>& libraries, Catalog& catalog, bool safetyCopy,
             const QString& safetyRoot, bool practice);

    // The running Final Cut Pro: the first running instance's process id, or nothing.
    static std::optional<qint64> fcpProcess();

    // Whether a library saved at `library` opens in Final Cut Pro `installed` without an
    // update: its first two numbers are at least the installed ones. An unknown version never is.
    static bool versionOK(const std::optional<QString>& library, const QString& installed);

    // Lets tests make the safety copy's file system misbehave.
    void setSafetyCopyHooks(SafetyCopy::Hooks hooks) { m_copyHooks = std::move(hooks); }

    // The waits of a run.
    static constexpr std::chrono::seconds promptLimit{240};
    static constexpr std::chrono::seconds promptPause{2};
    static constexpr std::chrono::seconds cancelPause{3};
    static constexpr std::chrono::seconds updatePause{3};
    static constexpr std::chrono::seconds settleTime{20};
    static constexpr std::chrono::seconds stuckLimit{900};
    static constexpr int quitLooks = 60;
    static constexpr std::chrono::seconds quitPause{2};

Q_SIGNALS:
    void itemsChanged();
    void runningChanged();
    void messageChanged();
    // A run is over (also when it refused to start).
    void finished();

private:
    using Span = std::chrono::nanoseconds;

    // What holds for the whole run.
    struct RunContext {
        QPointer<Catalog> catalog;
        QString installed;
        QString runFolder; // where this run's safety copies go
        QString logPath;
        bool safetyCopy = false;
        bool practice = false;
        qsizetype index = 0; // the item in hand
    };
    // What one library's steps carry between their waits.
    struct LibraryContext {
        std::optional<QString> versionBefore;
        Span promptDeadline{0};
        QString lastSignature;
        Span lastChange{0};
        std::optional<Span> versionOKSince;
    };

    void nextLibrary();
    // Works on the item in hand: true when it is finished already (nothing to do), false when
    // a step goes on later or the run ended.
    bool process();
    void copyFinished(const SafetyCopy::Outcome& outcome);
    void openLibrary();
    void lookForPrompt();
    void practiceCancel(const AX::UpdateDialog& prompt);
    void practiceCheck();
    void pressUpdate(const AX::UpdateDialog& prompt);
    void watchUpdate();
    void closeAfterUpdate();
    // Asks the Final Cut Pro that fcpProcess() finds, and only that one, to quit, and waits
    // until none runs; `then` hears whether none does (at once when none ran).
    void quitFCP(std::function<void(bool gone)> then);
    void goOn();
    void fail(const QString& text);
    // The run's normal end: after the last library (`allProcessed`) or before the next one.
    void finish(bool allProcessed);
    void end();

    Item& current() { return m_items[m_run.index]; }
    void set(Status status, const QString& detail = {});
    void skipRest(qsizetype from);
    void log(const QString& text) const;
    void pause(std::chrono::milliseconds span, void (LibraryUpdater::*then)());
    static Span now();

    QList<Item> m_items;
    bool m_running = false;
    QString m_message;
    bool m_stopRequested = false;
    SafetyCopy::Hooks m_copyHooks;
    RunContext m_run;
    LibraryContext m_library;
};

} // namespace pellimor
