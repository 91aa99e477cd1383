#include "Platform/ProgramOutput.h"

#include <QProcess>

namespace pellimor::ProgramOutput {

std::optional<QByteArray> read(const QString& program, const QStringList& arguments) {
    QProcess process;
    // Nothing to read from us: a program that waits for input gets an end of file at once.
    process.setStandardInputFile(QProcess::nullDevice());
    process.setStandardErrorFile(QProcess::nullDevice());
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
