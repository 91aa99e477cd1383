// The name hider: which names it keeps, and what each of its three passes does to a text.

#include "Manual/NameHider.h"

#include "Tests/Support/QtPrinters.h"

#include <gtest/gtest.h>

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

} // namespace

TEST(NameHider, hidesNamesPathsAndQuotedNamesAndLeavesTheWordingAlone) {
    struct Case {
        const char* what;
        QList<Name> names;
        QString text;
        QString hidden;
    };
    const QString longLine = QString(100000, u'w') + QStringLiteral(" on Data.");
    const QList<Case> cases = {
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
        {"a slash right after a colon or before a digit stays",
         {},
         "error:/Volumes/x and /2024/x",
         "error:/Volumes/x and /2024/x"},
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
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        NameHider hider(c.names);
        EXPECT_EQ(hider.hide(c.text), c.hidden);
    }
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
