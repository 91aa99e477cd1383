// The name hider: which names it keeps, and what each of its three passes does to a text.

#include "Manual/NameHider.h"

#include "Catalogue/Logs/ErrorLog.h"
#include "Tests/Support/QtPrinters.h"
#include "Tests/Support/TestEnv.h"

#include <QDateTime>
#include <QDir>
#include <gtest/gtest.h>
#include <optional>

using namespace pellimor;
using Name = NameHider::Name;

namespace {

Name drive(const QString& value) {
    return {QStringLiteral("drive"), value};
}
Name library(const QString& value) {
    return {QStringLiteral("library"), value};
}
Name folder(const QString& value) {
    return {QStringLiteral("folder"), value};
}
Name mac(const QString& value) {
    return {QStringLiteral("mac"), value};
}

// What a fresh hider given `names` makes of `text`.
struct HidingCase {
    const char* what;
    QList<Name> names;
    QString text;
    QString hidden;
};

void expectHidden(const QList<HidingCase>& cases) {
    for (const HidingCase& c : cases) {
        SCOPED_TRACE(c.what);
        NameHider hider(c.names);
        EXPECT_EQ(hider.hide(c.text), c.hidden);
    }
}

} // namespace

TEST(NameHider, hidesNamesPathsAndQuotedNamesAndLeavesTheWordingAlone) {
    const QString longLine = QString(100000, u'w') + QStringLiteral(" on Data.");
    const QList<HidingCase> cases = {
        {"a whole word", {drive("Data")}, "on Data.", "on <drive-1>."},
        {"between brackets", {drive("Data")}, "(Data)", "(<drive-1>)"},
        {"not inside a longer word", {drive("Data")}, "Database", "Database"},
        {"not before a hyphen", {drive("Data")}, "Data-2", "Data-2"},
        {"every letter case, one stand-in",
         {drive("Archive")},
         "Archive and ARCHIVE",
         "<drive-1> and <drive-1>"},
        {"never inside a stand-in",
         {folder("drive"), drive("Archive")},
         "<drive-1> is full",
         "<drive-1> is full"},
        {"the program's own words stay",
         {drive("Tovlin"), drive("final cut pro"), folder("FINAL CUT")},
         "start: Tovlin 1.17.0 (61) on Final Cut Pro",
         "start: Tovlin 1.17.0 (61) on Final Cut Pro"},
        {"blanks around a name are trimmed", {drive(" Media\t")}, "on Media", "on <drive-1>"},
        {"one name for one value, of the first kind listed",
         {drive("Data"), library("data")},
         "Data and data",
         "<drive-1> and <drive-1>"},
        {"one and two characters are never hidden", {drive("HD"), folder("x")}, "HD and x", "HD and x"},
        {"pattern characters are plain text",
         {library("a+b (1)"), folder("[x]"), folder("back\\slash")},
         "open a+b (1) now; [x] and back\\slash.",
         "open <library-1> now; <folder-2> and <folder-1>."},
        {"every letter counts as a word's letter",
         {drive("Café")},
         "Café. Cafétéria. CAFÉ",
         "<drive-1>. Cafétéria. <drive-1>"},
        {"a very long line", {drive("Data")}, longLine, QString(100000, u'w') + " on <drive-1>."},
        {"a path runs to the end of its line",
         {},
         "Cannot open /Users/editor/clip.mov since it moved",
         "Cannot open <path-1>"},
        {"a path ending a line keeps its extension; the same path, the same stand-in",
         {},
         "read  path: /Volumes/Archive/Jobs/Wedding.fcpbundle\n"
         "again  path: /Volumes/Archive/Jobs/Wedding.fcpbundle\n"
         "gone  path: /Users/editor/Movies/Beach.MOV",
         "read  path: <path-1>.fcpbundle\nagain  path: <path-1>.fcpbundle\ngone  path: <path-2>.mov"},
        {"a path from the home folder, tilde and all", {}, "~/Movies/x.mov", "<path-1>.mov"},
        {"an extension of eleven characters is not shown", {}, "at /tmp/file.abcdefghijk", "at <path-1>"},
        {"nor one holding a hyphen", {}, "at /tmp/file.tar-gz", "at <path-1>"},
        {"a path inside a name is hidden before the name",
         {drive("Archive")},
         "on Archive: /Volumes/Archive/x.mov",
         "on <drive-1>: <path-1>.mov"},
        {"slashes that start no absolute path stay",
         {},
         "proxy/optimized media, 29/11, https://example.com/tovlin/",
         "proxy/optimized media, 29/11, https://example.com/tovlin/"},
        {"a slash right after a colon stays", {}, "error:/Volumes/x", "error:/Volumes/x"},
        {"a quoted stand-in stays", {}, "“<drive-1>”", "“<drive-1>”"},
        {"a quoted name is hidden",
         {},
         "“Beach Day 0042.mov” couldn’t be removed",
         "“<name-1>” couldn’t be removed"},
        {"quotes across a line break are not a name", {}, "“Beach\nDay”", "“Beach\nDay”"},
        {"quoted names count in order",
         {},
         "“b” and “a” and “B”",
         "“<name-1>” and “<name-2>” and “<name-1>”"},
    };
    expectHidden(cases);
}

