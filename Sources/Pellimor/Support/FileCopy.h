#pragma once

#include <QByteArray>
#include <QString>
#include <optional>

namespace pellimor {

// Copies of the user's files that never overwrite and never follow a link: the copy is
// created new (an existing item at the target is an error, whatever it is), the source is
// opened without following a link at its last component, and only a regular file is copied,
// so a pipe or device cannot make a copy wait for ever. The copy keeps the source's
// permission bits and modification time. Paths are the file system's own bytes.
// Any thread; no state.
struct FileCopy {
    // The copy's size as the file system reports it after writing, or the reason it failed:
    // its errno (0 when the source is not a regular file) and the file system's own text
    // ("File exists", "No such file or directory"). A copy that fails after the target was
    // created removes it, so no partial copy is ever left behind.
    struct Outcome {
        std::optional<qint64> size;
        int errorCode = 0;
        QString error;
    };
    // `toDisk` waits until the copy is on the disk before answering: for a copy that is about
    // to take the place of something, so a power cut cannot leave an empty file there.
    enum class Flush { no, toDisk };
    static Outcome copy(const QByteArray& source, const QByteArray& target, Flush flush = Flush::no);
    // The same copy between folders held open (descriptors such as OpenFolder::fd()): `fromName`
    // inside `fromFolder` to `toName` inside `toFolder`, wherever the folders' paths lead by
    // now. Both names must be one component each (isSingleName), so nothing on the way can be
    // a link either; EINVAL otherwise.
    static Outcome copyAt(int fromFolder, const QByteArray& fromName, int toFolder, const QByteArray& toName,
                          Flush flush = Flush::no);

    // Renames `fromName` in the open folder `fromFolder` to `toName` in `toFolder` (one file
    // system) unless something, a link included, stands at `toName`: 0, or the errno (EEXIST
    // when something is there). Where the file system cannot promise that itself, the check
    // comes right before a plain rename.
    static int renameWithoutReplacing(int fromFolder, const QByteArray& fromName, int toFolder,
                                      const QByteArray& toName);

    // Makes the folder at `path` and any missing parents; 0, or the errno of the step that
    // failed. A folder already there is fine; anything else in its place is not (ENOTDIR).
    static int makeFolders(const QByteArray& path);

    // The file system's text for an errno value.
    static QString errorText(int error);
};

} // namespace pellimor
