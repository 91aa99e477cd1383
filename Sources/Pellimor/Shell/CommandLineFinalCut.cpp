// The command-line switches of Final Cut Pro control: a safety copy, and the settings
// backup's and DeRoom parking's self-tests.

#include "FinalCut/DeRoomPark.h"
#include "FinalCut/FCPPreferencesBackup.h"
#include "FinalCut/SafetyCopy.h"
#include "Shell/CommandLine.h"
#include "Support/ByteCount.h"

#include <QElapsedTimer>

namespace pellimor::CommandLine {

int safetyCopy(const QStringList& args, const Print& print) {
    QElapsedTimer started;
    started.start();
    const SafetyCopy::Outcome made = SafetyCopy::make(pathArgument(args.at(2)), pathArgument(args.at(3)));
    if (!made) {
        print(QStringLiteral("safety copy FAILED: ") + made.error.description);
        return 1;
    }
    print(QStringLiteral("safety copy ok: %1 files, %2, %3 s")
              .arg(QString::number(made.result->files), ByteCount::file(made.result->bytes),
                   QString::number(double(started.nsecsElapsed()) / 1e9, 'f', 1)));
    return 0;
}

int selfTestPrefs(const QStringList& /*args*/, const Print& print) {
    return FCPPreferencesBackup::selfTest(print) ? 0 : 1;
}

int selfTestDeRoom(const QStringList& /*args*/, const Print& print) {
    return DeRoomPark::selfTest(print) ? 0 : 1;
}

} // namespace pellimor::CommandLine