TEST(NameHider, keepsTrimmedNamesOncePerValueLongestFirst) {
    const NameHider hider({{"user", "  jsmith "},
                           {"user", "Jane Smith"},
                           {"mac", "Jane's MacBook Pro"},
                           {"drive", "/"},
                           {"drive", "Tovlin"},
                           {"drive", "Media"},
                           {"library", "JSMITH"},
                           {"library", "Holiday 2026"},
                           {"folder", "Media"},
                           {"folder", "Final Cut"},
                           {"folder", "Clips"}});
    const QList<Name> expected = {{"mac", "Jane's MacBook Pro"},
                                  {"library", "Holiday 2026"},
                                  {"user", "Jane Smith"},
                                  {"user", "jsmith"},
                                  {"drive", "Media"},
                                  {"folder", "Clips"}};
    EXPECT_EQ(hider.names(), expected);
    // Characters as the user sees them: "é" written as "e" and a combining accent is one.
    const NameHider combined({{"drive", "Ab\u0301"}, {"drive", "abc"}});
    EXPECT_EQ(combined.names(), (QList<Name>{{"drive", "abc"}}));
}

TEST(NameHider, numbersEachKindFromOneAndKeepsItsStandInsAcrossCalls) {
    NameHider hider({drive("Archive SSD"), library("Smith Wedding"), drive("Studio")});
    // Names in the hider's order (longest first), each at its first match; paths before names.
    EXPECT_EQ(hider.hide("Studio, Archive SSD and Smith Wedding; /Volumes/Studio/a.mov"),
              "<drive-2>, <drive-1> and <library-1>; <path-1>.mov");
    EXPECT_EQ(hider.hide("STUDIO and “x”\n/Volumes/Studio/a.mov"), "<drive-2> and “<name-1>”\n<path-1>.mov");
    // A fresh hider starts again at 1.
    NameHider fresh({drive("Archive SSD"), library("Smith Wedding"), drive("Studio")});
    EXPECT_EQ(fresh.hide("Studio"), "<drive-1>");
}

namespace {

// An entry as the error log holds it: written by the log itself, at a fixed time, and read back
// the way the problem report reads it.
QString errorLogLine(const QString& area, const QString& message, const std::optional<QString>& path) {
    const QString file = QDir(test::TestEnv::freshDir(QStringLiteral("hider-log"))).filePath("error-log.txt");
    ErrorLog::write(ErrorLog::Level::error, area, message, path, file, ErrorLog::capBytes,
                    QDateTime(QDate(2026, 1, 5), QTime(10, 0), Qt::UTC));
    return ErrorLog::recent(1, file).value(0);
}

// A line of the update log: its time, two spaces, the step.
QString updateLogLine(const QString& step) {
    return QStringLiteral("2026-01-05T10:00:00Z  ") + step;
}

const QString kErrorPrefix = QStringLiteral("2026-01-05T10:00:00Z ERROR ");

} // namespace

