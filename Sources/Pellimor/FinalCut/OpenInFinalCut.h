#pragma once

#include "Catalogue/Records/LibraryInfo.h"
#include "FinalCut/DeRoomPark.h"
#include "FinalCut/FinalCutQuestions.h"

#include <QObject>
#include <QString>
#include <chrono>
#include <memory>
#include <optional>

namespace pellimor {

class Catalog;

// Opening a library in Final Cut Pro, behind Catalog::openInFCP, and putting a parked DeRoom
// back, behind Catalog::putDeRoomBack. An open runs its checks in order — the drive connected,
// the library database there, the backup-drive question, Final Cut Pro installed, the DeRoom
// risk — then hands the library over, and follows the request: a time-out after 30 s and, for
// a risky library opened without parking, a hang watch 45 s after the hand-over that asks
// whether Final Cut Pro still answers and offers to force-quit it, park DeRoom and open the
// library again.
//
// What the user sees goes through the catalogue's status line, the questions (alerts), the
// activity log ("open-in-fcp", "deroom-park", "deroom-restore") and the error log
// ("open-in-final-cut", "deroom"). The bookkeeping lives in the catalogue's own members: each
// request takes the next openInFCPTicket, and every answer, time-out and hang check first
// makes sure its ticket is still the newest, since one may come in while an alert is open;
// deroomParking keeps a second park from starting while one runs.
//
// Main thread only. Waits go through the program's clock; the hand-over and the park run off
// the main thread and come back by queued calls. The catalogue must outlive this object.
class OpenInFinalCut final : public QObject {
public:
    static constexpr std::chrono::seconds openTimeout{30};
    static constexpr std::chrono::seconds hangWatchDelay{45};
    static constexpr std::chrono::seconds answerLimit{20};

    OpenInFinalCut(Catalog& catalog, std::shared_ptr<FinalCutQuestions> questions, QObject* parent = nullptr);

    // Returns after the checks and the alerts, before Final Cut Pro answers.
    void openInFCP(const LibraryInfo& library);
    // Synchronous: the window waits while the bundle moves back.
    void putDeRoomBack();

    // The backup-drive question.
    static FinalCutAlert backupDriveAlert(const QString& driveName);

private:
    void startOpen(const LibraryInfo& library, const std::optional<DeRoomRisk>& watchHang, bool leftParked);
    void parkThenOpen(const LibraryInfo& library, bool forceQuit);
    void parked(const LibraryInfo& library, const DeRoomPark::Outcome<DeRoomPark::ParkKind>& outcome);
    void finishOpenInFCP(qint64 ticket, const QString& name, const QString& path,
                         const std::optional<QString>& errorText, const std::optional<DeRoomRisk>& risk,
                         const LibraryInfo& library);
    void timedOutOpenInFCP(qint64 ticket, const QString& name, const QString& path);
    void watchForDeRoomHang(qint64 ticket, const LibraryInfo& library, const DeRoomRisk& risk);
    void hangAnswered(qint64 ticket, const LibraryInfo& library, const DeRoomRisk& risk, bool answered);

    Catalog& m_catalog;
    std::shared_ptr<FinalCutQuestions> m_questions;
};

} // namespace pellimor
