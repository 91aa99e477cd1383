#include "Platform/ProgramOutput.h"

#include <QProcess>

namespace pellimor::ProgramOutput {

std::optional<QByteArray> read(const QString& program, const QStringList& arguments) {
    QProcess process;
    process.setStandardErrorFile(QProcess::nullDevice());
    process.setProcessChannelMode(QProcess::SeparateChannels);
    process.start(program, arguments, QIODevice::ReadOnly);
    if (!process.waitForStarted(-1))
        return std::nullopt;
    QByteArray output;
    // Until the output closes: waitForReadyRead() answers false once the program has ended.
    while (process.waitForReadyRead(-1))
        output += process.readAllStandardOutput();
    process.waitForFinished(-1);
    output += process.readAllStandardOutput();
    return output;
}

} // namespace pellimor::ProgramOutput
