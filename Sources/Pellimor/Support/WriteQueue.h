#pragma once

#include "Support/AtomicFile.h"
#include "Support/Result.h"

#include <QByteArray>
#include <QString>
#include <functional>
#include <memory>

namespace pellimor {

// Writes and removes files one at a time, in the order they were asked for, on the work pool:
// whoever asks goes on at once while the disk catches up. Files that depend on each other (a
// catalogue and the job that counts its records as saved) reach the disk in the order they
// were queued, so neither a reader nor the next start after a crash finds the later one ahead
// of the earlier.
//
// A write that has not started yet may give way to a newer one of the same file (how is the
// newer write's `Place`), so a queue behind a slow disk never spends it on states that nobody
// needs any more.
//
// Thread-safe. Each callback says where it runs.
class WriteQueue {
public:
    // Makes the bytes, on the writing thread; it holds copies of whatever it encodes.
    using Bytes = std::function<Result<QByteArray>()>;
    // Told why a write or a removal failed, on the writing thread.
    using Failed = std::function<void(const QString& error)>;

    enum class Place {
        // A write of the same file that has not started takes the new bytes where it stands,
        // so the newer content reaches the disk no later than the older would have. For a file
        // the others only ever trail.
        inPlace,
        // Writes and removals of the same file that have not started are dropped (back to the
        // latest whenDone()) and the new write goes last, after everything queued before it.
        last,
    };

    WriteQueue();
    // finish(): nothing asked for is lost.
    ~WriteQueue();

    WriteQueue(const WriteQueue&) = delete;
    WriteQueue& operator=(const WriteQueue&) = delete;

    void write(const QString& path, Bytes bytes, AtomicFile::Durability durability, Place place,
               Failed failed = {});
    // Removes the file after everything queued before; a file that is not there is no failure.
    // Writes and removals of it that have not started are dropped, as for Place::last.
    void remove(const QString& path, Failed failed = {});
    // Calls `done` on the main thread (through the application object, which outlives
    // everything) once everything queued before it is done, failed, or gave way to a newer
    // write of its file. Always a queued call, even when nothing is queued. `done` must check
    // for itself that what it touches still exists.
    void whenDone(std::function<void()> done);
    // Nothing is queued and nothing is being written.
    bool idle() const;
    // Returns once everything queued is done; does what is still queued on the calling thread
    // rather than wait for a pool thread.
    void finish();

private:
    struct State;
    std::shared_ptr<State> m_state;
};

} // namespace pellimor
