#pragma once

#include <QString>
#include <QStringList>
#include <functional>
#include <optional>

namespace pellimor {

// A copy of Final Cut Pro's own preference files, kept in "Final Cut preferences" in the
// safety-copy folder, and put back on request. Only Final Cut Pro's property lists are copied,
// every copy is checked by its length, nothing inside a library bundle is ever listed or
// touched, a link is never followed or written through, and nothing is put back while Final
// Cut Pro runs. Synchronous, on the calling thread (the main thread for the menu commands);
// no state of its own.
struct FCPPreferencesBackup {
    struct Result {
        QStringList files; // names copied, in the order they were (preferenceFiles order)
        qint64 bytes = 0;  // the sum of their lengths
    };

    enum class Problem {
        mismatch,        // "The copy of NAME does not match. Nothing else was changed."
        unsafe,          // "Refused to touch NAME."
        noneFound,       // "Final Cut Pro settings were not found in the preferences folder."
        noBackup,        // "There is no saved copy of Final Cut Pro settings yet."
        finalCutRunning, // "Quit Final Cut Pro before putting settings back."
        fileSystem,      // the file system's own text, naming the file
    };
    struct Error {
        Problem problem = Problem::fileSystem;
        QString description;
    };
    struct Outcome {
        std::optional<Result> result;
        Error error; // when there is no result
        explicit operator bool() const { return result.has_value(); }
    };

    static QString describe(Problem problem, const QString& name = {});

    // Final Cut Pro's preferences: "Library/Containers/com.apple.FinalCut/Data/Library/
    // Preferences" in the home folder.
    static QString liveFolder();
    // "Final Cut preferences" in the safety-copy folder, read afresh at every call, so a
    // changed setting moves where later saves go and restores look.
    static QString savedFolder();

    // The preference files directly in `folder`, by path, in plain case-sensitive name order
    // (upper-case letters first). A preference file's name begins with "com.apple.FinalCut"
    // and ends with ".plist", its lower-cased name does not hold "finalcutpro", its path does
    // not hold ".fcpbundle", and it is a regular file, not a link. Hidden names are never
    // listed; a folder that cannot be listed has none.
    static QStringList preferenceFiles(const QString& folder);

    // Nothing when `file` lies directly in `folder` and outside every library bundle; else the
    // `unsafe` refusal naming the file.
    static std::optional<Error> requireInside(const QString& file, const QString& folder);

    // The moments of a save at which a test may stop it as a kill would.
    enum class Step {
        copied,    // a file was copied into the new set, before its check
        complete,  // the new set is whole and checked, before it takes the saved folder's place
        setAside,  // (a file system that cannot exchange two names) the saved set was moved
                   // aside and the new one has not yet taken its name
        committed, // the new set is the saved folder; the previous one not yet emptied
        retired,   // an item of the previous set, or of a stopped save's, was removed or moved
    };

    // Ways for tests to make the disk misbehave at a chosen moment.
    struct Hooks {
        // After each file is copied, with the copy's path, before its length is checked.
        std::function<void(const QString& copy)> afterCopy;
        // Asked at each step of a save; true makes save() return at once and leave the disk
        // as a kill at that moment would, with nothing tidied.
        std::function<bool(Step step)> stopAt;
        // Take the road of a file system that cannot exchange two names in one step.
        bool withoutExchange = false;
    };

    // Copies the preference files of `from` into `to` and makes them the saved set in one step,
    // so a save stopped at any moment, a kill included, leaves the previous set or the new one
    // there, whole. The new set is written and checked in a hidden folder beside `to`
    // (".NAME.pellimor-new-" and eight hex digits), which then takes its place by exchanging
    // the two names; the previous set, left under the hidden name, is emptied: its preference
    // files go, and anything else there moves into the new saved folder. Where the file system
    // cannot exchange two names, `to` is first moved aside (".NAME.pellimor-old-…"), and a
    // save or restore that finds it there without `to` puts it back. The next save tidies the
    // hidden folders of this exact form that a stopped save left, and no others. A failure
    // before the new set takes the place of `to` removes it and leaves the saved set as it was.
    // A saved folder that is a link is refused with `unsafe`.
    static Outcome save(const QString& from, const QString& to);
    static Outcome save(const QString& from, const QString& to, const Hooks& hooks);

    // Puts the preference files of `from` back into `to`, each through a hidden temporary copy
    // (".NAME.pellimor-tmp") renamed over its target. Refused before any file is looked at when
    // `finalCutRunning`; refused with `unsafe` at a target that is a link. Preference files of
    // `to` without a saved copy stay; `from` is never changed (a saved set that a stopped save
    // left aside, with `from` missing, is first put back at `from`, as save() would).
    static Outcome restore(const QString& from, const QString& to, bool finalCutRunning);
    static Outcome restore(const QString& from, const QString& to, bool finalCutRunning, const Hooks& hooks);

    // Whether Final Cut Pro runs now (the platform's list of its instances is not empty).
    static bool finalCutIsRunning();

    // save() from the live folder to the saved folder; restore() the other way, with
    // finalCutIsRunning() asked at that moment.
    static Outcome saveLive();
    static Outcome restoreLive();

    // Saves and restores a sample set in a temporary folder of its own ("pellimor-prefs-" and
    // an upper-case UUID, removed at the end). Prints nothing when every check passes, else
    // one line saying which failed. True when all passed.
    static bool selfTest(const std::function<void(const QString& line)>& print);
};

} // namespace pellimor
