#pragma once

#include "Support/Result.h"

#include <QByteArray>
#include <QRegularExpression>
#include <QString>
#include <QStringList>
#include <memory>

namespace pellimor::AtomicFile {

// What a replacement promises should the machine stop (power cut, system crash) soon after
// it. A crash of the program itself never leaves a mix: the data is in the system's hands
// once a write returns.
enum class Durability {
    // The new content is on the disk before it takes the file's name: afterwards the file
    // holds the old content or the new one, whole.
    synced,
    // Readers still see the old file or the new one, never a mix, but the data reaches the
    // disk in the system's own time: afterwards the file may hold the old content, the new,
    // or (on some file systems, and for a file that did not exist before) nothing. For files
    // whose loss costs only work the program can do again; it saves waiting for the disk.
    unsynced,
};

// Writes `bytes` as the whole content of the file at `path`, creating missing parent
// folders. The data goes to a temporary file beside the target that replaces it only when
// everything was written, so a failure leaves the old file as it was. On failure the error
// is a sentence naming the file and the reason. Safe from any thread for different paths.
Result<void> write(const QString& path, const QByteArray& bytes, Durability durability = Durability::synced);

// A synced replacement in two steps, for work that prepares a file on one thread and decides
// on another whether it is wanted: `stage` writes and syncs the bytes to a temporary file
// beside `path` (creating missing parent folders), `commit` gives it the name. A staged file
// that is dropped without a commit is removed. Each step may run on any thread, one at a time.
class Staged {
public:
    ~Staged();
    Staged(const Staged&) = delete;
    Staged& operator=(const Staged&) = delete;

    // The file it will replace.
    const QString& path() const { return m_path; }
    // Replaces the file at path() with the staged bytes. Once only; the error names the file.
    Result<void> commit();

private:
    friend Result<std::shared_ptr<Staged>> stage(const QString& path, const QByteArray& bytes);
    Staged(QString path, QString temporary) : m_path(std::move(path)), m_temporary(std::move(temporary)) {}

    QString m_path;
    QString m_temporary; // empty once committed
};

Result<std::shared_ptr<Staged>> stage(const QString& path, const QByteArray& bytes);

// A process stopped between writing a replacement and giving it its name (killed, or the
// machine off) leaves the temporary file, "<name>.tmp-<random>", beside the target. This
// removes those in `folder` (not below it) whose target's name matches `targetNames` whole,
// except the ones this process has made and still holds: a replacement in progress on
// another thread is never touched. Returns the names removed.
QStringList removeLeftovers(const QString& folder, const QRegularExpression& targetNames);

} // namespace pellimor::AtomicFile