// The texts below are the program's own: what the updater, the safety copy, the cleanup and
// the missing-files repair write to the error log, the update log and their sheets.
TEST(NameHider, hidesTheNamesInTheProgramsOwnMessagesHoweverTheyAreSpelled) {
    const QString notMatching = QStringLiteral(" doesn't match the original)");
    const QList<HidingCase> cases = {
        // Paths whose first folder does not begin with an ASCII letter.
        {"a safety copy's event beginning with a digit, in the error log",
         {},
         errorLogLine("update-libraries",
                      "A library was not updated: safety copy failed (copy of /2024-05-12 Hochzeit "
                      "Meier/CurrentVersion.fcpevent" +
                          notMatching,
                      "/Volumes/Archiv/Hochzeit Meier.fcpbundle"),
         kErrorPrefix + "update-libraries: A library was not updated: safety copy failed (copy of "
                        "<path-1>.fcpbundle"},
        {"the same event in the update log",
         {library("Hochzeit Meier")},
         updateLogLine("FAILED Hochzeit Meier: safety copy failed (copy of /2024-05-12 Hochzeit "
                       "Meier/CurrentVersion.fcpevent" +
                       notMatching),
         updateLogLine("FAILED <library-1>: safety copy failed (copy of <path-1>")},
        {"an event beginning with a letter outside ASCII",
         {},
         updateLogLine(
             "FAILED Standesamt: safety copy failed (copy of /Übergabe Müller/CurrentVersion.fcpevent" +
             notMatching),
         updateLogLine("FAILED Standesamt: safety copy failed (copy of <path-1>")},
        {"an event in another script",
         {},
         updateLogLine("FAILED Standesamt: safety copy failed (copy of /結婚式/CurrentVersion.fcpevent" +
                       notMatching),
         updateLogLine("FAILED Standesamt: safety copy failed (copy of <path-1>")},
        {"an event beginning with an emoji",
         {},
         updateLogLine("FAILED Standesamt: safety copy failed (copy of /🎬 Dreh/CurrentVersion.fcpevent" +
                       notMatching),
         updateLogLine("FAILED Standesamt: safety copy failed (copy of <path-1>")},
        {"a path beginning with a digit, ending the line", {}, "trashed /2024/x.mov", "trashed <path-1>.mov"},
        {"folders named to sort first",
         {},
         "copy of /_Archiv/a\ncopy of /#recycle/a\ncopy of /(2024) Hochzeit/a\ncopy of /!Eingang/a",
         "copy of <path-1>\ncopy of <path-2>\ncopy of <path-3>\ncopy of <path-4>"},
        {"a lone slash in a sentence stays",
         {},
         "the start-up disk (/) and /, the root, or / alone",
         "the start-up disk (/) and /, the root, or / alone"},

        // Names joined to another word by an underscore.
        {"a name before an underscore, in the cleanup's words",
         {folder("Meier")},
         "Skipped Meier_Hochzeit.mov: its original is no longer in the event.",
         "Skipped <folder-1>_Hochzeit.mov: its original is no longer in the event."},
        {"a name after an underscore, in the repair's words",
         {folder("Meier")},
         "Hochzeit_Meier.mov: the found file is gone",
         "Hochzeit_<folder-1>.mov: the found file is gone"},
        {"a name holding an underscore is hidden whole, before a shorter one",
         {folder("Meier"), library("Meier_Hochzeit")},
         "Skipped Meier_Hochzeit.mov: its original is no longer in the event.",
         "Skipped <library-1>.mov: its original is no longer in the event."},
        {"a hyphen still joins", {folder("Meier")}, "Meier-Hochzeit.mov", "Meier-Hochzeit.mov"},
        {"a stand-in beside an underscore stays whole",
         {folder("drive")},
         "<drive-1>_drive_backup",
         "<drive-1>_<folder-1>_backup"},

        // The other Unicode normal form: the span is replaced as the text spells it.
        {"a composed name found decomposed, in the repair's error-log entry",
         {drive("Ölarchiv")},
         errorLogLine("missing-files", "A link was not repaired: not enough free space on O\u0308larchiv",
                      "/Volumes/O\u0308larchiv/Hochzeit.fcpbundle"),
         kErrorPrefix + "missing-files: A link was not repaired: not enough free space on <drive-1>  path: "
                        "<path-1>.fcpbundle"},
        {"a decomposed name found composed, in the update log",
         {library("Hochzeit Mu\u0308ller")},
         updateLogLine("Hochzeit Müller: updated to 11.1"),
         updateLogLine("<library-1>: updated to 11.1")},
        {"both forms of one name share its stand-in",
         {library("Hochzeit Müller")},
         updateLogLine("Hochzeit Mu\u0308ller: pressed Update (was 10.4)") + u'\n' +
             updateLogLine("STOPPED at Hochzeit Müller"),
         updateLogLine("<library-1>: pressed Update (was 10.4)") + u'\n' +
             updateLogLine("STOPPED at <library-1>")},
        {"an accent added by a combining mark is part of the word",
         {drive("Cafe")},
         "on Cafe\u0301 and on Cafe",
         "on Cafe\u0301 and on <drive-1>"},
        {"an accent is not ignored", {folder("Muller")}, "Müller, Mu\u0308ller", "Müller, Mu\u0308ller"},

        // One apostrophe against the other.
        {"a typed apostrophe found typographic",
         {library("Jane's Wedding")},
         updateLogLine("STOPPED at Jane\u2019s Wedding"),
         updateLogLine("STOPPED at <library-1>")},
        {"a typographic apostrophe found typed, the message's own apostrophes kept",
         {library("Jane\u2019s Wedding")},
         updateLogLine("FAILED Jane's Wedding: Final Cut didn't quit; check for an open dialog"),
         updateLogLine("FAILED <library-1>: Final Cut didn't quit; check for an open dialog")},
        {"both apostrophes, one stand-in",
         {mac("Jürgen\u2019s MacBook Pro")},
         "on Jürgen's MacBook Pro and Ju\u0308rgen\u2019s MacBook Pro",
         "on <mac-1> and <mac-1>"},
    };
    expectHidden(cases);
}

TEST(NameHider, keepsOneNameForEverySpellingOfAValue) {
    const NameHider hider({mac("Jane\u2019s MacBook Pro"), library("JANE'S MACBOOK PRO"), drive("Ölarchiv"),
                           folder("o\u0308larchiv"), folder("tovlin")});
    EXPECT_EQ(hider.names(), (QList<Name>{mac("Jane\u2019s MacBook Pro"), drive("Ölarchiv")}));
}
