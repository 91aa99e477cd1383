#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <optional>

// Running a helper program to read what it prints.
namespace pellimor::ProgramOutput {

// Starts `program` with exactly `arguments` and answers everything it writes to its standard
// output, read while it runs so a large output never stalls it on a full pipe. Its standard
// error goes to the null device, so nothing it complains about is mixed in, and its standard
// input comes from there, so it never waits for input. Waits for the program to end after its
// output closed; the exit status does not matter. Nothing when the program could not be
// started. Blocks the calling thread; safe from any thread.
std::optional<QByteArray> read(const QString& program, const QStringList& arguments);

} // namespace pellimor::ProgramOutput
