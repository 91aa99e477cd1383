#pragma once

#include <QByteArray>
#include <QString>

// Reading the program's own files, and the small files of a library bundle, without ever
// waiting on something that is not a file. Opening a named pipe for reading waits until a
// writer comes, which may be never; a device may wait too, or answer without end. So only a
// regular file is opened, judged before it is opened (a symbolic link counts by what it leads
// to: a link to a regular file is one, a link to a pipe is not), and judged again once open,
// in case something else took its name in between. Safe from any thread.
namespace pellimor::RegularFile {

enum class Status {
    ok,         // a regular file, read whole
    missing,    // nothing at all stands at the path (a link to nothing does stand there)
    unreadable, // something stands there, but not a regular file that could be read
};

// Far beyond anything the program writes or a bundle's small files hold; a larger file is
// refused unread rather than read whole into memory.
inline constexpr qint64 defaultMaxBytes = qint64(1) << 30;

struct Contents {
    Status status = Status::missing;
    QByteArray bytes; // the whole file, when ok
    QString reason;   // why not, when unreadable, as a user reads it ("it is a named pipe, not a file")
};

// What stands at `path`, judged without opening it: ok for a regular file, or a link that
// leads to one.
Contents probe(const QString& path);

// The whole regular file at `path`, of at most `maxBytes` bytes.
Contents read(const QString& path, qint64 maxBytes = defaultMaxBytes);

} // namespace pellimor::RegularFile
