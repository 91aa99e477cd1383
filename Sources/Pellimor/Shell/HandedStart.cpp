#include "Shell/HandedStart.h"

#include "Catalogue/Store/Catalog.h"
#include "Shell/StartupPlan.h"
#include "Shell/WindowSettings.h"

namespace pellimor::HandedStart {

using SingleInstance::Outcome;

Outcome carryOut(Catalog& catalog, const SingleInstance::Request& request) {
    const QStringList& arguments = request.arguments;
    const bool wantsResume = arguments.contains(QStringLiteral("--resume"));
    const qsizetype scanAt = arguments.indexOf(QStringLiteral("--scan"));
    const bool wantsScan = scanAt >= 0 && scanAt + 1 < arguments.size();
    if (!wantsResume && !wantsScan)
        return Outcome::broughtForward;
    if (catalog.isScanning())
        return Outcome::busy;

    StartupPlan::StartupFacts facts;
    facts.arguments = arguments;
    facts.catalogueEmpty = catalog.libraries().isEmpty();
    facts.pausedJob = catalog.pausedJob().has_value();
    facts.workingFolder = request.workingFolder;
    const StartupPlan::StartupActions actions = StartupPlan::decideStartup(facts, WindowSettings::read());

    if (actions.resume)
        catalog.resumePausedScan();
    if (actions.scan) {
        catalog.run(*actions.scan);
        return catalog.isScanning() ? Outcome::scanStarted : Outcome::busy;
    }
    // With paths given, the only reason for no scan of them is the paused scan resumed first.
    if (wantsScan)
        return Outcome::resumedInstead;
    return facts.pausedJob ? Outcome::resumed : Outcome::nothingToResume;
}

} // namespace pellimor::HandedStart
