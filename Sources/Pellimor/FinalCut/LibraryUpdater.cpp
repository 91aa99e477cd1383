#include "FinalCut/LibraryUpdater.h"

#include "Catalogue/Logs/ErrorLog.h"
#include "Catalogue/Reader/LibraryReader.h"
#include "Catalogue/Store/Catalog.h"
#include "FinalCut/FinalCutProcess.h"
#include "Platform/Accessibility.h"
#include "Platform/Clock.h"
#include "Platform/FinalCutApp.h"
#include "Platform/Services.h"
#include "Support/ByteCount.h"
#include "Support/LogFile.h"
#include "Support/PathText.h"
#include "Support/VersionKey.h"
#include "Support/WorkPool.h"

#include <QCoreApplication>
#include <QDir>
#include <QMetaObject>
#include <QThreadPool>

namespace pellimor {

namespace {

using Case = LibraryUpdater::Status::Case;

const QString kNotInstalled = platform::FinalCutApp::notInstalledText();
const QString kNotTrusted =
    QStringLiteral("This app needs Accessibility access to press Update for you. Grant it "
                   "in System Settings, then try again.");
const QString kFinalCutOpen =
    QStringLiteral("Quit Final Cut Pro first, so the app can open one library at a time.");
const QString kStopped = QStringLiteral("Stopped. The remaining libraries were not touched.");
const QString kPracticeFinished = QStringLiteral("Practice run finished. Nothing was changed.");
const QString kFinished = QStringLiteral("Finished.");

const QString kUnreachable = QStringLiteral("the drive isn't connected");
const QString kUnreadable = QStringLiteral("the library can't be read right now (is the drive ready?)");
const QString kNoPrompt = QStringLiteral("Final Cut didn't show the update prompt within 4 minutes");
const QString kOtherLibrary =
    QStringLiteral("Final Cut asked about a different library, so nothing was pressed");
const QString kCannotCancel = QStringLiteral("couldn't press Cancel");
const QString kVersionChanged = QStringLiteral("the library's version changed during the practice run");
const QString kPracticeNoQuit = QStringLiteral("Final Cut didn't quit");
const QString kCannotUpdate = QStringLiteral("couldn't press Update");
const QString kStuck = QStringLiteral("nothing changed for 15 minutes; the update may be stuck");
const QString kQuitDuringUpdate = QStringLiteral("Final Cut quit before the update finished");
const QString kNoQuitAfterUpdate = QStringLiteral("Final Cut didn't quit; check for an open dialog");

const QString kErrorArea = QStringLiteral("update-libraries");

} // namespace

LibraryUpdater::Status LibraryUpdater::Status::failed(QString why) {
    Status status(Case::failed);
    status.text = std::move(why);
    return status;
}

LibraryUpdater::LibraryUpdater(QObject* parent) : QObject(parent) {}

LibraryUpdater::~LibraryUpdater() = default;

void LibraryUpdater::setMessage(const QString& message) {
    if (message == m_message)
        return;
    m_message = message;
    Q_EMIT messageChanged();
}

std::optional<qint64> LibraryUpdater::fcpProcess() {
    const QList<qint64> running = platform::services().finalCut->running();
    if (running.isEmpty())
        return std::nullopt;
    return running.first();
}

bool LibraryUpdater::versionOK(const std::optional<QString>& library, const QString& installed) {
    return library && versionKey(*library) >= versionKey(installed);
}

void LibraryUpdater::run(const QList<LibraryInfo>& libraries, Catalog& catalog, bool safetyCopy,
                         const QString& safetyRoot, bool practice) {
    if (m_running)
        return;
    m_running = true;
    m_stopRequested = false;
    m_run = RunContext();
    m_items.clear();
    for (const LibraryInfo& library : libraries)
        m_items.append(Item{library.path, library, Status(Case::waiting), QString()});
    Q_EMIT runningChanged();
    Q_EMIT itemsChanged();

    const std::optional<QString> installed = catalog.installedFCP();
    if (!installed || !catalog.fcpAppURL()) {
        setMessage(kNotInstalled);
        return end();
    }
    // Without the prompt: the sheet is where the user is asked, not a run that has begun.
    if (!platform::services().accessibility->isProcessTrusted(false)) {
        setMessage(kNotTrusted);
        return end();
    }
    // One library at a time: a Final Cut Pro already open may hold other libraries and prompts.
    if (fcpProcess()) {
        setMessage(kFinalCutOpen);
        return end();
    }

    m_run.catalog = &catalog;
    m_run.installed = *installed;
    m_run.safetyCopy = safetyCopy;
    m_run.practice = practice;
    // Named now, made by the first copy: a run without copies leaves no empty folder behind.
    m_run.runFolder = QDir(safetyRoot)
                          .filePath(platform::services().clock->now().toLocalTime().toString(
                              QStringLiteral("yyyy-MM-dd HHmm")));
    m_run.logPath = QDir(catalog.dir()).filePath(QStringLiteral("update-log.txt"));
    // One substitution pass, so a "%" in a version or a name is written as it is.
    log(QStringLiteral("=== %1 to Final Cut Pro %2: %3 libraries ===")
            .arg(practice ? QStringLiteral("PRACTICE RUN") : QStringLiteral("UPDATE RUN"), m_run.installed,
                 QString::number(m_items.size())));
    nextLibrary();
}

void LibraryUpdater::nextLibrary() {
    // A loop, not a chain of calls: a long list of libraries that need nothing is finished
    // without growing the stack.
    for (;;) {
        if (m_run.index >= m_items.size())
            return finish(true);
        // Seen only between libraries, so a stop never cuts an update short. A catalogue that
        // went with the program's window ends the run too: nothing more can be checked or read.
        if (m_stopRequested || !m_run.catalog) {
            skipRest(m_run.index);
            setMessage(kStopped);
            return finish(false);
        }
        if (!process())
            return;
        ++m_run.index;
    }
}

bool LibraryUpdater::process() {
    m_library = LibraryContext();
    const LibraryInfo& library = current().lib;
    if (!m_run.catalog->isOnline(library)) {
        fail(kUnreachable);
        return false;
    }
    if (!LibraryReader::isReadable(library.path)) {
        fail(kUnreadable);
        return false;
    }
    m_library.versionBefore = LibraryReader::fcpVersion(library.path);
    // A practice run opens every library: it is there to show that the prompt is found.
    if (!m_run.practice && versionOK(m_library.versionBefore, m_run.installed)) {
        set(Case::alreadyCurrent, QStringLiteral("already ") + *m_library.versionBefore);
        log(library.name + QStringLiteral(": already current"));
        return true;
    }
    if (!m_run.safetyCopy) {
        openLibrary();
        return false;
    }

    set(Case::safetyCopy);
    const QString source = library.path;
    const QString destination = QDir(m_run.runFolder).filePath(PathText::lastComponent(library.path));
    const SafetyCopy::Hooks hooks = m_copyHooks;
    const QPointer<LibraryUpdater> self(this);
    QCoreApplication* const app = QCoreApplication::instance();
    workPool()->start([self, app, source, destination, hooks] {
        const SafetyCopy::Outcome outcome = SafetyCopy::make(source, destination, hooks);
        // Through the application object, which outlives every worker: the updater may be
        // gone by the time the copy is done.
        QMetaObject::invokeMethod(
            app,
            [self, outcome] {
                if (self)
                    self->copyFinished(outcome);
            },
            Qt::QueuedConnection);
    });
    return false;
}

void LibraryUpdater::copyFinished(const SafetyCopy::Outcome& outcome) {
    if (!outcome)
        return fail(QStringLiteral("safety copy failed (") + outcome.error.description + u')');
    const QString destination = QDir(m_run.runFolder).filePath(PathText::lastComponent(current().lib.path));
    log(QStringLiteral("%1: safety copy %2 files, %3 -> %4")
            .arg(current().lib.name, QString::number(outcome.result->files),
                 ByteCount::file(outcome.result->bytes), destination));
    openLibrary();
}

void LibraryUpdater::openLibrary() {
    set(Case::opening);
    // What the open request answers says nothing about the prompt; the prompt is what counts.
    platform::services().finalCut->open(current().lib.path, this, [](const std::optional<QString>&) {});
    set(Case::awaitingPrompt);
    m_library.promptDeadline = now() + promptLimit;
    lookForPrompt();
}

void LibraryUpdater::lookForPrompt() {
    if (now() >= m_library.promptDeadline)
        return fail(kNoPrompt);
    if (const std::optional<qint64> pid = fcpProcess()) {
        if (const std::optional<AX::UpdateDialog> prompt = AX::findUpdateDialog(*pid)) {
            // A library without a name could match any prompt; it matches none.
            const QString& name = current().lib.name;
            if (name.isEmpty() || !prompt->text.contains(name, Qt::CaseSensitive))
                return fail(kOtherLibrary);
            return m_run.practice ? practiceCancel(*prompt) : pressUpdate(*prompt);
        }
    }
    pause(promptPause, &LibraryUpdater::lookForPrompt);
}

void LibraryUpdater::practiceCancel(const AX::UpdateDialog& prompt) {
    if (prompt.cancel->press() != 0)
        return fail(kCannotCancel);
    pause(cancelPause, &LibraryUpdater::practiceCheck);
}

void LibraryUpdater::practiceCheck() {
    if (LibraryReader::fcpVersion(current().lib.path) != m_library.versionBefore)
        return fail(kVersionChanged);
    quitFCP([this](bool gone) {
        if (!gone)
            return fail(kPracticeNoQuit);
        set(Case::practiceOK, QStringLiteral("prompt found and cancelled; nothing changed"));
        log(current().lib.name + QStringLiteral(": practice OK"));
        goOn();
    });
}

void LibraryUpdater::pressUpdate(const AX::UpdateDialog& prompt) {
    set(Case::updating);
    if (prompt.update->press() != 0)
        return fail(kCannotUpdate);
    log(QStringLiteral("%1: pressed Update (was %2)")
            .arg(current().lib.name, m_library.versionBefore.value_or(QStringLiteral("?"))));
    m_library.lastSignature = LibraryReader::signature(current().lib.path);
    m_library.lastChange = now();
    m_library.versionOKSince.reset();
    pause(updatePause, &LibraryUpdater::watchUpdate);
}

void LibraryUpdater::watchUpdate() {
    const QString& path = current().lib.path;
    const Span at = now();
    // Final Cut Pro writes the new version early and goes on rewriting the database: the update
    // is over only once the files have been quiet at the new version for a while.
    const QString signature = LibraryReader::signature(path);
    if (signature != m_library.lastSignature) {
        m_library.lastChange = at;
        m_library.versionOKSince.reset();
    }
    m_library.lastSignature = signature;
    if (versionOK(LibraryReader::fcpVersion(path), m_run.installed)) {
        if (!m_library.versionOKSince)
            m_library.versionOKSince = at;
        if (at - *m_library.versionOKSince >= settleTime)
            return closeAfterUpdate();
    }
    if (at - m_library.lastChange > stuckLimit)
        return fail(kStuck);
    if (!fcpProcess())
        return fail(kQuitDuringUpdate);
    pause(updatePause, &LibraryUpdater::watchUpdate);
}

void LibraryUpdater::closeAfterUpdate() {
    set(Case::closing);
    quitFCP([this](bool gone) {
        if (!gone)
            return fail(kNoQuitAfterUpdate);
        const std::optional<QString> version = LibraryReader::fcpVersion(current().lib.path);
        if (!versionOK(version, m_run.installed))
            return fail(QStringLiteral("the library still isn't at version ") + m_run.installed);
        if (Catalog* catalog = m_run.catalog.data())
            catalog->reread(current().lib, std::nullopt);
        const QString shown = version.value_or(m_run.installed);
        set(Case::done, QStringLiteral("now ") + shown);
        log(current().lib.name + QStringLiteral(": updated to ") + shown);
        goOn();
    });
}

void LibraryUpdater::quitFCP(std::function<void(bool gone)> then) {
    // The instance found is the one the library went to; another one (a window the user opened
    // meanwhile) is not the updater's to close. Never forced: a forced quit in the middle of
    // writing the library could damage it.
    const std::optional<qint64> found = fcpProcess();
    if (!found)
        return then(true);
    FinalCutProcess::quitInstance(*found, quitLooks, quitPause, this, std::move(then));
}

void LibraryUpdater::goOn() {
    ++m_run.index;
    nextLibrary();
}

void LibraryUpdater::fail(const QString& text) {
    const LibraryInfo library = current().lib;
    set(Status::failed(text), text);
    log(QStringLiteral("FAILED ") + library.name + QStringLiteral(": ") + text);
    ErrorLog::log(ErrorLog::Level::error, kErrorArea, QStringLiteral("A library was not updated: ") + text,
                  library.path);
    setMessage(QStringLiteral("Stopped at \u201C") + library.name + QStringLiteral("\u201D: ") + text +
               QStringLiteral(". The remaining libraries were not touched."));
    skipRest(m_run.index + 1);
    log(QStringLiteral("STOPPED at ") + library.name);
    end();
}

void LibraryUpdater::finish(bool allProcessed) {
    // A stop asked for during the last library leaves the sheet's own text in place.
    if (allProcessed && !m_stopRequested)
        setMessage(m_run.practice ? kPracticeFinished : kFinished);
    log(QStringLiteral("=== finished ==="));
    end();
}

void LibraryUpdater::end() {
    m_running = false;
    Q_EMIT runningChanged();
    Q_EMIT finished();
}

void LibraryUpdater::set(Status status, const QString& detail) {
    Item& item = current();
    item.status = std::move(status);
    item.detail = detail;
    Q_EMIT itemsChanged();
}

void LibraryUpdater::skipRest(qsizetype from) {
    bool changed = false;
    for (qsizetype i = std::max<qsizetype>(from, 0); i < m_items.size(); ++i) {
        if (m_items[i].status.kind == Case::waiting) {
            m_items[i].status = Status(Case::skipped);
            changed = true;
        }
    }
    if (changed)
        Q_EMIT itemsChanged();
}

void LibraryUpdater::log(const QString& text) const {
    // The log is a record for the user, never a reason to stop: a line that cannot be written
    // is dropped. Appending creates a missing log and never replaces one.
    if (!m_run.logPath.isEmpty())
        (void)LogFile::appendLine(m_run.logPath, text);
}

void LibraryUpdater::pause(std::chrono::milliseconds span, void (LibraryUpdater::*then)()) {
    platform::services().clock->after(span, this, [this, then] { (this->*then)(); });
}

LibraryUpdater::Span LibraryUpdater::now() {
    return platform::services().clock->monotonic();
}

} // namespace pellimor
