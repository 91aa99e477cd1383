#include "FinalCut/OpenInFinalCut.h"

#include "Catalogue/Logs/ActivityLog.h"
#include "Catalogue/Logs/ErrorLog.h"
#include "Catalogue/Reader/LibraryReader.h"
#include "Catalogue/Store/Catalog.h"
#include "FinalCut/FCPPreferencesBackup.h"
#include "FinalCut/FinalCutProcess.h"
#include "Platform/Clock.h"
#include "Platform/FinalCutApp.h"
#include "Platform/Services.h"
#include "Support/WorkPool.h"

#include <QCoreApplication>
#include <QMetaObject>
#include <QPointer>
#include <QThreadPool>

namespace pellimor {

namespace {

const QString kOpenTag = QStringLiteral("open-in-fcp");
const QString kParkTag = QStringLiteral("deroom-park");
const QString kRestoreTag = QStringLiteral("deroom-restore");
const QString kOpenArea = QStringLiteral("open-in-final-cut");
const QString kDeRoomArea = QStringLiteral("deroom");

const QString kNotInstalled = platform::FinalCutApp::notInstalledText();

void logError(const QString& area, const QString& message,
              const std::optional<QString>& path = std::nullopt) {
    ErrorLog::log(ErrorLog::Level::error, area, message, path);
}

QString number(qint64 value) {
    return QString::number(value);
}

} // namespace

OpenInFinalCut::OpenInFinalCut(Catalog& catalog, std::shared_ptr<FinalCutQuestions> questions,
                               QObject* parent)
    : QObject(parent), m_catalog(catalog), m_questions(std::move(questions)) {}

FinalCutAlert OpenInFinalCut::backupDriveAlert(const QString& driveName) {
    FinalCutAlert alert;
    alert.style = FinalCutAlert::Style::warning;
    alert.message = QStringLiteral("This library is on a backup drive");
    alert.information = QStringLiteral("“") + driveName +
                        QStringLiteral("” is marked as a backup drive. Working from a backup can leave your "
                                       "working copy out of date. Open it anyway?");
    // The careful answer comes first and is what Return gives.
    alert.buttons = {QStringLiteral("Cancel"), QStringLiteral("Open Anyway")};
    alert.defaultButton = 0;
    alert.cancelButton = 0;
    return alert;
}

void OpenInFinalCut::openInFCP(const LibraryInfo& library) {
    const QString& name = library.name;
    const QString& path = library.path;
    if (!m_catalog.isOnline(library)) {
        m_catalog.setStatus(library.volumeName + QStringLiteral(" isn't connected."));
        return;
    }
    if (!LibraryReader::isReadable(path)) {
        m_catalog.setStatus(QStringLiteral("“") + name +
                            QStringLiteral("” has no library database, so Final Cut Pro can't open it."));
        ActivityLog::append(kOpenTag, QStringLiteral("refused ") + name + QStringLiteral(" ") + path +
                                          QStringLiteral(" no library database"));
        logError(kOpenArea,
                 QStringLiteral("The library has no library database, so Final Cut Pro can't open it."),
                 path);
        return;
    }
    if (m_catalog.isBackupDrive(library)) {
        const FinalCutAlert alert = backupDriveAlert(library.volumeName);
        if (m_questions->ask(alert) != alert.buttons.at(1))
            return;
    }
    if (!m_catalog.fcpAppURL()) {
        m_catalog.setStatus(kNotInstalled);
        ActivityLog::append(kOpenTag, QStringLiteral("failed ") + name + QStringLiteral(" ") + path +
                                          QStringLiteral(" Final Cut Pro isn't installed"));
        logError(kOpenArea, kNotInstalled);
        return;
    }
    const std::optional<DeRoomRisk> risk = DeRoomPark::heaviest(library);
    if (!risk) {
        startOpen(library, std::nullopt, false);
        return;
    }
    switch (DeRoomPark::confirmOpen(*m_questions, name, *risk)) {
    case DeRoomPark::Choice::parkAndOpen:
        parkThenOpen(library, false);
        break;
    case DeRoomPark::Choice::openAnyway:
        startOpen(library, risk, false);
        break;
    case DeRoomPark::Choice::cancel:
        ActivityLog::append(kOpenTag, QStringLiteral("cancelled deroom ") + name + QStringLiteral(" ") +
                                          risk->project + QStringLiteral(" ") + number(risk->count));
        break;
    }
}

void OpenInFinalCut::startOpen(const LibraryInfo& library, const std::optional<DeRoomRisk>& watchHang,
                               bool leftParked) {
    // Final Cut Pro may have gone while a question was open or DeRoom was being parked.
    if (!m_catalog.fcpAppURL()) {
        m_catalog.setStatus(kNotInstalled);
        return;
    }
    const qint64 ticket = ++m_catalog.openInFCPTicket;
    m_catalog.openLeftDeRoomParked = leftParked;
    const QString name = library.name;
    const QString path = library.path;
    m_catalog.setStatus(leftParked
                            ? QStringLiteral("DeRoom is parked. Opening ") + name +
                                  QStringLiteral(" in Final Cut Pro…")
                            : QStringLiteral("Opening ") + name + QStringLiteral(" in Final Cut Pro…"));
    ActivityLog::append(kOpenTag, QStringLiteral("start ") + name + QStringLiteral(" ") + path);

    const platform::Services services = platform::services();
    services.finalCut->open(
        path, this, [this, ticket, name, path, watchHang, library](const std::optional<QString>& error) {
            finishOpenInFCP(ticket, name, path, error, watchHang, library);
        });
    services.clock->after(openTimeout, this,
                          [this, ticket, name, path] { timedOutOpenInFCP(ticket, name, path); });
}

void OpenInFinalCut::finishOpenInFCP(qint64 ticket, const QString& name, const QString& path,
                                     const std::optional<QString>& errorText,
                                     const std::optional<DeRoomRisk>& risk, const LibraryInfo& library) {
    if (ticket != m_catalog.openInFCPTicket)
        return; // a newer request has started
    if (!errorText) {
        // Reported also after the time-out: the library did open, late.
        m_catalog.openInFCPSettledTicket = ticket;
        m_catalog.setStatus(
            m_catalog.openLeftDeRoomParked
                ? QStringLiteral("Opened ") + name +
                      QStringLiteral(". DeRoom stays parked until you put it back (Final Cut ▸ Put "
                                     "DeRoom Back).")
                : QStringLiteral("Opened ") + name + QStringLiteral(" in Final Cut Pro."));
        ActivityLog::append(kOpenTag, QStringLiteral("ok ") + name + QStringLiteral(" ") + path);
        if (risk)
            watchForDeRoomHang(ticket, library, *risk);
        return;
    }
    // A failure after the time-out was reported would only replace one bad news with another.
    if (ticket == m_catalog.openInFCPSettledTicket)
        return;
    m_catalog.openInFCPSettledTicket = ticket;
    m_catalog.setStatus(QStringLiteral("Couldn't open ") + name + QStringLiteral(" in Final Cut Pro. ") +
                        *errorText);
    ActivityLog::append(kOpenTag, QStringLiteral("failed ") + name + QStringLiteral(" ") + path +
                                      QStringLiteral(" ") + *errorText);
    logError(kOpenArea, QStringLiteral("The library could not be opened in Final Cut Pro. ") + *errorText,
             path);
}

void OpenInFinalCut::timedOutOpenInFCP(qint64 ticket, const QString& name, const QString& path) {
    if (ticket != m_catalog.openInFCPTicket || ticket == m_catalog.openInFCPSettledTicket)
        return;
    m_catalog.openInFCPSettledTicket = ticket;
    m_catalog.setStatus(QStringLiteral("Final Cut Pro didn't respond while opening ") + name +
                        QStringLiteral(". It may be busy."));
    ActivityLog::append(kOpenTag, QStringLiteral("timeout ") + name + QStringLiteral(" ") + path +
                                      QStringLiteral(" no response within ") + number(openTimeout.count()) +
                                      QStringLiteral("s"));
}

void OpenInFinalCut::watchForDeRoomHang(qint64 ticket, const LibraryInfo& library, const DeRoomRisk& risk) {
    platform::services().clock->after(hangWatchDelay, this, [this, ticket, library, risk] {
        if (ticket != m_catalog.openInFCPTicket)
            return;
        FinalCutProcess::finalCutAnswers(answerLimit, this, [this, ticket, library, risk](bool answered) {
            hangAnswered(ticket, library, risk, answered);
        });
    });
}

void OpenInFinalCut::hangAnswered(qint64 ticket, const LibraryInfo& library, const DeRoomRisk& risk,
                                  bool answered) {
    if (ticket != m_catalog.openInFCPTicket || answered)
        return;
    const QString& name = library.name;
    if (DeRoomPark::isParked()) {
        m_catalog.setStatus(QStringLiteral("Final Cut Pro hasn’t answered. DeRoom is already parked."));
        ActivityLog::append(kOpenTag,
                            QStringLiteral("hang ") + name + QStringLiteral(" deroom already parked"));
        return;
    }
    ActivityLog::append(kOpenTag, QStringLiteral("hang ") + name + QStringLiteral(" ") + risk.project +
                                      QStringLiteral(" ") + number(risk.count));
    const bool park = DeRoomPark::confirmRecovery(*m_questions, name, risk);
    // The alert held the user while timers ran: a newer request owns Final Cut Pro now.
    if (ticket != m_catalog.openInFCPTicket)
        return;
    if (park) {
        parkThenOpen(library, true);
        return;
    }
    m_catalog.setStatus(QStringLiteral("Still waiting on Final Cut Pro."));
    watchForDeRoomHang(ticket, library, risk);
}

void OpenInFinalCut::parkThenOpen(const LibraryInfo& library, bool forceQuit) {
    if (m_catalog.deroomParking)
        return;
    m_catalog.deroomParking = true;
    const QString name = library.name;
    m_catalog.setStatus(forceQuit ? QStringLiteral("Force-quitting Final Cut Pro so DeRoom can be parked…")
                                  : QStringLiteral("Quitting Final Cut Pro so DeRoom can be parked…"));
    ActivityLog::append(kParkTag, QStringLiteral("quit ") + name + QStringLiteral(" force=") +
                                      (forceQuit ? QStringLiteral("true") : QStringLiteral("false")));
    FinalCutProcess::quitFinalCut(forceQuit, this, [this, library](bool gone) {
        if (!gone) {
            m_catalog.setStatus(QStringLiteral(
                "Final Cut Pro is still open. Quit it, then try again. DeRoom was not moved."));
            ActivityLog::append(kParkTag, QStringLiteral("quit-failed ") + library.name);
            logError(kDeRoomArea, QStringLiteral("Final Cut Pro did not quit, so DeRoom was not moved."));
            m_catalog.deroomParking = false;
            return;
        }
        m_catalog.setStatus(QStringLiteral("Moving DeRoom out of Audio Units…"));
        // The move may copy a bundle across drives, or wait on a command: off the main thread.
        // The answer comes back through the application object, which outlives this one.
        const QPointer<OpenInFinalCut> self(this);
        workPool()->start([self, library] {
            const DeRoomPark::Outcome<DeRoomPark::ParkKind> outcome = DeRoomPark::parkInstalled();
            QMetaObject::invokeMethod(
                QCoreApplication::instance(),
                [self, library, outcome] {
                    if (self)
                        self->parked(library, outcome);
                },
                Qt::QueuedConnection);
        });
    });
}

void OpenInFinalCut::parked(const LibraryInfo& library,
                            const DeRoomPark::Outcome<DeRoomPark::ParkKind>& outcome) {
    const QString& name = library.name;
    if (!outcome) {
        const QString description = outcome.error.description();
        m_catalog.setStatus(description);
        ActivityLog::append(kParkTag, QStringLiteral("failed ") + name + QStringLiteral(" ") + description);
        logError(kDeRoomArea, QStringLiteral("DeRoom could not be moved out: ") + description);
    } else {
        const DeRoomPark::ParkKind kind = *outcome.value;
        ActivityLog::append(kParkTag, DeRoomPark::caseName(kind) + QStringLiteral(" ") + name);
        startOpen(library, std::nullopt, kind != DeRoomPark::ParkKind::notInstalled);
    }
    m_catalog.deroomParking = false;
}

void OpenInFinalCut::putDeRoomBack() {
    if (!DeRoomPark::isParked()) {
        m_catalog.setStatus(QStringLiteral("DeRoom is not parked."));
        return;
    }
    if (FCPPreferencesBackup::finalCutIsRunning()) {
        m_catalog.setStatus(QStringLiteral("Quit Final Cut Pro before putting DeRoom back."));
        m_questions->tell(
            QStringLiteral("Quit Final Cut Pro first"),
            QStringLiteral("DeRoom stays parked while Final Cut Pro is open. Putting it back now "
                           "would freeze the next launch of a timeline that still uses it. Nothing "
                           "was moved."));
        return;
    }
    if (const DeRoomPark::Failure failed = DeRoomPark::restoreInstalled()) {
        const QString description = failed->description();
        m_catalog.setStatus(description);
        ActivityLog::append(kRestoreTag, QStringLiteral("failed ") + description);
        logError(kDeRoomArea, QStringLiteral("DeRoom could not be put back: ") + description);
        return;
    }
    m_catalog.setStatus(
        QStringLiteral("DeRoom is back in Audio Units. Open Final Cut Pro when you want it."));
    ActivityLog::append(kRestoreTag, QStringLiteral("ok"));
}

} // namespace pellimor
