#pragma once

#include <QString>

namespace pellimor::MissingFiles {

// How a proposed file for a broken link was judged. Two kinds carry a count of files.
struct Match {
    enum class Kind {
        sameEventInLibrary,     // the same event and name inside a library bundle
        sameFolderOtherAccount, // the same place in another account's home folder
        sameFoldersOtherDrive,  // enough of the same folders, and the copies agree in size
        nameOnly,               // the only file of that name
        chosenByUser,
        copiesAgree, // several files of one size
        unclear,     // several files of different sizes: nothing is proposed
    };

    Kind kind = Kind::nameOnly;
    int count = 0; // files counted, for copiesAgree and unclear

    static Match of(Kind kind) { return Match{kind, 0}; }
    static Match copies(int count) { return Match{Kind::copiesAgree, count}; }
    static Match different(int count) { return Match{Kind::unclear, count}; }

    // The words shown to the user.
    QString label() const;
    // Good enough to repair without a second look.
    bool isStrong() const;

    bool operator==(const Match&) const = default;
};

} // namespace pellimor::MissingFiles
