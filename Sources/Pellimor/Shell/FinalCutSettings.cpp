#include "Shell/FinalCutSettings.h"

#include "FinalCut/FCPPreferencesBackup.h"

namespace pellimor::FinalCutSettings {

namespace {

Shown failed(const FCPPreferencesBackup::Outcome& outcome) {
    return {outcome.error.description, std::nullopt, outcome.error.description};
}

} // namespace

Shown save() {
    const FCPPreferencesBackup::Outcome saved = FCPPreferencesBackup::saveLive();
    if (!saved)
        return failed(saved);
    QString status = QStringLiteral("Saved ") + saved.result->files.join(QStringLiteral(", ")) +
                     QStringLiteral(" to ") + FCPPreferencesBackup::savedFolder();
    // Asked after the copy: the files were whatever Final Cut Pro had written by then.
    if (FCPPreferencesBackup::finalCutIsRunning())
        status +=
            QStringLiteral(". Final Cut Pro is still open, so this is whatever is already written to disk.");
    return {status, std::nullopt, std::nullopt};
}

Shown restore() {
    if (FCPPreferencesBackup::finalCutIsRunning()) {
        return {FCPPreferencesBackup::describe(FCPPreferencesBackup::Problem::finalCutRunning),
                Alert{QStringLiteral("Quit Final Cut Pro first"),
                      QStringLiteral(
                          "Settings are not put back while Final Cut Pro is open. Nothing was changed.")},
                std::nullopt};
    }
    const FCPPreferencesBackup::Outcome restored = FCPPreferencesBackup::restoreLive();
    if (!restored)
        return failed(restored);
    return {QStringLiteral("Put ") + restored.result->files.join(QStringLiteral(", ")) +
                QStringLiteral(" back. Open Final Cut Pro to use them."),
            std::nullopt, std::nullopt};
}

} // namespace pellimor::FinalCutSettings
